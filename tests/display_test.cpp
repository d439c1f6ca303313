// The displays, the running-config generator and the monitoring commands
// where a transcript cannot look: tags and lengths, calls made and handles
// released, fault paths, pending against running, the widest lines, the
// sorted list past 64 servers, a services database without entries, the
// plain printers, the distribution notice, parameters the shell never sends,
// and refusals that leave entries byte for byte as they were.  What users
// type and read (secrets masked included) is in the display_* and monitor_*
// transcripts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "abi/param_ids.h"
#include "monitor/monitor.h"
#include "runcfg/line_buffer.hpp"
#include "runcfg/running_config.h"
#include "show/server_display.h"
#include "stats/stats.h"
#include "tests/support/group_seed.hpp"
#include "tests/support/services_database.hpp"

namespace {

using radtest::command;
using radtest::logged_calls;
using radtest::seed_group;
using radtest::seed_server;
using ::testing::ElementsAre;

constexpr char heading[] = "\nfollowing RADIUS servers are configured:\n";
constexpr char walk_failure[] =
    "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS server configuration\n";

template <int32_t pending, uint32_t full>
int32_t generate(cmd_paraminfo *info) {
    return radius_new_pss_asciigen(info, pending, full);
}

template <int32_t show_key, uint32_t mode>
int32_t show_global(cmd_paraminfo *info) {
    return show_radius_global(info->session_handle, show_key, mode, &info->msg_ctx_a, &info->msg_ctx_b);
}

// A clear global key, timeout 7, retransmit 2, deadtime 3, a global monitoring
// entry; servers 10.0.0.1 (clear key, timeout 4, retries 2, a monitoring entry),
// alpha (authentication on 1645), 10.0.0.3 (no role, a type-6 key); group G1.
void seed_configuration() {
    radius_global_cfg global = radsim::stored().running.global;
    std::strcpy(global.key, "GlobalKey1");
    global.timeout = 7;
    global.retransmit = 2;
    global.deadtime = 3;
    radsim::seed_global(global);
    radsim::seed_monitor_entry({AAA_MONITOR_GLOBAL_ID, 15, "probe", "probepass"});
    const uint32_t index = seed_server("10.0.0.1", [](radius_server_cfg &s) {
        std::strcpy(s.key, "ServerKey2");
        s.timeout = 4;
        s.retransmit = 2;
    });
    radsim::seed_monitor_entry({index, 30, "probe", "ProbeSecret3"});
    seed_server("alpha", [](radius_server_cfg &s) {
        s.accounting = 0;
        s.auth_port = 1645;
    });
    seed_server("10.0.0.3", [](radius_server_cfg &s) {
        s.authentication = s.accounting = 0;
        s.key_type = RADIUS_KEY_TYPE6;
        std::strcpy(s.key6, "six");
    });
    seed_group("G1", {index, index + 2}, 5);
}

// Collects every sent report; the services database answers "radius" 1812
// and "radacct" 1813 unless a test takes an entry away.
class display_test : public radtest::handler_test {
protected:
    void SetUp() override {
        handler_test::SetUp();
        radtest::services = radtest::well_known_services;
        radsim::set_report_sink([this](const radsim::report &sent) { reports_.push_back(sent); });
    }

    static radtest::shown run(radius_handler_fn handler, const char *host = nullptr, uint32_t kind = ADDR_KIND_IPV4) {
        command cmd;
        if (host != nullptr) cmd.host(PARAM_SERVER_HOST, host, kind);
        return cmd.show(handler);
    }

    // The tag and length of every value printed, "TAG_SRV_GLOBAL_SECRET/9", or "-" for
    // a format without one.
    std::vector<std::string> tags_and_lengths() const {
        std::vector<std::string> rows;
        for (const radsim::report &sent : reports_)
            for (const radsim::printed_piece &piece : sent.pieces) {
                if (piece.values.empty()) {
                    rows.emplace_back("-");
                    continue;
                }
                rows.push_back(radtest::tag_name(piece.values[0].tag) + "/" +
                               std::to_string(piece.values[0].length));
            }
        return rows;
    }

    std::string reports_text() const {
        std::string text;
        for (const radsim::report &sent : reports_) text += sent.text();
        return text;
    }

