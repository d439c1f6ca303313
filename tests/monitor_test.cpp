// Server monitoring: the two parameter commands (created and updated
// entries, the "no" form, the 31-character bound, the distribution notice,
// the per-server lookup by each address kind) with every refusal checked to
// leave the stored entry as it was; and the display of one server with its
// monitoring values, row by row with tags and lengths.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
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

constexpr int32_t host_param = 21;
constexpr int32_t user_param = 1003;
constexpr int32_t idle_param = 1004;
constexpr int32_t password_param = 1006;

aaa_server_monitor_cfg entry_of(uint32_t server_id, uint32_t idle_time, const char *user, const char *password) {
    aaa_server_monitor_cfg entry{};
    entry.server_id = server_id;
    entry.idle_time = idle_time;
    std::strcpy(entry.test_user, user);
    std::strcpy(entry.test_password, password);
    return entry;
}

bool same_entry(const aaa_server_monitor_cfg &a, const aaa_server_monitor_cfg &b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

std::string describe(const aaa_server_monitor_cfg &entry) {
    return "{id " + std::to_string(entry.server_id) + " idle " + std::to_string(entry.idle_time) + " user '" +
           entry.test_user + "' password '" + entry.test_password + "'}";
}

class monitor_commands : public radtest::display_test {
protected:
    std::map<uint32_t, aaa_server_monitor_cfg> &entries() { return radsim::monitor_entries(); }

    void expect_entry(uint32_t id, const aaa_server_monitor_cfg &expected, const char *why = "") {
        ASSERT_TRUE(entries().contains(id)) << why;
        EXPECT_TRUE(same_entry(entries()[id], expected))
            << why << ": " << describe(entries()[id]) << " instead of " << describe(expected);
    }
};

TEST_F(monitor_commands, the_first_global_command_creates_the_entry_with_the_given_fields) {
    command cmd;
    cmd.text(user_param, "probe");
    const auto [status, out] = cmd.run(config_global_server_monitor_params);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "");
    expect_entry(AAA_MONITOR_GLOBAL_ID, entry_of(AAA_MONITOR_GLOBAL_ID, 0, "probe", ""));
    std::vector<std::string> monitor_calls;
    for (const radsim::platform_call &call : radsim::call_log()) {
        if (call.name == "cmi_aaa_server_monitor_config") monitor_calls.push_back(call.args);
    }
    EXPECT_THAT(monitor_calls, ::testing::ElementsAre("service=8450 op=1 mode=2 server_id=16777215",
                                                      "service=8450 op=3 mode=2 server_id=16777215"));
}

TEST_F(monitor_commands, global_parameters_apply_in_order_and_the_no_form_clears) {
    struct row {
        const char *why;
        bool no_form;
        uint32_t idle_time;
        const char *user;
        const char *password;
        aaa_server_monitor_cfg expected;
    };
    const std::string long_user(40, 'u');
    const row rows[] = {
        {"all three set", false, 30, "probe", "secret", entry_of(AAA_MONITOR_GLOBAL_ID, 30, "probe", "secret")},
        {"a 40-character user keeps its first 31", false, 30, long_user.c_str(), "secret",
         entry_of(AAA_MONITOR_GLOBAL_ID, 30, std::string(31, 'u').c_str(), "secret")},
        {"the no form clears whatever value is given", true, 99, "other", "other",
         entry_of(AAA_MONITOR_GLOBAL_ID, 0, "", "")},
    };
    for (const row &r : rows) {
        entries()[AAA_MONITOR_GLOBAL_ID] = entry_of(AAA_MONITOR_GLOBAL_ID, 7, "old-user", "old-password");
        command cmd;
        if (r.no_form) cmd.no_form();
        cmd.u32(idle_param, r.idle_time).text(user_param, r.user).text(password_param, r.password).u32(77, 5);
        EXPECT_EQ(cmd.run(config_global_server_monitor_params).status, 0) << r.why;
        expect_entry(AAA_MONITOR_GLOBAL_ID, r.expected, r.why);
    }
}

TEST_F(monitor_commands, the_no_form_touches_only_the_named_field) {
    entries()[AAA_MONITOR_GLOBAL_ID] = entry_of(AAA_MONITOR_GLOBAL_ID, 7, "old-user", "old-password");
    command cmd;
    cmd.no_form().text(password_param, "anything");
    EXPECT_EQ(cmd.run(config_global_server_monitor_params).status, 0);
    expect_entry(AAA_MONITOR_GLOBAL_ID, entry_of(AAA_MONITOR_GLOBAL_ID, 7, "old-user", ""));
}

