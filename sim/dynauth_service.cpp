// The dynamic-authorization daemon behind message 287745 of cmi_req_resp:
// the server's settings, the client table and their counters.  The same
// entry point hands message 0x2114 to the distribution service.
//
// Strict where the message contract leaves room: every failure still hands
// back a reply block of garbage (the caller must release it and must not
// take it), the length slot holds garbage afterwards, the bytes of a reply
// that the caller must not interpret are garbage, and every stored record
// carries daemon bytes in 12..1047 that a read-modify-write must send back
// unchanged.
//
// While the server has a port, a listener answers requests on it (the host
// build; see dynauth_listener.cpp): the store message and the listener share
// the daemon's state under its lock.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/store_client.h"
#include "sim/distribution.hpp"
#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

using detail::record_violation;

constexpr int32_t err_invalid_request = 0x409d0001;
constexpr int32_t err_no_memory = 0x409d0009;
constexpr uint32_t poisoned_length = static_cast<uint32_t>(-0x5a5a);
constexpr unsigned char garbage = 0xa5;
constexpr size_t daemon_bytes_at = 12;
constexpr size_t daemon_bytes_size = 1036;

dynauth_daemon &daemon_state() {
    static dynauth_daemon instance;
    return instance;
}

// The daemon's bytes of a stored record change with every write, so a
// write that sends stale or zeroed ones is caught.
unsigned generation = 0;
// A read answered with success but no reply (a fault) gave the caller no
// daemon bytes to send back: its next write cannot be held to them.
bool read_reply_withheld = false;

struct answer {
    int32_t result = 0;
    std::vector<unsigned char> reply;  // empty: no reply block
};

template <class Record>
std::vector<unsigned char> bytes_of(const Record &record) {
    std::vector<unsigned char> out(sizeof record);
    std::memcpy(out.data(), &record, sizeof record);
    return out;
}

answer failed(int32_t result) { return {result, {}}; }

std::string field_text(const char *field, size_t size) { return std::string(field, strnlen(field, size)); }

bool terminated(const char *field, size_t size) { return strnlen(field, size) < size; }

template <class Record>
void stamp_daemon_bytes(Record &record) {
    ++generation;
    auto *bytes = reinterpret_cast<unsigned char *>(&record) + daemon_bytes_at;
    for (size_t i = 0; i < daemon_bytes_size; ++i) bytes[i] = static_cast<unsigned char>(0x40 + i * 7 + generation);
}

// A write over a stored entry must send back the daemon bytes it was given.
template <class Record>
void check_carried_over(const Record &stored, const Record &sent, const char *what) {
    if (read_reply_withheld) return;
    const auto *a = reinterpret_cast<const unsigned char *>(&stored) + daemon_bytes_at;
    const auto *b = reinterpret_cast<const unsigned char *>(&sent) + daemon_bytes_at;
    if (std::memcmp(a, b, daemon_bytes_size) != 0) {
        record_violation(std::string("cmi_req_resp: ") + what + " written without the daemon's bytes of its read");
    }
}

// ---- the server's settings (rec_kind 1) ----

bool well_formed(const rad_das_cfg &record) {
    return terminated(record.key, sizeof record.key) && terminated(record.key6, sizeof record.key6);
}

answer server_config(uint32_t op, const rad_das_cfg &sent) {
    dynauth_daemon &daemon = daemon_state();
    switch (op) {
        case RADIUS_OP_READ:
            if (!daemon.server) return failed(RAD_DA_ERR_SERVER_NOT_RUNNING);
            return {0, bytes_of(*daemon.server)};
        case RADIUS_OP_WRITE: {
            if (!well_formed(sent)) return failed(err_invalid_request);
            if (daemon.server) check_carried_over(*daemon.server, sent, "the server");
            rad_das_cfg stored = sent;
            stamp_daemon_bytes(stored);
            daemon.server = stored;
            return {0, bytes_of(stored)};
        }
        case RADIUS_OP_DELETE:
            if (!daemon.server) return failed(RAD_DA_ERR_SERVER_NOT_RUNNING);
            detail::reset_dynauth();
            return {};
        default:
            return failed(err_invalid_request);
    }
}

// ---- the client table (rec_kind 2) ----

bool well_formed(const rad_dac_cfg &record) {
    return terminated(record.host, sizeof record.host) && record.host[0] != '\0' &&
           terminated(record.key, sizeof record.key) && terminated(record.key6, sizeof record.key6) &&
           terminated(record.vrf, sizeof record.vrf);
}