    std::vector<radsim::report> reports_;
};

// The text and the field names are in the transcripts (the shell names a
// field by its tag); the tags in order and the lengths are checked here.
TEST_F(display_test, each_display_tags_its_rows_from_its_own_reads) {
    seed_configuration();
    struct display_case {
        radius_handler_fn handler;
        const char *mode;          // of every RADIUS store read
        uint32_t monitor_entry;    // the one read of the AAA service
        size_t handles_left_open;  // the shell releases the handle of a sent report
        std::vector<std::string> rows;
    };
    const display_case cases[] = {
        {security_show_radius, "mode=2", AAA_MONITOR_GLOBAL_ID, 0,
         {"TAG_SRV_GLOBAL_SECRET/9", "TAG_SRV_GLOBAL_RETRANSMIT/4", "TAG_SRV_GLOBAL_TIMEOUT/4", "TAG_SRV_GLOBAL_DEADTIME/4",  // key, retransmit, timeout, deadtime
          "TAG_SRV_GLOBAL_IDLE_TIME/4", "TAG_SRV_GLOBAL_TEST_USER/6", "TAG_SRV_GLOBAL_TEST_PASSWORD/10", "TAG_SRV_COUNT/4",  // idle, user, password, count
          "-", "TAG_SRV_HOST/9", "TAG_SRV_AUTH_PORT/4", "TAG_SRV_ACCT_PORT/4",               // heading, 10.0.0.1, ports
          "TAG_SRV_SECRET/256", "TAG_SRV_TIMEOUT/4", "TAG_SRV_RETRANSMIT/4",                   // key, timeout, retries
          "TAG_SRV_HOST/6", "TAG_SRV_AUTH_PORT/4", "TAG_SRV_HOST/9"}},                   // alpha, port; 10.0.0.3
        {security_show_radius_sorted, "mode=1", AAA_MONITOR_GLOBAL_ID, 1,
         {"TAG_SORTED_GLOBAL_SECRET/64", "TAG_SORTED_GLOBAL_TIMEOUT/4", "TAG_SORTED_GLOBAL_RETRANSMIT/4", "TAG_SORTED_GLOBAL_DEADTIME/4",  // key, timeout, retransmit, deadtime
          "TAG_SORTED_GLOBAL_IDLE_TIME/4", "TAG_SORTED_GLOBAL_TEST_USER/32", "TAG_SORTED_GLOBAL_TEST_PASSWORD/32", "TAG_SORTED_COUNT/4",  // idle, user, password, count
          "-", "TAG_SORTED_HOST/256", "TAG_SORTED_AUTH_PORT/4", "TAG_SORTED_ACCT_PORT/4",             // heading, 10.0.0.1, ports
          "TAG_SORTED_SECRET/64", "TAG_SORTED_TIMEOUT/4", "TAG_SORTED_RETRANSMIT/4",                    // key, timeout, retries
          "TAG_SORTED_HOST/256", "TAG_SORTED_HOST/256", "TAG_SORTED_AUTH_PORT/4"}},               // 10.0.0.3; alpha, port
        {show_aaa_monitor_config, "mode=1", 1, 0,
         {"TAG_MON_HOST/9", "TAG_MON_AUTH_PORT/4", "TAG_MON_ACCT_PORT/4",    // 10.0.0.1, ports
          "TAG_MON_SECRET/256", "TAG_MON_TIMEOUT/4", "TAG_MON_RETRANSMIT/4",  // key, timeout, retries
          "TAG_MON_IDLE_TIME/4", "TAG_MON_TEST_USER/6", "TAG_MON_TEST_PASSWORD/9"}},  // idle, user, password
    };
    for (const display_case &c : cases) {
        reports_.clear();
        radsim::clear_call_log();
        const radtest::shown result = run(c.handler, "10.0.0.1");
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.handles_left_open, c.handles_left_open);
        EXPECT_EQ(tags_and_lengths(), c.rows);
        for (const std::string &read : logged_calls("cmi_radius_new_")) EXPECT_TRUE(read.ends_with(c.mode)) << read;
        EXPECT_THAT(logged_calls("cmi_aaa_"), ElementsAre("cmi_aaa_server_monitor_config service=8450 op=1 mode=1 server_id=" +
                                                   std::to_string(c.monitor_entry)));
    }
    // Without an entry, the test user the service probes with: "test" and its NUL.
    reports_.clear();
    EXPECT_EQ(run(show_aaa_monitor_config, "alpha", ADDR_KIND_HOSTNAME).status, 0);
    EXPECT_EQ(tags_and_lengths().at(3), "TAG_MON_TEST_USER/5");
}

