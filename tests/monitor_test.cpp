// Server monitoring: the two parameter commands (created and updated
// entries, the "no" form, the 31-character bound, the distribution notice,
// the per-server lookup by each address kind) with every refusal checked to
// leave the stored entry as it was; and the display of one server with its
// monitoring values, row by row with tags and lengths.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "monitor/monitor.h"
#include "tests/support/display.hpp"
#include "tests/support/services_db.hpp"

namespace {

namespace services_db = radtest::services_db;
using radtest::add_server;
using radtest::command;
using radtest::new_server;
using radtest::printed_row;
using ::testing::ElementsAre;

constexpr int32_t host_param = 21;
constexpr int32_t user_param = 1003;
constexpr int32_t idle_param = 1004;
constexpr int32_t password_param = 1006;
constexpr uint32_t global_id = AAA_MONITOR_GLOBAL_ID;

aaa_server_monitor_cfg entry_of(uint32_t server_id, uint32_t idle_time, const char *user, const char *password) {
    aaa_server_monitor_cfg entry{};
    entry.server_id = server_id;
    entry.idle_time = idle_time;
    std::strcpy(entry.test_user, user);
    std::strcpy(entry.test_password, password);
    return entry;
}

// The stored entry, byte for byte, as a readable text.
std::string stored(uint32_t id) {
    const auto it = radsim::monitor_entries().find(id);
    if (it == radsim::monitor_entries().end()) return "none";
    const aaa_server_monitor_cfg &e = it->second;
    const aaa_server_monitor_cfg canonical = entry_of(e.server_id, e.idle_time, e.test_user, e.test_password);
    return std::to_string(e.server_id) + " " + std::to_string(e.idle_time) + " '" + e.test_user + "' '" +
           e.test_password + (std::memcmp(&e, &canonical, sizeof e) == 0 ? "'" : "' with bytes after a NUL");
}

std::vector<std::string> monitor_calls() {
    std::vector<std::string> calls;
    for (const radsim::platform_call &call : radsim::call_log()) {
        if (call.name == "cmi_aaa_server_monitor_config") calls.push_back(call.args);
    }
    return calls;
}

class monitor_commands : public radtest::display_test {};

TEST_F(monitor_commands, global_parameters_apply_in_order) {
    struct row {
        const char *why;
        void (*arrange)(command &);
        const char *expected;  // the entry afterwards
    };
    const row rows[] = {
        {"all three set; other ids are passed over",
         [](command &cmd) { cmd.u32(idle_param, 30).text(user_param, "probe").text(password_param, "pw").u32(77, 5); },
         "16777215 30 'probe' 'pw'"},
        {"a 40-character user keeps its first 31",
         [](command &cmd) { cmd.text(user_param, std::string(40, 'u')); },
         "16777215 7 'uuuuuuuuuuuuuuuuuuuuuuuuuuuuuuu' 'old-password'"},
        {"the no form clears whatever value is given",
         [](command &cmd) { cmd.no_form().u32(idle_param, 99).text(user_param, "other"); },
         "16777215 0 '' 'old-password'"},
        {"the no form takes the whole password", [](command &cmd) { cmd.no_form().text(password_param, "x"); },
         "16777215 7 'old-user' ''"},
    };
    for (const row &r : rows) {
        radsim::monitor_entries()[global_id] = entry_of(global_id, 7, "old-user", "old-password");
        command cmd;
        r.arrange(cmd);
        EXPECT_EQ(cmd.run(config_global_server_monitor_params).status, 0) << r.why;
        EXPECT_EQ(stored(global_id), r.expected) << r.why;
    }
    // The first command on a switch creates the entry with the given fields only.
    radsim::monitor_entries().clear();
    radsim::clear_call_log();
    command first;
    first.text(user_param, "probe");
    EXPECT_EQ(first.run(config_global_server_monitor_params).out, "");
    EXPECT_EQ(stored(global_id), "16777215 0 'probe' ''");
    EXPECT_THAT(monitor_calls(), ElementsAre("service=8450 op=1 mode=2 server_id=16777215",
                                             "service=8450 op=3 mode=2 server_id=16777215"));
}

TEST_F(monitor_commands, global_refusals_leave_the_entry_unchanged) {
    struct row {
        const char *why;
        void (*arrange)(command &);
        const char *out;
    };
    const row rows[] = {
        {"idle time given as text, after a valid user",
         [](command &cmd) { cmd.text(user_param, "new").typed(idle_param, PARAM_TYPE_TEXT, "30"); }, ""},
        {"user given as a number", [](command &cmd) { cmd.u32(idle_param, 30).u32(user_param, 5); }, ""},
        {"password given as a host", [](command &cmd) { cmd.typed(password_param, PARAM_TYPE_HOST, "x"); }, ""},
        {"distribution flag unreadable",
         [](command &cmd) {
             cmd.u32(idle_param, 30);
             radsim::inject_fault("cmi_radius_new_enable_info_config", 1, 0x409d0008);
         },
         "could not read qds enabled flag from pss\n"},
        {"entry unreadable",
         [](command &cmd) {
             cmd.u32(idle_param, 30);
             radsim::inject_fault("cmi_aaa_server_monitor_config", 1, 0x409b0001);
         },
         "AAA: invalid request\nError in reading global server monitor configuration.\n"},
        {"entry not written",
         [](command &cmd) {
             cmd.u32(idle_param, 30);
             radsim::inject_fault("cmi_aaa_server_monitor_config", 2, 0x409b0001);
         },
         "AAA: invalid request\nGlobal server monotor configuration could not be updated\n"},
    };
    for (const row &r : rows) {
        radsim::monitor_entries()[global_id] = entry_of(global_id, 7, "old-user", "old-password");
        command cmd;
        r.arrange(cmd);
        const auto [status, out] = cmd.run(config_global_server_monitor_params);
        EXPECT_EQ(status, 1) << r.why;
        EXPECT_EQ(out, r.out) << r.why;
        EXPECT_EQ(stored(global_id), "16777215 7 'old-user' 'old-password'") << r.why;
    }
}

TEST_F(monitor_commands, with_distribution_enabled_both_commands_say_so_and_apply) {
    const uint32_t index = add_server(new_server("10.0.0.1"));  // before a write could open a session
    radsim::store().items()[RADIUS_ITEM_DISTRIBUTION] = 1;
    command global;
    global.u32(idle_param, 30);
    command per_server;
    per_server.host(host_param, "10.0.0.1", ADDR_KIND_IPV4).u32(idle_param, 40);
    const char notice[] = "Server-monitoring parameter configuration is exempted from QDS distribution\n";
    EXPECT_EQ(global.run(config_global_server_monitor_params).out, notice);
    EXPECT_EQ(per_server.run(config_aaa_server_monitor_params).out, notice);
    EXPECT_EQ(stored(global_id), "16777215 30 '' ''");
    EXPECT_EQ(stored(index), std::to_string(index) + " 40 '' ''");
}

TEST_F(monitor_commands, per_server_entries_are_found_by_every_address_kind) {
    struct row {
        const char *stored_host;
        const char *given_host;
        uint32_t addr_kind;
    };
    const row rows[] = {
        {"10.0.0.1", "10.0.0.1", ADDR_KIND_IPV4},
        {"2001:db8::1", "2001:DB8:0:0::1", ADDR_KIND_IPV6},  // normalised before the lookup
        {"radius.example.com", "radius.example.com", ADDR_KIND_HOSTNAME},
    };
    for (const row &r : rows) {
        const uint32_t index = add_server(new_server(r.stored_host));
        radsim::monitor_entries()[index] = entry_of(index, 7, "old-user", "old-password");
        radsim::clear_call_log();
        command cmd;
        cmd.host(host_param, r.given_host, r.addr_kind).u32(idle_param, 60).text(password_param, "pw");
        const auto [status, out] = cmd.run(config_aaa_server_monitor_params);
        EXPECT_EQ(status, 0) << r.given_host;
        EXPECT_EQ(out, "") << r.given_host;
        const std::string id = std::to_string(index);
        EXPECT_EQ(stored(index), id + " 60 'old-user' 'pw'");
        EXPECT_THAT(monitor_calls(), ElementsAre("service=8450 op=1 mode=1 server_id=" + id,
                                                 "service=8450 op=3 mode=2 server_id=" + id));
    }
}

TEST_F(monitor_commands, per_server_refusals_leave_the_entry_unchanged) {
    struct row {
        const char *why;
        const char *host;
        uint32_t addr_kind;
        unsigned failing_monitor_call;  // 0: none
        const char *out;
    };
    const row rows[] = {
        {"server not configured: the monitoring service is not asked", "10.9.9.9", ADDR_KIND_IPV4, 0,
         "RADIUS configuration store: server not found\ncould not retrieve server configuration\n"},
        {"not an IPv6 address", "2001:db8::zz", ADDR_KIND_IPV6, 0, "invalid ipv6 address\n"},
        {"unknown address kind", "10.0.0.1", 0x40000001, 0, "Invalid host address\n"},
        {"entry unreadable", "10.0.0.1", ADDR_KIND_IPV4, 1,
         "AAA: invalid request\nplease configure the server first.\n"},
        {"entry not written", "10.0.0.1", ADDR_KIND_IPV4, 2,
         "AAA: invalid request\nconfiguration for 10.0.0.1 could not be updated\n"},
    };
    const uint32_t index = add_server(new_server("10.0.0.1"));
    for (const row &r : rows) {
        radsim::monitor_entries()[index] = entry_of(index, 7, "old-user", "old-password");
        if (r.failing_monitor_call != 0) {
            radsim::inject_fault("cmi_aaa_server_monitor_config", r.failing_monitor_call, 0x409b0001);
        }
        radsim::clear_call_log();
        command cmd;
        cmd.host(host_param, r.host, r.addr_kind).u32(idle_param, 60).text(user_param, "new");
        const auto [status, out] = cmd.run(config_aaa_server_monitor_params);
        EXPECT_EQ(status, 1) << r.why;
        EXPECT_EQ(out, r.out) << r.why;
        EXPECT_EQ(stored(index), std::to_string(index) + " 7 'old-user' 'old-password'") << r.why;
        EXPECT_EQ(monitor_calls().size(), r.failing_monitor_call) << r.why;
    }
}

class monitor_display : public radtest::display_test {
protected:
    void SetUp() override {
        display_test::SetUp();
        services_db::pretend("radius", 1812);
        services_db::pretend("radacct", 1813);
    }
    void TearDown() override {
        services_db::restore();
        display_test::TearDown();
    }
};

TEST_F(monitor_display, a_server_with_every_value_and_an_entry) {
    radius_server_cfg server = new_server("2001:db8::1");
    std::strcpy(server.key, "ServerKey2");
    server.timeout = 4;
    server.retransmit = 2;
    server.acct_port = 1646;
    const uint32_t index = add_server(server);
    radsim::monitor_entries()[index] = entry_of(index, 30, "probe", "probe-password");
    command cmd;
    cmd.host(host_param, "2001:DB8::0:1", ADDR_KIND_IPV6);
    const radtest::display_outcome result = run(cmd, show_aaa_monitor_config);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.handles_left_open, 0u);
    const std::vector<printed_row> expected = {
        {"\t%s:\n", 0x30330028, "2001:db8::1", 12},
        {"\t\tavailable for authentication on port:%s\n", 0x11330029, "1812", 4},
        {"\t\tavailable for accounting on port:%s\n", 0x1133002a, "1646", 4},
        {"\t\tRADIUS shared secret:%s\n", 0x3033002b, "********", 256},
        {"\t\ttimeout:%s\n", 0x1133002c, "4", 4},
        {"\t\tretries:%s\n", 0x1133002d, "2", 4},
        {"\t\tidle time:%s\n", 0x11330030, "30", 4},
        {"\t\ttest user:%s\n", 0x30330031, "probe", 6},
        {"\t\ttest password:%s\n", 0x30330032, "********", 9},
    };
    EXPECT_EQ(printed_rows(), expected);
}

