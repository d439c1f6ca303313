// Plumbing shared by the simulated services: every platform entry point
// logs itself, checks the caller's request context and applies a due fault.
#pragma once

#include <optional>
#include <string>

#include "sim/radsim.h"

namespace radsim::detail {

struct due_fault {
    int32_t result;
    fault_effect effect;
};

// Logs the call; returns the fault to apply to it, if one is due.
std::optional<due_fault> enter(const char *name, std::string args);

// Records a violation unless the arguments belong to the current request.
void check_session(const char *call, uint32_t session_handle);
void check_context(const char *call, const cmd_msg_ctx *ctx_a, const cmd_msg_ctx *ctx_b);
void record_violation(std::string what);

const cmd_paraminfo *current_request();

// Per-service state reset, called by radsim::reset().
void reset_output_channel();
void release_output_handles();
void reset_features();
void reset_shell_buffer();
void reset_dynauth();

// The key-encryption service's type-7 form of `text`, for the daemons that
// render their own keys.
std::string type7_form(const std::string &text);

}  // namespace radsim::detail
