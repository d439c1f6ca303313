// The server host command: address kinds and IPv6 normalisation, roles of
// new and existing servers and the rule that refuses to leave a server with
// neither, numbers and their "no" forms, removal of the whole server, the
// pac feature check, the exec_flags bit that skips that check and the role
// rule, the store failures, the table-full message and the missing-key
// warning.  The key rules are covered in key_rules_test.cpp.  A refusal
// must leave the store byte for byte as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config/config_commands.h"
#include "tests/config_support.hpp"

namespace {

using radtest::command;
using radtest::find_server;
using radtest::seed_server;
using ::testing::ElementsAre;

constexpr char host[] = "10.0.0.1";
const std::string no_key_warning = "warning: no key is configured for the host\n";
const std::string denial =
    "As this operation causes both accounting and authentication to be disabled for the server, it is denied.\n";

class server_command : public radtest::handler_test {};

// A global key that keeps the missing-key warning out of the output.
void seed_global_key() { radtest::set_key_fields(radsim::store().running().global, {0, "globalkey", ""}); }

command &on_host(command &cmd, const std::string &name = host) { return cmd.host(21, name, ADDR_KIND_IPV4); }

// Runs `cmd` and expects a refusal that leaves the store as it was.
void expect_refused(command &cmd, const std::string &out) {
    const radsim::config_tables before = radsim::store().running();
    const auto [status, printed] = cmd.run(config_radius_server);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(printed, out);
    EXPECT_EQ(radsim::store().running(), before);
}

TEST_F(server_command, new_server_serves_both_roles_and_is_warned_of_no_key) {
    command cmd;
    const auto [status, out] = on_host(cmd).run(config_radius_server);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, no_key_warning);
    ASSERT_NE(find_server(host), nullptr);
    EXPECT_EQ(find_server(host)->authentication, 1u);
    EXPECT_EQ(find_server(host)->accounting, 1u);
    EXPECT_THAT(radtest::logged_calls(), ElementsAre("cmi_radius_new_global_config op=5 mode=2",
                                                     "cmi_radius_new_global_config op=1 mode=2",
                                                     "cmi_radius_new_server_config op=5 mode=2",
                                                     "cmi_radius_new_server_config op=1 mode=2",
                                                     "cmi_radius_new_server_config op=3 mode=2"));
}

TEST_F(server_command, named_roles_of_new_and_existing_servers) {
    const struct {
        const char *name;
        bool existing;              // an existing server used for authentication only
        std::vector<int32_t> roles;  // role keywords on the command line
        uint32_t authentication, accounting;
    } rows[] = {
        {"new, authentication only", false, {17}, 1, 0},
        {"new, accounting only", false, {16}, 0, 1},
        {"existing, no role named: as stored", true, {}, 1, 0},
        {"existing, the other role added", true, {16}, 1, 1},
    };
    for (const auto &row : rows) {
        radsim::reset();
        seed_global_key();
        if (row.existing) radsim::store().running().servers[seed_server(host)].accounting = 0;
        command cmd;
        on_host(cmd);
        for (const int32_t id : row.roles) cmd.keyword(id);
        EXPECT_EQ(cmd.run(config_radius_server).status, 0) << row.name;
        ASSERT_NE(find_server(host), nullptr) << row.name;
        EXPECT_EQ(find_server(host)->authentication, row.authentication) << row.name;
        EXPECT_EQ(find_server(host)->accounting, row.accounting) << row.name;
    }
}

TEST_F(server_command, no_form_may_not_leave_a_server_without_a_role) {
    seed_global_key();
    seed_server(host);
    command first;
    EXPECT_EQ(on_host(first).no_form().keyword(17).run(config_radius_server).status, 0);
    EXPECT_EQ(find_server(host)->authentication, 0u);
    EXPECT_EQ(find_server(host)->accounting, 1u);
    command second;
    expect_refused(on_host(second).no_form().keyword(16), denial);
    command replayed;
    on_host(replayed).no_form().keyword(16).exec_flags(EXEC_FLAG_REPLAY);
    EXPECT_EQ(replayed.run(config_radius_server).status, 0);
    EXPECT_EQ(find_server(host)->accounting, 0u);

    find_server(host)->authentication = find_server(host)->accounting = 1;
    command both;
    expect_refused(on_host(both).no_form().keyword(17).keyword(16), denial);
}

TEST_F(server_command, numbers_are_set_and_reset_to_not_set) {
    seed_global_key();
    command set;
    EXPECT_EQ(on_host(set).u32(15, 1645).u32(14, 1646).u32(22, 7).u32(20, 3).keyword(19).run(config_radius_server).status, 0);
    const radius_server_cfg *server = find_server(host);
    EXPECT_EQ(std::vector<uint32_t>({server->auth_port, server->acct_port, server->timeout, server->retransmit,
                                     server->aux_flag}),
              std::vector<uint32_t>({1645, 1646, 7, 3, 1}));
    command reset;
    on_host(reset).no_form().u32(15, 99).u32(14, 99).u32(22, 99).u32(20, 99).keyword(19);
    EXPECT_EQ(reset.run(config_radius_server).status, 0);
    server = find_server(host);
    ASSERT_NE(server, nullptr) << "naming settings is no removal";
    EXPECT_EQ(std::vector<uint32_t>({server->auth_port, server->acct_port, server->timeout, server->retransmit,
                                     server->aux_flag}),
              std::vector<uint32_t>({0, 0, 0, 0, 0}));
}

