// The server host command: address kinds and IPv6 normalisation, roles of
// new and existing servers with the rule that refuses to leave a server
// without either, numbers and their "no" forms, removal of the whole
// server, the pac feature check and the exec_flags bit that skips it and
// the role rule, the store failures and the table-full message, the
// missing-key warning, and the server key rules for every stored form by
// given form in plain and "no" form.  Every refusal must leave the whole
// store byte for byte as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config/config_commands.h"
#include "tests/config_support.hpp"
#include "tests/support/command.hpp"

namespace {

using radtest::command;
using radtest::key_fields;
using radtest::type7_of;
using ::testing::ElementsAre;

constexpr char host[] = "10.0.0.1";
const std::string no_key_warning = "warning: no key is configured for the host\n";

class server_command : public radtest::handler_test {};

std::vector<std::string> logged_calls() {
    std::vector<std::string> calls;
    for (const auto &call : radsim::call_log()) calls.push_back(call.name + " " + call.args);
    return calls;
}

bool server_calls_made() {
    for (const auto &call : radsim::call_log()) {
        if (call.name == "cmi_radius_new_server_config") return true;
    }
    return false;
}

// An existing server at `name`, used for both roles unless told otherwise.
uint32_t seed_server(const std::string &name, uint32_t authentication = 1, uint32_t accounting = 1) {
    radius_server_cfg server{};
    std::strncpy(server.host, name.c_str(), sizeof server.host - 1);
    server.addr_type = RADIUS_ADDR_IPV4;
    server.authentication = authentication;
    server.accounting = accounting;
    radsim::store().server(RADIUS_OP_WRITE, &server);
    return server.index;
}

// The running server named `name`, or null.
const radius_server_cfg *find_server(const std::string &name) {
    for (const auto &[index, server] : radsim::store().running().servers) {
        if (name == server.host) return &server;
    }
    return nullptr;
}

// A global key that keeps the missing-key warning out of the output.
void seed_global_key() { radtest::set_key_fields(radsim::store().running().global, {0, "globalkey", ""}); }

command &on_host(command &cmd, const std::string &name = host) { return cmd.host(21, name, ADDR_KIND_IPV4); }

TEST_F(server_command, new_server_serves_both_roles) {
    command cmd;
    const auto [status, out] = on_host(cmd).run(config_radius_server);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, no_key_warning);
    const radius_server_cfg *server = find_server(host);
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(server->addr_type, RADIUS_ADDR_IPV4);
    EXPECT_EQ(server->authentication, 1u);
    EXPECT_EQ(server->accounting, 1u);
    EXPECT_THAT(logged_calls(), ElementsAre("cmi_radius_new_global_config op=5 mode=2",
                                            "cmi_radius_new_global_config op=1 mode=2",
                                            "cmi_radius_new_server_config op=5 mode=2",
                                            "cmi_radius_new_server_config op=1 mode=2",
                                            "cmi_radius_new_server_config op=3 mode=2"));
}

TEST_F(server_command, reads_the_pending_copy_of_an_open_session) {
    seed_global_key();
    radsim::store().open_session();
    command cmd;
    EXPECT_EQ(on_host(cmd).u32(22, 3).run(config_radius_server).status, 0);
    EXPECT_EQ(radsim::store().pending()->servers.size(), 1u);
    EXPECT_THAT(logged_calls(), ElementsAre("cmi_radius_new_global_config op=5 mode=2",
                                            "cmi_radius_new_server_config op=5 mode=2",
                                            "cmi_radius_new_server_config op=3 mode=2"));
}

