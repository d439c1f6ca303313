// Plumbing shared by the simulated services: every platform entry point
// logs itself, checks the caller's request context and applies a due fault.
#pragma once

#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/config_store.hpp"
#include "sim/radsim.h"

namespace radsim::detail {

inline constexpr int32_t poison_result = radsim::unspecified_result;

// Fills a cmd_prt argument record and registers it as one cmd_prt accepts.
// Hidden: called for every record a display prints, it should not go
// through the library's symbol table.
[[gnu::visibility("hidden")]] void fill_prt_arg(void *record, uint32_t tag, const void *value, uint32_t length);

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

// Runs the store work of a platform call: a storage failure becomes the
// result store_err_storage for the caller and is held for the command
// line's unit of work, which then rolls back.
template <class Operation>
int32_t guarded(Operation &&operation) {
    try {
        return operation();
    } catch (const store_error &error) {
        return store().storage_failed(error);
    }
}

// Per-service state reset, called by radsim::reset().
void reset_output_channel();
void release_output_handles();
void reset_features();
void reset_shell_buffer();
void forget_prt_args();
void reset_aaa_stats();
void reset_diagnostics();
void reset_dynauth();
void reset_distribution();
void reset_capture();

// ---- the AAA service's bookkeeping of the requests it sends ----

// The monitoring entry that applies to server `index`: its own, else the
// global one.
std::optional<aaa_server_monitor_cfg> monitor_settings(uint32_t index);
// Adds one to a counter of server `index`.
void count_request_event(uint32_t index, stats_counter counter);
// A request went to the server now; idle_time_of is the clock time since.
void note_request(uint32_t index);
uint64_t idle_time_of(uint32_t index);
bool server_alive(uint32_t index);
// The server stopped answering: dead now, alive again when `deadtime`
// milliseconds have passed on the clock (0: until something revives it).
void declare_dead(uint32_t index, uint64_t deadtime);
// Probes the monitored servers that have been idle for their idle time;
// called whenever the clock moves.  The host build sends real requests;
// the target build has no network side and probes nothing.
void probe_idle_servers();

// The dynamic-authorization daemon's listener follows the server's port:
// it listens on the loopback address at `port`, or not at all for 0.
// Never called with the daemon's lock held.
void follow_dynauth_port(uint32_t port);

// Secrets copied into our own strings are wiped before the string goes.
inline void wipe(std::string &secret) { explicit_bzero(secret.data(), secret.size()); }

// The key-encryption service's type-7 form of `text`, for the daemons that
// render their own keys.
std::string type7_form(const std::string &text);

// A key field in clear text, for the daemons that use keys on the wire: a
// clear key as it is, a type-7 key decrypted; nothing for an empty key or a
// type-6 one, which the simulated switch cannot decrypt.
std::optional<std::string> clear_key(uint32_t key_type, const char *key, size_t size);

// The dynamic-authorization daemon's lock: its state is shared by the
// store message and the listener thread.
std::mutex &dynauth_lock();

// The answer to one datagram on the dynamic-authorization port, from the
// numeric address `from` and `source_port`, counted in the client's
// statistics; empty: no answer (dropped).
std::vector<unsigned char> answer_dynauth_request(const unsigned char *packet, size_t length, const std::string &from,
                                                  uint16_t source_port);

}  // namespace radsim::detail
