// Process-wide state of the simulated switch: call log, faults, the request
// being served and the contract checks made on every platform call.
#include <cstdio>
#include <cstring>

#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

struct pending_fault {
    std::string call;
    unsigned remaining;  // calls of `call` to let through before this one
    detail::due_fault fault;
    bool lasting = false;  // stays due for every later call
};

struct platform_state {
    std::vector<platform_call> log;
    size_t log_dropped = 0;
    bool logging = true;
    std::vector<pending_fault> faults;
    std::vector<std::string> violations;
    size_t violations_dropped = 0;
    const cmd_paraminfo *request = nullptr;
    config_store store;
};

platform_state &state() {
    static platform_state instance;
    return instance;
}

// A full log lets its older half go at once, so that a call costs the same
// on average however long the run, and the latest calls, which a test
// reads, stay.
void log_call(platform_state &s, const char *name, std::string_view args) {
    if (s.log.size() >= call_log_capacity) {
        const size_t dropped = s.log.size() / 2;
        s.log.erase(s.log.begin(), s.log.begin() + static_cast<std::ptrdiff_t>(dropped));
        s.log_dropped += dropped;
    }
    s.log.push_back({name, std::string(args)});
}

}  // namespace

void reset() {
    detail::release_output_handles();
    const bool logging = state().logging;  // as set by the process, not by the switch
    state() = platform_state{};
    state().logging = logging;
    detail::reset_output_channel();
    detail::reset_features();
    detail::reset_shell_buffer();
    detail::forget_prt_args();
    detail::reset_aaa_stats();
    detail::reset_diagnostics();
    detail::follow_dynauth_port(0);
    detail::reset_dynauth();
    detail::reset_distribution();
    detail::reset_capture();
}

void load_factory_defaults() {
    radius_group_cfg group{};
    std::strcpy(group.name, "radius");
    state().store.write_group(store_copy::running, group);
    state().store.mark_initialized();
}

void begin_request(const cmd_paraminfo *info) { state().request = info; }

void end_request() {
    if (capture_active()) {
        detail::record_violation("vsh_set_redir2buf: the capture was left on when the command returned");
        detail::reset_capture();
    }
    detail::release_output_handles();
    detail::forget_prt_args();
    state().request = nullptr;
}

const std::vector<std::string> &contract_violations() { return state().violations; }

size_t contract_violations_dropped() { return state().violations_dropped; }

const std::vector<platform_call> &call_log() { return state().log; }

size_t call_log_dropped() { return state().log_dropped; }

std::vector<std::string> call_names() {
    std::vector<std::string> names;
    for (const platform_call &call : state().log) names.push_back(call.name);
    return names;
}

void clear_call_log() {
    state().log.clear();
    state().log_dropped = 0;
}

void set_call_log(bool on) {
    state().logging = on;
    if (!on) clear_call_log();
}

void inject_fault(const std::string &call, unsigned nth, int32_t result, fault_effect effect) {
    state().faults.push_back({call, nth == 0 ? 0 : nth - 1, {result, effect}});
}

void inject_lasting_fault(const std::string &call, unsigned nth, int32_t result, fault_effect effect) {
    state().faults.push_back({call, nth == 0 ? 0 : nth - 1, {result, effect}, true});
}

namespace detail {

std::optional<due_fault> enter(const char *name, std::string_view args) {
    platform_state &s = state();
    if (s.logging) log_call(s, name, args);
    for (auto it = s.faults.begin(); it != s.faults.end(); ++it) {
        if (it->call != name) continue;
        if (it->remaining > 0) {
            --it->remaining;
            continue;
        }
        const due_fault fault = it->fault;
        if (!it->lasting) s.faults.erase(it);
        return fault;
    }
    return std::nullopt;
}

bool call_log_on() { return state().logging; }

// Said at once on the standard error as well, so that a breach shows in
// the shell too and not only where a test looks for it.  The first breaches
// are kept, as the first is the one to mend; later ones are only counted,
// and the standard error says so once.
void record_violation(std::string what) {
    platform_state &s = state();
    if (s.violations.size() >= contract_violation_capacity) {
        if (s.violations_dropped++ == 0) {
            std::fprintf(stderr, "radsim: more contract violations than %zu: the rest are only counted\n",
                         contract_violation_capacity);
        }
        return;
    }
    std::fprintf(stderr, "radsim: contract violation: %s\n", what.c_str());
    s.violations.push_back(std::move(what));
}

void check_session(const char *call, uint32_t session_handle) {
    const cmd_paraminfo *request = state().request;
    if (request != nullptr && request->session_handle != session_handle) {
        record_violation(std::string(call) + ": foreign session handle");
    }
}

void check_context(const char *call, const cmd_msg_ctx *ctx_a, const cmd_msg_ctx *ctx_b) {
    const cmd_paraminfo *request = state().request;
    if (request != nullptr && (ctx_a != &request->msg_ctx_a || ctx_b != &request->msg_ctx_b)) {
        record_violation(std::string(call) + ": context blocks not those of the request");
    }
}

const cmd_paraminfo *current_request() { return state().request; }

config_store &store() { return state().store; }

}  // namespace detail
}  // namespace radsim