TEST_F(server_command, named_roles_of_new_and_existing_servers) {
    struct role_case {
        const char *name;
        bool existing;                 // an existing server used for authentication only
        std::vector<int32_t> roles;    // role keywords on the command line
        uint32_t authentication;
        uint32_t accounting;
    };
    const role_case cases[] = {
        {"new, authentication only", false, {17}, 1, 0},
        {"new, accounting only", false, {16}, 0, 1},
        {"new, both named", false, {17, 16}, 1, 1},
        {"existing, no role named: as stored", true, {}, 1, 0},
        {"existing, the other role added", true, {16}, 1, 1},
    };
    for (const role_case &c : cases) {
        radsim::reset();
        seed_global_key();
        if (c.existing) seed_server(host, 1, 0);
        command cmd;
        on_host(cmd);
        for (const int32_t id : c.roles) cmd.keyword(id);
        EXPECT_EQ(cmd.run(config_radius_server).status, 0) << c.name;
        const radius_server_cfg *server = find_server(host);
        ASSERT_NE(server, nullptr) << c.name;
        EXPECT_EQ(server->authentication, c.authentication) << c.name;
        EXPECT_EQ(server->accounting, c.accounting) << c.name;
    }
}

TEST_F(server_command, no_form_may_not_leave_a_server_without_a_role) {
    const std::string denial =
        "As this operation causes both accounting and authentication to be disabled for the server, it is denied.\n";
    seed_global_key();
    seed_server(host);
    command first;
    EXPECT_EQ(on_host(first).no_form().keyword(17).run(config_radius_server).status, 0);
    EXPECT_EQ(find_server(host)->authentication, 0u);
    EXPECT_EQ(find_server(host)->accounting, 1u);

    const radsim::config_tables before = radsim::store().running();
    command second;
    const auto [status, out] = on_host(second).no_form().keyword(16).run(config_radius_server);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, denial);
    EXPECT_EQ(radsim::store().running(), before);

    command replayed;
    on_host(replayed).no_form().keyword(16).exec_flags(EXEC_FLAG_REPLAY);
    EXPECT_EQ(replayed.run(config_radius_server).status, 0);
    EXPECT_EQ(find_server(host)->accounting, 0u);

    radsim::reset();
    seed_server(host);
    command both;
    EXPECT_EQ(on_host(both).no_form().keyword(17).keyword(16).run(config_radius_server).out, denial);
}

TEST_F(server_command, numbers_are_set_and_reset_to_not_set) {
    seed_global_key();
    command set;
    on_host(set).u32(15, 1645).u32(14, 1646).u32(22, 7).u32(20, 3).keyword(19);
    EXPECT_EQ(set.run(config_radius_server).status, 0);
    const radius_server_cfg *server = find_server(host);
    EXPECT_EQ(server->auth_port, 1645u);
    EXPECT_EQ(server->acct_port, 1646u);
    EXPECT_EQ(server->timeout, 7u);
    EXPECT_EQ(server->retransmit, 3u);
    EXPECT_EQ(server->aux_flag, 1u);

    command reset;
    on_host(reset).no_form().u32(15, 99).u32(14, 99).u32(22, 99).u32(20, 99).keyword(19);
    EXPECT_EQ(reset.run(config_radius_server).status, 0);
    server = find_server(host);
    ASSERT_NE(server, nullptr) << "naming settings is no removal";
    EXPECT_EQ(server->auth_port, 0u);
    EXPECT_EQ(server->acct_port, 0u);
    EXPECT_EQ(server->timeout, 0u);
    EXPECT_EQ(server->retransmit, 0u);
    EXPECT_EQ(server->aux_flag, 0u);
    EXPECT_EQ(server->authentication, 1u);
}

TEST_F(server_command, bad_parameters_fail_silently_and_store_nothing) {
    struct bad_case {
        const char *why;
        bool no_form;
        std::function<void(command &)> add;
    };
    const bad_case cases[] = {
        {"id below the table", false, [](command &c) { c.u32(13, 1); }},
        {"id between the settings and the key text", false, [](command &c) { c.keyword(24); }},
        {"last id before the key text", false, [](command &c) { c.keyword(49); }},
        {"id between the key text and the keyword key", false, [](command &c) { c.keyword(51); }},
        {"id just before the keyword key", true, [](command &c) { c.keyword(53); }},
        {"id above the table", false, [](command &c) { c.keyword(57); }},
        {"the global deadtime", false, [](command &c) { c.u32(1005, 3); }},
        {"port given as text", false, [](command &c) { c.typed(15, PARAM_TYPE_TEXT, "1812"); }},
        {"the no form still needs a number", true, [](command &c) { c.typed(22, PARAM_TYPE_TEXT, "1"); }},
        {"clear key given as a number", false, [](command &c) { c.u32(18, 1); }},
        {"key text given as a number", false, [](command &c) { c.keyword(56).u32(50, 1); }},
    };
    for (const bad_case &c : cases) {
        radsim::reset();
        seed_server(host);
        const radsim::config_tables before = radsim::store().running();
        command cmd;
        if (c.no_form) cmd.no_form();
        on_host(cmd).u32(20, 2);  // a valid parameter first
        c.add(cmd);
        const auto [status, out] = cmd.run(config_radius_server);
        EXPECT_EQ(status, 1) << c.why;
        EXPECT_EQ(out, "") << c.why;
        EXPECT_EQ(radsim::store().running(), before) << c.why;
    }
}