TEST_F(monitor_display, a_bare_server_without_an_entry) {
    services_db::hide("radacct");
    radius_server_cfg server = new_server("alpha");
    server.key_type = RADIUS_KEY_TYPE6;
    std::strcpy(server.key6, "six");
    add_server(server);
    command cmd;
    cmd.host(host_param, "alpha", ADDR_KIND_HOSTNAME);
    EXPECT_EQ(cmd.run(show_aaa_monitor_config).status, 0);
    EXPECT_EQ(reports_text(),
              "\talpha:\n\t\tavailable for authentication on port:1812\n\t\tavailable for accounting on port:0\n"
              "\t\tidle time:0\n\t\ttest user:test\n\t\ttest password:********\n");
    EXPECT_EQ(printed_rows().at(4), (printed_row{"\t\ttest user:%s\n", 0x30330031, "test", 5}));
}

TEST_F(monitor_display, failures_send_nothing) {
    struct row {
        const char *why;
        void (*arrange)(command &);
        int32_t status;
        const char *out;
    };
    const row rows[] = {
        {"no host: nothing to show", [](command &cmd) { cmd.u32(idle_param, 5); }, 0, ""},
        {"standby supervisor", [](command &cmd) { cmd.on_standby().host(host_param, "10.0.0.1", ADDR_KIND_IPV4); },
         1, "this command is supported on active sup only\n"},
        {"no output handle",
         [](command &cmd) {
             cmd.host(host_param, "10.0.0.1", ADDR_KIND_IPV4);
             radsim::inject_fault("cmd_paraminfo_to_rxhandle", 1, 0, radsim::fault_effect::null_block);
         },
         1, "received handle NULL.\n"},
        {"host given as text: silently refused",
         [](command &cmd) { cmd.typed(host_param, PARAM_TYPE_TEXT, "10.0.0.1"); }, 1, ""},
        {"not an IPv6 address", [](command &cmd) { cmd.host(host_param, "10.0.0.1", ADDR_KIND_IPV6); }, 1,
         "invalid ipv6 address\n"},
        {"server not configured", [](command &cmd) { cmd.host(host_param, "10.9.9.9", ADDR_KIND_IPV4); }, 1,
         "RADIUS server not found\n"},
        {"server unreadable",
         [](command &cmd) {
             cmd.host(host_param, "10.0.0.1", ADDR_KIND_IPV4);
             radsim::inject_fault("cmi_radius_new_server_config", 1, 0x409d0008);
         },
         1, "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS server configuration\n"},
        {"entry unreadable",
         [](command &cmd) {
             cmd.host(host_param, "10.0.0.1", ADDR_KIND_IPV4);
             radsim::inject_fault("cmi_aaa_server_monitor_config", 1, 0x409b0001);
         },
         1, "AAA: invalid request\ncould not retrieve RADIUS server configuration\n"},
    };
    add_server(new_server("10.0.0.1"));
    for (const row &r : rows) {
        command cmd;
        r.arrange(cmd);
        const radtest::display_outcome result = run(cmd, show_aaa_monitor_config);
        EXPECT_EQ(result.status, r.status) << r.why;
        EXPECT_EQ(result.out, r.out) << r.why;
        EXPECT_TRUE(reports_.empty()) << r.why;
        EXPECT_EQ(result.handles_left_open, 0u) << r.why;
    }
}

}  // namespace
