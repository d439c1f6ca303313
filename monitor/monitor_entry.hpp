// The AAA service's monitoring entry of one server or the global one.
#pragma once

#include <cstdint>

#include "platform/aaa_service.h"

namespace radius {

// Reads entry `server_id` (op 1) into a cleared record.  When the service
// has none, returns AAA_ERR_NO_MONITOR_ENTRY with the record all zero apart
// from server_id, ready to be filled and written; other failures come back
// as the service gave them.
int32_t read_monitor_entry(uint32_t session_handle, uint32_t server_id, uint32_t mode,
                           aaa_server_monitor_cfg *entry, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b);

}  // namespace radius
