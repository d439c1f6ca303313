// The countdown fault sweep.  Each scenario is one realistic command of
// one handler over a small configuration; every platform call it makes is
// made to fail in turn (a failure code, a null block, an empty block; that
// call only, or that call and every later one of its kind).  Whatever
// fails, a handler must not crash, leak or break the calling contract, and
// the outcome must be one an operator can trust:
//   - a nonzero status comes with a message and leaves the configuration
//     as it was;
//   - a zero status means the command did all of its work, or did none of
//     it and said why (the dynamic-authorization dispatcher hides statuses,
//     as published).
// A display's output may be cut short by a failure; its store never moves.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "abi/param_ids.h"
#include "config/config_commands.h"
#include "config/server_group.h"
#include "dynauth/dynauth.h"
#include "frame/frame.h"
#include "monitor/monitor.h"
#include "runcfg/running_config.h"
#include "show/group_display.h"
#include "show/server_display.h"
#include "stats/stats.h"
#include "tests/support/command.hpp"
#include "tests/support/small_switch.hpp"

namespace {

using radtest::command;
using radtest::outcome;
using build = std::function<void(command &)>;

int32_t generate_full(cmd_paraminfo *info) { return radius_new_pss_asciigen(info, 0, 1); }

struct scenario {
    const char *name;
    radius_handler_fn handler;
    build fill;
};

const scenario scenarios[] = {
    {"enable", config_radius_enable, [](command &) {}},
    {"disable", config_radius_enable, [](command &c) { c.no_form(); }},
    {"global key and timeout", config_radius_global,
     [](command &c) { c.text(PARAM_KEY_CLEAR, "NewGlobal1").u32(PARAM_TIMEOUT, 9); }},
    {"new server", config_radius_server,
     [](command &c) {
         c.host(PARAM_SERVER_HOST, "10.0.0.3", ADDR_KIND_IPV4).keyword(PARAM_KEY).keyword(PARAM_KEY_TYPE7)
             .text(PARAM_KEY_TEXT, "abcdef").u32(PARAM_AUTH_PORT, 1812);
     }},
    {"server removed", config_radius_server,
     [](command &c) { c.no_form().host(PARAM_SERVER_HOST, "2001:db8::1", ADDR_KIND_IPV6); }},
    {"group with a member", config_radius_new_server_group,
     [](command &c) { c.text(PARAM_GROUP_NAME, "G2").host(PARAM_GROUP_SERVER, "10.0.0.1", ADDR_KIND_IPV4); }},
    {"global monitoring", config_global_server_monitor_params,
     [](command &c) { c.u32(PARAM_IDLE_TIME, 10).text(PARAM_TEST_USER, "bob"); }},
    {"server monitoring", config_aaa_server_monitor_params,
     [](command &c) { c.host(PARAM_SERVER_HOST, "10.0.0.1", ADDR_KIND_IPV4).u32(PARAM_IDLE_TIME, 7); }},
    {"server display", security_show_radius, [](command &) {}},
    {"sorted display", security_show_radius_sorted, [](command &) {}},
    {"group display", show_radius_new, [](command &) {}},
    {"monitoring display", show_aaa_monitor_config,
     [](command &c) { c.host(PARAM_SERVER_HOST, "10.0.0.1", ADDR_KIND_IPV4); }},
    {"running configuration", generate_full, [](command &) {}},
    {"statistics", show_radius_statistics, [](command &) {}},
    {"statistics cleared", clear_radius_statistics,
     [](command &c) { c.host(PARAM_SERVER_HOST, "10.0.0.1", ADDR_KIND_IPV4); }},
    {"debug state", show_debug_radius_new, [](command &) {}},
    {"memory statistics", radius_cli_show_memstats, [](command &) {}},
    {"dynamic-authorization port", config_radius_dynamic_author_server,
     [](command &c) { c.cmd_id(DYNAUTH_CMD_SERVER_PORT).keyword(PARAM_DAS_PORT).u32(PARAM_DAS_PORT_VALUE, 1700); }},
    {"dynamic-authorization client", config_radius_dynamic_author_server,
     [](command &c) {
         c.cmd_id(DYNAUTH_CMD_CLIENT).host(PARAM_DAC_HOST, "192.0.2.7", ADDR_KIND_IPV4).keyword(PARAM_KEY)
             .text(PARAM_KEY_CLEAR, "clientkey");
     }},
    {"dynamic-authorization server statistics", aaa_server_radius_statistics,
     [](command &c) { c.cmd_id(DYNAUTH_CMD_SHOW_SERVER); }},
    {"dynamic-authorization client statistics", aaa_client_radius_statistics,
     [](command &c) { c.cmd_id(DYNAUTH_CMD_SHOW_CLIENT).host(PARAM_DAC_HOST, "192.0.2.1", ADDR_KIND_IPV4); }},
};

// The small switch, the global monitoring entry, and a dynamic-authorization
// server with one client.
void seed_switch() {
    radtest::seed_small_switch();
    radsim::seed_monitor_entry({AAA_MONITOR_GLOBAL_ID, 5, "user", "pw"});
    command().cmd_id(DYNAUTH_CMD_SERVER_PORT).keyword(PARAM_DAS_PORT).u32(PARAM_DAS_PORT_VALUE, 3799).run(
        config_radius_dynamic_author_server);
    command().cmd_id(DYNAUTH_CMD_CLIENT).host(PARAM_DAC_HOST, "192.0.2.1", ADDR_KIND_IPV4).run(
        config_radius_dynamic_author_server);
}

// What the configuration holds: the store and the daemon's own tables.
struct configuration {
    radsim::stored_config store;
    std::string dynauth;
    bool operator==(const configuration &) const = default;
};

configuration current() { return {radsim::stored(), radsim::dynauth_config_lines(true)}; }

outcome run(const scenario &s) {
    command c;
    s.fill(c);
    return c.run(s.handler);
}

// Each call of the fault-free run, as "the nth call of that name".
std::vector<std::pair<std::string, unsigned>> fault_points(const scenario &s) {
    seed_switch();
    radsim::clear_call_log();
    run(s);
    std::vector<std::pair<std::string, unsigned>> points;
    std::map<std::string, unsigned> seen;
    for (const radsim::platform_call &call : radsim::call_log()) points.emplace_back(call.name, ++seen[call.name]);
    return points;
}

constexpr int32_t daemon_not_responding = 0x409d0008;

TEST(fault_sweep, every_platform_call_of_every_handler_fails_in_turn) {
    using enum radsim::fault_effect;
    unsigned swept = 0;
    for (const scenario &s : scenarios) {
        const auto points = fault_points(s);
        ASSERT_FALSE(points.empty()) << s.name;
        seed_switch();
        const configuration before = current();
        run(s);
        const configuration done = current();
        for (const auto &[call, nth] : points) {
            for (const radsim::fault_effect effect : {result_code, null_block, empty_block}) {
                for (const bool lasting : {false, true}) {
                    seed_switch();
                    if (lasting) {
                        radsim::inject_lasting_fault(call, nth, daemon_not_responding, effect);
                    } else {
                        radsim::inject_fault(call, nth, daemon_not_responding, effect);
                    }
                    const outcome result = run(s);
                    const configuration after = current();
                    const std::string where = std::string(s.name) + ": " + call + " #" + std::to_string(nth) +
                                              " effect " + std::to_string(static_cast<int>(effect)) +
                                              (lasting ? " from then on" : " once");
                    ASSERT_TRUE(radsim::contract_violations().empty()) << where << ": "
                                                                       << radsim::contract_violations().front();
                    if (result.status != 0) {
                        EXPECT_FALSE(result.out.empty()) << where << ": a failure says why";
                        EXPECT_TRUE(after == before) << where << ": a failure changes nothing";
                    } else {
                        EXPECT_TRUE(after == done || (after == before && !result.out.empty()))
                            << where << ": success did all the work, or none and said why\n" << result.out;
                    }
                    ++swept;
                }
            }
        }
    }
    RecordProperty("fault_points_swept", static_cast<int>(swept));
    std::printf("fault sweep: %zu scenarios, %u faulted runs\n", std::size(scenarios), swept);
}

}  // namespace
