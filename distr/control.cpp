// The distribution control commands.  Each sends one request about the
// daemon's distribution session and reports what came back; the daemon owns
// the session, the pending configuration and the enabled flag.
#include <cstdio>
#include <cstring>

#include "distr/distr.h"
#include "frame/context.hpp"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"

namespace radius {

namespace {

radius_distr_ctrl request_about(uint8_t kind) {
    radius_distr_ctrl record{};
    record.kind = kind;
    return record;
}

// The daemon's text as a line; it ends at its NUL or with the field.
void print_daemon_text(const radius_distr_ctrl &record) {
    std::printf("%.*s\n", static_cast<int>(strnlen(record.text, sizeof record.text)), record.text);
}

// Sends one changing request.  A failing result shows its system-error
// text, the daemon's error text when it flagged one, and `failure_line`
// (none when null); a result of 0 with the error flag set fails too, with
// the daemon's text alone.  Returns the handler's status.
int32_t change(cmd_paraminfo *info, uint8_t kind, uint32_t op, const char *failure_line) {
    radius_distr_ctrl record = request_about(kind);
    const int32_t rc = context(info, DISTR_MODE_CHANGE).distr_control(op, record);
    if (rc != 0) {
        print_error_radius(rc);
        if (record.err_flag != 0) print_daemon_text(record);
        if (failure_line != nullptr) std::puts(failure_line);
        return 1;
    }
    if (record.err_flag == 0) return 0;
    print_daemon_text(record);
    return 1;
}

// Commit and abort have no "no" form; refused before the store hears of it.
bool refuse_no_form(const cmd_paraminfo *info) {
    if (info->no_form == 0) return false;
    std::puts("no option not allowed with this command");
    return true;
}

}  // namespace

}  // namespace radius

using radius::change;

// The daemon's error text does not matter here: its result alone decides.
extern "C" int32_t radius_qds_distr_enable(cmd_paraminfo *info) {
    if (info->exec_noop != 0) return 0;
    radius_distr_ctrl record = radius::request_about(DISTR_KIND_ENABLE);
    const uint32_t op = info->no_form != 0 ? RADIUS_OP_DELETE : RADIUS_OP_WRITE;
    const int32_t rc = radius::context(info, DISTR_MODE_CHANGE).distr_control(op, record);
    if (rc == 0) return 0;
    // Both lines end in a blank that belongs to them.
    radius::report_failure(rc, info->no_form != 0 ? "could not disable RADIUS distribution "
                                                       : "could not enable RADIUS distribution ");
    return 1;
}

extern "C" int32_t radius_qds_distr_commit(cmd_paraminfo *info) {
    if (info->exec_noop != 0) return 0;
    if (radius::refuse_no_form(info)) return 1;
    return change(info, DISTR_KIND_SESSION, RADIUS_OP_WRITE, "could not commit RADIUS distribution ");
}

// A failing abort has no closing line of its own.
extern "C" int32_t radius_qds_distr_abort(cmd_paraminfo *info) {
    if (info->exec_noop != 0) return 0;
    if (radius::refuse_no_form(info)) return 1;
    return change(info, DISTR_KIND_SESSION, RADIUS_OP_DELETE, nullptr);
}

// The supervisor check comes before exec_noop: a standby refuses even a
// command that would do nothing.  The closing line ends in two blanks.
extern "C" int32_t radius_qds_distr_clear_session(cmd_paraminfo *info) {
    if (info->is_active_sup != 1) {
        std::puts("this command is supported on active sup only");
        return 1;
    }
    if (info->exec_noop != 0) return 0;
    return change(info, DISTR_KIND_CLEAR, RADIUS_OP_WRITE, "could not clear distribution session RADIUS  ");
}

// Each reply goes back as the next request with only its kind written
// again: the daemon keeps its place in the listing in the record.  The
// failure line ends in a blank.
extern "C" int32_t radius_qds_distr_show_pending(cmd_paraminfo *info) {
    if (info->exec_noop != 0) return 0;
    const radius::context store(info, DISTR_MODE_READ);
    radius_distr_ctrl record{};
    for (;;) {
        record.kind = DISTR_KIND_SESSION;
        const int32_t rc = store.distr_control(RADIUS_OP_READ_NEXT, record);
        if (rc > 0) {
            std::printf("radius_qds_distr_show_pending: cmi error %d\n", static_cast<int>(rc));
            print_error_radius(rc);
        }
        if (rc != 0) {
            std::puts("could not show pending RADIUS configuration ");
            return 1;
        }
        if (record.err_flag != 0) {
            std::printf("show pending radius error: %.*s\n", static_cast<int>(strnlen(record.text, sizeof record.text)),
                        record.text);
            return 1;
        }
        if (record.text[0] == '\0') return 0;
        radius::print_daemon_text(record);
    }
}