TEST_F(display_test, display_failures_release_the_handle) {
    constexpr auto show = security_show_radius, sorted = security_show_radius_sorted, monitor = show_aaa_monitor_config;
    constexpr char handle[] = "cmd_paraminfo_to_rxhandle", server[] = "cmi_radius_new_server_config",
                   aaa[] = "cmi_aaa_server_monitor_config";
    struct row {
        const char *why;
        radius_handler_fn handler;
        const char *fault;  // fails the nth time: a null handle, or code 0x409d0008 / 0x409b0001
        unsigned nth;
        const char *out;
        uint32_t addr_kind = ADDR_KIND_IPV4;  // of the host 10.0.0.1; 0: the host as a text parameter
        std::string sent = "";                // what was printed before the failure
    };
    const row rows[] = {
        {"no handle", show, handle, 1, "received handle NULL.\n"},
        {"no handle", sorted, handle, 1, "received handle NULL\n"},
        {"no handle", monitor, handle, 1, "received handle NULL.\n"},
        {"global read", show, "cmi_radius_new_global_config", 1, "could not extract global RADIUS configuration\n"},
        {"monitoring read", sorted, aaa, 1,
         "AAA: invalid request\ncould not retrieve RADIUS global server monitor configuration\n"},
        {"counting walk", show, server, 2, walk_failure},
        {"walk", sorted, server, 2, walk_failure},
        // Three reads count the two servers; the fifth is the second server's.
        {"printing walk", show, server, 5, walk_failure, ADDR_KIND_IPV4,
         "retransmission count:1\ntimeout value:5\ndeadtime value:0\ntotal number of servers:2\n" +
             std::string(heading) + "\t10.0.0.1:\n\t\tavailable for authentication on port:1812\n"
             "\t\tavailable for accounting on port:1813\n"},
        {"server read", monitor, server, 1, walk_failure},
        {"entry read", monitor, aaa, 1, "AAA: invalid request\ncould not retrieve RADIUS server configuration\n"},
        {"not an IPv6 address", monitor, nullptr, 0, "invalid ipv6 address\n", ADDR_KIND_IPV6},
        // The shell sends a host only as a host: any other type is refused silently.
        {"host given as text", monitor, nullptr, 0, "", 0},
    };
    seed_server("10.0.0.1");
    seed_server("10.0.0.2");
    for (const row &r : rows) {
        reports_.clear();
        const auto effect = r.fault == handle ? radsim::fault_effect::null_block : radsim::fault_effect::result_code;
        if (r.fault != nullptr) radsim::inject_fault(r.fault, r.nth, r.fault == aaa ? 0x409b0001 : 0x409d0008, effect);
        command cmd;
        r.addr_kind != 0 ? cmd.host(PARAM_SERVER_HOST, "10.0.0.1", r.addr_kind) : cmd.typed(PARAM_SERVER_HOST, PARAM_TYPE_TEXT, "10.0.0.1");
        const radtest::shown result = cmd.show(r.handler);
        EXPECT_EQ(result.status, 1) << r.why;
        EXPECT_EQ(result.out, r.out) << r.why;
        EXPECT_EQ(reports_text(), r.sent) << r.why;
        EXPECT_EQ(result.handles_left_open, 0u) << r.why;
    }
    // Without a host there is nothing to show, and that is no failure.
    const radtest::shown result = run(monitor);
    EXPECT_EQ(result.status + result.handles_left_open + reports_.size(), 0u);
}

TEST_F(display_test, the_sorted_list_grows_past_one_block_of_64) {
    radsim::set_table_limits(150, 64);
    std::string expected = "total number of servers:150\n" + std::string(heading);
    for (int i = 0; i < 150; ++i) expected += "\ts" + std::to_string(1000 + i) + ":\n";
    for (int i = 149; i >= 0; --i) {
        seed_server(std::string("s").append(std::to_string(1000 + i)), radtest::no_roles);
    }
    EXPECT_EQ(run(security_show_radius_sorted).status, 0);
    EXPECT_EQ(reports_text(), "timeout value:5\nretransmission count:1\ndeadtime value:0\n" + expected);
}

