// Plumbing shared by the simulated services: every platform entry point
// logs itself, checks the caller's request context and applies a due fault.
#pragma once

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "sim/config_store.hpp"
#include "sim/radsim.h"

namespace radsim::detail {

inline constexpr int32_t poison_result = radsim::unspecified_result;

// Fills a cmd_prt argument record and registers it as one cmd_prt accepts.
void fill_prt_arg(void *record, uint32_t tag, const void *value, uint32_t length);

struct due_fault {
    int32_t result;
    fault_effect effect;
};

// Logs the call; returns the fault to apply to it, if one is due.
// `args` is copied only while the call log is on.
std::optional<due_fault> enter(const char *name, std::string_view args);

// Whether enter() keeps what it is given: a caller may skip building it.
bool call_log_on();

// Records a violation unless the arguments belong to the current request.
void check_session(const char *call, uint32_t session_handle);
void check_context(const char *call, const cmd_msg_ctx *ctx_a, const cmd_msg_ctx *ctx_b);
void record_violation(std::string what);

const cmd_paraminfo *current_request();

// The one store of the simulated switch, fresh at reset.
config_store &store();

// Per-service state reset, called by radsim::reset().
void reset_output_channel();
void release_output_handles();
void reset_features();
void reset_shell_buffer();
void forget_prt_args();
void reset_aaa_stats();
void reset_diagnostics();
void reset_dynauth();

// The key-encryption service's type-7 form of `text`, for the daemons that
// render their own keys.
std::string type7_form(const std::string &text);

}  // namespace radsim::detail
