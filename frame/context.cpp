#include "frame/context.hpp"

#include "platform/store_client.h"
#include "platform/system_services.h"

namespace radius {

namespace {

constexpr uint32_t read_op(store_copy from) {
    return from == store_copy::pending ? RADIUS_OP_READ_PENDING : RADIUS_OP_READ;
}

constexpr uint32_t read_next_op(store_copy from) {
    return from == store_copy::pending ? RADIUS_OP_READ_NEXT_PENDING : RADIUS_OP_READ_NEXT;
}

}  // namespace

int32_t context::read(radius_global_cfg &cfg, store_copy from) const {
    return cmi_radius_new_global_config(session_handle_, read_op(from), &cfg, mode_, ctx_a_, ctx_b_);
}

int32_t context::read(radius_server_cfg &cfg, store_copy from) const {
    return cmi_radius_new_server_config(session_handle_, read_op(from), &cfg, mode_, ctx_a_, ctx_b_);
}

int32_t context::read(radius_group_cfg &cfg, store_copy from) const {
    return cmi_radius_new_group_config(session_handle_, read_op(from), &cfg, mode_, ctx_a_, ctx_b_);
}

int32_t context::read_current(radius_global_cfg &cfg) const {
    const int32_t rc = read(cfg, store_copy::pending);
    return rc == RADIUS_ERR_NO_PENDING ? read(cfg) : rc;
}

int32_t context::read_current(radius_server_cfg &cfg) const {
    const int32_t rc = read(cfg, store_copy::pending);
    return rc == RADIUS_ERR_NO_PENDING ? read(cfg) : rc;
}

int32_t context::read_next(radius_server_cfg &cursor, store_copy from) const {
    return cmi_radius_new_server_config(session_handle_, read_next_op(from), &cursor, mode_, ctx_a_, ctx_b_);
}

int32_t context::read_next(radius_group_cfg &cursor) const {
    return cmi_radius_new_group_config(session_handle_, RADIUS_OP_READ_NEXT, &cursor, mode_, ctx_a_, ctx_b_);
}

int32_t context::write(radius_global_cfg &cfg) const {
    return cmi_radius_new_global_config(session_handle_, RADIUS_OP_WRITE, &cfg, mode_, ctx_a_, ctx_b_);
}

int32_t context::write(radius_server_cfg &cfg) const {
    return cmi_radius_new_server_config(session_handle_, RADIUS_OP_WRITE, &cfg, mode_, ctx_a_, ctx_b_);
}

int32_t context::write(radius_group_cfg &cfg) const {
    return cmi_radius_new_group_config(session_handle_, RADIUS_OP_WRITE, &cfg, mode_, ctx_a_, ctx_b_);
}

int32_t context::remove(radius_server_cfg &cfg) const {
    return cmi_radius_new_server_config(session_handle_, RADIUS_OP_DELETE, &cfg, mode_, ctx_a_, ctx_b_);
}

int32_t context::remove(radius_group_cfg &cfg) const {
    return cmi_radius_new_group_config(session_handle_, RADIUS_OP_DELETE, &cfg, mode_, ctx_a_, ctx_b_);
}

int32_t context::read_item(uint32_t item, uint32_t &value) const {
    return cmi_radius_new_enable_info_config(session_handle_, RADIUS_OP_READ, item, &value, mode_, ctx_a_, ctx_b_);
}

int32_t context::read_item_or_zero(uint32_t item, uint32_t &value) const {
    value = 0;
    const int32_t rc = read_item(item, value);
    if (rc != RADIUS_ERR_ITEM_NOT_PRESENT) return rc;
    value = 0;  // whatever the store left there
    return 0;
}

int32_t context::write_item(uint32_t item, uint32_t value) const {
    return cmi_radius_new_enable_info_config(session_handle_, RADIUS_OP_WRITE, item, &value, mode_, ctx_a_, ctx_b_);
}

int32_t context::read_monitor(uint32_t server_id, aaa_server_monitor_cfg &entry) const {
    entry = aaa_server_monitor_cfg{};
    entry.server_id = server_id;
    const int32_t rc =
        cmi_aaa_server_monitor_config(session_handle_, AAA_MONITOR_SERVICE, RADIUS_OP_READ, &entry, mode_, ctx_a_, ctx_b_);
    if (rc == AAA_ERR_NO_MONITOR_ENTRY) {
        // The service may have touched the record before giving up.
        entry = aaa_server_monitor_cfg{};
        entry.server_id = server_id;
    }
    return rc;
}

int32_t context::write_monitor(aaa_server_monitor_cfg &entry) const {
    return cmi_aaa_server_monitor_config(session_handle_, AAA_MONITOR_SERVICE, RADIUS_OP_WRITE, &entry, mode_, ctx_a_,
                                         ctx_b_);
}

int32_t context::distr_control(uint32_t op, radius_distr_ctrl &record) const {
    return cmi_radius_new_distr_control(session_handle_, op, &record, mode_, ctx_a_, ctx_b_);
}

int32_t context::request_response(uint32_t message, uint32_t op, void *request, void **reply, uint32_t *length,
                                  uint32_t arg_113, uint32_t arg_4) const {
    return cmi_req_resp(message, op, request, reply, length, ctx_a_, ctx_b_, arg_113, session_handle_, arg_4);
}

int32_t context::server_stats(uint32_t op, radius_server_stats &stats) const {
    return cmi_aaa_server_stats(session_handle_, AAA_STATS_SERVICE, op, &stats, mode_, ctx_a_, ctx_b_);
}

bool context::feature_enabled(const char *feature) const {
    uint32_t status = 0;
    uint32_t error = 0;
    fm_cmi_get_feature_status(session_handle_, feature, ctx_a_, ctx_b_, &status, &error);
    return error == 0 && status == 1;
}

}  // namespace radius
