// The AAA service's own RADIUS requests (host build): a test request to a
// server or through a group, and the probes of monitored servers.  A
// request is up to 1 + retransmit transmissions of `timeout` seconds each,
// the server's settings where it has them, else the global ones; every
// transmission, time-out and answer is counted.  A transaction succeeds
// with an Access-Accept or an Accounting-Response and fails otherwise (a
// reject, silence, an answer radcli refused).  Only loopback addresses are
// sent to: the simulated switch must not reach the network around it.
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <memory>
#include <optional>
#include <variant>

#include "sim/radius_client.hpp"
#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

using detail::transmission_result;

constexpr uint64_t ms_per_minute = 60000;

struct server_request {
    uint32_t index = 0;
    detail::radius_transmission transmission;
    unsigned transmissions = 1;
    uint64_t deadtime = 0;  // milliseconds; 0: a silent server stays alive
    ~server_request() { detail::wipe(transmission.secret); }
};

struct counter_set {
    stats_counter sent, timed_out, errors, successful, failed;
};
constexpr counter_set auth_counters{stats_counter::auth_sent, stats_counter::auth_timed_out,
                                    stats_counter::auth_errors, stats_counter::auth_successful,
                                    stats_counter::auth_failed};
constexpr counter_set acct_counters{stats_counter::acct_sent, stats_counter::acct_timed_out,
                                    stats_counter::acct_errors, stats_counter::acct_successful,
                                    stats_counter::acct_failed};

std::optional<radius_server_cfg> running_server(uint32_t index) {
    radius_server_cfg server{};
    server.index = index;
    if (index == 0 || detail::store().server(RADIUS_OP_READ, &server) != 0) return std::nullopt;
    return server;
}

radius_global_cfg running_global() {
    radius_global_cfg global{};
    detail::store().global(RADIUS_OP_READ, &global);
    return global;
}

std::optional<std::string> key_of(const radius_server_cfg &server, const radius_global_cfg &global) {
    if (auto own = detail::clear_key(server.key_type, server.key, sizeof server.key)) return own;
    return detail::clear_key(global.key_type, global.key, sizeof global.key);
}

bool is_loopback(const sockaddr *address) {
    if (address->sa_family == AF_INET) {
        const auto *v4 = reinterpret_cast<const sockaddr_in *>(address);
        return (ntohl(v4->sin_addr.s_addr) >> 24) == 127;
    }
    const auto *v6 = reinterpret_cast<const sockaddr_in6 *>(address);
    return address->sa_family == AF_INET6 && IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr);
}

// The numeric loopback address a host text names; nothing for any other.
std::optional<std::string> loopback_address(const char *host) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host, nullptr, &hints, &found) != 0) return std::nullopt;
    const std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> owned(found, freeaddrinfo);
    for (const addrinfo *each = found; each != nullptr; each = each->ai_next) {
        char text[NI_MAXHOST];
        if (!is_loopback(each->ai_addr) ||
            getnameinfo(each->ai_addr, each->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0) {
            continue;
        }
        return std::string(text);
    }
    return std::nullopt;
}

uint32_t own_or_global(uint32_t own, uint32_t global) { return own != 0 ? own : global; }

// The server's deadtime: the first group holding it with one, else the global one.
uint64_t deadtime_of(uint32_t index, const radius_global_cfg &global) {
    radius_group_cfg group{};
    while (detail::store().group(RADIUS_OP_READ_NEXT, &group) == 0) {
        for (int32_t i = 0; i < group.member_count && i < RADIUS_MAX_GROUP_MEMBERS; ++i) {
            if (group.members[i] == index && group.deadtime != 0) return group.deadtime * ms_per_minute;
        }
    }
    return global.deadtime * ms_per_minute;
}

// Everything a request to server `index` needs, or why it cannot be sent.
std::variant<server_request, request_outcome> prepare(uint32_t index, bool accounting) {
    const std::optional<radius_server_cfg> server = running_server(index);
    if (!server) return request_outcome::failed;
    const radius_global_cfg global = running_global();
    std::optional<std::string> key = key_of(*server, global);
    if (!key) return request_outcome::no_key;
    std::optional<std::string> address = loopback_address(server->host);
    if (!address) {
        detail::wipe(*key);
        return request_outcome::not_loopback;
    }
    server_request request;
    request.index = index;
    request.transmission.address = *address;
    request.transmission.port = static_cast<uint16_t>(accounting ? server->acct_port : server->auth_port);
    request.transmission.secret = std::move(*key);
    request.transmission.timeout_seconds = own_or_global(server->timeout, global.timeout);
    request.transmission.accounting = accounting;
    request.transmissions = 1 + own_or_global(server->retransmit, global.retransmit);
    request.deadtime = deadtime_of(index, global);
    return request;
}

