// The walk over the configured servers: read-next from a cleared record
// until the store has no further server.
#pragma once

#include "abi/radius_records.h"
#include "platform/store_client.h"

namespace radius {

// Calls visit(server) with a copy of each server in the store's order, so
// the visitor may change it without disturbing the walk.  `op` is 2 (running)
// or 6 (pending).  A visitor returning false ends the walk with 0.  Returns
// 0 at the normal end, else the store's result.
template <class Visit>
int32_t walk_servers(cmd_paraminfo *info, uint32_t op, uint32_t mode, Visit &&visit) {
    radius_server_cfg cursor{};
    int32_t rc;
    while ((rc = cmi_radius_new_server_config(info->session_handle, op, &cursor, mode, &info->msg_ctx_a,
                                              &info->msg_ctx_b)) == 0) {
        radius_server_cfg server = cursor;
        if (!visit(server)) return 0;
    }
    return rc == RADIUS_ERR_NO_MORE_SERVERS ? 0 : rc;
}

}  // namespace radius
