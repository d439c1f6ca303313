// The AAA service's per-server statistics and its duration texts.  Counters
// are kept in the wire format itself; the state fields and durations are
// composed for every reply from the server's history on the simulated
// clock.  Fields no caller may read carry garbage.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>

#include "abi/big_endian.h"
#include "platform/aaa_service.h"
#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

// Our codes for a server the service keeps no statistics of and for a
// request it cannot serve.
constexpr int32_t aaa_err_no_stats = 0x409b001b;
constexpr int32_t aaa_err_invalid_request = 0x409b0001;

// The server_state of a dead server (anything but the alive value).
constexpr uint8_t wire_state_dead = 1;
constexpr uint8_t garbage = 0x5a;

struct server_history {
    radius_server_stats counters{};  // counter fields only, big-endian
    bool alive = true;
    uint64_t since = 0;     // clock time the current state began
    uint64_t previous = 0;  // duration of the previous state; 0: none
    uint64_t dead_total = 0;
    uint32_t times_dead = 0;
    uint64_t dead_until = 0;     // clock time a deadtime ends; 0: dead until declared alive
    uint64_t last_request = 0;   // clock time of the last request sent to it
};

struct stats_state {
    uint64_t now = 0;
    std::map<uint32_t, server_history> servers;
};

stats_state &stats() {
    static stats_state instance;
    return instance;
}

// Histories kept before those of deleted servers are let go: indexes are
// never reused, so a long run that creates and deletes servers would
// otherwise keep one for every server it ever had.
constexpr size_t histories_kept = 256;

void forget_deleted_servers() {
    std::map<uint32_t, server_history> kept;
    radius_server_cfg server{};
    while (detail::store().server(RADIUS_OP_READ_NEXT, &server) == 0) {
        if (auto node = stats().servers.extract(server.index)) kept.insert(std::move(node));
    }
    stats().servers = std::move(kept);
}

server_history &history(uint32_t index) {
    if (stats().servers.size() >= histories_kept && !stats().servers.contains(index)) forget_deleted_servers();
    auto [it, created] = stats().servers.try_emplace(index);
    if (created) it->second.since = it->second.last_request = stats().now;
    return it->second;
}

// The state change takes effect at clock time `at`, which may lie behind
// the clock when a deadtime ended during a step of it.
void change_state(server_history &h, bool alive, uint64_t at) {
    h.dead_until = 0;
    if (h.alive == alive) return;
    const uint64_t lasted = at - h.since;
    if (!alive) ++h.times_dead;
    if (!h.alive) h.dead_total += lasted;
    h.previous = lasted;
    h.since = at;
    h.alive = alive;
}

void revive_expired() {
    for (auto &[index, h] : stats().servers) {
        if (!h.alive && h.dead_until != 0 && h.dead_until <= stats().now) change_state(h, true, h.dead_until);
    }
}

using counter_field = uint8_t (radius_server_stats::*)[4];

struct counter_entry {
    stats_counter counter;
    const char *name;
    counter_field field;
};

constexpr counter_entry counters[] = {
    {stats_counter::auth_sent, "auth-sent", &radius_server_stats::auth_sent},
    {stats_counter::auth_timed_out, "auth-timed-out", &radius_server_stats::auth_timed_out},
    {stats_counter::auth_not_processed, "auth-not-processed", &radius_server_stats::auth_not_processed},
    {stats_counter::auth_errors, "auth-errors", &radius_server_stats::auth_errors},
    {stats_counter::auth_no_match, "auth-no-match", &radius_server_stats::auth_no_match},
    {stats_counter::auth_successful, "auth-successful", &radius_server_stats::auth_successful},
    {stats_counter::auth_failed, "auth-failed", &radius_server_stats::auth_failed},
    {stats_counter::acct_sent, "acct-sent", &radius_server_stats::acct_sent},
    {stats_counter::acct_timed_out, "acct-timed-out", &radius_server_stats::acct_timed_out},
    {stats_counter::acct_errors, "acct-errors", &radius_server_stats::acct_errors},
    {stats_counter::acct_not_processed, "acct-not-processed", &radius_server_stats::acct_not_processed},
    {stats_counter::acct_no_match, "acct-no-match", &radius_server_stats::acct_no_match},
    {stats_counter::acct_failed, "acct-failed", &radius_server_stats::acct_failed},
    {stats_counter::acct_successful, "acct-successful", &radius_server_stats::acct_successful},
};