TEST_F(monitor_commands, global_refusals_leave_the_entry_unchanged) {
    struct row {
        const char *why;
        void (*arrange)(command &);
        const char *out;
    };
    const row rows[] = {
        {"idle time given as text",
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
    const aaa_server_monitor_cfg stored = entry_of(AAA_MONITOR_GLOBAL_ID, 7, "old-user", "old-password");
    for (const row &r : rows) {
        entries()[AAA_MONITOR_GLOBAL_ID] = stored;
        command cmd;
        r.arrange(cmd);
        const auto [status, out] = cmd.run(config_global_server_monitor_params);
        EXPECT_EQ(status, 1) << r.why;
        EXPECT_EQ(out, r.out) << r.why;
        expect_entry(AAA_MONITOR_GLOBAL_ID, stored, r.why);
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
    expect_entry(AAA_MONITOR_GLOBAL_ID, entry_of(AAA_MONITOR_GLOBAL_ID, 30, "", ""));
    expect_entry(index, entry_of(index, 40, "", ""));
}

TEST_F(monitor_commands, per_server_entries_are_found_by_every_address_kind) {
    struct row {
        const char *why;
        const char *stored_host;
        const char *given_host;
        uint32_t addr_kind;
    };
    const row rows[] = {
        {"IPv4 address", "10.0.0.1", "10.0.0.1", ADDR_KIND_IPV4},
        {"IPv6 address, normalised before the lookup", "2001:db8::1", "2001:DB8:0:0::1", ADDR_KIND_IPV6},
        {"host name", "radius.example.com", "radius.example.com", ADDR_KIND_HOSTNAME},
    };
    for (const row &r : rows) {
        const uint32_t index = add_server(new_server(r.stored_host));
        command cmd;
        cmd.host(host_param, r.given_host, r.addr_kind).text(user_param, "probe").text(password_param, "pw");
        const auto [status, out] = cmd.run(config_aaa_server_monitor_params);
        EXPECT_EQ(status, 0) << r.why;
        EXPECT_EQ(out, "") << r.why;
        expect_entry(index, entry_of(index, 0, "probe", "pw"), r.why);
    }
    const radsim::platform_call &server_read = radsim::call_log().at(1);
    EXPECT_EQ(server_read.name, "cmi_radius_new_server_config");
    EXPECT_EQ(server_read.args, "op=1 mode=2");
}

TEST_F(monitor_commands, per_server_updates_keep_the_fields_not_named) {
    const uint32_t index = add_server(new_server("10.0.0.1"));
    entries()[index] = entry_of(index, 7, "old-user", "old-password");
    command cmd;
    cmd.host(host_param, "10.0.0.1", ADDR_KIND_IPV4).u32(idle_param, 60);
    EXPECT_EQ(cmd.run(config_aaa_server_monitor_params).status, 0);
    expect_entry(index, entry_of(index, 60, "old-user", "old-password"));
    std::vector<std::string> monitor_calls;
    for (const radsim::platform_call &call : radsim::call_log()) {
        if (call.name == "cmi_aaa_server_monitor_config") monitor_calls.push_back(call.args);
    }
    const std::string id = std::to_string(index);
    EXPECT_THAT(monitor_calls, ::testing::ElementsAre("service=8450 op=1 mode=1 server_id=" + id,
                                                      "service=8450 op=3 mode=2 server_id=" + id));
}

TEST_F(monitor_commands, per_server_refusals_leave_the_entry_unchanged) {
    struct row {
        const char *why;
        const char *host;
        uint32_t addr_kind;
        const char *fault_call;
        unsigned nth;
        const char *out;
        bool monitoring_asked;
    };
    const row rows[] = {
        {"server not configured", "10.9.9.9", ADDR_KIND_IPV4, nullptr, 0,
         "RADIUS configuration store: server not found\ncould not retrieve server configuration\n", false},
        {"not an IPv6 address", "2001:db8::zz", ADDR_KIND_IPV6, nullptr, 0, "invalid ipv6 address\n", false},
        {"unknown address kind", "10.0.0.1", 0x40000001, nullptr, 0, "Invalid host address\n", false},
        {"entry unreadable", "10.0.0.1", ADDR_KIND_IPV4, "cmi_aaa_server_monitor_config", 1,
         "AAA: invalid request\nplease configure the server first.\n", true},
        {"entry not written", "10.0.0.1", ADDR_KIND_IPV4, "cmi_aaa_server_monitor_config", 2,
         "AAA: invalid request\nconfiguration for 10.0.0.1 could not be updated\n", true},
    };
    const uint32_t index = add_server(new_server("10.0.0.1"));
    const aaa_server_monitor_cfg stored = entry_of(index, 7, "old-user", "old-password");
    for (const row &r : rows) {
        entries()[index] = stored;
        if (r.fault_call != nullptr) radsim::inject_fault(r.fault_call, r.nth, 0x409b0001);
        radsim::clear_call_log();
        command cmd;
        cmd.host(host_param, r.host, r.addr_kind).u32(idle_param, 60).text(user_param, "new");
        const auto [status, out] = cmd.run(config_aaa_server_monitor_params);
        EXPECT_EQ(status, 1) << r.why;
        EXPECT_EQ(out, r.out) << r.why;
        expect_entry(index, stored, r.why);
        const std::vector<std::string> calls = radsim::call_names();
        EXPECT_EQ(std::count(calls.begin(), calls.end(), "cmi_aaa_server_monitor_config") > 0, r.monitoring_asked)
            << r.why;
    }
}

TEST_F(monitor_commands, a_later_host_parameter_names_the_server) {
    add_server(new_server("10.0.0.1"));
    const uint32_t second = add_server(new_server("10.0.0.2"));
    command cmd;
    cmd.host(host_param, "10.0.0.1", ADDR_KIND_IPV4).host(host_param, "10.0.0.2", ADDR_KIND_IPV4).u32(idle_param, 5);
    EXPECT_EQ(cmd.run(config_aaa_server_monitor_params).status, 0);
    EXPECT_EQ(entries().size(), 1u);
    expect_entry(second, entry_of(second, 5, "", ""));
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

TEST_F(monitor_display, nothing_to_show_without_a_host) {
    command cmd;
    cmd.u32(idle_param, 5);
    const radtest::display_outcome result = run(cmd, show_aaa_monitor_config);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(result.handles_left_open, 0u);
}

TEST_F(monitor_display, failures_send_nothing) {
    struct row {
        const char *why;
        void (*arrange)(command &);
        const char *out;
    };
    const row rows[] = {
        {"standby supervisor", [](command &cmd) { cmd.on_standby().host(host_param, "10.0.0.1", ADDR_KIND_IPV4); },
         "this command is supported on active sup only\n"},
        {"no output handle",
         [](command &cmd) {
             cmd.host(host_param, "10.0.0.1", ADDR_KIND_IPV4);
             radsim::inject_fault("cmd_paraminfo_to_rxhandle", 1, 0, radsim::fault_effect::null_block);
         },
         "received handle NULL.\n"},
        {"host given as text: silently refused",
         [](command &cmd) { cmd.typed(host_param, PARAM_TYPE_TEXT, "10.0.0.1"); }, ""},
        {"not an IPv6 address", [](command &cmd) { cmd.host(host_param, "10.0.0.1", ADDR_KIND_IPV6); },
         "invalid ipv6 address\n"},
        {"server not configured", [](command &cmd) { cmd.host(host_param, "10.9.9.9", ADDR_KIND_IPV4); },
         "RADIUS server not found\n"},
        {"server unreadable",
         [](command &cmd) {
             cmd.host(host_param, "10.0.0.1", ADDR_KIND_IPV4);
             radsim::inject_fault("cmi_radius_new_server_config", 1, 0x409d0008);
         },
         "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS server configuration\n"},
        {"entry unreadable",
         [](command &cmd) {
             cmd.host(host_param, "10.0.0.1", ADDR_KIND_IPV4);
             radsim::inject_fault("cmi_aaa_server_monitor_config", 1, 0x409b0001);
         },
         "AAA: invalid request\ncould not retrieve RADIUS server configuration\n"},
    };
    add_server(new_server("10.0.0.1"));
    for (const row &r : rows) {
        command cmd;
        r.arrange(cmd);
        const radtest::display_outcome result = run(cmd, show_aaa_monitor_config);
        EXPECT_EQ(result.status, 1) << r.why;
        EXPECT_EQ(result.out, r.out) << r.why;
        EXPECT_TRUE(reports_.empty()) << r.why;
        EXPECT_EQ(result.handles_left_open, 0u) << r.why;
    }
}

}  // namespace