TEST_F(server_command, host_kinds_name_the_server) {
    const struct {
        std::string given;
        uint32_t kind;
        std::string stored;
        uint32_t addr_type;
    } cases[] = {
        {"10.1.2.3", ADDR_KIND_IPV4, "10.1.2.3", RADIUS_ADDR_IPV4},
        {"10.100.200.250.garbage", ADDR_KIND_IPV4, "10.100.200.250.g", RADIUS_ADDR_IPV4},
        {"2001:DB8:0:0:0:0:0:1", ADDR_KIND_IPV6, "2001:db8::1", RADIUS_ADDR_IPV6},
        {"0:0:0:0:0:ffff:a00:1", ADDR_KIND_IPV6, "::ffff:10.0.0.1", RADIUS_ADDR_IPV6},
        {"radius.example.com", ADDR_KIND_HOSTNAME, "radius.example.com", RADIUS_ADDR_HOSTNAME},
        {std::string(300, 'h'), ADDR_KIND_HOSTNAME, std::string(253, 'h'), RADIUS_ADDR_HOSTNAME},
    };
    for (const auto &c : cases) {
        radsim::reset();
        seed_global_key();
        command cmd;
        cmd.host(21, c.given, c.kind);
        EXPECT_EQ(cmd.run(config_radius_server).status, 0) << c.given;
        const radius_server_cfg *server = find_server(c.stored);
        ASSERT_NE(server, nullptr) << c.given;
        EXPECT_EQ(server->addr_type, c.addr_type) << c.given;
    }
}

TEST_F(server_command, ipv6_servers_are_found_by_their_normal_form) {
    radius_server_cfg server{};
    std::strcpy(server.host, "2001:db8::1");
    server.addr_type = RADIUS_ADDR_IPV6;
    server.authentication = server.accounting = 1;
    radsim::store().server(RADIUS_OP_WRITE, &server);
    command cmd;
    cmd.no_form().host(21, "2001:0DB8:0000::0001", ADDR_KIND_IPV6);
    const auto [status, out] = cmd.run(config_radius_server);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "");
    EXPECT_TRUE(radsim::store().running().servers.empty()) << "the existing server was removed";
}

