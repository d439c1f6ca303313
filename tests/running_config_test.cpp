// The running-configuration generator.  Its text is replayed as commands,
// so the tests compare whole texts: what defaults leave out, what the
// services database makes default (with and without its entries), plain
// against full, running against pending, tagged records against the
// shell's buffer, the widest lines the records allow, and the failure
// paths with their results and messages.
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

// The type-7 form that the key-encryption service gives `clear`.
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
        // Fixed service ports, so that expected texts hold on any machine.
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
                reports_.clear();
                const generated result = generate(pending, full);
                EXPECT_EQ(result.status, 0);
                EXPECT_EQ(result.text, "") << pending << full << command_id;
                EXPECT_EQ(result.out, "");
                EXPECT_EQ(reports_text(), "");
            }
        }
    }
    // The empty clear key of a fresh switch is not a key: it is never encrypted.
    EXPECT_THAT(radsim::call_names(), ::testing::Not(::testing::Contains("radius_new_security_conf_encrypt")));
}

TEST_F(running_config, global_settings_other_than_their_defaults_give_a_line_each) {
    struct row {
        uint32_t timeout, retransmit, deadtime;
        const char *expected;
    };
    const row rows[] = {
        {5, 1, 0, ""},
        {7, 1, 0, "radius-server timeout 7\n"},
        {5, 3, 0, "radius-server retransmit 3\n"},
        {5, 1, 10, "radius-server deadtime 10\n"},
        // Ten-digit values print as the unsigned numbers they are.
        {4294967295u, 0, 4294967295u,
         "radius-server timeout 4294967295\nradius-server retransmit 0\nradius-server deadtime 4294967295\n"},
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
        {"other ports", 1645, 1646, 1, 1, 0, 0,
         "radius-server host 10.0.0.1 auth-port 1645 acct-port 1646 authentication accounting \n"},
        {"ports swapped are not the services' own", 1813, 1812, 1, 1, 0, 0,
         "radius-server host 10.0.0.1 auth-port 1813 acct-port 1812 authentication accounting \n"},
        {"authentication only", 0, 0, 1, 0, 0, 0, "radius-server host 10.0.0.1 authentication \n"},
        {"accounting only", 0, 0, 0, 1, 0, 0, "radius-server host 10.0.0.1 accounting \n"},
        {"own timeout and retries", 0, 0, 1, 1, 9, 4,
         "radius-server host 10.0.0.1 authentication accounting timeout 9 retransmit 4 \n"},
        {"neither role: a replayed host line would give it both", 0, 0, 0, 0, 0, 0,
         "radius-server host 10.0.0.1 \n"
         "no radius-server host 10.0.0.1 authentication\n"
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

TEST_F(running_config, without_service_entries_every_nonzero_port_is_written_out) {
    services_db::hide("radius");
    services_db::hide("radacct");
    radius_server_cfg explicit_ports = new_server("10.0.0.1");
    explicit_ports.auth_port = 1812;
    explicit_ports.acct_port = 1813;
    add_server(explicit_ports);
    add_server(new_server("10.0.0.2"));
    EXPECT_EQ(generate(0, 0).text,
              "radius-server host 10.0.0.1 auth-port 1812 acct-port 1813 authentication accounting \n"
              "radius-server host 10.0.0.2 authentication accounting \n");
}

TEST_F(running_config, the_machines_own_services_database_decides_the_defaults) {
    services_db::restore();
    const std::optional<uint32_t> radius_port = services_db::port("radius");
    const std::optional<uint32_t> radacct_port = services_db::port("radacct");
    radius_server_cfg server = new_server("10.0.0.1");
    server.auth_port = 1812;
    server.acct_port = 1813;
    add_server(server);
    std::string expected = "radius-server host 10.0.0.1 ";
    if (radius_port != 1812u) expected += "auth-port 1812 ";
    if (radacct_port != 1813u) expected += "acct-port 1813 ";
    expected += "authentication accounting \n";
    EXPECT_EQ(generate(0, 0).text, expected) << "radius " << radius_port.value_or(0) << ", radacct "
                                             << radacct_port.value_or(0);
}

// Servers with a clear key, a type-7 key and a type-6 key; groups with
// members, without members, with a member the store no longer has.
class full_configuration : public running_config {
protected:
    void SetUp() override {
        running_config::SetUp();
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
        std::strcpy(type6.key6, "6-form-kept-elsewhere");
        const uint32_t third = add_server(type6);
        add_group("G1", {first, second}, 5);
        add_group("G2", {}, 0);
        add_group("G3", {third, 99}, 0);
    }
};

TEST_F(full_configuration, plain_leaves_out_keys_and_groups) {
    const generated result = generate(0, 0);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.text,
              "radius-server host 10.0.0.1 authentication accounting \n"
              "radius-server host radius.example.com authentication accounting \n"
              "radius-server host 10.0.0.3 authentication accounting \n");
}

TEST_F(full_configuration, full_adds_type7_keys_and_the_groups_but_not_the_default_group) {
    const radsim::config_tables before = radsim::store().running();
    const generated result = generate(0, 1);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.text,
              "radius-server key 7 " + type7("GlobalKey1") + "\n" +
                  "radius-server host 10.0.0.1 key 7 " + type7("ServerKey2") + " authentication accounting \n" +
                  "radius-server host radius.example.com key 7 " + type7("ClearKey3") +
                  " authentication accounting \n"
                  "radius-server host 10.0.0.3 authentication accounting \n"
                  "aaa group server radius G1 server 10.0.0.1 server radius.example.com \n"
                  "rdeadtime 5\n"
                  "aaa group server radius G2 \n"
                  "aaa group server radius G3 server 10.0.0.3 \n");
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(radsim::store().running(), before) << "the generator changes nothing stored";
}

TEST_F(full_configuration, tagged_output_is_one_record_per_line_and_one_send) {
    radsim::set_command_id(500);
    const generated result = generate(0, 1);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.text, "") << "nothing goes to the shell's buffer";
    const std::vector<std::string> lines = {
        "radius-server key 7 " + type7("GlobalKey1"),
        "radius-server host 10.0.0.1 key 7 " + type7("ServerKey2") + " authentication accounting ",
        "radius-server host radius.example.com key 7 " + type7("ClearKey3") + " authentication accounting ",
        "radius-server host 10.0.0.3 authentication accounting ",
        "aaa group server radius G1 server 10.0.0.1 server radius.example.com ",
        "rdeadtime 5",
        "aaa group server radius G2 ",
        "aaa group server radius G3 server 10.0.0.3 ",
    };
    std::vector<radtest::printed_row> expected;
    for (const std::string &line : lines) {
        expected.push_back({"%s\n", 0x30330009, line, static_cast<uint32_t>(line.size() + 1)});
    }
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].command_id, 500u);
    EXPECT_EQ(printed_rows(), expected);
}

