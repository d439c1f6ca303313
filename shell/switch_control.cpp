#include "shell/switch_control.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>

#include "platform/aaa_service.h"
#include "platform/store_client.h"
#include "platform/system_services.h"
#include "shell/param_block.hpp"
#include "sim/radsim.h"

namespace radius::shell {

namespace {

const argument *find(const parsed_command &command, int32_t id) {
    const auto found = std::find_if(command.args.begin(), command.args.end(),
                                    [id](const argument &arg) { return arg.id == id; });
    return found == command.args.end() ? nullptr : &*found;
}

// The index of the configured server a host word names; 0 after saying
// there is none.
uint32_t server_index(const argument &host) {
    char name[sizeof radius_server_cfg::host] = {};
    host.text.copy(name, sizeof name - 1);
    if (host.addr_kind == ADDR_KIND_IPV6) aaa_server_normalize_ipv6_addr(name);
    for (const auto &[index, server] : radsim::stored().running.servers) {
        if (std::strncmp(server.host, name, sizeof name) == 0) return index;
    }
    std::printf("%% No RADIUS server %s is configured.\n", host.text.c_str());
    return 0;
}

bool set_counter(uint32_t index, const parsed_command &command) {
    const std::string &name = find(command, shell_param_sim_counter)->text;
    const auto counter = radsim::stats_counter_named(name);
    if (!counter) {
        std::string known;
        for (const std::string &each : radsim::stats_counter_names()) known += " " + each;
        std::printf("%% Unknown counter %s; the counters are:%s\n", name.c_str(), known.c_str());
        return false;
    }
    radsim::set_stats_counter(index, *counter, find(command, shell_param_sim_value)->number);
    return true;
}

bool set_peer_reachable(const std::string &name, bool reachable) {
    radsim::fabric_peer *peer = radsim::find_fabric_peer(name);
    if (peer == nullptr) {
        std::printf("%% No peer switch %s in the fabric (radsh --fabric-peers names them).\n", name.c_str());
        return false;
    }
    peer->reachable = reachable;
    return true;
}

const char *configuration_state(const radsim::fabric_peer &peer, const radsim::config_tables &running) {
    if (!peer.running) return "none received";
    return *peer.running == running ? "same as this switch" : "differs from this switch";
}

std::optional<radius_group_cfg> group_named(const std::string &name) {
    const auto groups = radsim::stored().running.groups;
    const auto found = groups.find(name);
    if (found != groups.end()) return found->second;
    std::printf("%% No RADIUS server group %s is configured.\n", name.c_str());
    return std::nullopt;
}

// What a switch prints for each outcome; only an authenticated user or an
// answered accounting request counts as success.
bool report(radsim::request_outcome outcome, bool accounting) {
    using radsim::request_outcome;
    switch (outcome) {
        case request_outcome::accepted:
            std::puts(accounting ? "accounting request has been answered" : "user has been authenticated");
            return true;
        case request_outcome::rejected: std::puts("user has failed authentication"); break;
        case request_outcome::timed_out: std::puts("server timed out"); break;
        case request_outcome::bad_response: std::puts("server response could not be verified"); break;
        case request_outcome::no_key: std::puts("% No shared secret is configured for the server."); break;
        case request_outcome::not_loopback:
            std::puts("% The simulated switch sends RADIUS requests to loopback addresses only.");
            break;
        case request_outcome::failed: std::puts("% The request could not be sent."); break;
        case request_outcome::no_live_server: std::puts("% No server of the group is alive."); break;
        case request_outcome::unavailable:
            std::puts("% This build of the simulated switch sends no RADIUS requests.");
            break;
    }
    return false;
}

}  // namespace

bool show_fabric_peers() {
    const std::vector<radsim::fabric_peer> &peers = radsim::distribution().peers;
    if (peers.empty()) {
        std::puts("No peer switches in the fabric (radsh --fabric-peers names them).");
        return true;
    }
    const radsim::config_tables running = radsim::stored().running;
    std::printf("%-20s %-10s %s\n", "Peer", "Reachable", "Configuration");
    for (const radsim::fabric_peer &peer : peers) {
        std::printf("%-20s %-10s %s\n", peer.name.c_str(), peer.reachable ? "yes" : "no",
                    configuration_state(peer, running));
    }
    return true;
}

bool test_aaa(const parsed_command &command) {
    const std::string &user = find(command, shell_param_test_user)->text;
    const argument *password = find(command, shell_param_test_password);
    const std::string secret = password != nullptr ? password->text : std::string();
    if (const argument *group_name = find(command, shell_param_test_group)) {
        const std::optional<radius_group_cfg> group = group_named(group_name->text);
        return group && report(radsim::authenticate_through_group(*group, user, secret), false);
    }
    const uint32_t index = server_index(*find(command, shell_param_test_host));
    if (index == 0) return false;
    const bool accounting = find(command, shell_param_test_accounting) != nullptr;
    return report(accounting ? radsim::account(index, user) : radsim::authenticate(index, user, secret), accounting);
}

bool set_radius_debugging(bool on) {
    uint32_t value = on ? 1 : 0;
    cmd_msg_ctx ctx_a{}, ctx_b{};
    const int32_t rc = cmi_radius_new_enable_info_config(shell_session_handle, RADIUS_OP_WRITE, RADIUS_ITEM_DEBUG,
                                                         &value, 1, &ctx_a, &ctx_b);
    if (rc == 0) return true;
    std::printf("%% %s\n", syserr2str(rc));
    return false;
}

bool simulate(const parsed_command &command) {
    if (const argument *elapsed = find(command, shell_param_sim_elapsed)) {
        radsim::advance_clock(elapsed->number);
        return true;
    }
    if (const argument *peer = find(command, shell_param_sim_peer)) {
        return set_peer_reachable(peer->text, find(command, shell_param_sim_reachable) != nullptr);
    }
    const uint32_t index = server_index(*find(command, shell_param_sim_host));
    if (index == 0) return false;
    if (find(command, shell_param_sim_counter) != nullptr) return set_counter(index, command);
    radsim::set_server_alive(index, find(command, shell_param_sim_alive) != nullptr);
    return true;
}

}  // namespace radius::shell