TEST_F(server_command, unusable_hosts_are_refused_before_any_server_call) {
    const struct {
        std::string given;
        uint32_t kind;
        std::string out;
    } cases[] = {
        {"2001:db8::g", ADDR_KIND_IPV6, "invalid ipv6 address\n"},
        {"10.0.0.1", ADDR_KIND_IPV6, "invalid ipv6 address\n"},  // an IPv4 text is no IPv6 address
        {"10.0.0.1", PARAM_TYPE_HOST, "Invalid host address \n"},  // no address kind
        {"10.0.0.1", 0, "Invalid host address \n"},
    };
    for (const auto &c : cases) {
        radsim::reset();
        const radsim::config_tables before = radsim::store().running();
        command cmd;
        const auto [status, out] = cmd.host(21, c.given, c.kind).u32(22, 1).run(config_radius_server);
        EXPECT_EQ(status, 1) << c.given;
        EXPECT_EQ(out, c.out) << c.given;
        EXPECT_FALSE(server_calls_made()) << c.given;
        EXPECT_EQ(radsim::store().running(), before) << c.given;
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
    EXPECT_EQ(logged_calls().back(), "cmi_radius_new_server_config op=4 mode=2");
}

TEST_F(server_command, unknown_servers_cannot_be_reset_or_removed) {
    const std::string not_present =
        "RADIUS configuration store: server not found\nconfiguration for 10.9.9.9 not present\n";
    for (const bool with_setting : {false, true}) {
        radsim::reset();
        seed_server(host);
        const radsim::config_tables before = radsim::store().running();
        command cmd;
        on_host(cmd, "10.9.9.9").no_form();
        if (with_setting) cmd.u32(22, 1);
        const auto [status, out] = cmd.run(config_radius_server);
        EXPECT_EQ(status, 1) << with_setting;
        EXPECT_EQ(out, not_present) << with_setting;
        EXPECT_EQ(radsim::store().running(), before) << with_setting;
    }
}

TEST_F(server_command, failed_removal_is_reported_but_succeeds) {
    seed_server(host);
    radsim::inject_fault("cmi_radius_new_server_config", 3, 0x409d0008);  // op 5, op 1, then op 4
    command cmd;
    const auto [status, out] = on_host(cmd).no_form().run(config_radius_server);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "RADIUS configuration store: daemon not responding\nconfiguration for 10.0.0.1 could not be removed\n");
    EXPECT_NE(find_server(host), nullptr);
}

TEST_F(server_command, store_failures) {
    const struct {
        const char *name;
        const char *call;
        unsigned nth;
        int32_t code;
        std::string out;
    } cases[] = {
        {"global read", "cmi_radius_new_global_config", 1, 0x409d0008,
         "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS global configuration\n"},
        {"server read", "cmi_radius_new_server_config", 2, 0x409d0008,
         "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS configuration\n"},
        {"server write", "cmi_radius_new_server_config", 3, 0x409d0009,
         "RADIUS configuration store: out of memory\nconfiguration for 10.0.0.1 could not be updated\n"},
        // The table-full code has its own line instead of the two-line form.
        {"table full", "cmi_radius_new_server_config", 3, RADIUS_ERR_SERVER_TABLE_FULL,
         "maximum number of RADIUS servers already configured\n"},
    };
    for (const auto &c : cases) {
        radsim::reset();
        const radsim::config_tables before = radsim::store().running();
        radsim::inject_fault(c.call, c.nth, c.code);
        command cmd;
        const auto [status, out] = on_host(cmd).run(config_radius_server);
        EXPECT_EQ(status, 1) << c.name;
        EXPECT_EQ(out, c.out) << c.name;
        EXPECT_EQ(radsim::store().running(), before) << c.name;
    }
}

TEST_F(server_command, a_full_table_takes_no_new_server) {
    radsim::store().set_limits(1, 64);
    seed_server("10.0.0.9");
    const radsim::config_tables before = radsim::store().running();
    command cmd;
    const auto [status, out] = on_host(cmd).run(config_radius_server);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "maximum number of RADIUS servers already configured\n");
    EXPECT_EQ(radsim::store().running(), before);
}

TEST_F(server_command, pac_needs_rqx_and_dot1x_unless_replayed) {
    struct pac_case {
        const char *name;
        bool rqx, dot1x, replay, no_form;
        int32_t status;
        std::vector<std::string> features_asked;
    };
    const pac_case cases[] = {
        {"neither feature", false, false, false, false, 1, {"feature=rqx"}},
        {"rqx only", true, false, false, false, 1, {"feature=rqx", "feature=dot1x"}},
        {"dot1x only", false, true, false, false, 1, {"feature=rqx"}},
        {"both features", true, true, false, false, 0, {"feature=rqx", "feature=dot1x"}},
        {"replayed configuration", false, false, true, false, 0, {}},
        {"no form: no check, and no removal", false, false, false, true, 0, {}},
    };
    for (const pac_case &c : cases) {
        radsim::reset();
        seed_global_key();
        seed_server(host);
        radsim::set_feature("rqx", c.rqx);
        radsim::set_feature("dot1x", c.dot1x);
        const radsim::config_tables before = radsim::store().running();
        command cmd;
        on_host(cmd).keyword(23);
        if (c.replay) cmd.exec_flags(EXEC_FLAG_REPLAY);
        if (c.no_form) cmd.no_form();
        const auto [status, out] = cmd.run(config_radius_server);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(out, c.status == 0 ? "" : "Make sure RQX & DOT1X are enabled before enabling pac\n") << c.name;
        std::vector<std::string> asked;
        for (const auto &call : radsim::call_log()) {
            if (call.name == "fm_cmi_get_feature_status") asked.push_back(call.args);
        }
        EXPECT_EQ(asked, c.features_asked) << c.name;
        EXPECT_EQ(radsim::store().running(), before) << c.name << ": pac stores nothing";
    }
}