TEST_F(full_configuration, plain_output_is_one_buffer_call_per_line) {
    const generated result = generate(0, 1);
    std::vector<std::string> calls;
    for (const radsim::platform_call &call : radsim::call_log()) {
        if (call.name == "vsh_buf_printf") calls.push_back(call.args);
    }
    std::vector<std::string> lines;
    for (size_t start = 0, end; (end = result.text.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(result.text.substr(start, end - start + 1));
    }
    EXPECT_EQ(calls, lines);
    EXPECT_TRUE(reports_.empty());
}

TEST_F(running_config, every_read_uses_mode_1) {
    add_server(new_server("10.0.0.1"));
    add_group("G1", {1}, 0);
    generate(0, 1);
    for (const radsim::platform_call &call : radsim::call_log()) {
        if (call.name.starts_with("cmi_radius_new_")) {
            EXPECT_TRUE(call.args.ends_with("mode=1")) << call.name;
        }
    }
}

TEST_F(running_config, pending_renders_the_pending_copy_with_the_running_key_and_groups) {
    radius_global_cfg &running_global = radsim::store().running().global;
    set_clear_key(running_global, "RunningKey");
    const uint32_t kept = add_server(new_server("10.0.0.1"));
    const uint32_t dropped = add_server(new_server("10.0.0.2"));
    add_group("G1", {kept, dropped}, 0);

    radsim::store().open_session();
    radsim::config_tables &pending = *radsim::store().pending();
    pending.global.timeout = 9;
    set_clear_key(pending.global, "PendingKey");
    pending.servers.erase(dropped);
    add_server(new_server("10.0.0.4"));  // goes to the pending copy

    EXPECT_EQ(generate(1, 1).text,
              "radius-server key 7 " + type7("RunningKey") + "\n" +
                  "radius-server timeout 9\n"
                  "radius-server host 10.0.0.1 authentication accounting \n"
                  "radius-server host 10.0.0.4 authentication accounting \n"
                  "aaa group server radius G1 server 10.0.0.1 \n");
    EXPECT_EQ(generate(1, 0).text,
              "radius-server timeout 9\n"
              "radius-server host 10.0.0.1 authentication accounting \n"
              "radius-server host 10.0.0.4 authentication accounting \n");
    EXPECT_EQ(generate(0, 0).text,
              "radius-server host 10.0.0.1 authentication accounting \n"
              "radius-server host 10.0.0.2 authentication accounting \n");
}

TEST_F(running_config, pending_reads_use_the_pending_ops) {
    add_group("G1", {add_server(new_server("10.0.0.1"))}, 0);
    radsim::store().open_session();
    generate(1, 1);
    std::vector<std::string> reads;
    for (const radsim::platform_call &call : radsim::call_log()) {
        if (call.name.starts_with("cmi_radius_new_")) reads.push_back(call.name.substr(15) + " " + call.args);
    }
    EXPECT_THAT(reads, ::testing::ElementsAre("global_config op=5 mode=1", "global_config op=1 mode=1",
                                              "server_config op=6 mode=1", "server_config op=6 mode=1",
                                              "group_config op=2 mode=1", "server_config op=1 mode=1",
                                              "server_config op=5 mode=1", "group_config op=2 mode=1",
                                              "group_config op=2 mode=1"));
}

TEST_F(running_config, the_widest_server_lines_fit_exactly) {
    struct row {
        const char *why;
        size_t host_length;  // 256: the whole field, with no NUL of its own
    };
    const row rows[] = {
        {"the longest host name the commands store, a 64-character key", 253},
        {"host and key fields filled to the brim", 256},
    };
    for (const row &r : rows) {
        radsim::store().running().servers.clear();
        const std::string host(r.host_length, 'h');
        const std::string key(64, 'k');
        radius_server_cfg server = new_server(host);
        server.key_type = RADIUS_KEY_TYPE7;
        std::memcpy(server.key, key.data(), sizeof server.key);  // no NUL: the field is full
        server.auth_port = server.acct_port = server.timeout = server.retransmit = 4294967295u;
        add_server(server);
        const std::string line = "radius-server host " + host + " key 7 " + key +
                                 " auth-port 4294967295 acct-port 4294967295 authentication accounting"
                                 " timeout 4294967295 retransmit 4294967295 ";
        EXPECT_EQ(generate(0, 1).text, line + "\n") << r.why;
        if (r.host_length == sizeof server.host) {
            EXPECT_EQ(line.size() + 1, radius::server_line_capacity);
        }
    }
}

TEST_F(running_config, the_longest_negations_fit) {
    const std::string host(256, 'h');
    radius_server_cfg server = new_server(host);
    server.authentication = server.accounting = 0;
    add_server(server);
    EXPECT_EQ(generate(0, 0).text, "radius-server host " + host + " \nno radius-server host " + host +
                                       " authentication\nno radius-server host " + host + " accounting\n");
}

TEST_F(running_config, the_widest_group_line_fits_exactly) {
    const std::string name(256, 'g');
    std::vector<uint32_t> members;
    std::string expected = "aaa group server radius " + name + " ";
    for (int i = 0; i < RADIUS_MAX_GROUP_MEMBERS; ++i) {
        std::string host(256, 'h');
        host.replace(0, 2, std::to_string(10 + i));
        members.push_back(add_server(new_server(host)));
        expected += "server " + host + " ";
    }
    add_group(name, members, 0);
    const generated result = generate(0, 1);
    ASSERT_EQ(result.status, 0);
    const size_t group_line = result.text.find("aaa group");
    ASSERT_NE(group_line, std::string::npos);
    EXPECT_EQ(result.text.substr(group_line), expected + "\n");
    EXPECT_EQ(expected.size() + 1, radius::group_line_capacity);
}

TEST_F(running_config, without_an_output_handle_nothing_is_read) {
    radsim::inject_fault("cmd_paraminfo_to_rxhandle", 1, 0, radsim::fault_effect::null_block);
    const generated result = generate(0, 1);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "received handle NULL.\n");
    EXPECT_THAT(radsim::call_names(), ::testing::ElementsAre("cmd_paraminfo_to_rxhandle"));
}

