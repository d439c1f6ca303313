// The small configuration that the fault sweep and the handler fuzzer run
// over: a fresh switch with two servers (a type-7 key and a clear one) in a
// group, and a monitoring entry for the first.  Header-only, so that the
// fuzzer, which does not link the test support, shares it.
#pragma once

#include <cstring>

#include "sim/radsim.h"

namespace radtest {

// Returns the index of the first server.
inline uint32_t seed_small_switch() {
    radsim::reset();
    radsim::load_factory_defaults();
    radius_server_cfg server{};
    std::strcpy(server.host, "10.0.0.1");
    server.authentication = server.accounting = 1;
    server.key_type = RADIUS_KEY_TYPE7;
    std::strcpy(server.key, "Key7Form");
    const uint32_t first = radsim::seed_server(server);
    std::strcpy(server.host, "2001:db8::1");
    server.key_type = RADIUS_KEY_CLEAR;
    std::strcpy(server.key, "ClearKey");
    const uint32_t second = radsim::seed_server(server);
    radius_group_cfg group{};
    std::strcpy(group.name, "G1");
    group.members[0] = first;
    group.members[1] = second;
    group.member_count = 2;
    group.deadtime = 5;
    radsim::seed_group(group);
    radsim::seed_monitor_entry({first, 30, "probe", "ProbePw"});
    return first;
}

}  // namespace radtest