TEST_F(server_command, pac_is_refused_when_the_feature_manager_fails) {
    radsim::set_feature("rqx", true);
    radsim::set_feature("dot1x", true);
    radsim::inject_fault("fm_cmi_get_feature_status", 2, 0x409d0008);
    command cmd;
    const auto [status, out] = on_host(cmd).keyword(23).run(config_radius_server);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "Make sure RQX & DOT1X are enabled before enabling pac\n");
    EXPECT_EQ(find_server(host), nullptr);
}

TEST_F(server_command, missing_key_warning_looks_at_key_fields_only) {
    const struct {
        const char *name;
        key_fields global;
        key_fields server;
        bool warned;
    } cases[] = {
        {"no key anywhere", {}, {}, true},
        {"a global clear key", {0, "g", ""}, {}, false},
        {"a global type-7 key", {7, "g7", ""}, {}, false},
        {"a server clear key", {}, {0, "s", ""}, false},
        // Keys held in type-6 form alone do not count.
        {"a global type-6 key only", {6, "", "G6"}, {}, true},
        {"a server type-6 key only", {}, {6, "", "S6"}, true},
    };
    for (const auto &c : cases) {
        radsim::reset();
        radtest::set_key_fields(radsim::store().running().global, c.global);
        radtest::set_key_fields(radsim::store().running().servers[seed_server(host)], c.server);
        command cmd;
        const auto [status, out] = on_host(cmd).u32(22, 4).run(config_radius_server);
        EXPECT_EQ(status, 0) << c.name;
        EXPECT_EQ(out, c.warned ? no_key_warning : "") << c.name;
    }
}

// How a row gives its key: a clear text (id 18) or a form token (55 or 56)
// and its text (50), after the keyword `key` (id 54) when `keyword` is set.
enum class given { clear, type7, type6, keyword_only };

void add_key(command &cmd, given form, const std::string &text, bool keyword = true) {
    if (keyword || form == given::keyword_only) cmd.keyword(54);
    if (form == given::clear) cmd.text(18, text);
    if (form == given::type7) cmd.keyword(56).text(50, text);
    if (form == given::type6) cmd.keyword(55).text(50, text);
}

struct key_case {
    const char *name;
    key_fields stored;
    bool no_form;
    given form;
    std::string text;
    int32_t status;
    std::string out;
    key_fields after;  // on success; a refusal must leave the store unchanged
};

void run_key_cases(const std::vector<key_case> &cases, bool keyword) {
    for (const key_case &c : cases) {
        radsim::reset();
        seed_global_key();
        const uint32_t index = seed_server(host);
        radtest::set_key_fields(radsim::store().running().servers[index], c.stored);
        const radsim::config_tables before = radsim::store().running();
        command cmd;
        if (c.no_form) cmd.no_form();
        add_key(on_host(cmd), c.form, c.text, keyword);
        const auto [status, out] = cmd.run(config_radius_server);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(out, c.out) << c.name;
        if (c.status != 0) {
            EXPECT_EQ(radsim::store().running(), before) << c.name;
        } else if (const radius_server_cfg *server = find_server(host); server == nullptr) {
            ADD_FAILURE() << c.name << ": the server was removed";
        } else {
            EXPECT_EQ(radtest::key_fields_of(*server), c.after) << c.name;
        }
        EXPECT_TRUE(radsim::contract_violations().empty()) << c.name;
    }
}

