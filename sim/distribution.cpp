// The fabric's distribution service behind cmi_radius_new_distr_control
// and the last-operation message of cmi_req_resp: the enabled flag, the
// session of the store's pending copy, the peer switches a commit reaches,
// and the daemon's texts.
//
// Strict where the contract leaves room: a request record must arrive
// zeroed but for its kind, the pending listing's record must come back as
// the last reply left it (the cursor lives in its reserved bytes), text
// bytes after the NUL are garbage, and a last-operation reply carries
// garbage in its header and in every field that means nothing for it.
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "abi/big_endian.h"
#include "platform/store_client.h"
#include "sim/distribution.hpp"

namespace radsim {

namespace {

using detail::record_violation;

constexpr unsigned char garbage = 0xa5;
constexpr uint32_t garbage_word = 0xa5a5a5a5;

distribution_service &service() {
    static distribution_service instance;
    return instance;
}

config_store &store() { return detail::store(); }

// The pending listing being served: its lines, and the reply last handed
// out, which the next request must send back unchanged.
struct listing {
    bool open = false;
    const cmd_paraminfo *request = nullptr;
    uint8_t token = 0;
    std::vector<std::string> lines;
    radius_distr_ctrl last_reply{};
};

listing &current_listing() {
    static listing instance;
    return instance;
}

bool distribution_enabled() {
    uint32_t value = 0;
    return store().item(RADIUS_OP_READ, RADIUS_ITEM_DISTRIBUTION, &value) == 0 && value != 0;
}

// The reply's flag and text, with garbage after the text's NUL.
void answer(radius_distr_ctrl &record, bool error, const std::string &text) {
    record.err_flag = error ? 1 : 0;
    std::memset(record.text, garbage, sizeof record.text);
    const size_t length = std::min(text.size(), sizeof record.text - 1);
    std::memcpy(record.text, text.data(), length);
    record.text[length] = '\0';
}

// A session bound to a VSAN stays bound: only action and outcome change.
void record_last_op(uint32_t action, uint32_t result, int32_t reason = 0) {
    distribution_last_op &op = service().last_op;
    op.action = action;
    op.result = result;
    op.failure_reason = reason;
    op.time_stamp = static_cast<uint32_t>(std::time(nullptr));
}

std::vector<std::string> unreachable_peers() {
    std::vector<std::string> names;
    for (const fabric_peer &peer : service().peers) {
        if (!peer.reachable) names.push_back(peer.name);
    }
    return names;
}

std::string joined(const std::vector<std::string> &names) {
    std::string out;
    for (const std::string &name : names) out += (out.empty() ? "" : ", ") + name;
    return out;
}

// ---- enable, commit, abort, clear ----

int32_t set_enabled(radius_distr_ctrl &record, bool enabled) {
    if (!enabled && store().session_open()) return distr_err_session_in_progress;
    uint32_t value = enabled ? 1 : 0;
    store().item(RADIUS_OP_WRITE, RADIUS_ITEM_DISTRIBUTION, &value);
    record_last_op(enabled ? DISTR_ACTION_ENABLE : DISTR_ACTION_DISABLE, DISTR_RESULT_SUCCESS);
    answer(record, false, "");
    return 0;
}

// Commit and abort need distribution on, a session, and its owner.  A
// refusal is the result to return; another user's request is answered
// with 0 and the daemon's error text.
std::optional<int32_t> refused_to_owner(radius_distr_ctrl &record) {
    if (!distribution_enabled()) return distr_err_not_enabled;
    if (!store().session_open()) return RADIUS_ERR_NO_PENDING;
    const std::string owner = store().session_owner();
    if (owner == store().acting_user()) return std::nullopt;
    answer(record, true, "the session belongs to " + owner + ": only its owner may commit or abort it");
    return 0;
}

int32_t commit(radius_distr_ctrl &record) {
    if (const std::optional<int32_t> refused = refused_to_owner(record)) return *refused;
    const std::vector<std::string> unreachable = unreachable_peers();
    if (!service().peers.empty() && unreachable.size() == service().peers.size()) {
        record_last_op(DISTR_ACTION_COMMIT, DISTR_RESULT_FAIL, distr_err_peer_unreachable);
        answer(record, true, "no peer switch could be reached: " + joined(unreachable));
        return distr_err_peer_unreachable;
    }
    const config_tables pending = *store().contents().pending;
    for (fabric_peer &peer : service().peers) {
        if (peer.reachable) peer.running = pending;
    }
    store().commit_session();
    if (unreachable.empty()) {
        record_last_op(DISTR_ACTION_COMMIT, DISTR_RESULT_SUCCESS);
    } else {
        record_last_op(DISTR_ACTION_COMMIT, DISTR_RESULT_PARTIAL_SUCCESS, distr_err_peer_unreachable);
    }
    answer(record, false, "");
    return 0;
}

int32_t abort_session(radius_distr_ctrl &record) {
    if (const std::optional<int32_t> refused = refused_to_owner(record)) return *refused;
    store().abort_session();
    record_last_op(DISTR_ACTION_ABORT, DISTR_RESULT_SUCCESS);
    answer(record, false, "");
    return 0;
}

// Anyone may release a session, whoever owns it; nothing is applied.
int32_t clear_session(radius_distr_ctrl &record) {
    if (!store().session_open()) return RADIUS_ERR_NO_PENDING;
    store().abort_session();
    record_last_op(DISTR_ACTION_CLEAR, DISTR_RESULT_SUCCESS);
    answer(record, false, "");
    return 0;
}

// ---- the daemon's texts ----

std::string state_text() {
    if (service().state_text) return *service().state_text;
    const bool open = store().session_open();
    // The daemon's own labels, and an empty line the displays must skip.
    return std::string("Distribution:") + (distribution_enabled() ? "enabled" : "disabled") + "\n\nSession:" +
           (open ? "yes" : "no") + "\nOwner:" + (open ? store().session_owner() : "none") +
           "\nDatabase:" + (open ? "locked (pending changes)" : "unlocked") + "\n";
}

std::string merge_text() {
    if (service().peers.empty()) return "Success (no peer switches)";
    const std::vector<std::string> unreachable = unreachable_peers();
    return unreachable.empty() ? "Success" : "Waiting: not reachable: " + joined(unreachable);
}

// ---- the pending listing ----

std::vector<std::string> pending_lines() {
    std::vector<std::string> lines;
    const std::string text = configuration_text(*store().contents().pending);
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

bool all_zero_but_kind(const radius_distr_ctrl &record) {
    radius_distr_ctrl zero{};
    zero.kind = record.kind;
    return std::memcmp(&zero, &record, sizeof zero) == 0;
}

// Starts a listing on a zeroed record; false when one of this same command
// was under way, which a record sent back zeroed would start over forever.
bool start_listing(listing &list) {
    if (list.open && list.request == detail::current_request()) {
        record_violation("cmi_radius_new_distr_control: the pending listing went back zeroed instead of as its last reply");
        list.open = false;
        return false;
    }
    list = listing{true, detail::current_request(), static_cast<uint8_t>(list.token % 255 + 1), pending_lines(), {}};
    return true;
}

// The cursor: the listing's token in byte 0, the next line in bytes 2..4.
void serve_piece(listing &list, radius_distr_ctrl &record, uint32_t line) {
    record.reserved_0 = list.token;
    const uint32_t next = line + 1;
    record.reserved_2[0] = static_cast<uint8_t>(next >> 16);
    record.reserved_2[1] = static_cast<uint8_t>(next >> 8);
    record.reserved_2[2] = static_cast<uint8_t>(next);
    answer(record, false, line < list.lines.size() ? list.lines[line] : "");
    list.open = line < list.lines.size();
    list.last_reply = record;
}

uint32_t cursor_of(const radius_distr_ctrl &record) {
    return (uint32_t{record.reserved_2[0]} << 16) | (uint32_t{record.reserved_2[1]} << 8) | record.reserved_2[2];
}

// A zeroed record starts the listing, the last reply continues it; any
// other record is a breach, answered with the empty piece so that no
// loop goes on.
int32_t next_piece(radius_distr_ctrl &record) {
    if (!distribution_enabled()) return answer(record, true, "distribution is not enabled"), 0;
    if (!store().session_open()) return answer(record, true, "no distribution session in progress"), 0;
    listing &list = current_listing();
    if (all_zero_but_kind(record)) {
        if (start_listing(list)) {
            serve_piece(list, record, 0);
        } else {
            answer(record, false, "");
        }
        return 0;
    }
    if (!list.open || std::memcmp(&record, &list.last_reply, sizeof record) != 0) {
        record_violation("cmi_radius_new_distr_control: the pending listing's record came back changed");
        list.open = false;
        answer(record, false, "");
        return 0;
    }
    serve_piece(list, record, cursor_of(record));
    return 0;
}

// ---- requests ----

int32_t serve(uint32_t op, radius_distr_ctrl &record) {
    switch (record.kind * 10 + op) {
        case DISTR_KIND_ENABLE * 10 + RADIUS_OP_WRITE: return set_enabled(record, true);
        case DISTR_KIND_ENABLE * 10 + RADIUS_OP_DELETE: return set_enabled(record, false);
        case DISTR_KIND_SESSION * 10 + RADIUS_OP_READ_NEXT: return next_piece(record);
        case DISTR_KIND_SESSION * 10 + RADIUS_OP_WRITE: return commit(record);
        case DISTR_KIND_SESSION * 10 + RADIUS_OP_DELETE: return abort_session(record);
        case DISTR_KIND_CLEAR * 10 + RADIUS_OP_WRITE: return clear_session(record);
        case DISTR_KIND_STATE * 10 + RADIUS_OP_READ: return answer(record, false, state_text()), 0;
        case DISTR_KIND_MERGE * 10 + RADIUS_OP_READ: return answer(record, false, merge_text()), 0;
        default: return store_err_invalid_request;
    }
}

// The checks every request meets before it is served.
void check_request(uint32_t op, uint32_t mode, const radius_distr_ctrl &record) {
    const uint32_t expected_mode = op == RADIUS_OP_READ || op == RADIUS_OP_READ_NEXT ? DISTR_MODE_READ : DISTR_MODE_CHANGE;
    if (mode != expected_mode) record_violation("cmi_radius_new_distr_control: mode does not match the op");
    if (op != RADIUS_OP_READ_NEXT && !all_zero_but_kind(record)) {
        record_violation("cmi_radius_new_distr_control: record not zeroed before the request");
    }
}

}  // namespace

distribution_service &distribution() { return service(); }

void set_acting_user(const std::string &user) { store().set_acting_user(user); }

std::string session_owner() { return store().session_owner(); }

fabric_peer *find_fabric_peer(const std::string &name) {
    for (fabric_peer &peer : service().peers) {
        if (peer.name == name) return &peer;
    }
    return nullptr;
}

namespace detail {

void reset_distribution() {
    service() = distribution_service{};
    current_listing() = listing{};
}

// 40 bytes: the 36 of the record and a tail the caller must not read.
std::vector<unsigned char> last_operation_reply() {
    const distribution_last_op &op = service().last_op;
    const bool none = op.action == DISTR_ACTION_NONE;
    const bool failed = op.result == DISTR_RESULT_FAIL || op.result == DISTR_RESULT_PARTIAL_SUCCESS;
    std::vector<unsigned char> reply(sizeof(radius_distr_last_op) + 4, garbage);
    auto *record = reinterpret_cast<radius_distr_last_op *>(reply.data());
    store_be32(record->last_action, op.action);
    store_be32(record->scope, op.scope);
    store_be32(record->vsan_id, op.scope == DISTR_SCOPE_VSAN ? op.vsan_id : garbage_word);
    store_be32(record->last_result, none ? garbage_word : op.result);
    store_be32(record->failure_reason, failed && !none ? static_cast<uint32_t>(op.failure_reason) : garbage_word);
    store_be32(record->time_stamp, none ? garbage_word : op.time_stamp);
    return reply;
}

}  // namespace detail
}  // namespace radsim

extern "C" int32_t cmi_radius_new_distr_control(uint32_t session_handle, uint32_t op, radius_distr_ctrl *record,
                                                uint32_t mode, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b) {
    using namespace radsim;
    const unsigned kind = record != nullptr ? record->kind : 0;
    const auto fault = detail::enter(__func__, "op=" + std::to_string(op) + " mode=" + std::to_string(mode) +
                                                   " kind=" + std::to_string(kind));
    detail::check_session(__func__, session_handle);
    detail::check_context(__func__, ctx_a, ctx_b);
    if (record == nullptr) return store_err_invalid_request;
    check_request(op, mode, *record);
    if (fault) return fault->result;  // the record as it came
    if (service().refusal) {
        answer(*record, true, *service().refusal);
        service().refusal.reset();
        return 0;
    }
    return serve(op, *record);
}
