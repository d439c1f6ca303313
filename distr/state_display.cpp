// The distribution state displays.  The daemon's state text is lines of
// "label:value"; the displays take the first four lines by position and
// put their own labels before each value.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "distr/distr.h"
#include "distr/last_operation.hpp"
#include "frame/context.hpp"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"
#include "frame/output.hpp"
#include "platform/system_services.h"

namespace radius {

namespace {

constexpr size_t state_lines = 4;

struct state_layout {
    const char *formats[state_lines];
    uint32_t tags[state_lines];
};

// Which command asked decides the tags of the distribution status.
struct status_tags {
    uint32_t lines[state_lines];
    uint32_t last_operation;
    uint32_t last_operation_status;
};

constexpr status_tags tags_502{
    {TAG_DISTR_DISTRIBUTION, TAG_DISTR_SESSION_ONGOING, TAG_DISTR_SESSION_OWNER, TAG_DISTR_SESSION_DB},
    TAG_DISTR_LAST_OPERATION,
    TAG_DISTR_LAST_OPERATION_STATUS};
constexpr status_tags tags_503{
    {TAG_FABRIC_DISTRIBUTION, TAG_FABRIC_SESSION_ONGOING, TAG_FABRIC_SESSION_OWNER, TAG_FABRIC_SESSION_DB},
    TAG_FABRIC_LAST_OPERATION,
    TAG_FABRIC_LAST_OPERATION_STATUS};
constexpr status_tags untagged{};

const status_tags &tags_for(uint32_t command_id) {
    switch (command_id) {
        case DISTR_CMD_STATUS: return tags_502;
        case DISTR_CMD_FABRIC_STATUS: return tags_503;
        default: return untagged;
    }
}

// Reads the state text; false after the failure's messages.  Both state
// displays say the same, whichever of them failed.
bool read_state(cmd_paraminfo *info, radius_distr_ctrl &record) {
    record = radius_distr_ctrl{};
    record.kind = DISTR_KIND_STATE;
    const int32_t rc = context(info, DISTR_MODE_READ).distr_control(RADIUS_OP_READ, record);
    if (rc == 0) return true;
    if (rc > 0) {
        std::printf("radius_qds_distr_show_internal: cmi error %d\n", static_cast<int>(rc));
        print_error_radius(rc);
    }
    std::puts("could not show  RADIUS qds state ");  // two blanks after "show", one at the end
    return false;
}

// Lines 1 to 4 of the state text, each under its format and tag.  A run of
// newlines separates two lines, so empty lines do not count; a value is
// everything after the line's first colon, leading blanks included.  A
// missing line or a line without a colon gives an empty value.
void print_state_lines(const output &out, const radius_distr_ctrl &record, const state_layout &layout) {
    // Offsets only, no substr or copy: their range checks would throw, and
    // the library carries no exception support.
    const std::string_view text(record.text, strnlen(record.text, sizeof record.text));
    size_t at = 0;
    for (size_t i = 0; i < state_lines; ++i) {
        at = text.find_first_not_of('\n', at);
        const size_t start = at == std::string_view::npos ? text.size() : at;
        const size_t end = std::min(text.find('\n', start), text.size());
        at = end;
        char buffer[1000] = {};
        std::memcpy(buffer, text.data() + start, std::min(end - start, sizeof buffer - 1));
        const char *colon = std::strchr(buffer, ':');
        const char *value = colon != nullptr ? colon + 1 : "";
        out.print(layout.formats[i], layout.tags[i], value, text_length(value));
    }
    out.print("\n");
}

// The last operation's two lines; the failure line of a failed one goes
// straight to the terminal.
void print_last_operation(const output &out, const last_operation &op, const status_tags &tags) {
    char action[256] = {};
    char result[256] = {};
    copy_text(action, qdsActionToString(op.action), sizeof action - 1);
    copy_text(result, qdsResultToString(static_cast<int32_t>(op.result)), sizeof result - 1);
    out.print("last operation: %s\n", tags.last_operation, action, text_length(action));
    out.print("last operation status: %s\n", tags.last_operation_status, result, text_length(result));
    if (op.result == DISTR_RESULT_FAIL) {
        std::printf("last operation failed due to: %s\n", syserr2str(static_cast<int32_t>(op.failure_reason)));
    }
}

}  // namespace

}  // namespace radius

// Serves commands 502 and 503 with tag sets of their own, any other with
// tag 0.  Ignores exec_noop, and leaves the handle to the shell once sent.
extern "C" int32_t radius_new_qds_distr_status(cmd_paraminfo *info) {
    using namespace radius;
    output out = open_output(info, "received handle NULL");
    if (!out) return 1;
    const status_tags &tags = tags_for(out.command_id());
    radius_distr_ctrl record;
    if (!read_state(info, record)) return 1;
    const state_layout layout{
        {"distribution : %s\n", "session ongoing: %s\n", "session owner: %s\n", "session db: %s\n"},
        {tags.lines[0], tags.lines[1], tags.lines[2], tags.lines[3]}};
    print_state_lines(out, record, layout);
    const std::optional<last_operation> op = fetch_last_operation(info);
    if (!op) return 1;
    print_last_operation(out, *op, tags);
    out.send_and_keep();
    return 0;
}

// Lines 3 and 4 of the same state text are labelled differently here.
extern "C" int32_t radius_qds_distr_show_internal(cmd_paraminfo *info) {
    using namespace radius;
    if (info->exec_noop != 0) return 0;
    output out = open_output(info, "ERROR:Received NULL handle");
    if (!out) return 1;
    radius_distr_ctrl record;
    if (!read_state(info, record)) return 1;
    static constexpr state_layout layout{
        {"distribution : %s\n", "session ongoing: %s\n", "session db: %s\n", "Merge status: %s\n"},
        {TAG_DISTR_INTERNAL_DISTRIBUTION, TAG_DISTR_INTERNAL_SESSION_ONGOING, TAG_DISTR_INTERNAL_SESSION_DB,
         TAG_DISTR_INTERNAL_MERGE_STATUS}};
    print_state_lines(out, record, layout);
    out.send_and_keep();
    return 0;
}
