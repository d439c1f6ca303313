// The running-configuration generator.  Its text is replayed as commands,
// so the tests compare whole texts: what defaults leave out, which ports
// the services database makes default (with and without its entries),
// plain against full, tagged records against the shell's buffer, running
// against pending, the widest lines the records allow, and the failures.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/key_encryption.h"
#include "runcfg/line_buffer.hpp"
#include "runcfg/running_config.h"
#include "tests/support/display.hpp"
#include "tests/support/services_db.hpp"

namespace {

namespace services_db = radtest::services_db;
using radtest::add_server;
using radtest::new_server;

struct generated {
    int32_t status;
    std::string text;  // what went into the shell's output buffer
    std::string out;   // the standard output: failure messages
};

std::string type7(const std::string &clear) {
    char *out = nullptr;
    uint32_t length = 0;
    EXPECT_EQ(radius_new_security_conf_encrypt(clear.c_str(), 7, 0, 0, &out, &length), 0);
    std::string text(out, length);
    std::free(out);
    return text;
}

void add_group(const std::string &name, std::vector<uint32_t> members, uint32_t deadtime) {
    radius_group_cfg group{};
    std::memcpy(group.name, name.data(), std::min(name.size(), sizeof group.name));
    for (uint32_t index : members) group.members[group.member_count++] = index;
    group.deadtime = deadtime;
    ASSERT_EQ(radsim::store().group(RADIUS_OP_WRITE, &group), 0);
}

void set_clear_key(radius_global_cfg &global, const char *key) {
    global.key_type = RADIUS_KEY_CLEAR;
    std::strcpy(global.key, key);
}

class running_config : public radtest::display_test {
protected:
    void SetUp() override {
        display_test::SetUp();
        radsim::load_factory_defaults();
        services_db::pretend("radius", 1812);
        services_db::pretend("radacct", 1813);
    }
    void TearDown() override {
        services_db::restore();
        display_test::TearDown();
    }