TEST_F(server_command, bad_parameters_fail_silently) {
    const struct {
        const char *why;
        bool no_form;
        std::function<void(command &)> add;
    } rows[] = {
        {"id below the table", false, [](command &c) { c.u32(13, 1); }},
        {"id above the settings", false, [](command &c) { c.keyword(24); }},
        {"id just below the key text", false, [](command &c) { c.keyword(49); }},
        {"id between the key text and the keyword key", true, [](command &c) { c.keyword(53); }},
        {"id above the table", false, [](command &c) { c.keyword(57); }},
        {"the global deadtime", false, [](command &c) { c.u32(1005, 3); }},
        {"port given as text", false, [](command &c) { c.typed(15, PARAM_TYPE_TEXT, "1812"); }},
        {"the no form still needs a number", true, [](command &c) { c.typed(22, PARAM_TYPE_TEXT, "1"); }},
        {"clear key given as a number", false, [](command &c) { c.u32(18, 1); }},
        {"key text given as a number", false, [](command &c) { c.keyword(56).u32(50, 1); }},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.why);
        radsim::reset();
        seed_server(host);
        command cmd;
        if (row.no_form) cmd.no_form();
        row.add(on_host(cmd).u32(20, 2));  // after a valid parameter
        expect_refused(cmd, "");
    }
}

TEST_F(server_command, host_kinds_name_the_server) {
    const struct {
        std::string given;
        uint32_t kind;
        std::string stored;
        uint32_t addr_type;
    } rows[] = {
        {"10.100.200.250.garbage", ADDR_KIND_IPV4, "10.100.200.250.g", RADIUS_ADDR_IPV4},
        {"2001:DB8:0:0:0:0:0:1", ADDR_KIND_IPV6, "2001:db8::1", RADIUS_ADDR_IPV6},
        {"0:0:0:0:0:ffff:a00:1", ADDR_KIND_IPV6, "::ffff:10.0.0.1", RADIUS_ADDR_IPV6},
        {"radius.example.com", ADDR_KIND_HOSTNAME, "radius.example.com", RADIUS_ADDR_HOSTNAME},
        {std::string(300, 'h'), ADDR_KIND_HOSTNAME, std::string(253, 'h'), RADIUS_ADDR_HOSTNAME},
    };
    for (const auto &row : rows) {
        radsim::reset();
        seed_global_key();
        command cmd;
        EXPECT_EQ(cmd.host(21, row.given, row.kind).run(config_radius_server).status, 0) << row.given;
        ASSERT_NE(find_server(row.stored), nullptr) << row.given;
        EXPECT_EQ(find_server(row.stored)->addr_type, row.addr_type) << row.given;
    }
}

TEST_F(server_command, ipv6_servers_are_found_by_their_normal_form) {
    radius_server_cfg server{};
    std::strcpy(server.host, "2001:db8::1");
    radsim::store().server(RADIUS_OP_WRITE, &server);
    command cmd;
    const auto [status, out] = cmd.no_form().host(21, "2001:0DB8:0000::0001", ADDR_KIND_IPV6).run(config_radius_server);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(radsim::store().running().servers.empty()) << "the existing server was removed";
}

TEST_F(server_command, unusable_hosts_are_refused_before_any_server_call) {
    const struct {
        std::string given;
        uint32_t kind;
        std::string out;
    } rows[] = {
        {"2001:db8::g", ADDR_KIND_IPV6, "invalid ipv6 address\n"},
        {"10.0.0.1", ADDR_KIND_IPV6, "invalid ipv6 address\n"},  // an IPv4 text is no IPv6 address
        {"10.0.0.1", 0, "Invalid host address \n"},               // no address kind
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.out);
        radsim::reset();
        command cmd;
        expect_refused(cmd.host(21, row.given, row.kind).u32(22, 1), row.out);
        for (const auto &call : radsim::call_names()) EXPECT_NE(call, "cmi_radius_new_server_config");
    }
}

TEST_F(server_command, no_form_naming_only_the_server_removes_it) {
    seed_server(host);
    seed_server("10.0.0.2");
    command cmd;
    const auto [status, out] = on_host(cmd).no_form().run(config_radius_server);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(find_server(host), nullptr);
    EXPECT_NE(find_server("10.0.0.2"), nullptr);
    EXPECT_EQ(radtest::logged_calls().back(), "cmi_radius_new_server_config op=4 mode=2");

    // A failed removal is reported, yet the command succeeds.
    seed_server(host);
    radsim::inject_fault("cmi_radius_new_server_config", 3, 0x409d0008);  // op 5, op 1, then op 4
    command failing;
    const auto [failed_status, failed_out] = on_host(failing).no_form().run(config_radius_server);
    EXPECT_EQ(failed_status, 0);
    EXPECT_EQ(failed_out, "RADIUS configuration store: daemon not responding\nconfiguration for 10.0.0.1 could not be removed\n");
    EXPECT_NE(find_server(host), nullptr);
}