const key_fields none{};
const key_fields removed{};
const std::string mismatch = "The key provided does not match with the configured key.\n";

TEST_F(server_command, key_form_transitions) {
    const std::string k7 = type7_of("alpha1");
    const std::string b7 = type7_of("beta2");
    const key_fields clear{0, "alpha1", ""};
    const key_fields type7{7, k7, ""};
    const key_fields type6{6, "", "SIXKEY6"};
    run_key_cases(
        {
            {"clear over clear", clear, false, given::clear, "beta2", 0, "", {0, "beta2", ""}},
            {"numeric clear", none, false, given::clear, "12-34", 0, "warning: numeric key will not be encrypted\n",
             {0, "12-34", ""}},
            {"numeric clear over 6 draws no warning", type6, false, given::clear, "1234", 0, "", {0, "1234", ""}},
            {"clear over 7", type7, false, given::clear, "beta2", 0, "", {0, "beta2", ""}},
            {"clear over 6", type6, false, given::clear, "beta2", 0, "", {0, "beta2", ""}},
            {"7 over clear", clear, false, given::type7, b7, 0, "", {7, b7, ""}},
            {"7 over nothing", none, false, given::type7, b7, 0, "", {7, b7, ""}},
            {"7 over 7", type7, false, given::type7, b7, 0, "", {7, b7, ""}},
            {"7 over 6", type6, false, given::type7, b7, 0, "", {7, b7, ""}},
            {"6 over clear", clear, false, given::type6, "NEWSIX", 0, "", {6, "", "NEWSIX"}},
            {"6 over 7", type7, false, given::type6, "NEWSIX", 0, "", {6, "", "NEWSIX"}},
            {"6 over 6", type6, false, given::type6, "NEWSIX", 0, "", {6, "", "NEWSIX"}},
            {"no: clear names clear", clear, true, given::clear, "alpha1", 0, "", removed},
            {"no: clear misnames clear", clear, true, given::clear, "alpha", 1, mismatch, {}},
            {"no: clear names 7 by its clear text", type7, true, given::clear, "alpha1", 0, "", removed},
            {"no: clear misnames 7", type7, true, given::clear, k7, 1, mismatch, {}},
            {"no: clear with nothing stored", none, true, given::clear, "alpha1", 1,
             "No previous server key exists.\n", {}},
            // The doubled blanks belong to the texts.
            {"no: clear against 6", type6, true, given::clear, "SIXKEY6", 1,
             "Key is type6 encrypted, Please use same command without specifying key  on command line i.e.\n"
             "'no radius-server hostname <h> key'  instead of 'no radius-server hostname <h> key <key-name>'\n",
             {}},
            {"no: 7 names clear by its type-7 form", clear, true, given::type7, k7, 0, "", removed},
            {"no: 7 misnames clear with its clear text", clear, true, given::type7, "alpha1", 1, mismatch, {}},
            {"no: 7 names 7", type7, true, given::type7, k7, 0, "", removed},
            {"no: 7 misnames 7", type7, true, given::type7, b7, 1, mismatch, {}},
            // Unlike the clear-text rule: "exist", not "exists".
            {"no: 7 with nothing stored", none, true, given::type7, k7, 1, "No previous server key exist.\n", {}},
            {"no: 7 against 6", type6, true, given::type7, "anything", 0, "", removed},
            {"no: 6 names 6", type6, true, given::type6, "SIXKEY6", 0, "", removed},
            {"no: 6 misnames 6", type6, true, given::type6, "SIXKEY", 1,
             "type6 shared secret provided does not match with the configured type6 secret.\n"
             " Please use 'show run radius' to get the type6 secret or use 'no radius-server hostname <h> key'",
             {}},
            {"no: 6 against clear", clear, true, given::type6, "anything", 0, "", removed},
            {"no: the keyword alone removes 6", type6, true, given::keyword_only, "", 0, "", removed},
            {"no: the keyword alone removes clear", clear, true, given::keyword_only, "", 0, "", removed},
        },
        true);
}

