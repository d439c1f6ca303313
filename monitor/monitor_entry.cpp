#include "monitor/monitor_entry.hpp"

namespace radius {

int32_t read_monitor_entry(uint32_t session_handle, uint32_t server_id, uint32_t mode,
                           aaa_server_monitor_cfg *entry, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b) {
    *entry = aaa_server_monitor_cfg{};
    entry->server_id = server_id;
    const int32_t rc =
        cmi_aaa_server_monitor_config(session_handle, AAA_MONITOR_SERVICE, 1, entry, mode, ctx_a, ctx_b);
    if (rc == AAA_ERR_NO_MONITOR_ENTRY) {
        // The service may have touched the record before giving up.
        *entry = aaa_server_monitor_cfg{};
        entry->server_id = server_id;
    }
    return rc;
}

}  // namespace radius
