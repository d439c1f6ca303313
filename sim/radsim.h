// Test and shell control of the simulated platform: the call log, fault
// injection, the configuration store's contents, the request being served,
// the tagged output channel's sink and stdout capture.  Everything here is
// process-wide state of the one simulated switch.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "abi/dynauth_records.h"
#include "abi/radius_records.h"
#include "platform/aaa_service.h"
#include "sim/config_store.hpp"

namespace radsim {

// ---- the request being served ---------------------------------------------

// Declares the command about to be handled.  Platform calls check that they
// receive its session handle and context blocks; breaches are recorded as
// contract violations.  end_request() releases output handles the command
// left open (some handlers legitimately return without freeing).
void begin_request(const cmd_paraminfo *info);
void end_request();

// Contract breaches seen since the last reset: wrong session handle or
// context block, use of a released output handle.
const std::vector<std::string> &contract_violations();

// Back to a fresh switch: empty store, no faults, empty log, default sink.
void reset();

// The switch's own initial configuration: the default group "radius".
void load_factory_defaults();

// ---- call log and fault injection ----------------------------------------

struct platform_call {
    std::string name;  // the platform function, e.g. "cmi_radius_new_server_config"
    std::string args;  // its salient arguments, e.g. "op=3 mode=2"
};

const std::vector<platform_call> &call_log();
std::vector<std::string> call_names();
void clear_call_log();

enum class fault_effect {
    result_code,  // return `result` and do nothing else
    null_block,   // succeed but hand back a null block or handle
    empty_block,  // succeed but hand back an empty block
};

// The nth call (1 = the next) of platform function `call` from now on
// fails with the given effect.
void inject_fault(const std::string &call, unsigned nth, int32_t result,
                  fault_effect effect = fault_effect::result_code);

// ---- the configuration store ---------------------------------------------

config_store &store();

// ---- the AAA service's server-monitoring entries ---------------------------

// Entries by server_id (a server's index, or AAA_MONITOR_GLOBAL_ID); none
// at reset.  cmi_aaa_server_monitor_config reads and writes these.
std::map<uint32_t, aaa_server_monitor_cfg> &monitor_entries();

// ---- the dynamic-authorization daemon --------------------------------------

// The server's counters (its statistics block without running and port).
struct das_counters {
    uint64_t coa_active_sessions = 0;
    uint64_t rqx_requests_sent = 0;
    uint64_t rqx_responses_received = 0;
    uint64_t rqx_response_timeouts = 0;
    uint64_t rqx_errors = 0;
};

// One client's counters.
struct dac_counters {
    uint64_t coa_requests = 0;
    uint64_t coa_transactions = 0;
    uint64_t coa_retransmissions = 0;
    uint64_t coa_active_transactions = 0;
    uint64_t coa_ack_responses = 0;
    uint64_t coa_nak_responses = 0;
    uint64_t coa_invalid_requests = 0;
    uint64_t coa_errors = 0;
};

// What the daemon keeps, as the records of message 287745 of cmi_req_resp
// reach it.  The server is not running until a write configures it; a
// client can be written only while it is, and disabling it drops its
// settings, its clients and every counter.  The statistics say the server
// runs once it has a port.  Clients are found by the bytes of their host.
struct dynauth_daemon {
    std::optional<rad_das_cfg> server;
    std::map<std::string, rad_dac_cfg> clients;
    size_t max_clients = 16;
    das_counters server_counters;
    std::map<std::string, dac_counters> client_counters;  // a client without an entry counts zero
};

dynauth_daemon &dynauth();

// The daemon's own lines of the running configuration, which the shell
// appends to the library's: the server, its port and key, and one line per
// client.  Keys only `with_keys`, a clear key in its type-7 form.
std::string dynauth_config_lines(bool with_keys);

// ---- feature manager -------------------------------------------------------

// Features the switch has enabled ("rqx", "dot1x", ...); none at reset.
void set_feature(const std::string &name, bool enabled);
bool feature_enabled(const std::string &name);

// ---- tagged output channel ----------------------------------------------

struct printed_value {
    uint32_t tag;
    std::string text;  // the value's text form
    uint32_t length = 0;  // the length given to cmd_prt_arg_make; 0 from cmd_tuple
};

// One cmd_prt call: its format and the values it consumed, in order.
struct printed_piece {
    std::string format;
    std::vector<printed_value> values;
    std::string text() const;
};

// What one cmd_prt_send delivered.
struct report {
    uint32_t command_id = 0;
    std::vector<printed_piece> pieces;
    std::string text() const;
};

using report_sink = std::function<void(const report &)>;

// Where sent reports go; the default writes their text to stdout.
void set_report_sink(report_sink sink);

// The command id that output handles report (500: tagged running config).
void set_command_id(uint32_t id);

// Output handles obtained and not yet released.
size_t open_output_handles();

// Word shown for an enumerated value (tag type 0x02).
std::string enum_text(uint32_t tag, uint32_t value);

// ---- the shell's output buffer ---------------------------------------------

// Returns what vsh_buf_printf appended since the last call (or reset) and
// empties the buffer.
std::string take_shell_buffer();

// ---- stdout capture --------------------------------------------------------

// Captures what is written to the standard output (file descriptor 1)
// between construction and finish().
class stdout_capture {
public:
    stdout_capture();
    ~stdout_capture();
    stdout_capture(const stdout_capture &) = delete;
    stdout_capture &operator=(const stdout_capture &) = delete;
    std::string finish();

private:
    int saved_fd_ = -1;
    std::FILE *file_ = nullptr;
};

}  // namespace radsim