// Without the keyword `key`, a "no" form that names the stored key
// correctly still resets a setting: the server stays.
TEST_F(server_command, an_accepted_key_comparison_is_no_removal) {
    const std::string k7 = type7_of("alpha1");
    run_key_cases(
        {
            {"clear", {0, "alpha1", ""}, true, given::clear, "alpha1", 0, "", removed},
            {"type 7", {7, k7, ""}, true, given::type7, k7, 0, "", removed},
            {"type 6", {6, "", "SIXKEY6"}, true, given::type6, "SIXKEY6", 0, "", removed},
        },
        false);
}

TEST_F(server_command, key_bounds) {
    const std::string long_six = std::string(64, 'a') + "TAIL";
    run_key_cases(
        {
            {"clear", none, false, given::clear, std::string(70, 'k'), 0, "", {0, std::string(63, 'k'), ""}},
            {"type 7", none, false, given::type7, std::string(70, 'k'), 0, "", {7, std::string(63, 'k'), ""}},
            {"type 7 over 6", {6, "", "S"}, false, given::type7, std::string(70, 'k'), 0, "",
             {7, std::string(63, 'k'), ""}},
            {"type 6", none, false, given::type6, std::string(300, 's'), 0, "", {6, "", std::string(255, 's')}},
            // The "no" form compares 64 characters of a type-6 key.
            {"no: type 6 beyond 64 characters", {6, "", long_six}, true, given::type6,
             std::string(64, 'a') + "ELSE", 0, "", removed},
        },
        true);
}

TEST_F(server_command, key_service_failures_refuse) {
    const key_fields clear{0, "alpha1", ""};
    const key_fields type7{7, type7_of("alpha1"), ""};
    for (const auto effect : {radsim::fault_effect::result_code, radsim::fault_effect::null_block,
                              radsim::fault_effect::empty_block}) {
        const struct {
            const char *call;
            key_fields stored;
            bool no_form;
            given form;
            std::string out;
        } cases[] = {
            {"radius_new_security_conf_decrypt", type7, false, given::clear,
             "Unable to decrypt existing srever key.\n"},
            {"radius_new_security_conf_decrypt", type7, true, given::clear, "Unable to decrypt existing srever key.\n"},
            {"radius_new_security_conf_encrypt", clear, false, given::type7, "Unable to encrypt existing key.\n"},
            {"radius_new_security_conf_encrypt", clear, true, given::type7, "Unable to encrypt existing key.\n"},
        };
        for (const auto &c : cases) {
            radsim::reset();
            radtest::set_key_fields(radsim::store().running().servers[seed_server(host)], c.stored);
            const radsim::config_tables before = radsim::store().running();
            radsim::inject_fault(c.call, 1, 0x409d0008, effect);
            command cmd;
            if (c.no_form) cmd.no_form();
            add_key(on_host(cmd), c.form, "alpha1");
            const auto [status, out] = cmd.run(config_radius_server);
            EXPECT_EQ(status, 1) << c.call;
            EXPECT_EQ(out, c.out) << c.call;
            EXPECT_EQ(radsim::store().running(), before) << c.call;
        }
    }
}

TEST_F(server_command, key_copies_that_cannot_be_allocated_refuse) {
    const struct {
        const char *name;
        key_fields stored;
        given form;
    } cases[] = {
        {"clear over clear", {0, "alpha1", ""}, given::clear},
        {"6 over 6", {6, "", "SIXKEY6"}, given::type6},
        {"7 over 7", {7, type7_of("alpha1"), ""}, given::type7},
    };
    for (const auto &c : cases) {
        radsim::reset();
        radtest::set_key_fields(radsim::store().running().servers[seed_server(host)], c.stored);
        const radsim::config_tables before = radsim::store().running();
        command cmd;
        add_key(on_host(cmd), c.form, "beta2");
        radtest::fail_nothrow_allocation(1);
        const auto [status, out] = cmd.run(config_radius_server);
        radtest::fail_nothrow_allocation(0);
        EXPECT_EQ(status, 1) << c.name;
        EXPECT_EQ(out, "Cannot allocate memory.") << c.name << ": the text ends no line";
        EXPECT_EQ(radsim::store().running(), before) << c.name;
    }
}

}  // namespace