    generated generate(int32_t pending, uint32_t full) {
        radtest::command cmd;
        radsim::begin_request(cmd.info());
        radsim::stdout_capture capture;
        const int32_t status = radius_new_pss_asciigen(cmd.info(), pending, full);
        std::string out = capture.finish();
        radsim::end_request();
        return {status, radsim::take_shell_buffer(), out};
    }
};

TEST_F(running_config, an_empty_configuration_produces_no_output) {
    radsim::store().open_session();
    for (int32_t pending : {0, 1}) {
        for (uint32_t full : {0u, 1u}) {
            for (uint32_t command_id : {0u, 500u}) {
                radsim::set_command_id(command_id);
                const generated result = generate(pending, full);
                EXPECT_EQ(result.status, 0);
                EXPECT_EQ(result.text + result.out + reports_text(), "") << pending << full << command_id;
            }
        }
    }
    // The empty key of a fresh switch is no key: the service would still
    // give it a type-7 form, and a key line for no key would invent one.
    EXPECT_THAT(radsim::call_names(), ::testing::Not(::testing::Contains("radius_new_security_conf_encrypt")));
}

TEST_F(running_config, global_settings_other_than_their_defaults_give_a_line_each) {
    struct row {
        uint32_t timeout, retransmit, deadtime;
        const char *expected;
    };
    const row rows[] = {
        {5, 1, 0, ""},
        {7, 3, 10, "radius-server timeout 7\nradius-server retransmit 3\nradius-server deadtime 10\n"},
        {4294967295u, 0, 0, "radius-server timeout 4294967295\nradius-server retransmit 0\n"},
    };
    for (const row &r : rows) {
        radius_global_cfg &global = radsim::store().running().global;
        global.timeout = r.timeout;
        global.retransmit = r.retransmit;
        global.deadtime = r.deadtime;
        EXPECT_EQ(generate(0, 0).text, r.expected);
    }
}

TEST_F(running_config, server_lines_carry_the_clauses_that_differ_from_a_new_server) {
    struct row {
        const char *why;
        uint32_t auth_port, acct_port, authentication, accounting, timeout, retransmit;
        const char *expected;
    };
    const row rows[] = {
        {"ports left to the services", 0, 0, 1, 1, 0, 0, "radius-server host 10.0.0.1 authentication accounting \n"},
        {"the services' ports given explicitly", 1812, 1813, 1, 1, 0, 0,
         "radius-server host 10.0.0.1 authentication accounting \n"},
        {"each port is compared with its own service's", 1813, 1812, 1, 0, 0, 0,
         "radius-server host 10.0.0.1 auth-port 1813 acct-port 1812 authentication \n"},
        {"own timeout and retries", 0, 0, 0, 1, 9, 4,
         "radius-server host 10.0.0.1 accounting timeout 9 retransmit 4 \n"},
        {"neither role: a replayed host line would give it both", 0, 0, 0, 0, 0, 0,
         "radius-server host 10.0.0.1 \nno radius-server host 10.0.0.1 authentication\n"
         "no radius-server host 10.0.0.1 accounting\n"},
    };
    for (const row &r : rows) {
        radsim::store().running().servers.clear();
        radius_server_cfg server = new_server("10.0.0.1");
        server.auth_port = r.auth_port;
        server.acct_port = r.acct_port;
        server.authentication = r.authentication;
        server.accounting = r.accounting;
        server.timeout = r.timeout;
        server.retransmit = r.retransmit;
        add_server(server);
        EXPECT_EQ(generate(0, 1).text, r.expected) << r.why;
    }
}

TEST_F(running_config, the_services_database_decides_which_ports_are_default) {
    radius_server_cfg server = new_server("10.0.0.1");
    server.auth_port = 1812;
    server.acct_port = 1813;
    add_server(server);
    // Without entries, every nonzero port is written out.
    services_db::hide("radius");
    services_db::hide("radacct");
    EXPECT_EQ(generate(0, 0).text,
              "radius-server host 10.0.0.1 auth-port 1812 acct-port 1813 authentication accounting \n");
    // With whatever this machine's database holds.
    services_db::restore();
    std::string expected = "radius-server host 10.0.0.1 ";
    if (services_db::port("radius") != 1812u) expected += "auth-port 1812 ";
    if (services_db::port("radacct") != 1813u) expected += "acct-port 1813 ";
    EXPECT_EQ(generate(0, 0).text, expected + "authentication accounting \n");
}

TEST_F(running_config, full_adds_type7_keys_and_groups_plain_or_tagged) {
    set_clear_key(radsim::store().running().global, "GlobalKey1");
    radius_server_cfg typed = new_server("10.0.0.1");
    typed.key_type = RADIUS_KEY_TYPE7;
    std::strcpy(typed.key, type7("ServerKey2").c_str());
    const uint32_t first = add_server(typed);
    radius_server_cfg clear = new_server("radius.example.com");
    std::strcpy(clear.key, "ClearKey3");
    const uint32_t second = add_server(clear);
    radius_server_cfg type6 = new_server("10.0.0.3");
    type6.key_type = RADIUS_KEY_TYPE6;
    std::strcpy(type6.key6, "the type-6 form is not rendered");
    const uint32_t third = add_server(type6);
    add_group("G1", {first, second}, 5);
    add_group("G2", {}, 0);
    add_group("G3", {third, 99}, 0);  // 99: a member the store no longer has
    const radsim::config_tables before = radsim::store().running();

    EXPECT_EQ(generate(0, 0).text,
              "radius-server host 10.0.0.1 authentication accounting \n"
              "radius-server host radius.example.com authentication accounting \n"
              "radius-server host 10.0.0.3 authentication accounting \n");
    const std::vector<std::string> full_lines = {
        "radius-server key 7 " + type7("GlobalKey1"),
        "radius-server host 10.0.0.1 key 7 " + type7("ServerKey2") + " authentication accounting ",
        "radius-server host radius.example.com key 7 " + type7("ClearKey3") + " authentication accounting ",
        "radius-server host 10.0.0.3 authentication accounting ",
        "aaa group server radius G1 server 10.0.0.1 server radius.example.com ",
        "rdeadtime 5",
        "aaa group server radius G2 ",
        "aaa group server radius G3 server 10.0.0.3 ",
    };
    std::string plain;
    std::vector<radtest::printed_row> tagged;
    for (const std::string &line : full_lines) {
        plain += line + "\n";
        tagged.push_back({"%s\n", 0x30330009, line, static_cast<uint32_t>(line.size() + 1)});
    }
    EXPECT_EQ(generate(0, 1).text, plain);
    EXPECT_TRUE(reports_.empty());
    radsim::set_command_id(500);
    EXPECT_EQ(generate(0, 1).text, "");
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(printed_rows(), tagged);
    EXPECT_EQ(radsim::store().running(), before) << "the generator changes nothing stored";
}

TEST_F(running_config, pending_renders_the_pending_copy_with_the_running_key_and_groups) {
    set_clear_key(radsim::store().running().global, "RunningKey");
    const uint32_t kept = add_server(new_server("10.0.0.1"));
    const uint32_t dropped = add_server(new_server("10.0.0.2"));
    add_group("G1", {kept, dropped}, 0);
    radsim::store().open_session();
    radsim::config_tables &pending = *radsim::store().pending();
    pending.global.timeout = 9;
    set_clear_key(pending.global, "PendingKey");
    pending.servers.erase(dropped);
    add_server(new_server("10.0.0.4"));  // goes to the pending copy

    radsim::clear_call_log();
    EXPECT_EQ(generate(1, 1).text, "radius-server key 7 " + type7("RunningKey") +
                                       "\nradius-server timeout 9\n"
                                       "radius-server host 10.0.0.1 authentication accounting \n"
                                       "radius-server host 10.0.0.4 authentication accounting \n"
                                       "aaa group server radius G1 server 10.0.0.1 \n");
    std::vector<std::string> reads;
    for (const radsim::platform_call &call : radsim::call_log()) {
        if (call.name.starts_with("cmi_radius_new_")) reads.push_back(call.name.substr(15) + " " + call.args);
    }
    EXPECT_THAT(reads, ::testing::ElementsAre(
                           "global_config op=5 mode=1", "global_config op=1 mode=1", "server_config op=6 mode=1",
                           "server_config op=6 mode=1", "server_config op=6 mode=1", "group_config op=2 mode=1",
                           "server_config op=1 mode=1", "server_config op=5 mode=1", "server_config op=1 mode=1",
                           "server_config op=5 mode=1", "group_config op=2 mode=1", "group_config op=2 mode=1"));
    EXPECT_EQ(generate(0, 0).text,
              "radius-server host 10.0.0.1 authentication accounting \n"
              "radius-server host 10.0.0.2 authentication accounting \n");
}

TEST_F(running_config, the_widest_lines_fit_exactly) {
    for (size_t host_length : {253u, 256u}) {  // 256: the whole field, no NUL of its own
        radsim::store().running().servers.clear();
        const std::string host(host_length, 'h');
        const std::string key(64, 'k');
        radius_server_cfg server = new_server(host);
        server.key_type = RADIUS_KEY_TYPE7;
        std::memcpy(server.key, key.data(), sizeof server.key);  // no NUL: the field is full
        server.auth_port = server.acct_port = server.timeout = server.retransmit = 4294967295u;
        add_server(server);
        const std::string line = "radius-server host " + host + " key 7 " + key +
                                 " auth-port 4294967295 acct-port 4294967295 authentication accounting"
                                 " timeout 4294967295 retransmit 4294967295 ";
        EXPECT_EQ(generate(0, 1).text, line + "\n") << host_length;
        if (host_length == 256) {
            EXPECT_EQ(line.size() + 1, radius::server_line_capacity);
        }
    }
    radsim::store().running().servers.clear();
    std::vector<uint32_t> members;
    std::string group_line = "aaa group server radius " + std::string(256, 'g') + " ";
    for (int i = 0; i < RADIUS_MAX_GROUP_MEMBERS; ++i) {
        const std::string host = std::to_string(10 + i) + std::string(254, 'h');
        members.push_back(add_server(new_server(host)));
        group_line += "server " + host + " ";
    }
    add_group(std::string(256, 'g'), members, 0);
    const std::string text = generate(0, 1).text;
    EXPECT_EQ(text.substr(text.find("aaa group")), group_line + "\n");
    EXPECT_EQ(group_line.size() + 1, radius::group_line_capacity);
}

TEST_F(running_config, failed_reads_return_the_store_code_after_two_lines) {
    struct row {
        const char *why;
        int32_t pending;
        const char *call;
        unsigned nth;
        int32_t code;
        const char *text;  // emitted before the failure, and kept
        const char *out;
    };
    const row rows[] = {
        {"global read", 0, "cmi_radius_new_global_config", 1, 0x409d0008, "",
         "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS global configuration\n"},
        {"running global read for the key", 0, "cmi_radius_new_global_config", 2, 0x409d0008, "",
         "RADIUS configuration store: daemon not responding\n"
         "could not retrieve RADIUS global (running) configuration\n"},
        {"second server read", 0, "cmi_radius_new_server_config", 2, 0x409d0009,
         "radius-server timeout 7\nradius-server host 10.0.0.1 authentication accounting \n",
         "RADIUS configuration store: out of memory\ncould not retrieve RADIUS server configuration\n"},
        {"pending copy without a session", 1, "", 0, 0x409d0021, "",
         "RADIUS configuration store: no pending configuration\ncould not retrieve RADIUS global configuration\n"},
    };
    radsim::store().running().global.timeout = 7;
    add_server(new_server("10.0.0.1"));
    add_server(new_server("10.0.0.2"));
    for (const row &r : rows) {
        if (r.nth != 0) radsim::inject_fault(r.call, r.nth, r.code);
        const generated result = generate(r.pending, 1);
        EXPECT_EQ(result.status, r.code) << r.why;
        EXPECT_EQ(result.text, r.text) << r.why;
        EXPECT_EQ(result.out, r.out) << r.why;
        EXPECT_EQ(radsim::call_names().back(), "cmd_paraminfo_to_rxhandle_free") << r.why;
    }
    radsim::inject_fault("cmd_paraminfo_to_rxhandle", 1, 0, radsim::fault_effect::null_block);
    const generated no_handle = generate(0, 1);
    EXPECT_EQ(no_handle.status, 1);
    EXPECT_EQ(no_handle.out, "received handle NULL.\n");
}

TEST_F(running_config, a_key_that_cannot_be_encrypted_stops_the_generator) {
    struct row {
        const char *why;
        unsigned nth;  // which encryption fails: 1 the global key, 2 the server's
        radsim::fault_effect effect;
    };
    const row rows[] = {
        {"the service refuses the global key", 1, radsim::fault_effect::result_code},
        {"the service gives no text for the global key", 1, radsim::fault_effect::null_block},
        {"the service gives an empty text for the server's key", 2, radsim::fault_effect::empty_block},
    };
    set_clear_key(radsim::store().running().global, "GlobalKey1");
    radius_server_cfg server = new_server("10.0.0.1");
    std::strcpy(server.key, "ServerKey2");
    add_server(server);
    for (const row &r : rows) {
        for (uint32_t command_id : {0u, 500u}) {
            radsim::set_command_id(command_id);
            radsim::inject_fault("radius_new_security_conf_encrypt", r.nth, 0x409d0001, r.effect);
            const generated result = generate(0, 1);
            EXPECT_EQ(result.status, 1) << r.why;
            EXPECT_EQ(result.out, "could not encrypt the RADIUS key\n") << r.why;
            // Plain lines written before the failure stay; records are not sent.
            const bool kept = command_id == 0 && r.nth == 2;
            EXPECT_EQ(result.text, kept ? "radius-server key 7 " + type7("GlobalKey1") + "\n" : "") << r.why;
            EXPECT_TRUE(reports_.empty()) << r.why;
        }
    }
    // A clear key filling the server's field has a type-7 form as long,
    // which leaves no room for its NUL: refused rather than cut short.
    radsim::store().running().global.key[0] = '\0';
    std::memset(radsim::store().running().servers.begin()->second.key, 'k', sizeof server.key);
    EXPECT_EQ(generate(0, 1).out, "could not encrypt the RADIUS key\n");
}

}  // namespace
