// Test and shell control of the simulated platform: the call log, fault
// injection, seeding and inspection of the configuration store, the request
// being served, the tagged output channel's sink and stdout capture.
// Everything here is process-wide state of the one simulated switch.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "abi/distr_records.h"
#include "abi/dynauth_records.h"
#include "abi/radius_records.h"
#include "platform/aaa_service.h"
#include "sim/printed_report.hpp"
#include "sim/store_backend.hpp"

namespace radsim {

// What a platform call returns where the contract promises no particular
// value (cmd_prt_send, for one): never 0, never 1, so that a caller
// relying on it shows.  Tests compare a passed-on result with it.
inline constexpr int32_t unspecified_result = -0x5a5a;

// ---- the request being served ---------------------------------------------

// Declares the command about to be handled.  Platform calls check that they
// receive its session handle and context blocks; breaches are recorded as
// contract violations.  end_request() releases output handles the command
// left open (some handlers legitimately return without freeing).
void begin_request(const cmd_paraminfo *info);
void end_request();

// Contract breaches seen since the last reset: wrong session handle or
// context block, use of a released output handle.  The first
// contract_violation_capacity are kept; the rest are only counted.
inline constexpr size_t contract_violation_capacity = 256;
const std::vector<std::string> &contract_violations();
size_t contract_violations_dropped();

// Back to a fresh switch: empty store, no faults, empty log, default sink.
void reset();

// The switch's own initial configuration: the default group "radius".  The
// store counts as initialized from then on (see store_initialized).
void load_factory_defaults();

// ---- call log and fault injection ----------------------------------------

struct platform_call {
    std::string name;  // the platform function, e.g. "cmi_radius_new_server_config"
    std::string args;  // its salient arguments, e.g. "op=3 mode=2"
};

// The latest platform calls, oldest first.  The log holds at most
// call_log_capacity of them: when full, it lets its older half go, and
// call_log_dropped() counts the calls let go since the log was cleared.
inline constexpr size_t call_log_capacity = 65536;
const std::vector<platform_call> &call_log();
size_t call_log_dropped();
std::vector<std::string> call_names();
void clear_call_log();
// The log is on in a fresh process and stays as set across reset(); a
// long-running shell turns it off, so that it does not grow with every
// command.  Fault injection works either way.
void set_call_log(bool on);

enum class fault_effect {
    result_code,  // return `result` and do nothing else
    null_block,   // succeed but hand back a null block or handle
    empty_block,  // succeed but hand back an empty block
};

// The nth call (1 = the next) of platform function `call` from now on
// fails with the given effect.
void inject_fault(const std::string &call, unsigned nth, int32_t result,
                  fault_effect effect = fault_effect::result_code);
// The same, for the nth call and every later call of `call`.
void inject_lasting_fault(const std::string &call, unsigned nth, int32_t result,
                          fault_effect effect = fault_effect::result_code);

// ---- the configuration store ---------------------------------------------

// A result code of our own, beside the ones callers test: a request the
// store cannot serve (unknown op, a record without its key).
constexpr int32_t store_err_invalid_request = 0x409d0001;

// Another of our own: the storage under the store failed (a full disk, a
// lock another process held too long, a file that became unwritable).  The
// call changed nothing; the unit of work it ran in (see atomically) fails
// with the reason and is rolled back.
constexpr int32_t store_err_storage = 0x409d0040;

// Another of our own: op 4 refuses to delete a server that a group of the
// same copy lists as a member, so that no member dangles.  The system-error
// text names the server and the group.
constexpr int32_t store_err_server_in_group = 0x409d0041;

// Puts the store on a new, empty in-memory backend (where reset() puts it).
void use_memory_store();
// Puts the store on the database file at `path` (make_sqlite_backend in
// sim/store_backend.hpp says how it is opened and checked).  Throws
// store_error, the store staying where it was, when the file cannot serve.
void use_store_file(const std::string &path, const sqlite_store_options &options = {});

// Whether the store has had its first configuration: a new or erased store
// has not, and the shell then gives it the factory defaults and the startup
// configuration, in one unit.
bool store_initialized();

// Runs `work` as one unit of work: a transaction of the store's backend,
// committed when `work` returns, so that a process that dies leaves all of
// it or none.  When the storage fails during it (the platform calls then
// return store_err_storage), when `work` throws, or when the commit fails,
// everything is rolled back and the error is thrown on (store_error, its
// reason in words).  A unit that `work` starts is part of this one.
void atomically(const std::function<void()> &work);

// The same, for work that may fail without a storage failure: what it did
// to the store is kept when it returns true and rolled back when it returns
// false, inside an open unit too (the unit around it keeps what it did
// before).  Returns what `work` returned.
bool all_or_nothing(const std::function<bool()> &work);

// One copy of the configuration as plain values.  The global record's
// server_count and group_count are 0: the store fills them on a read.
struct config_tables {
    radius_global_cfg global{};
    std::map<uint32_t, radius_server_cfg> servers;   // by index
    std::map<std::string, radius_group_cfg> groups;  // by name
    bool operator==(const config_tables &other) const;  // records byte for byte
};

// Everything the store holds, copied out: tests read it, and "the store is
// unchanged" is two of these comparing equal.
struct stored_config {
    config_tables running;
    std::optional<config_tables> pending;  // while a distribution session is open
    std::map<uint32_t, uint32_t> items;    // enable-info items by item number
    std::map<uint32_t, aaa_server_monitor_cfg> monitor_entries;  // by server_id
    bool operator==(const stored_config &other) const;
};

stored_config stored();

// Seeding puts records into a copy as the store's write would (a new server
// gets the next index, a full table or a record without its key refuses),
// but logs no platform call and meets no fault.  Seeding the pending copy
// opens a distribution session first.  A refused seed throws
// std::invalid_argument.
void seed_global(const radius_global_cfg &global, store_copy into = store_copy::running);
uint32_t seed_server(const radius_server_cfg &server, store_copy into = store_copy::running);  // its index
void seed_group(const radius_group_cfg &group, store_copy into = store_copy::running);
void seed_item(uint32_t item, uint32_t value);
// The AAA service's monitoring entry of entry.server_id (a server's index,
// or AAA_MONITOR_GLOBAL_ID); cmi_aaa_server_monitor_config reads and
// writes these.
void seed_monitor_entry(const aaa_server_monitor_cfg &entry);
// Takes a server out of a copy even when a group lists it, which only this
// path can do: the way to a dangling member, for the library's tests.
// Throws std::invalid_argument if it is not there.
void remove_server(uint32_t index, store_copy from = store_copy::running);

// Table sizes beyond which a new server or group is refused (64 each at reset).
void set_table_limits(size_t max_servers, size_t max_groups);

// The distribution session as the daemon's control requests drive it:
// open copies running to pending (if not open), commit makes the pending
// copy the running one, abort drops it.
void open_distribution_session();
void commit_distribution_session();
void abort_distribution_session();

// ---- fabric distribution -----------------------------------------------------

// The daemon's last distribution operation, as the last-operation message
// reports it (codes of abi/distr_records.h).  Where a field means nothing
// (the time and result of no action, the reason of a success, the VSAN of
// an unbound session) the reply carries garbage.
struct distribution_last_op {
    uint32_t action = DISTR_ACTION_NONE;
    uint32_t result = DISTR_RESULT_NONE;
    int32_t failure_reason = 0;
    uint32_t time_stamp = 0;  // seconds since 1970
    uint32_t scope = 0;       // DISTR_SCOPE_VSAN binds the session to vsan_id
    uint32_t vsan_id = 0;
};

// A peer switch of the fabric, with its own running configuration: what
// the last commit that reached it delivered (nothing before the first).
struct fabric_peer {
    std::string name;
    bool reachable = true;
    std::optional<config_tables> running;
};

// The fabric's distribution service.  While distribution is enabled (item
// 2), the first change opens a session owned by the acting user and copies
// running to pending; commit applies pending here and on every reachable
// peer (one unreachable: "Partial Success"; all: "Fail", nothing applied),
// abort drops it, clear releases it, and only the owner commits or aborts.
struct distribution_service {
    std::vector<fabric_peer> peers;
    distribution_last_op last_op;
    // When set, the daemon's state text is this instead of its own.
    std::optional<std::string> state_text;
    // When set, the next control request is answered with result 0, the
    // error flag and this text, and changes nothing.
    std::optional<std::string> refusal;
};

distribution_service &distribution();

// The user whose changes come next, the owner of a session they open
// ("admin" at reset); the owner of the open session, empty when none.
void set_acting_user(const std::string &user);
std::string session_owner();

// A peer by name; null when the fabric has none of that name.
fabric_peer *find_fabric_peer(const std::string &name);

// The daemon's rendering of a configuration as command lines, keys in
// type-7 form and groups included: what it lists as the pending
// configuration and what a peer's running configuration reads as.
std::string configuration_text(const config_tables &tables);

// Codes of the distribution service, beside the store's.
constexpr int32_t distr_err_not_enabled = 0x409d0030;
constexpr int32_t distr_err_peer_unreachable = 0x409d0031;
constexpr int32_t distr_err_session_in_progress = 0x409d0032;

// ---- the shell's capture and comparison --------------------------------------

// Whether vsh_set_redir2buf's capture is on (a handler must never leave it
// so: end_request() records a breach and ends it).
bool capture_active();

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

// ---- the AAA service's monitoring settings -----------------------------------

// The AAA service's own lines of the running configuration, which the shell
// appends to the library's: the global test settings, then each configured
// server's.  Test passwords only `with_passwords` (they are secrets, like
// keys).
std::string monitor_config_lines(bool with_passwords);

// ---- feature manager -------------------------------------------------------

// Features the switch has enabled ("rqx", "dot1x", ...); none at reset.
void set_feature(const std::string &name, bool enabled);
bool feature_enabled(const std::string &name);

// ---- tagged output channel ----------------------------------------------

// A sink sees each report while cmd_prt_send delivers it; the channel then
// reuses the report's buffers, so a sink that keeps anything keeps a copy.
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

// ---- statistics and diagnostics ---------------------------------------------

// The AAA service keeps statistics for the servers of the running
// configuration, by index, from the first time it is asked about one.
// Durations are milliseconds of a simulated clock that stands still until
// advanced, so that what a test or a transcript sees is repeatable.  A
// server is monitored when its own monitoring entry, or else the global
// one, has a nonzero idle time.

// The counters a reply carries, by the names the shell's simulate command
// uses ("auth-sent", "acct-failed", ...).
enum class stats_counter : uint8_t {
    auth_sent, auth_timed_out, auth_not_processed, auth_errors, auth_no_match, auth_successful, auth_failed,
    acct_sent, acct_timed_out, acct_errors, acct_not_processed, acct_no_match, acct_failed, acct_successful,
};
std::optional<stats_counter> stats_counter_named(const std::string &name);
std::vector<std::string> stats_counter_names();

// How many servers the service keeps a history for: those of deleted
// servers go once the table grows, so it stays bounded however many
// servers come and go.
size_t stats_histories();

// Sets one counter of server `index`.
void set_stats_counter(uint32_t index, stats_counter counter, uint32_t value);

// The server is declared alive or dead now (a no-op when it already is):
// the time in the state it leaves becomes its previous state's, a period
// dead adds to the dead total, and each death counts.
void set_server_alive(uint32_t index, bool alive);

// Lets `milliseconds` pass on the service's clock.  A server whose deadtime
// ends on the way comes alive at that moment; then every monitored server
// (idle time and test user set) that has had no request for its idle time
// (minutes) is probed with its test user: an answer keeps or makes it
// alive, silence makes it dead until a later probe is answered.
void advance_clock(uint64_t milliseconds);

// ---- RADIUS requests of the AAA service --------------------------------------

// What one request to a server, or to a group, came to.  The host build
// sends real RADIUS over UDP (radcli), to loopback addresses only; the
// target build has no network side and answers `unavailable`.  Every
// transmission, time-out and answer moves the server's counters; a server
// that lets every transmission of a request time out is dead for the
// deadtime.
enum class request_outcome : uint8_t {
    accepted,        // Access-Accept, or an Accounting-Response
    rejected,        // Access-Reject
    timed_out,       // no transmission was answered
    bad_response,    // an answer the client library refused
    no_key,          // neither the server nor the global settings hold a usable key
    not_loopback,    // the server's address is not a loopback address: nothing sent
    failed,          // the client library could not send the request
    no_live_server,  // the group has no member that is alive and serves authentication
    unavailable,     // this build sends no requests
};

// An Access-Request (user, password) or an Accounting-Request (user) to
// the running configuration's server `index`, with its key, ports, timeout
// and retransmit count, or the global ones where it has none.  Its deadtime
// is that of the first group (by name) holding it with one, else the
// global one.
request_outcome authenticate(uint32_t index, const std::string &user, const std::string &password);
request_outcome account(uint32_t index, const std::string &user);
// Tries the group's members in order, skipping dead ones and those without
// the authentication role, until one answers; the group's deadtime, else
// the global one, applies to a member that times out.
request_outcome authenticate_through_group(const radius_group_cfg &group, const std::string &user,
                                           const std::string &password);

// Runs the lines of the script file at `path` in the user's session, as
// vsh_execute_script_file2 asks; returns true when every line succeeded.
// The shell installs its session's runner; without one the call fails.
using script_runner = std::function<bool(const std::string &path)>;
void set_script_runner(script_runner runner);

}  // namespace radsim