answer write_client(const std::string &host, const rad_dac_cfg &sent) {
    dynauth_daemon &daemon = daemon_state();
    if (!daemon.server) return failed(RAD_DA_ERR_SERVER_NOT_RUNNING);
    const auto found = daemon.clients.find(host);
    if (found != daemon.clients.end()) {
        check_carried_over(found->second, sent, "a client");
    } else if (daemon.clients.size() >= daemon.max_clients) {
        return failed(RAD_DA_ERR_CLIENT_TABLE_FULL);
    }
    rad_dac_cfg stored = sent;
    stamp_daemon_bytes(stored);
    daemon.clients[host] = stored;
    return {0, bytes_of(stored)};
}

answer client_config(uint32_t op, const rad_dac_cfg &sent) {
    if (!well_formed(sent)) return failed(err_invalid_request);
    dynauth_daemon &daemon = daemon_state();
    const std::string host = field_text(sent.host, sizeof sent.host);
    const auto found = daemon.clients.find(host);
    switch (op) {
        case RADIUS_OP_READ:
            if (found == daemon.clients.end()) return failed(RAD_DA_ERR_NO_CLIENT);
            return {0, bytes_of(found->second)};
        case RADIUS_OP_WRITE: return write_client(host, sent);
        case RADIUS_OP_DELETE:
            if (found == daemon.clients.end()) return failed(RAD_DA_ERR_NO_CLIENT);
            daemon.clients.erase(found);
            daemon.client_counters.erase(host);
            return {};
        default: return failed(err_invalid_request);
    }
}

// ---- statistics (rec_kind 3 and 4) ----

// A reply to a statistics request: the request's header words, garbage in
// every byte the caller must not interpret.
template <class Record>
Record statistics_reply(const Record &sent) {
    Record reply;
    std::memset(&reply, garbage, sizeof reply);
    reply.hdr_constant = sent.hdr_constant;
    reply.rec_kind = sent.rec_kind;
    reply.cmd_id = sent.cmd_id;
    return reply;
}

answer server_statistics(uint32_t op, const rad_das_stats &sent) {
    dynauth_daemon &daemon = daemon_state();
    if (!daemon.server) return failed(RAD_DA_ERR_SERVER_NOT_RUNNING);
    if (op == RADIUS_OP_WRITE) {
        daemon.server_counters = das_counters{};
        return {};
    }
    if (op != RADIUS_OP_READ) return failed(err_invalid_request);
    rad_das_stats reply = statistics_reply(sent);
    const das_counters &c = daemon.server_counters;
    const uint32_t port = rad_da_get_u32(daemon.server->port);
    reply.stats = {port != 0 ? 1u : 0u, port, c.coa_active_sessions, c.rqx_requests_sent, c.rqx_responses_received,
                   c.rqx_response_timeouts, c.rqx_errors};
    return {0, bytes_of(reply)};
}

void fill_client_block(rad_dac_stats_block &block, const std::string &host, const dac_counters &c) {
    std::memset(block.host, 0, sizeof block.host);
    std::memcpy(block.host, host.data(), host.size());
    block.coa_requests = c.coa_requests;
    block.coa_transactions = c.coa_transactions;
    block.coa_retransmissions = c.coa_retransmissions;
    block.coa_active_transactions = c.coa_active_transactions;
    block.coa_ack_responses = c.coa_ack_responses;
    block.coa_nak_responses = c.coa_nak_responses;
    block.coa_invalid_requests = c.coa_invalid_requests;
    block.coa_errors = c.coa_errors;
}

answer client_statistics(uint32_t op, const rad_dac_stats &sent) {
    if (!terminated(sent.stats.host, sizeof sent.stats.host)) return failed(err_invalid_request);
    dynauth_daemon &daemon = daemon_state();
    const std::string host = field_text(sent.stats.host, sizeof sent.stats.host);
    if (daemon.clients.count(host) == 0) return failed(RAD_DA_ERR_NO_CLIENT);
    if (op == RADIUS_OP_WRITE) {
        daemon.client_counters.erase(host);
        return {};
    }
    if (op != RADIUS_OP_READ) return failed(err_invalid_request);
    rad_dac_stats reply = statistics_reply(sent);
    const auto counted = daemon.client_counters.find(host);
    fill_client_block(reply.stats, host, counted == daemon.client_counters.end() ? dac_counters{} : counted->second);
    return {0, bytes_of(reply)};
}

