// Servers and groups seeded into the simulated store, and the call log as
// whole strings.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "abi/param_ids.h"
#include "tests/support/command.hpp"

namespace radtest {

constexpr int32_t daemon_down = 0x409d0008;
inline const std::string daemon_down_text = "RADIUS configuration store: daemon not responding\n";

// A server as the server host command creates it (both roles, no ports, no
// key), then changed by `change`; returns the index the store gave it.
inline uint32_t seed_server(const std::string &host, void (*change)(radius_server_cfg &) = nullptr,
                            radsim::store_copy into = radsim::store_copy::running) {
    radius_server_cfg server{};
    std::memcpy(server.host, host.data(), std::min(host.size(), sizeof server.host));
    server.authentication = server.accounting = 1;
    if (change != nullptr) change(server);
    return radsim::seed_server(server, into);
}
inline void no_roles(radius_server_cfg &server) { server.authentication = server.accounting = 0; }

// A name of the field's whole length keeps no NUL.
inline void seed_group(const std::string &name, const std::vector<uint32_t> &members, uint32_t deadtime = 0) {
    radius_group_cfg group{};
    std::memcpy(group.name, name.data(), std::min(name.size(), sizeof group.name));
    std::copy(members.begin(), members.end(), group.members);
    group.member_count = static_cast<int32_t>(members.size());
    group.deadtime = deadtime;
    radsim::seed_group(group);
}

// The logged platform calls whose name starts with `prefix`, as "name args".
inline std::vector<std::string> logged_calls(const std::string &prefix = "") {
    std::vector<std::string> calls;
    for (const radsim::platform_call &call : radsim::call_log()) {
        if (call.name.starts_with(prefix)) calls.push_back(call.name + " " + call.args);
    }
    return calls;
}

}  // namespace radtest