// A display shows a default port from the services database, 0 without the
// entry; the generator leaves out a port equal to its own service's, and
// without the entries writes out every nonzero port.
TEST_F(display_test, default_ports_come_from_the_services_database) {
    seed_server("10.0.0.1", [](radius_server_cfg &s) {
        s.auth_port = 1812;
        s.acct_port = 1813;
    });
    seed_server("10.0.0.2");
    const auto shown = [](const std::string &auth, const std::string &acct) {
        return "\t10.0.0.2:\n\t\tavailable for authentication on port:" + auth +
               "\n\t\tavailable for accounting on port:" + acct +
               "\n\t\tidle time:0\n\t\ttest user:test\n\t\ttest password:********\n";
    };
    const std::string second = "radius-server host 10.0.0.2 authentication accounting \n";
    EXPECT_EQ(run(generate<0, 0>).buffer, "radius-server host 10.0.0.1 authentication accounting \n" + second);
    EXPECT_EQ(run(show_aaa_monitor_config, "10.0.0.2").status, 0);
    radtest::services.clear();
    EXPECT_EQ(run(generate<0, 0>).buffer,
              "radius-server host 10.0.0.1 auth-port 1812 acct-port 1813 authentication accounting \n" + second);
    EXPECT_EQ(run(show_aaa_monitor_config, "10.0.0.2").status, 0);
    EXPECT_EQ(reports_text(), shown("1812", "1813") + shown("0", "0"));
}

TEST_F(display_test, the_plain_printers) {
    const auto printed = [](radius_handler_fn printer) {
        const radtest::shown result = run(printer);
        return std::to_string(result.status) + " " + result.out;
    };
    seed_configuration();
    const std::string rest =
        "retransmission count: 2\ntimeout value       : 7\ndeadtime value      : 3\nGlobal Idle Time:15\n"
        "Global Test Username:probe\nGlobal Test Password:probepass\nTotal number of servers: 3\n"
        "Total number of groups : 1\n";
    EXPECT_EQ(printed(show_global<0, 1>), "0 Global RADIUS shared secret:********\n" + rest);
    EXPECT_EQ(printed(show_global<1, 1>), "0 Global RADIUS shared secret:GlobalKey1\n" + rest);

    radius_server_cfg server = radsim::stored().running.servers.at(1);
    server.authentication = 0;
    radsim::stdout_capture capture;
    radius_print_server_details(1, &server);
    EXPECT_EQ(capture.finish(), "\t10.0.0.1:\n\t\tavailable for accounting on port:1813\n"
                                "\t\tRADIUS shared secret:********\n\t\ttimeout:4\n\t\tretries:2\n");
    EXPECT_EQ(server.acct_port, 1813u) << "the default shown is written back";
    EXPECT_EQ(server.auth_port, 0u) << "only for a role the server has";

    // No key and no monitoring entry: no lines of theirs.
    radsim::reset();
    EXPECT_EQ(printed(show_global<1, 2>), "0 retransmission count: 1\ntimeout value       : 5\n"
                                          "deadtime value      : 0\nTotal number of servers: 0\n"
                                          "Total number of groups : 0\n");
    EXPECT_EQ(radsim::call_log().front().args, "op=1 mode=2") << "the caller's mode";
    radsim::inject_fault("cmi_radius_new_global_config", 1, 0x409d0008);
    EXPECT_EQ(printed(show_global<0, 1>), "-1 could not extract global RADIUS configuration\n");
    radsim::inject_fault("cmi_aaa_server_monitor_config", 1, 0x409b0001);
    EXPECT_EQ(printed(show_global<0, 1>),
              "1 AAA: invalid request\ncould not retrieve RADIUS global server monitor configuration\n");
}

TEST_F(display_test, pending_renders_the_pending_copy_with_the_running_key_and_groups) {
    radius_global_cfg global = radsim::stored().running.global;
    global.key_type = RADIUS_KEY_TYPE7;
    std::strcpy(global.key, "RunningKey");
    radsim::seed_global(global);
    const uint32_t kept = seed_server("10.0.0.1");
    const uint32_t dropped = seed_server("10.0.0.2");
    seed_group("G1", {kept, dropped}, 0);
    global.timeout = 9;
    std::strcpy(global.key, "PendingKey");
    radsim::seed_global(global, radsim::store_copy::pending);
    radsim::remove_server(dropped, radsim::store_copy::pending);
    seed_server("10.0.0.4", nullptr, radsim::store_copy::pending);
    EXPECT_EQ(run(generate<1, 1>).buffer, "radius-server key 7 RunningKey\nradius-server timeout 9\n"
                                              "radius-server host 10.0.0.1 authentication accounting \n"
                                              "radius-server host 10.0.0.4 authentication accounting \n"
                                              "aaa group server radius G1 \nserver 10.0.0.1 \n");
    // The text tells which copy each line came from; every read is also mode 1.
    for (const std::string &read : logged_calls("cmi_radius_new_")) EXPECT_TRUE(read.ends_with("mode=1")) << read;
    EXPECT_EQ(run(generate<0, 0>).buffer,
              "radius-server host 10.0.0.1 authentication accounting \n"
              "radius-server host 10.0.0.2 authentication accounting \n");
}