request_outcome settle(uint32_t index, const counter_set &c, transmission_result result) {
    switch (result) {
        case transmission_result::accepted:
            detail::count_request_event(index, c.successful);
            set_server_alive(index, true);
            return request_outcome::accepted;
        case transmission_result::rejected:
            detail::count_request_event(index, c.failed);
            set_server_alive(index, true);
            return request_outcome::rejected;
        case transmission_result::bad_response:
            detail::count_request_event(index, c.errors);
            detail::count_request_event(index, c.failed);
            return request_outcome::bad_response;
        case transmission_result::timed_out:
        case transmission_result::failed: break;
    }
    detail::count_request_event(index, c.failed);
    return request_outcome::failed;
}

// Sends the request; a server silent on every transmission is dead for its
// deadtime (`probe`: until a later probe is answered, whatever the deadtime).
request_outcome send_request(const server_request &request, bool probe = false) {
    const counter_set &c = request.transmission.accounting ? acct_counters : auth_counters;
    detail::note_request(request.index);
    for (unsigned i = 0; i < request.transmissions; ++i) {
        detail::count_request_event(request.index, c.sent);
        const transmission_result result = detail::transmit_once(request.transmission);
        if (result != transmission_result::timed_out) return settle(request.index, c, result);
        detail::count_request_event(request.index, c.timed_out);
    }
    detail::count_request_event(request.index, c.failed);
    if (probe || request.deadtime != 0) detail::declare_dead(request.index, probe ? 0 : request.deadtime);
    return request_outcome::timed_out;
}

request_outcome send_to(uint32_t index, bool accounting, const std::string &user, const std::string &password) {
    auto prepared = prepare(index, accounting);
    if (auto *refused = std::get_if<request_outcome>(&prepared)) return *refused;
    server_request &request = std::get<server_request>(prepared);
    request.transmission.user = user;
    request.transmission.password = password;
    return send_request(request);
}

void probe(uint32_t index, const aaa_server_monitor_cfg &settings) {
    auto prepared = prepare(index, false);
    if (std::holds_alternative<request_outcome>(prepared)) return;
    server_request &request = std::get<server_request>(prepared);
    request.transmission.user.assign(settings.test_user, strnlen(settings.test_user, sizeof settings.test_user));
    request.transmission.password.assign(settings.test_password,
                                         strnlen(settings.test_password, sizeof settings.test_password));
    send_request(request, true);
    detail::wipe(request.transmission.password);
}

}  // namespace

request_outcome authenticate(uint32_t index, const std::string &user, const std::string &password) {
    return send_to(index, false, user, password);
}

request_outcome account(uint32_t index, const std::string &user) { return send_to(index, true, user, {}); }

request_outcome authenticate_through_group(const radius_group_cfg &group, const std::string &user,
                                           const std::string &password) {
    const radius_global_cfg global = running_global();
    const uint64_t deadtime = (group.deadtime != 0 ? group.deadtime : global.deadtime) * ms_per_minute;
    request_outcome outcome = request_outcome::no_live_server;
    for (int32_t i = 0; i < group.member_count && i < RADIUS_MAX_GROUP_MEMBERS; ++i) {
        const uint32_t index = group.members[i];
        const std::optional<radius_server_cfg> member = running_server(index);
        if (!member || member->authentication == 0 || !detail::server_alive(index)) continue;
        auto prepared = prepare(index, false);
        if (auto *refused = std::get_if<request_outcome>(&prepared)) {
            outcome = *refused;
            continue;
        }
        server_request &request = std::get<server_request>(prepared);
        request.transmission.user = user;
        request.transmission.password = password;
        request.deadtime = deadtime;
        outcome = send_request(request);
        if (outcome != request_outcome::timed_out) return outcome;
    }
    return outcome;
}

namespace detail {

void probe_idle_servers() {
    radius_server_cfg server{};
    while (store().server(RADIUS_OP_READ_NEXT, &server) == 0) {
        const std::optional<aaa_server_monitor_cfg> settings = monitor_settings(server.index);
        if (!settings || settings->idle_time == 0 || settings->test_user[0] == '\0') continue;
        if (idle_time_of(server.index) >= settings->idle_time * ms_per_minute) probe(server.index, *settings);
    }
}

}  // namespace detail
}  // namespace radsim
