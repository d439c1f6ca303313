// Diagnostics: the show-tech script that the shell runs, the debugging
// flag, and the RADIUS daemon's memory statistics.  All three print plain
// terminal output only.
#include <unistd.h>

#include <cstdio>

#include "abi/param_ids.h"
#include "frame/context.hpp"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"
#include "platform/shell_output.h"
#include "platform/system_services.h"
#include "stats/stats.h"

namespace radius {

namespace {

// The commands whose output makes up the RADIUS part of a tech-support
// report, in the order the report shows them.
constexpr char tech_script[] =
    "show running-config radius all\n"
    "show radius-server directed-request\n"
    "show system internal radius event-history msgs\n"
    "show system internal radius event-history errors\n"
    "show system internal radius mem-stats\n"
    "show system internal radius mem-stats detail\n";
constexpr size_t tech_script_length = sizeof tech_script - 1;
static_assert(tech_script_length == 246);

// The values the shell's script service expects in both request words.
constexpr uint32_t script_run_flags = 2;
constexpr uint32_t script_output_flags = 2;

constexpr uint32_t debug_read_mode = 1;

// The RADIUS daemon's address for debug dumps and its memory-statistics
// dump arguments.
constexpr sdwrap_destination radius_daemon = {0xfe000000u, 113u};
constexpr uint32_t memstats_kind = 5;
constexpr uint32_t memstats_all = 0xffffffffu;
constexpr int32_t dump_wait = -1;

// ---- platform calls: one small function per kind ------------------------

int32_t run_script(const script_file_request *request) { return vsh_execute_script_file2(request); }

void dump_memstats(cmd_paraminfo *info, uint32_t detail) {
    const memstats_dump_args args = {0, detail, memstats_kind, memstats_all};
    // The daemon's dump is the output.
    sdwrap_debug_dump(info->session_handle, &radius_daemon, &args, sizeof args, "mtrack_dump_memstats", detail,
                      dump_wait);
}

// ---- the script file ---------------------------------------------------------

// Appends the script to `path` ("a+": an existing file of that name is
// extended, never truncated).  False when the file could not be opened or
// the whole script could not be written to it; a file that was created
// is removed again.
bool write_script(const char *path) {
    std::FILE *file = std::fopen(path, "a+");
    if (file == nullptr) return false;
    const bool written = std::fwrite(tech_script, 1, tech_script_length, file) == tech_script_length;
    if (std::fclose(file) == 0 && written) return true;
    unlink(path);
    return false;
}

script_file_request script_request(const cmd_paraminfo *info, const char *path) {
    script_file_request request{};
    copy_text(request.path, path, sizeof request.path - 1);
    request.run_flags = script_run_flags;
    request.output_flags = script_output_flags;
    request.session_word = info->session_word;
    return request;
}

}  // namespace

}  // namespace radius

using namespace radius;

extern "C" RADIUS_EXPORT int32_t show_tech_radius(cmd_paraminfo *info) {
    char path[100];
    std::snprintf(path, sizeof path, "/tmp/tech_radius.%d", static_cast<int>(getpid()));
    if (!write_script(path)) {
        std::puts("Error: unable to open tmp file");
        return 1;
    }
    const script_file_request request = script_request(info, path);
    const int32_t rc = run_script(&request);
    // The file lives for this call only, whatever the run did.
    unlink(path);
    return rc != 0 ? 1 : 0;
}

extern "C" RADIUS_EXPORT int32_t show_debug_radius_new(cmd_paraminfo *info) {
    if (!on_active_sup(info)) return 1;
    uint32_t value = 0;
    // A flag that was never written is a failure here, not "off".
    const int32_t rc = context(info, debug_read_mode).read_item(RADIUS_ITEM_DEBUG, value);
    if (rc != 0) {
        print_error_radius(rc);
        return 1;
    }
    std::puts(value != 0 ? "RADIUS Debugging: on" : "RADIUS Debugging: off");
    return 0;
}

extern "C" RADIUS_EXPORT int32_t radius_cli_show_memstats(cmd_paraminfo *info) {
    if (info->exec_noop != 0) return 0;
    const uint32_t detail = first_param(info, PARAM_DETAIL) != nullptr ? 1 : 0;
    dump_memstats(info, detail);
    return 0;
}