TEST_F(display_test, the_widest_lines_fit_exactly) {
    for (size_t host_length : {253u, 256u}) {  // 256: the whole field, no NUL of its own
        const uint32_t index = seed_server(std::string(host_length, 'h'), [](radius_server_cfg &s) {
            s.key_type = RADIUS_KEY_TYPE7;
            std::memset(s.key, 'k', sizeof s.key);  // 64 characters, no NUL: the field is full
            s.auth_port = s.acct_port = s.timeout = s.retransmit = 4294967295u;
        });
        const auto line = "radius-server host " + std::string(host_length, 'h') + " key 7 " + std::string(64, 'k') +
                          " auth-port 4294967295 acct-port 4294967295 authentication accounting timeout 4294967295"
                          " retransmit 4294967295 ";
        EXPECT_EQ(run(generate<0, 1>).buffer, line + "\n") << host_length;
        // The line of the 256-character host and its NUL fill the buffer.
        EXPECT_EQ(line.size() + 1 + (256 - host_length), radius::server_line_capacity);
        radsim::remove_server(index);
    }
    // The group and each member on a line of their own, however many members.
    std::vector<uint32_t> members;
    const std::string group_line = "aaa group server radius " + std::string(256, 'g') + " ";
    std::string group_text = group_line + "\n";
    for (int i = 0; i < RADIUS_MAX_GROUP_MEMBERS; ++i) {
        const std::string host = std::to_string(10 + i) + std::string(254, 'h');
        members.push_back(seed_server(host));
        group_text += "server " + host + " \n";
    }
    seed_group(std::string(256, 'g'), members, 7);
    const std::string text = run(generate<0, 1>).buffer;
    EXPECT_EQ(text.substr(text.find("aaa group")), group_text + "rdeadtime 7\n");
    EXPECT_EQ(group_line.size() + 1, radius::group_line_capacity);
    EXPECT_EQ(("server " + std::string(256, 'h') + " ").size() + 1, radius::member_line_capacity);
}