// ---- the message ----

size_t record_size(uint32_t kind) {
    switch (kind) {
        case RAD_DA_KIND_SERVER_CFG: return sizeof(rad_das_cfg);
        case RAD_DA_KIND_CLIENT_CFG: return sizeof(rad_dac_cfg);
        case RAD_DA_KIND_SERVER_STATS: return sizeof(rad_das_stats);
        case RAD_DA_KIND_CLIENT_STATS: return sizeof(rad_dac_stats);
        default: return 0;
    }
}

uint32_t word_at(const void *request, size_t offset) {
    uint32_t word = 0;
    if (request != nullptr) std::memcpy(&word, static_cast<const unsigned char *>(request) + offset, sizeof word);
    return word;
}

template <class Record>
Record request_as(const void *request) {
    Record record;
    std::memcpy(&record, request, sizeof record);
    return record;
}

answer serve(uint32_t op, const void *request, uint32_t kind) {
    switch (kind) {
        case RAD_DA_KIND_SERVER_CFG: return server_config(op, request_as<rad_das_cfg>(request));
        case RAD_DA_KIND_CLIENT_CFG: return client_config(op, request_as<rad_dac_cfg>(request));
        case RAD_DA_KIND_SERVER_STATS: return server_statistics(op, request_as<rad_das_stats>(request));
        case RAD_DA_KIND_CLIENT_STATS: return client_statistics(op, request_as<rad_dac_stats>(request));
        default: return failed(err_invalid_request);
    }
}

// The request as the contract wants it sent, then served.
answer checked_request(uint32_t message, uint32_t op, const void *request, uint32_t sent_length) {
    if (message != RAD_DA_MESSAGE) return failed(err_invalid_request);
    if (request == nullptr) {
        record_violation("cmi_req_resp: no request record");
        return failed(err_invalid_request);
    }
    const uint32_t kind = word_at(request, 4);
    if (record_size(kind) == 0) return failed(err_invalid_request);
    if (sent_length != record_size(kind)) record_violation("cmi_req_resp: length slot is not the record's size");
    if (word_at(request, 0) != RAD_DA_HDR_CONSTANT) record_violation("cmi_req_resp: header constant is not 1");
    return serve(op, request, kind);
}

// Message 0x2114 belongs to the distribution service (sim/distribution):
// no request body, an empty length slot, and its one op.
answer last_operation_request(uint32_t op, const void *request, uint32_t sent_length) {
    if (request != nullptr) record_violation("cmi_req_resp: a request body with the last-operation message");
    if (sent_length != 0) record_violation("cmi_req_resp: length slot not 0 for the last-operation message");
    if (op != DISTR_LAST_OP_OP) return failed(err_invalid_request);
    return {0, detail::last_operation_reply()};
}

// A fault either fails the request unserved, or serves it and then hands
// back no reply or an empty one.
answer faulted(const detail::due_fault &fault, answer served, size_t size) {
    switch (fault.effect) {
        case fault_effect::null_block: served.reply.clear(); break;
        case fault_effect::empty_block: served.reply.assign(size, 0); break;
        case fault_effect::result_code: return failed(fault.result);
    }
    return served;
}


// Leaves the answer's reply in the caller's slot as a malloc'd block; a
// failure leaves a block of garbage.
int32_t respond(answer given, size_t size, void **reply) {
    if (given.result != 0) given.reply.assign(size != 0 ? size : 16, garbage);
    *reply = nullptr;
    if (given.reply.empty()) return given.result;
    *reply = std::malloc(given.reply.size());
    if (*reply == nullptr) return err_no_memory;
    std::memcpy(*reply, given.reply.data(), given.reply.size());
    return given.result;
}

// The answer to a request: a failing fault leaves it unserved; any other
// fault serves it, then withholds the reply.
template <class Serve>
int32_t answer_request(const std::optional<detail::due_fault> &fault, size_t size, void **reply, Serve &&serve) {
    if (fault && fault->effect == fault_effect::result_code) return respond(failed(fault->result), size, reply);
    answer served = serve();
    if (fault && served.result == 0) served = faulted(*fault, std::move(served), size);
    return respond(std::move(served), size, reply);
}