TEST_F(running_config, failed_reads_return_the_store_code_after_two_lines) {
    struct row {
        const char *why;
        int32_t pending;
        const char *call;
        unsigned nth;
        int32_t code;
        const char *expected_text;  // what was emitted before the failure stays
        const char *expected_out;
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
        radsim::clear_call_log();
        const generated result = generate(r.pending, 1);
        EXPECT_EQ(result.status, r.code) << r.why;
        EXPECT_EQ(result.text, r.expected_text) << r.why;
        EXPECT_EQ(result.out, r.expected_out) << r.why;
        EXPECT_EQ(radsim::call_names().back(), "cmd_paraminfo_to_rxhandle_free") << r.why;
    }
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
    const std::string key_line = "radius-server key 7 " + type7("GlobalKey1") + "\n";
    for (const row &r : rows) {
        for (uint32_t command_id : {0u, 500u}) {
            radsim::set_command_id(command_id);
            reports_.clear();
            radsim::inject_fault("radius_new_security_conf_encrypt", r.nth, 0x409d0001, r.effect);
            const generated result = generate(0, 1);
            EXPECT_EQ(result.status, 1) << r.why;
            EXPECT_EQ(result.out, "could not encrypt the RADIUS key\n") << r.why;
            // Plain lines written before the failure stay in the buffer.
            const bool tagged = command_id == 500;
            EXPECT_EQ(result.text, tagged || r.nth == 1 ? "" : key_line) << r.why;
            EXPECT_TRUE(reports_.empty()) << "nothing is sent after a failure: " << r.why;
        }
    }
}

TEST_F(running_config, an_encrypted_key_too_long_for_its_field_is_refused) {
    // A clear key filling the server's field has a type-7 form of the same
    // length, which leaves no room for its NUL.
    radius_server_cfg server = new_server("10.0.0.1");
    std::memset(server.key, 'k', sizeof server.key);
    add_server(server);
    const generated result = generate(0, 1);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "could not encrypt the RADIUS key\n");
    EXPECT_EQ(result.text, "");
}

}  // namespace
