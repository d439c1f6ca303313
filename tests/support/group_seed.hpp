// Puts servers and groups straight into the simulated store's running copy,
// as earlier commands would have left them, for the group command and
// display tests.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "sim/radsim.h"

namespace radtest {

// Configures a server and returns the index the store gave it.
inline uint32_t seed_server(const std::string &host, bool authentication = true, bool accounting = true,
                            uint32_t auth_port = 1645, uint32_t acct_port = 1646) {
    radius_server_cfg server{};
    std::strncpy(server.host, host.c_str(), sizeof server.host - 1);
    server.authentication = authentication ? 1 : 0;
    server.accounting = accounting ? 1 : 0;
    server.auth_port = auth_port;
    server.acct_port = acct_port;
    EXPECT_EQ(radsim::store().server(RADIUS_OP_WRITE, &server), 0) << host;
    return server.index;
}

inline void seed_group(const std::string &name, const std::vector<uint32_t> &members, uint32_t deadtime = 0) {
    radius_group_cfg group{};
    std::strncpy(group.name, name.c_str(), sizeof group.name - 1);
    std::copy(members.begin(), members.end(), group.members);
    group.member_count = static_cast<int32_t>(members.size());
    group.deadtime = deadtime;
    radsim::store().running().groups[name] = group;
}

}  // namespace radtest
