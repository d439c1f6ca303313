// The distribution daemon's rendering of a configuration as the command
// lines that recreate it, in the form the shell's running configuration
// takes: the pending listing and a peer's configuration read like it.
#include <netdb.h>
#include <netinet/in.h>

#include <cstring>
#include <string>

#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

template <size_t N>
std::string field(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

// The services' own port; 0 where the database lacks it, which writes out
// every nonzero port.
uint32_t service_port(const char *name) {
    const servent *entry = getservbyname(name, "udp");
    return entry == nullptr ? 0 : ntohs(static_cast<uint16_t>(entry->s_port));
}

std::string key7(uint32_t key_type, const std::string &key) {
    return key_type == RADIUS_KEY_CLEAR ? detail::type7_form(key) : key;
}

std::string global_lines(const radius_global_cfg &global) {
    std::string out;
    const std::string key = field(global.key);
    if (!key.empty()) out += "radius-server key 7 " + key7(global.key_type, key) + "\n";
    if (global.timeout != RADIUS_DEFAULT_TIMEOUT) out += "radius-server timeout " + std::to_string(global.timeout) + "\n";
    if (global.retransmit != RADIUS_DEFAULT_RETRANSMIT) {
        out += "radius-server retransmit " + std::to_string(global.retransmit) + "\n";
    }
    if (global.deadtime != 0) out += "radius-server deadtime " + std::to_string(global.deadtime) + "\n";
    return out;
}

// Every clause ends in a blank, the last one too.
std::string server_lines(const radius_server_cfg &server, uint32_t auth_default, uint32_t acct_default) {
    const std::string host = field(server.host);
    const std::string key = field(server.key);
    std::string line = "radius-server host " + host + " ";
    if (!key.empty()) line += "key 7 " + key7(server.key_type, key) + " ";
    if (server.auth_port != 0 && server.auth_port != auth_default) line += "auth-port " + std::to_string(server.auth_port) + " ";
    if (server.acct_port != 0 && server.acct_port != acct_default) line += "acct-port " + std::to_string(server.acct_port) + " ";
    if (server.authentication != 0) line += "authentication ";
    if (server.accounting != 0) line += "accounting ";
    if (server.timeout != 0) line += "timeout " + std::to_string(server.timeout) + " ";
    if (server.retransmit != 0) line += "retransmit " + std::to_string(server.retransmit) + " ";
    line += "\n";
    if (server.authentication == 0 && server.accounting == 0) {
        line += "no radius-server host " + host + " authentication\nno radius-server host " + host + " accounting\n";
    }
    return line;
}

// Members by their host; the default group is never rendered.
std::string group_lines(const config_tables &tables, const radius_group_cfg &group) {
    std::string out = "aaa group server radius " + field(group.name) + " \n";
    const int32_t members = std::min(std::max(group.member_count, 0), RADIUS_MAX_GROUP_MEMBERS);
    for (int32_t slot = 0; slot < members; ++slot) {
        const auto member = tables.servers.find(group.members[slot]);
        if (member != tables.servers.end()) out += "server " + field(member->second.host) + " \n";
    }
    if (group.deadtime != 0) out += "rdeadtime " + std::to_string(group.deadtime) + "\n";
    return out;
}

}  // namespace

std::string configuration_text(const config_tables &tables) {
    std::string out = global_lines(tables.global);
    const uint32_t auth_default = service_port("radius");
    const uint32_t acct_default = service_port("radacct");
    for (const auto &[index, server] : tables.servers) out += server_lines(server, auth_default, acct_default);
    for (const auto &[name, group] : tables.groups) {
        if (name != "radius") out += group_lines(tables, group);
    }
    return out;
}

}  // namespace radsim
