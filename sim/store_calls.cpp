// The configuration store client's entry points over the simulated store.
#include <string>

#include "platform/store_client.h"
#include "sim/sim_internal.hpp"

namespace {

using radsim::detail::check_context;
using radsim::detail::check_session;

// Built only for the call log: the store is called for every record.
std::string op_args(uint32_t op, uint32_t mode) {
    if (!radsim::detail::call_log_on()) return {};
    return "op=" + std::to_string(op) + " mode=" + std::to_string(mode);
}

// Common prologue: log, check the caller's context, apply a due fault.
std::optional<int32_t> prologue(const char *name, std::string args, uint32_t session_handle,
                                const cmd_msg_ctx *ctx_a, const cmd_msg_ctx *ctx_b) {
    const auto fault = radsim::detail::enter(name, std::move(args));
    check_session(name, session_handle);
    check_context(name, ctx_a, ctx_b);
    if (fault) return fault->result;
    return std::nullopt;
}

}  // namespace

extern "C" int32_t cmi_radius_new_global_config(uint32_t session_handle, uint32_t op, radius_global_cfg *cfg,
                                                uint32_t mode, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b) {
    if (auto faulted = prologue(__func__, op_args(op, mode), session_handle, ctx_a, ctx_b)) return *faulted;
    if (cfg == nullptr) return radsim::store_err_invalid_request;
    return radsim::detail::guarded([&] { return radsim::detail::store().global(op, cfg); });
}

extern "C" int32_t cmi_radius_new_server_config(uint32_t session_handle, uint32_t op, radius_server_cfg *cfg,
                                                uint32_t mode, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b) {
    if (auto faulted = prologue(__func__, op_args(op, mode), session_handle, ctx_a, ctx_b)) return *faulted;
    if (cfg == nullptr) return radsim::store_err_invalid_request;
    return radsim::detail::guarded([&] { return radsim::detail::store().server(op, cfg); });
}

extern "C" int32_t cmi_radius_new_group_config(uint32_t session_handle, uint32_t op, radius_group_cfg *cfg,
                                               uint32_t mode, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b) {
    if (auto faulted = prologue(__func__, op_args(op, mode), session_handle, ctx_a, ctx_b)) return *faulted;
    if (cfg == nullptr) return radsim::store_err_invalid_request;
    return radsim::detail::guarded([&] { return radsim::detail::store().group(op, cfg); });
}

extern "C" int32_t cmi_radius_new_enable_info_config(uint32_t session_handle, uint32_t op, uint32_t item,
                                                     uint32_t *value, uint32_t mode, cmd_msg_ctx *ctx_a,
                                                     cmd_msg_ctx *ctx_b) {
    std::string args = op_args(op, mode) + " item=" + std::to_string(item);
    if (op == RADIUS_OP_WRITE && value != nullptr) args += " value=" + std::to_string(*value);
    if (auto faulted = prologue(__func__, std::move(args), session_handle, ctx_a, ctx_b)) return *faulted;
    if (value == nullptr) return radsim::store_err_invalid_request;
    return radsim::detail::guarded([&] { return radsim::detail::store().item(op, item, value); });
}
