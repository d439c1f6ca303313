// The shell's script service and the debug-dump service of the RADIUS
// daemon.  A script runs in the user's session through the runner the
// shell installs; the memory dump prints this process's real figures.
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/shell_output.h"
#include "platform/system_services.h"
#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

// Our codes: no session to run a script in, a script file the service
// cannot use, and a script one of whose commands failed.
constexpr int32_t vsh_err_no_session = 0x40a00002;
constexpr int32_t vsh_err_bad_script = 0x40a00003;
constexpr int32_t vsh_err_script_failed = 0x40a00004;

script_runner &runner() {
    static script_runner instance;
    return instance;
}

bool all_zero(const uint8_t *bytes, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (bytes[i] != 0) return false;
    }
    return true;
}

// The request's fixed words and zero bytes; the session word must be the
// one of the command being served.
void check_script_request(const script_file_request &request) {
    const char *call = "vsh_execute_script_file2";
    if (request.run_flags != 2 || request.output_flags != 2) {
        detail::record_violation(std::string(call) + ": request words are not 2 and 2");
    }
    if (!all_zero(request.reserved_0, sizeof request.reserved_0) ||
        !all_zero(request.reserved_132, sizeof request.reserved_132) ||
        !all_zero(request.reserved_788, sizeof request.reserved_788)) {
        detail::record_violation(std::string(call) + ": reserved bytes are not 0");
    }
    const cmd_paraminfo *served = detail::current_request();
    if (served != nullptr && served->session_word != request.session_word) {
        detail::record_violation(std::string(call) + ": foreign session word");
    }
}

// Runs the script with the request being served set aside: its commands
// are requests of their own.
int32_t run_script(const std::string &path) {
    if (!runner()) return vsh_err_no_session;
    if (!std::ifstream(path)) return vsh_err_bad_script;
    const cmd_paraminfo *served = detail::current_request();
    const bool succeeded = runner()(path);
    begin_request(served);
    return succeeded ? 0 : vsh_err_script_failed;
}

// ---- the memory dump ----------------------------------------------------------

// The lines of /proc/self/status named in `fields`, as the kernel gives them.
void print_status_lines(std::initializer_list<const char *> fields) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        for (const char *field : fields) {
            if (line.starts_with(field) && line.size() > std::strlen(field) && line[std::strlen(field)] == ':') {
                std::printf("  %s\n", line.c_str());
            }
        }
    }
}

void print_heap(bool detail) {
    const struct mallinfo2 heap = mallinfo2();
    std::printf("  heap in use: %zu bytes\n  heap free: %zu bytes\n", heap.uordblks, heap.fordblks);
    if (!detail) return;
    std::printf("  heap arena: %zu bytes\n  mapped regions: %zu (%zu bytes)\n  free chunks: %zu\n"
                "  releasable at the top: %zu bytes\n",
                heap.arena, heap.hblks, heap.hblkhd, heap.ordblks, heap.keepcost);
}

void print_memstats(bool detail) {
    std::printf("RADIUS daemon memory statistics%s\n", detail ? " (detail)" : "");
    if (detail) {
        print_status_lines({"VmPeak", "VmSize", "VmHWM", "VmRSS", "VmData", "VmStk"});
    } else {
        print_status_lines({"VmSize", "VmRSS"});
    }
    print_heap(detail);
    std::fflush(stdout);
}

bool is_memstats_request(const sdwrap_destination *destination, const void *args, uint32_t args_len,
                         const char *routine, uint32_t detail, int32_t timeout) {
    if (destination == nullptr || args == nullptr || routine == nullptr) return false;
    memstats_dump_args dump{};
    if (args_len != sizeof dump) return false;
    std::memcpy(&dump, args, sizeof dump);
    return destination->address == 0xfe000000u && destination->service == 113 &&
           std::strcmp(routine, "mtrack_dump_memstats") == 0 && dump.reserved == 0 && dump.detail == detail &&
           detail <= 1 && dump.kind == 5 && dump.mask == 0xffffffffu && timeout == -1;
}

}  // namespace

void set_script_runner(script_runner run) { runner() = std::move(run); }

namespace detail {

void reset_diagnostics() { runner() = nullptr; }

}  // namespace detail
}  // namespace radsim

extern "C" int32_t vsh_execute_script_file2(const script_file_request *request) {
    std::string args = "(null)";
    if (request != nullptr) {
        args = "path=" + std::string(request->path, strnlen(request->path, sizeof request->path)) +
               " flags=" + std::to_string(request->run_flags) + "," + std::to_string(request->output_flags) +
               " session_word=" + std::to_string(request->session_word);
    }
    const auto fault = radsim::detail::enter(__func__, std::move(args));
    if (request != nullptr) radsim::check_script_request(*request);
    if (fault) return fault->result;
    if (request == nullptr || strnlen(request->path, sizeof request->path) == sizeof request->path) {
        return radsim::vsh_err_bad_script;
    }
    return radsim::run_script(request->path);
}

// The daemon prints its dump on the terminal; the call gives no result.
extern "C" void sdwrap_debug_dump(uint32_t session_handle, const sdwrap_destination *destination,
                                     const void *args, uint32_t args_len, const char *routine, uint32_t detail,
                                     int32_t timeout) {
    const auto fault = radsim::detail::enter(
        __func__, std::string(routine != nullptr ? routine : "(null)") + " detail=" + std::to_string(detail) +
                      " args_len=" + std::to_string(args_len) + " timeout=" + std::to_string(timeout));
    radsim::detail::check_session(__func__, session_handle);
    if (!radsim::is_memstats_request(destination, args, args_len, routine, detail, timeout)) {
        radsim::detail::record_violation("sdwrap_debug_dump: not the RADIUS daemon's memory-statistics request");
        return;
    }
    if (fault) return;  // the daemon did not answer: nothing is printed
    radsim::print_memstats(detail != 0);
}
