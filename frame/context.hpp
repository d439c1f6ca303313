// The platform as one command reaches it.  A context is built from the
// command's cmd_paraminfo and puts the request's session handle and context
// blocks on every call, so handlers name only the record, the operation and
// the mode their command's contract gives.  Results come back as the store
// or service gave them: 0, or a system-error code to report.
#pragma once

#include <cstdint>

#include "abi/distr_records.h"
#include "abi/radius_records.h"
#include "platform/aaa_service.h"

namespace radius {

// Which copy of the configuration a read sees: the running one, or the
// pending one of an open distribution session.
enum class store_copy : uint8_t { running, pending };

class context {
public:
    // `mode` goes with every store and AAA call, uninterpreted: each
    // command's contract gives the value of its calls.
    context(cmd_paraminfo *info, uint32_t mode)
        : info_(info), session_handle_(info->session_handle), ctx_a_(&info->msg_ctx_a), ctx_b_(&info->msg_ctx_b),
          mode_(mode) {}
    // For the exported routines that other components call with the three
    // request words instead of a cmd_paraminfo.
    context(uint32_t session_handle, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b, uint32_t mode)
        : session_handle_(session_handle), ctx_a_(ctx_a), ctx_b_(ctx_b), mode_(mode) {}

    // The same request with another mode, for the odd call that differs.
    context with_mode(uint32_t mode) const {
        context other = *this;
        other.mode_ = mode;
        return other;
    }

    // The command's block; null for a context built from the three words.
    cmd_paraminfo *info() const { return info_; }

    // The record named by its key fields (none for the global record).
    int32_t read(radius_global_cfg &cfg, store_copy from = store_copy::running) const;
    int32_t read(radius_server_cfg &cfg, store_copy from = store_copy::running) const;
    int32_t read(radius_group_cfg &cfg, store_copy from = store_copy::running) const;
    // The pending copy of an open distribution session, else the running one.
    int32_t read_current(radius_global_cfg &cfg) const;
    int32_t read_current(radius_server_cfg &cfg) const;
    // Replaces `cursor` by the entry after it; a zeroed cursor yields the first.
    int32_t read_next(radius_server_cfg &cursor, store_copy from = store_copy::running) const;
    int32_t read_next(radius_group_cfg &cursor) const;

    int32_t write(radius_global_cfg &cfg) const;
    int32_t write(radius_server_cfg &cfg) const;
    int32_t write(radius_group_cfg &cfg) const;
    int32_t remove(radius_server_cfg &cfg) const;
    int32_t remove(radius_group_cfg &cfg) const;

    // Enable-info items.  An item never written reads as
    // RADIUS_ERR_ITEM_NOT_PRESENT; read_item_or_zero makes that a 0.
    int32_t read_item(uint32_t item, uint32_t &value) const;
    int32_t read_item_or_zero(uint32_t item, uint32_t &value) const;
    int32_t write_item(uint32_t item, uint32_t value) const;

    // The AAA service's monitoring entry `server_id` (a server's index or
    // AAA_MONITOR_GLOBAL_ID), read into a cleared record.  When the service
    // has none: AAA_ERR_NO_MONITOR_ENTRY, the record all zero but server_id,
    // ready to be filled and written.
    int32_t read_monitor(uint32_t server_id, aaa_server_monitor_cfg &entry) const;
    int32_t write_monitor(aaa_server_monitor_cfg &entry) const;

    // One fabric-distribution request about `record.kind`; the store fills
    // err_flag and text on 0 (and may write the reserved bytes).
    int32_t distr_control(uint32_t op, radius_distr_ctrl &record) const;

    // Message `message` of the store's request-response call: `*reply`
    // receives a heap block that the caller owns and frees whatever the
    // result; `*length` goes in as the request's size and means nothing
    // afterwards.  `arg_113` and `arg_4` are the message's fixed words.
    int32_t request_response(uint32_t message, uint32_t op, void *request, void **reply, uint32_t *length,
                             uint32_t arg_113, uint32_t arg_4) const;

    // The AAA service's statistics of the server whose index `stats`
    // carries (get, clear), or of the server after it (get next).
    int32_t server_stats(uint32_t op, radius_server_stats &stats) const;

    // Whether the feature manager says `feature` is enabled.
    bool feature_enabled(const char *feature) const;

    // Calls visit(server) with a copy of each server in the store's order,
    // so the visitor may change it without disturbing the walk.  A visitor
    // returning false ends the walk with 0.  Returns 0 at the normal end,
    // else the store's result.
    template <class Visit>
    int32_t walk_servers(store_copy from, Visit &&visit) const {
        radius_server_cfg cursor{};
        int32_t rc;
        while ((rc = read_next(cursor, from)) == 0) {
            radius_server_cfg server = cursor;
            if (!visit(server)) return 0;
        }
        return rc == RADIUS_ERR_NO_MORE_SERVERS ? 0 : rc;
    }

    // The same over the groups of the running configuration, by name.
    template <class Visit>
    int32_t walk_groups(Visit &&visit) const {
        radius_group_cfg cursor{};
        int32_t rc;
        while ((rc = read_next(cursor)) == 0) {
            radius_group_cfg group = cursor;
            if (!visit(group)) return 0;
        }
        return rc == RADIUS_ERR_NO_MORE_GROUPS ? 0 : rc;
    }

private:
    cmd_paraminfo *info_ = nullptr;
    uint32_t session_handle_;
    cmd_msg_ctx *ctx_a_;
    cmd_msg_ctx *ctx_b_;
    uint32_t mode_;
};

}  // namespace radius