TEST_F(display_test, generator_failures_return_their_code_and_keep_what_was_written) {
    using enum radsim::fault_effect;
    constexpr char global[] = "cmi_radius_new_global_config", encrypt[] = "radius_new_security_conf_encrypt";
    const std::string down = "RADIUS configuration store: daemon not responding\n",
                      key_failure = "could not encrypt the RADIUS key\n";
    struct row {
        const char *why;
        const char *call;  // fails the nth time
        unsigned nth;
        int32_t code;
        radsim::fault_effect effect;
        int32_t status;
        std::string text;  // written to the shell's buffer before the failure, and kept
        std::string out;
    };
    seed_configuration();
    const radsim::stored_config before = radsim::stored();
    const std::string written = run(generate<0, 1>).buffer;  // whole, as the transcripts check it
    // Tagged, the same text goes out in one report, a tag per line, its length counting the NUL.
    std::vector<std::string> tags;
    for (size_t start = 0, end; (end = written.find('\n', start)) != std::string::npos; start = end + 1)
        tags.push_back("TAG_RUNCFG_LINE/" + std::to_string(end - start + 1));
    radsim::set_command_id(500);
    EXPECT_EQ(run(generate<0, 1>).buffer, "");
    EXPECT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_text(), written);
    EXPECT_EQ(tags_and_lengths(), tags);
    EXPECT_EQ(tags.size(), 13u) << written;
    EXPECT_EQ(radsim::stored(), before) << "the generator changes nothing stored";
    reports_.clear();
    const auto first_lines = [&written](size_t count) {
        size_t end = 0;
        while (count-- > 0) end = written.find('\n', end) + 1;
        return written.substr(0, end);
    };
    const row rows[] = {
        {"global read", global, 1, 0x409d0008, result_code, 0x409d0008, "",
         down + "could not retrieve RADIUS global configuration\n"},
        {"running global read for the key", global, 2, 0x409d0008, result_code, 0x409d0008, "",
         down + "could not retrieve RADIUS global (running) configuration\n"},
        // The global key and settings and the first server are out when the second read fails.
        {"second server read", "cmi_radius_new_server_config", 2, 0x409d0008, result_code, 0x409d0008,
         first_lines(5), down + "could not retrieve RADIUS server configuration\n"},
        {"the service refuses the global key", encrypt, 1, 0x409d0001, result_code, 1, "", key_failure},
        {"the service gives no text for the global key", encrypt, 1, 0, null_block, 1, "", key_failure},
        {"the service gives an empty text for a server's key", encrypt, 2, 0, empty_block, 1, first_lines(4),
         key_failure},
        {"no output handle", "cmd_paraminfo_to_rxhandle", 1, 0, null_block, 1, "", "received handle NULL.\n"},
    };
    for (const row &r : rows) {
        for (uint32_t command_id : {0u, 500u}) {
            radsim::set_command_id(command_id);
            radsim::inject_fault(r.call, r.nth, r.code, r.effect);
            const radtest::shown result = run(generate<0, 1>);
            EXPECT_EQ(result.status, r.status) << r.why;
            EXPECT_EQ(result.buffer, command_id == 0 ? r.text : "") << r.why;
            EXPECT_EQ(result.out, r.out) << r.why;
            EXPECT_TRUE(reports_.empty()) << r.why << ": records are not sent";
            EXPECT_EQ(result.handles_left_open, 0u) << r.why;
        }
    }
    // A clear key filling the server's field has a type-7 form as long, which
    // leaves no room for its NUL: refused rather than cut short.
    radius_global_cfg keyless = radsim::stored().running.global;
    keyless.key[0] = '\0';
    radsim::seed_global(keyless);
    radius_server_cfg full_key = radsim::stored().running.servers.at(1);
    std::memset(full_key.key, 'k', sizeof full_key.key);
    radsim::seed_server(full_key);
    EXPECT_EQ(run(generate<0, 1>).out, key_failure);
}

constexpr uint32_t global_id = AAA_MONITOR_GLOBAL_ID;

aaa_server_monitor_cfg old_entry(uint32_t id) { return {id, 7, "old-user", "old-password"}; }

// An entry's bytes: compared, they show what lies behind a NUL too.
std::string bytes(const aaa_server_monitor_cfg &e) { return {reinterpret_cast<const char *>(&e), sizeof e}; }
std::string stored(uint32_t id) { return bytes(radsim::stored().monitor_entries.at(id)); }

using monitor_commands = display_test;

TEST_F(monitor_commands, global_parameters_the_shell_never_sends) {
    struct row {
        const char *why;
        void (*params)(command &);
        int32_t status;
        aaa_server_monitor_cfg entry;  // afterwards
    };
    const row rows[] = {
        {"other ids are skipped",
         [](command &cmd) { cmd.u32(PARAM_IDLE_TIME, 30).u32(77, 5).text(PARAM_TEST_PASSWORD, "pw"); }, 0,
         {global_id, 30, "old-user", "pw"}},
        {"a 40-character user keeps its first 31", [](command &cmd) { cmd.text(PARAM_TEST_USER, std::string(40, 'u')); }, 0,
         {global_id, 7, "uuuuuuuuuuuuuuuuuuuuuuuuuuuuuuu", "old-password"}},
        {"the no form clears the whole field", [](command &cmd) { cmd.no_form().text(PARAM_TEST_PASSWORD, "x"); }, 0,
         {global_id, 7, "old-user", ""}},
        // Bad: a value of the wrong type refuses the command silently, even after a valid one.
        {"idle time as text", [](command &cmd) { cmd.text(PARAM_TEST_USER, "new").typed(PARAM_IDLE_TIME, PARAM_TYPE_TEXT, "3"); },
         1, old_entry(global_id)},
        // Bad: the same for a password given as a host address.
        {"password as a host", [](command &cmd) { cmd.typed(PARAM_TEST_PASSWORD, PARAM_TYPE_HOST, "x"); }, 1,
         old_entry(global_id)},
    };
    for (const row &r : rows) {
        radsim::seed_monitor_entry(old_entry(global_id));
        command cmd;
        r.params(cmd);
        EXPECT_EQ(cmd.run(config_global_server_monitor_params).status, r.status) << r.why;
        EXPECT_EQ(stored(global_id), bytes(r.entry)) << r.why;
    }
}