std::string message_args(uint32_t message, uint32_t op, const void *request, const uint32_t *length) {
    return "message=" + std::to_string(message) + " op=" + std::to_string(op) +
           " kind=" + std::to_string(word_at(request, 4)) +
           " length=" + (length == nullptr ? std::string("(null)") : std::to_string(*length));
}

}  // namespace

dynauth_daemon &dynauth() { return daemon_state(); }

std::mutex &detail::dynauth_lock() {
    static std::mutex instance;
    return instance;
}

namespace {

// " server-key 7 TEXT" or " server-key 6 TEXT"; "" without a key.
std::string key_clause(uint32_t key_type, const char *key, size_t key_size, const char *key6, size_t key6_size) {
    if (key_type == RADIUS_KEY_TYPE6) {
        const std::string text = field_text(key6, key6_size);
        return text.empty() ? std::string() : " server-key 6 " + text;
    }
    const std::string text = field_text(key, key_size);
    if (text.empty()) return {};
    return " server-key 7 " + (key_type == RADIUS_KEY_TYPE7 ? text : detail::type7_form(text));
}

std::string client_line(const rad_dac_cfg &client, bool with_keys) {
    std::string line = "client " + field_text(client.host, sizeof client.host);
    const std::string vrf = field_text(client.vrf, sizeof client.vrf);
    if (!vrf.empty()) line += " vrf " + vrf;
    if (with_keys) {
        line += key_clause(rad_da_get_u32(client.key_type), client.key, sizeof client.key, client.key6,
                           sizeof client.key6);
    }
    return line + "\n";
}

}  // namespace

std::string dynauth_config_lines(bool with_keys) {
    const std::lock_guard lock(detail::dynauth_lock());
    const dynauth_daemon &daemon = daemon_state();
    if (!daemon.server) return {};
    const rad_das_cfg &server = *daemon.server;
    std::string out = "aaa server radius dynamic-author\n";
    if (const uint32_t port = rad_da_get_u32(server.port); port != 0) out += "port " + std::to_string(port) + "\n";
    const std::string key = with_keys ? key_clause(rad_da_get_u32(server.key_type), server.key, sizeof server.key,
                                                   server.key6, sizeof server.key6)
                                      : std::string();
    if (!key.empty()) out += key.substr(1) + "\n";
    for (const auto &[host, client] : daemon.clients) out += client_line(client, with_keys);
    return out;
}

namespace detail {

void reset_dynauth() {
    daemon_state() = dynauth_daemon{};
    generation = 0;
    read_reply_withheld = false;
}

}  // namespace detail
}  // namespace radsim

extern "C" int32_t cmi_req_resp(uint32_t message, uint32_t op, void *request, void **reply, uint32_t *length,
                                cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b, uint32_t arg_113, uint32_t session_handle,
                                uint32_t arg_4) {
    using namespace radsim;
    const auto fault = detail::enter(__func__, message_args(message, op, request, length));
    detail::check_session(__func__, session_handle);
    detail::check_context(__func__, ctx_a, ctx_b);
    if (arg_113 != RAD_DA_ARG_113 || arg_4 != RAD_DA_ARG_4) detail::record_violation("cmi_req_resp: fixed words not 113 and 4");
    if (reply == nullptr || length == nullptr) {
        detail::record_violation("cmi_req_resp: no reply or length slot");
        return err_invalid_request;
    }
    // A block still in the slot is one the caller holds, or has released.
    if (*reply != nullptr) detail::record_violation("cmi_req_resp: reply slot not null");
    const uint32_t sent_length = *length;
    *length = poisoned_length;
    if (message == DISTR_LAST_OP_MESSAGE) {
        return answer_request(fault, sizeof(radius_distr_last_op), reply,
                              [&] { return last_operation_request(op, request, sent_length); });
    }
    uint32_t port = 0;
    int32_t result = 0;
    {
        // The listener thread reads the daemon's tables too.
        const std::lock_guard lock(detail::dynauth_lock());
        if (op == RADIUS_OP_READ) read_reply_withheld = fault && fault->effect != fault_effect::result_code;
        result = answer_request(fault, record_size(word_at(request, 4)), reply,
                                [&] { return checked_request(message, op, request, sent_length); });
        if (const auto &server = dynauth().server) port = rad_da_get_u32(server->port);
    }
    detail::follow_dynauth_port(port);
    return result;
}