bool monitored(uint32_t index) {
    const std::optional<aaa_server_monitor_cfg> entry = detail::monitor_settings(index);
    return entry && entry->idle_time != 0;
}

// The reply for server `index`: its counters, its composed state, and
// garbage wherever the record holds nothing a caller may read.
radius_server_stats reply(uint32_t index) {
    const server_history &h = history(index);
    radius_server_stats out = h.counters;
    const uint64_t in_state = stats().now - h.since;
    store_be32(out.server_id, index);
    out.server_state = h.alive ? RADIUS_STATS_STATE_ALIVE : wire_state_dead;
    out.monitored = monitored(index) ? 1 : 0;
    out.unused_6 = garbage;
    store_be64(out.time_in_state, in_state);
    store_be64(out.time_in_prev_state, h.previous);
    store_be64(out.time_dead_total, h.dead_total + (h.alive ? 0 : in_state));
    store_be32(out.times_dead, h.times_dead);
    std::memset(out.unused_51, garbage, sizeof out.unused_51);
    std::memset(out.unused_67, garbage, sizeof out.unused_67);
    std::memset(out.unused_119, garbage, sizeof out.unused_119);
    return out;
}

// Zero counters and no history; the current state and its start stay.
void clear(uint32_t index) {
    server_history &h = history(index);
    h.counters = {};
    h.previous = h.dead_total = 0;
    h.times_dead = 0;
}

bool configured(uint32_t index) {
    radius_server_cfg server{};
    server.index = index;
    return index != 0 && detail::store().server(RADIUS_OP_READ, &server) == 0;
}

int32_t get_next(radius_server_stats *stats) {
    radius_server_cfg cursor{};  // index 0 yields the first server
    cursor.index = load_be32(stats->server_id);
    if (detail::store().server(RADIUS_OP_READ_NEXT, &cursor) != 0) return AAA_ERR_NO_MORE_STATS;
    *stats = reply(cursor.index);
    return 0;
}

int32_t serve(uint32_t op, radius_server_stats *stats) {
    const uint32_t index = load_be32(stats->server_id);
    switch (op) {
        case STATS_OP_GET:
            if (!configured(index)) return aaa_err_no_stats;
            *stats = reply(index);
            return 0;
        case STATS_OP_GETNEXT: return get_next(stats);
        case STATS_OP_CLEAR:
            if (!configured(index)) return aaa_err_no_stats;
            clear(index);
            return 0;
        default: return aaa_err_invalid_request;
    }
}

void check_stats_call(uint32_t service, uint32_t op, uint32_t mode) {
    if (service != AAA_STATS_SERVICE) detail::record_violation("cmi_aaa_server_stats: service argument is not 0x2101");
    const uint32_t expected_mode = op == STATS_OP_GETNEXT ? 2 : 1;
    if (mode != expected_mode) {
        detail::record_violation("cmi_aaa_server_stats: op " + std::to_string(op) + " with mode " +
                                 std::to_string(mode));
    }
}

}  // namespace

std::optional<stats_counter> stats_counter_named(const std::string &name) {
    for (const counter_entry &entry : counters) {
        if (name == entry.name) return entry.counter;
    }
    return std::nullopt;
}

std::vector<std::string> stats_counter_names() {
    std::vector<std::string> names;
    for (const counter_entry &entry : counters) names.emplace_back(entry.name);
    return names;
}

void set_stats_counter(uint32_t index, stats_counter counter, uint32_t value) {
    for (const counter_entry &entry : counters) {
        if (entry.counter == counter) store_be32(history(index).counters.*entry.field, value);
    }
}