TEST_F(monitor_commands, with_distribution_enabled_both_commands_say_so_and_apply) {
    const uint32_t index = seed_server("10.0.0.1");  // before a session could open
    radsim::seed_item(RADIUS_ITEM_DISTRIBUTION, 1);
    radsim::clear_call_log();
    const char notice[] = "Server-monitoring parameter configuration is exempted from QDS distribution\n";
    EXPECT_EQ(command().u32(PARAM_IDLE_TIME, 30).run(config_global_server_monitor_params).out, notice);
    EXPECT_EQ(command().host(PARAM_SERVER_HOST, "10.0.0.1", ADDR_KIND_IPV4).u32(PARAM_IDLE_TIME, 40).run(
                  config_aaa_server_monitor_params).out, notice);
    // Entries the service did not have are created with the given fields only.
    EXPECT_EQ(stored(global_id), bytes({global_id, 30, "", ""}));
    EXPECT_EQ(stored(index), bytes({index, 40, "", ""}));
    const std::string global = " server_id=16777215", id = " server_id=" + std::to_string(index);
    const std::string call = "cmi_aaa_server_monitor_config service=8450 op=";
    EXPECT_THAT(logged_calls("cmi_aaa_server_monitor_config"),
                ElementsAre(call + "1 mode=2" + global, call + "3 mode=2" + global, call + "1 mode=1" + id,
                            call + "3 mode=2" + id));
}

TEST_F(monitor_commands, refusals_leave_the_entries_unchanged) {
    constexpr auto global = config_global_server_monitor_params, per_server = config_aaa_server_monitor_params;
    constexpr char aaa[] = "cmi_aaa_server_monitor_config", flag[] = "cmi_radius_new_enable_info_config";
    struct row {
        const char *why;
        radius_handler_fn handler;
        const char *host;  // parameter 21, when not null
        uint32_t addr_kind;
        const char *fault;  // this call fails the nth time
        unsigned nth;
        unsigned monitor_calls;  // how far the command got
        const char *out;
    };
    const row rows[] = {
        {"distribution flag unreadable", global, nullptr, 0, flag, 1, 0, "could not read qds enabled flag from pss\n"},
        {"entry unreadable", global, nullptr, 0, aaa, 1, 1,
         "AAA: invalid request\nError in reading global server monitor configuration.\n"},
        {"entry not written", global, nullptr, 0, aaa, 2, 2,
         "AAA: invalid request\nGlobal server monotor configuration could not be updated\n"},
        {"not an IPv6 address", per_server, "2001:db8::zz", ADDR_KIND_IPV6, nullptr, 0, 0, "invalid ipv6 address\n"},
        {"unknown address kind", per_server, "10.0.0.1", 0x40000001, nullptr, 0, 0, "Invalid host address\n"},
        {"entry unreadable", per_server, "10.0.0.1", ADDR_KIND_IPV4, aaa, 1, 1,
         "AAA: invalid request\nplease configure the server first.\n"},
        {"entry not written", per_server, "10.0.0.1", ADDR_KIND_IPV4, aaa, 2, 2,
         "AAA: invalid request\nconfiguration for 10.0.0.1 could not be updated\n"},
    };
    const uint32_t index = seed_server("10.0.0.1");
    for (const row &r : rows) {
        radsim::seed_monitor_entry(old_entry(global_id));
        radsim::seed_monitor_entry(old_entry(index));
        if (r.fault != nullptr) radsim::inject_fault(r.fault, r.nth, r.fault == aaa ? 0x409b0001 : 0x409d0008);
        radsim::clear_call_log();
        command cmd;
        if (r.host != nullptr) cmd.host(PARAM_SERVER_HOST, r.host, r.addr_kind);
        const auto [status, out] = cmd.u32(PARAM_IDLE_TIME, 30).text(PARAM_TEST_USER, "new").run(r.handler);
        EXPECT_EQ(status, 1) << r.why;
        EXPECT_EQ(out, r.out) << r.why;
        EXPECT_EQ(stored(global_id) + stored(index), bytes(old_entry(global_id)) + bytes(old_entry(index))) << r.why;
        EXPECT_EQ(logged_calls("cmi_aaa_server_monitor_config").size(), r.monitor_calls) << r.why;
    }
}

}  // namespace