TEST_F(server_command, unknown_servers_cannot_be_reset_or_removed) {
    seed_server(host);
    for (const bool with_setting : {false, true}) {
        command cmd;
        on_host(cmd, "10.9.9.9").no_form();
        if (with_setting) cmd.u32(22, 1);
        expect_refused(cmd, "RADIUS configuration store: server not found\nconfiguration for 10.9.9.9 not present\n");
    }
}

TEST_F(server_command, store_failures) {
    const struct {
        const char *call;
        unsigned nth;
        int32_t code;
        std::string out;
    } rows[] = {
        {"cmi_radius_new_global_config", 1, 0x409d0008,
         "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS global configuration\n"},
        {"cmi_radius_new_server_config", 1, 0x409d0008,
         "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS configuration\n"},
        {"cmi_radius_new_server_config", 3, 0x409d0009,
         "RADIUS configuration store: out of memory\nconfiguration for 10.0.0.1 could not be updated\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.out);
        radsim::reset();
        radsim::inject_fault(row.call, row.nth, row.code);
        command cmd;
        expect_refused(on_host(cmd), row.out);
    }
}

TEST_F(server_command, a_full_table_takes_no_new_server) {
    radsim::store().set_limits(1, 64);
    seed_server("10.0.0.9");
    command cmd;
    expect_refused(on_host(cmd), "maximum number of RADIUS servers already configured\n");
}

TEST_F(server_command, pac_needs_rqx_and_dot1x_unless_replayed) {
    const struct {
        const char *name;
        bool rqx, dot1x, replay, no_form;
        std::vector<std::string> asked;  // features the manager is asked about
        int fault_at = 0;                // feature query that fails, if any
    } rows[] = {
        {"neither feature", false, false, false, false, {"feature=rqx"}},
        {"rqx only", true, false, false, false, {"feature=rqx", "feature=dot1x"}},
        {"both features", true, true, false, false, {"feature=rqx", "feature=dot1x"}},
        {"the manager fails", true, true, false, false, {"feature=rqx", "feature=dot1x"}, 2},
        {"replayed configuration", false, false, true, false, {}},
        {"no form: no check, and no removal", false, false, false, true, {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        radsim::reset();
        seed_global_key();
        seed_server(host);
        radsim::set_feature("rqx", row.rqx);
        radsim::set_feature("dot1x", row.dot1x);
        if (row.fault_at != 0) radsim::inject_fault("fm_cmi_get_feature_status", row.fault_at, 0x409d0008);
        const bool allowed = row.replay || row.no_form || (row.rqx && row.dot1x && row.fault_at == 0);
        command cmd;
        on_host(cmd).keyword(23).exec_flags(row.replay ? EXEC_FLAG_REPLAY : 0);
        if (row.no_form) cmd.no_form();
        // pac stores nothing either way.
        if (allowed) {
            const radsim::config_tables before = radsim::store().running();
            EXPECT_EQ(cmd.run(config_radius_server).status, 0);
            EXPECT_EQ(radsim::store().running(), before);
        } else {
            expect_refused(cmd, "Make sure RQX & DOT1X are enabled before enabling pac\n");
        }
        std::vector<std::string> asked;
        for (const auto &call : radsim::call_log()) {
            if (call.name == "fm_cmi_get_feature_status") asked.push_back(call.args);
        }
        EXPECT_EQ(asked, row.asked);
    }
}

TEST_F(server_command, missing_key_warning_looks_at_key_fields_only) {
    const struct {
        const char *name;
        radtest::key_fields global, server;
        bool warned;
    } rows[] = {
        {"a global clear key", {0, "g", ""}, {}, false},
        {"a global type-7 key", {7, "g7", ""}, {}, false},
        {"a server clear key", {}, {0, "s", ""}, false},
        // Keys held in type-6 form alone do not count.
        {"a global type-6 key only", {6, "", "G6"}, {}, true},
        {"a server type-6 key only", {}, {6, "", "S6"}, true},
    };
    for (const auto &row : rows) {
        radsim::reset();
        radtest::set_key_fields(radsim::store().running().global, row.global);
        radtest::set_key_fields(radsim::store().running().servers[seed_server(host)], row.server);
        command cmd;
        const auto [status, out] = on_host(cmd).u32(22, 4).run(config_radius_server);
        EXPECT_EQ(status, 0) << row.name;
        EXPECT_EQ(out, row.warned ? no_key_warning : "") << row.name;
    }
}

}  // namespace