size_t stats_histories() { return stats().servers.size(); }

void set_server_alive(uint32_t index, bool alive) { change_state(history(index), alive, stats().now); }

void advance_clock(uint64_t milliseconds) {
    // A server first seen now has been idle since before this step.
    radius_server_cfg server{};
    while (detail::store().server(RADIUS_OP_READ_NEXT, &server) == 0) history(server.index);
    stats().now += milliseconds;
    revive_expired();
    detail::probe_idle_servers();
}

namespace detail {

// A server's own monitoring entry decides, else the global one.
std::optional<aaa_server_monitor_cfg> monitor_settings(uint32_t index) {
    const monitor_table &entries = detail::store().monitor_entries();
    std::optional<aaa_server_monitor_cfg> entry = entries.find(index);
    if (!entry) entry = entries.find(AAA_MONITOR_GLOBAL_ID);
    return entry;
}

void count_request_event(uint32_t index, stats_counter counter) {
    for (const counter_entry &entry : counters) {
        if (entry.counter != counter) continue;
        uint8_t(&field)[4] = history(index).counters.*entry.field;
        store_be32(field, load_be32(field) + 1);
    }
}

void note_request(uint32_t index) { history(index).last_request = stats().now; }

uint64_t idle_time_of(uint32_t index) { return stats().now - history(index).last_request; }

bool server_alive(uint32_t index) { return history(index).alive; }

void declare_dead(uint32_t index, uint64_t deadtime) {
    server_history &h = history(index);
    change_state(h, false, stats().now);
    if (deadtime != 0) h.dead_until = stats().now + deadtime;
}

void reset_aaa_stats() { stats() = stats_state{}; }

}  // namespace detail
}  // namespace radsim

extern "C" int32_t cmi_aaa_server_stats(uint32_t session_handle, uint32_t service, uint32_t op,
                                        radius_server_stats *stats, uint32_t mode, cmd_msg_ctx *ctx_a,
                                        cmd_msg_ctx *ctx_b) {
    std::string args = "service=" + std::to_string(service) + " op=" + std::to_string(op) +
                       " mode=" + std::to_string(mode) + " server_id=" +
                       (stats == nullptr ? std::string("(null)") : std::to_string(load_be32(stats->server_id)));
    const auto fault = radsim::detail::enter(__func__, std::move(args));
    radsim::detail::check_session(__func__, session_handle);
    radsim::detail::check_context(__func__, ctx_a, ctx_b);
    radsim::check_stats_call(service, op, mode);
    if (fault) return fault->result;
    if (stats == nullptr) return radsim::aaa_err_invalid_request;
    return radsim::detail::guarded([&] { return radsim::serve(op, stats); });
}

// Milliseconds as "[D days ]HH:MM:SS.mmm".  The buffer must be the 100
// bytes the contract names.
extern "C" void aaa_server_str_time(uint64_t duration, char *buffer, uint32_t size) {
    const auto fault = radsim::detail::enter(__func__, std::to_string(duration) + " size=" + std::to_string(size));
    if (size != 100) radsim::detail::record_violation("aaa_server_str_time: buffer size is not 100");
    if (buffer == nullptr || size == 0) return;
    if (fault) {
        buffer[0] = '\0';  // the service had no text to give
        return;
    }
    const uint64_t seconds = duration / 1000;
    const uint64_t days = seconds / 86400;
    char clock[32];
    std::snprintf(clock, sizeof clock, "%02" PRIu64 ":%02" PRIu64 ":%02" PRIu64 ".%03" PRIu64, seconds / 3600 % 24,
                  seconds / 60 % 60, seconds % 60, duration % 1000);
    if (days == 0) {
        std::snprintf(buffer, size, "%s", clock);
    } else {
        std::snprintf(buffer, size, "%" PRIu64 " day%s %s", days, days == 1 ? "" : "s", clock);
    }
}
