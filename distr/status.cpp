// The distribution status displays.  The state and merge texts come from
// the daemon as a control record; the last operation as a reply of the
// store's request-response message, big-endian whatever the processor.
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>

#include "distr/distr.h"
#include "distr/last_operation.hpp"
#include "frame/context.hpp"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"
#include "frame/output.hpp"
#include "platform/system_services.h"

const char *const distr_action_names[6] = {"None",   "Distribution Enable", "Distribution Disable",
                                           "Commit", "Abort",               "Clear"};
const char *const distr_result_names[5] = {"None", "Success", "Fail", "In Progress", "Partial Success"};

extern "C" const char *qdsActionToString(uint32_t code) {
    static const char *const words[] = {"none", "enable", "disable", "commit", "abort", "clear"};
    return code >= 1 && code <= 6 ? words[code - 1] : "invalid action";
}

// Partial success (5) has no word here, unlike in distr_result_names.
extern "C" const char *qdsResultToString(int32_t code) {
    static const char *const words[] = {"none", "success", "failed", "inProgress"};
    return code >= 1 && code <= 4 ? words[code - 1] : "invalid result code";
}

namespace radius {

namespace {

constexpr char null_handle[] = "received handle NULL";

// ---- session status ----

// printf into `out`, cut to fit with its NUL, as the report's buffers are.
__attribute__((format(printf, 3, 4))) void print_cut(char *out, size_t size, const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(out, size, format, args);
    va_end(args);
}

// ctime_r's text without its newline, or "None".
void time_text(const last_operation &op, char (&out)[64]) {
    std::snprintf(out, sizeof out, "None");
    if (op.action == DISTR_ACTION_NONE || op.time_stamp == 0) return;
    const time_t when = static_cast<time_t>(op.time_stamp);
    char text[64] = {};
    if (ctime_r(&when, text) == nullptr || text[0] == '\0') return;
    text[std::strlen(text) - 1] = '\0';
    std::snprintf(out, sizeof out, "%s", text);
}

// Codes without a display name show as "Unknown".
const char *action_name(uint32_t action) {
    return action >= 1 && action <= 6 ? distr_action_names[action - 1] : "Unknown";
}

const char *result_name(const last_operation &op) {
    if (op.action == DISTR_ACTION_NONE) return "None";
    return op.result >= 1 && op.result <= 5 ? distr_result_names[op.result - 1] : "Unknown";
}

// The four "Last Action" lines, after the VSAN header when the session is
// bound to one; cut to fit the 1024-byte report.
void format_session_report(const last_operation &op, char (&report)[1024]) {
    char time[64];
    time_text(op, time);
    char reason[1024] = "none";
    if (op.result == DISTR_RESULT_FAIL || op.result == DISTR_RESULT_PARTIAL_SUCCESS) {
        const auto code = static_cast<int32_t>(op.failure_reason);
        std::snprintf(reason, sizeof reason, "%s(0x%x)- %s", syserr2fac(code), op.failure_reason, syserr2str(code));
    }
    char header[96] = "";
    if (op.scope == DISTR_SCOPE_VSAN) {
        std::snprintf(header, sizeof header, "Session Parameters for VSAN: %d\n-------------------------------\n",
                      static_cast<int>(op.vsan_id));
    }
    print_cut(report, sizeof report,
              "%sLast Action Time Stamp     : %s\nLast Action                : %s\n"
              "Last Action Result         : %s\nLast Action Failure Reason : %s\n",
              header, time, action_name(op.action), result_name(op), reason);
}

}  // namespace

}  // namespace radius

extern "C" int32_t radius_new_qds_session_status(cmd_paraminfo *info) {
    using namespace radius;
    if (info->exec_noop != 0) return 0;
    output out = open_output(info, null_handle);
    if (!out) return 1;
    const std::optional<last_operation> op = fetch_last_operation(info);
    if (!op) return 1;
    char report[1024];
    format_session_report(*op, report);
    char value[2048];
    copy_text(value, report, sizeof value - 1);
    out.print("%s", TAG_DISTR_SESSION_STATUS, value, text_length(value));
    out.send_and_release();
    return 0;
}

extern "C" int32_t radius_new_qds_merge_status(cmd_paraminfo *info) {
    using namespace radius;
    if (info->exec_noop != 0) return 0;
    output out = open_output(info, null_handle);
    if (!out) return 1;
    radius_distr_ctrl record{};
    record.kind = DISTR_KIND_MERGE;
    const int32_t rc = context(info, DISTR_MODE_READ).distr_control(RADIUS_OP_READ, record);
    if (rc != 0) {
        if (rc > 0) {
            std::printf("cmi error %d\n", static_cast<int>(rc));
            print_error_radius(rc);
        }
        std::puts("could not show  RADIUS qds merge status ");  // two blanks after "show", one at the end
        return 1;
    }
    out.print("%s\n", TAG_DISTR_MERGE_STATUS, record.text, field_text_length(record.text));
    out.send_and_keep();
    return 0;
}
