// The server displays.  Other components read the tagged reports by tag
// and copy each value by its length, so the two tagged handlers are checked
// row by row (format, tag, value, length) against their own tables; then
// the byte order of the sorted list and its growth past one block of 64,
// the default ports with and without service entries, every failure path
// with its message and handle rule, and the two plain printers.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "show/server_display.h"
#include "tests/support/display.hpp"
#include "tests/support/services_db.hpp"

namespace {

namespace services_db = radtest::services_db;
using radtest::add_server;
using radtest::command;
using radtest::new_server;
using radtest::printed_row;
using ::testing::ElementsAre;

constexpr char heading[] = "\nfollowing RADIUS servers are configured:\n";

void set_global_monitor(uint32_t idle_time, const char *user, const char *password) {
    aaa_server_monitor_cfg entry{};
    entry.server_id = AAA_MONITOR_GLOBAL_ID;
    entry.idle_time = idle_time;
    std::strcpy(entry.test_user, user);
    std::strcpy(entry.test_password, password);
    radsim::monitor_entries()[AAA_MONITOR_GLOBAL_ID] = entry;
}

class server_display : public radtest::display_test {
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

    // A global key, monitoring values, and three servers: one with every
    // value, one for authentication only, one with neither role and a key
    // held only in its type-6 field.
    void seed_configuration() {
        radius_global_cfg &global = radsim::store().running().global;
        std::strcpy(global.key, "GlobalKey1");
        global.timeout = 7;
        global.retransmit = 2;
        global.deadtime = 3;
        set_global_monitor(15, "probe", "probepass");
        radius_server_cfg full = new_server("10.0.0.1");
        std::strcpy(full.key, "ServerKey2");
        full.timeout = 4;
        full.retransmit = 2;
        add_server(full);
        radius_server_cfg auth_only = new_server("alpha");
        auth_only.accounting = 0;
        auth_only.auth_port = 1645;
        add_server(auth_only);
        radius_server_cfg neither = new_server("10.0.0.3");
        neither.authentication = neither.accounting = 0;
        neither.key_type = RADIUS_KEY_TYPE6;
        std::strcpy(neither.key6, "six");
        add_server(neither);
    }

    std::vector<std::string> hosts_in_report(uint32_t host_tag) const {
        std::vector<std::string> hosts;
        for (const printed_row &row : printed_rows()) {
            if (row.tag == host_tag) hosts.push_back(row.value);
        }
        return hosts;
    }
};

TEST_F(server_display, store_order_report_rows) {
    seed_configuration();
    command cmd;
    const radtest::display_outcome result = run(cmd, security_show_radius);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.handles_left_open, 0u);
    const std::vector<printed_row> expected = {
        {"Global RADIUS shared secret:%s\n", 0x30330016, "********", 9},
        {"retransmission count:%s\n", 0x11330017, "2", 4},
        {"timeout value:%s\n", 0x11330018, "7", 4},
        {"deadtime value:%s\n", 0x11330019, "3", 4},
        {"Global Idle Time:%s\n", 0x1133001b, "15", 4},
        {"Global Test Username:%s\n", 0x3033001c, "probe", 6},
        {"Global Test Password:%s\n", 0x3033001d, "probepass", 10},
        {"total number of servers:%s\n", 0x1133001e, "3", 4},
        {heading, 0, "", 0},
        {"\t%s:\n", 0x3033001f, "10.0.0.1", 9},
        {"\t\tavailable for authentication on port:%s\n", 0x11330020, "1812", 4},
        {"\t\tavailable for accounting on port:%s\n", 0x11330021, "1813", 4},
        {"\t\tRADIUS shared secret:%s\n", 0x30330022, "********", 256},
        {"\t\ttimeout:%s\n", 0x11330023, "4", 4},
        {"\t\tretries:%s\n", 0x11330024, "2", 4},
        {"\t%s:\n", 0x3033001f, "alpha", 6},
        {"\t\tavailable for authentication on port:%s\n", 0x11330020, "1645", 4},
        {"\t%s:\n", 0x3033001f, "10.0.0.3", 9},
    };
    EXPECT_EQ(printed_rows(), expected);
    EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(server_display, sorted_report_rows) {
    seed_configuration();
    command cmd;
    const radtest::display_outcome result = run(cmd, security_show_radius_sorted);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.handles_left_open, 1u) << "the shell releases a sent report's handle";
    const std::vector<printed_row> expected = {
        {"Global RADIUS shared secret:%s\n", 0x3033003b, "********", 64},
        {"timeout value:%s\n", 0x1133003c, "7", 4},
        {"retransmission count:%s\n", 0x1133003d, "2", 4},
        {"deadtime value:%s\n", 0x1133003e, "3", 4},
        {"Global Idle Time:%s\n", 0x11330040, "15", 4},
        {"Global Test Username:%s\n", 0x30330041, "probe", 32},
        {"Global Test Password:%s\n", 0x30330042, "probepass", 32},
        {"total number of servers:%s\n", 0x11330043, "3", 4},
        {heading, 0, "", 0},
        {"\t%s:\n", 0x30330044, "10.0.0.1", 256},
        {"\t\tavailable for authentication on port: %s\n", 0x11330045, "1812", 4},
        {"\t\tavailable for accounting on port: %s\n", 0x11330046, "1813", 4},
        {"\t\tRadius shared secret:%s\n", 0x30330047, "********", 64},
        {"\t\ttimeout:%s\n", 0x11330048, "4", 4},
        {"\t\tretries:%s\n", 0x11330049, "2", 4},
        {"\t%s:\n", 0x30330044, "10.0.0.3", 256},
        {"\t%s:\n", 0x30330044, "alpha", 256},
        {"\t\tavailable for authentication on port: %s\n", 0x11330045, "1645", 4},
    };
    EXPECT_EQ(printed_rows(), expected);
    EXPECT_EQ(reports_.size(), 1u);
}

TEST_F(server_display, reads_use_each_handlers_mode) {
    add_server(new_server("10.0.0.1"));
    struct row {
        radius_handler_fn handler;
        const char *mode;
    };
    for (const row &r : {row{security_show_radius, "mode=2"}, row{security_show_radius_sorted, "mode=1"}}) {
        radsim::clear_call_log();
        command().run(r.handler);
        for (const radsim::platform_call &call : radsim::call_log()) {
            if (call.name.starts_with("cmi_radius_new_")) {
                EXPECT_TRUE(call.args.ends_with(r.mode)) << call.name << " " << call.args;
            }
            if (call.name == "cmi_aaa_server_monitor_config") {
                EXPECT_EQ(call.args, "service=8450 op=1 mode=1 server_id=16777215");
            }
        }
    }
}

TEST_F(server_display, without_servers_or_monitoring_only_the_global_lines_show) {
    EXPECT_EQ(command().run(security_show_radius).status, 0);
    EXPECT_EQ(command().run(security_show_radius_sorted).status, 0);
    ASSERT_EQ(reports_.size(), 2u);
    EXPECT_EQ(reports_[0].text(),
              "retransmission count:1\ntimeout value:5\ndeadtime value:0\ntotal number of servers:0\n");
    EXPECT_EQ(reports_[1].text(),
              "timeout value:5\nretransmission count:1\ndeadtime value:0\ntotal number of servers:0\n");
}

TEST_F(server_display, sorted_list_is_in_byte_order) {
    for (const char *host : {"alpha", "10.0.0.2", "10.0.0.10"}) add_server(new_server(host));
    command().run(security_show_radius_sorted);
    EXPECT_THAT(hosts_in_report(0x30330044), ElementsAre("10.0.0.10", "10.0.0.2", "alpha"));
    reports_.clear();
    command().run(security_show_radius);
    EXPECT_THAT(hosts_in_report(0x3033001f), ElementsAre("alpha", "10.0.0.2", "10.0.0.10"));
}

TEST_F(server_display, sorted_list_grows_past_one_block_of_64) {
    radsim::store().set_limits(150, 64);
    std::vector<std::string> sorted;
    for (int i = 149; i >= 0; --i) {
        char host[16];
        std::snprintf(host, sizeof host, "s%03d", i);
        add_server(new_server(host));
        sorted.insert(sorted.begin(), host);
    }
    EXPECT_EQ(command().run(security_show_radius_sorted).status, 0);
    EXPECT_EQ(hosts_in_report(0x30330044), sorted);
    EXPECT_EQ(printed_rows().at(3), (printed_row{"total number of servers:%s\n", 0x11330043, "150", 4}));
}

TEST_F(server_display, without_service_entries_a_default_port_shows_as_0) {
    services_db::hide("radius");
    services_db::hide("radacct");
    add_server(new_server("10.0.0.1"));
    for (radius_handler_fn handler : {security_show_radius, security_show_radius_sorted}) {
        reports_.clear();
        command().run(handler);
        const std::vector<printed_row> rows = printed_rows();
        ASSERT_EQ(rows.size(), 8u);
        EXPECT_EQ(rows[6].value + " " + rows[7].value, "0 0");
    }
}

TEST_F(server_display, failures_print_their_reason_and_release_the_handle) {
    struct failure_case {
        const char *why;
        void (*arrange)(command &);
        const char *out;  // "%s\n": each handler's own null-handle text
    };
    const failure_case cases[] = {
        {"standby supervisor", [](command &cmd) { cmd.on_standby(); },
         "this command is supported on active sup only\n"},
        {"no output handle",
         [](command &) {
             radsim::inject_fault("cmd_paraminfo_to_rxhandle", 1, 0, radsim::fault_effect::null_block);
         },
         "%s\n"},
        {"global read", [](command &) { radsim::inject_fault("cmi_radius_new_global_config", 1, 0x409d0008); },
         "could not extract global RADIUS configuration\n"},
        {"monitoring read",
         [](command &) { radsim::inject_fault("cmi_aaa_server_monitor_config", 1, 0x409b0001); },
         "AAA: invalid request\ncould not retrieve RADIUS global server monitor configuration\n"},
        {"first server walk",
         [](command &) { radsim::inject_fault("cmi_radius_new_server_config", 2, 0x409d0008); },
         "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS server configuration\n"},
    };
    add_server(new_server("10.0.0.1"));
    add_server(new_server("10.0.0.2"));
    struct handler_case {
        radius_handler_fn handler;
        const char *null_handle;
    };
    for (const handler_case &h : {handler_case{security_show_radius, "received handle NULL."},
                                  handler_case{security_show_radius_sorted, "received handle NULL"}}) {
        for (const failure_case &c : cases) {
            reports_.clear();
            command cmd;
            c.arrange(cmd);
            const radtest::display_outcome result = run(cmd, h.handler);
            std::string expected = c.out;
            if (expected == "%s\n") expected = std::string(h.null_handle) + "\n";
            EXPECT_EQ(result.status, 1) << c.why;
            EXPECT_EQ(result.out, expected) << c.why;
            EXPECT_TRUE(reports_.empty()) << c.why;
            EXPECT_EQ(result.handles_left_open, 0u) << c.why;
        }
    }
}

TEST_F(server_display, a_failure_in_the_printing_walk_sends_what_was_printed) {
    add_server(new_server("10.0.0.1"));
    add_server(new_server("10.0.0.2"));
    // Three reads count two servers; the fifth read is the second server's.
    radsim::inject_fault("cmi_radius_new_server_config", 5, 0x409d0008);
    command cmd;
    const radtest::display_outcome result = run(cmd, security_show_radius);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.handles_left_open, 0u);
    EXPECT_EQ(result.out,
              "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS server configuration\n");
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].text(),
              "retransmission count:1\ntimeout value:5\ndeadtime value:0\ntotal number of servers:2\n"
              "\nfollowing RADIUS servers are configured:\n"
              "\t10.0.0.1:\n\t\tavailable for authentication on port:1812\n"
              "\t\tavailable for accounting on port:1813\n");
}

class plain_printers : public server_display {
protected:
    std::pair<int32_t, std::string> show_global(int32_t show_key, uint32_t mode = 1) {
        command cmd;
        radsim::begin_request(cmd.info());
        radsim::stdout_capture capture;
        const int32_t status = show_radius_global(radtest::test_session, show_key, mode, &cmd.info()->msg_ctx_a,
                                                  &cmd.info()->msg_ctx_b);
        std::string out = capture.finish();
        radsim::end_request();
        return {status, out};
    }
};

TEST_F(plain_printers, global_settings_with_the_key_masked_or_in_clear) {
    seed_configuration();
    radius_group_cfg group{};
    std::strcpy(group.name, "G1");
    radsim::store().group(RADIUS_OP_WRITE, &group);
    const std::string rest =
        "retransmission count: 2\ntimeout value       : 7\ndeadtime value      : 3\n"
        "Global Idle Time:15\nGlobal Test Username:probe\nGlobal Test Password:probepass\n"
        "Total number of servers: 3\nTotal number of groups : 1\n";
    EXPECT_EQ(show_global(0), std::make_pair(0, "Global RADIUS shared secret:********\n" + rest));
    EXPECT_EQ(show_global(1), std::make_pair(0, "Global RADIUS shared secret:GlobalKey1\n" + rest));

    // A type-6 key is no global key here, and no entry means no monitoring lines.
    radsim::reset();
    radsim::store().running().global.key_type = RADIUS_KEY_TYPE6;
    std::strcpy(radsim::store().running().global.key6, "type-6 key");
    EXPECT_EQ(show_global(1, 2).second, "retransmission count: 1\ntimeout value       : 5\n"
                                        "deadtime value      : 0\nTotal number of servers: 0\n"
                                        "Total number of groups : 0\n");
    EXPECT_EQ(radsim::call_log().front().args, "op=1 mode=2") << "the caller's mode";

    radsim::inject_fault("cmi_radius_new_global_config", 1, 0x409d0008);
    EXPECT_EQ(show_global(0), std::make_pair(-1, std::string("could not extract global RADIUS configuration\n")));
    radsim::inject_fault("cmi_aaa_server_monitor_config", 1, 0x409b0001);
    EXPECT_EQ(show_global(0).second,
              "AAA: invalid request\ncould not retrieve RADIUS global server monitor configuration\n");
}

TEST_F(plain_printers, server_details_fill_the_default_ports_of_their_roles) {
    struct row {
        uint32_t authentication, accounting;
        const char *expected;
        uint32_t auth_port_after, acct_port_after;
    };
    const row rows[] = {
        {1, 1,
         "\t10.0.0.1:\n\t\tavailable for authentication on port:1812\n\t\tavailable for accounting on port:1813\n"
         "\t\tRADIUS shared secret:********\n\t\ttimeout:4\n\t\tretries:2\n",
         1812, 1813},
        {0, 1, "\t10.0.0.1:\n\t\tavailable for accounting on port:1813\n\t\tRADIUS shared secret:********\n"
               "\t\ttimeout:4\n\t\tretries:2\n",
         0, 1813},
        {0, 0, "\t10.0.0.1:\n\t\tRADIUS shared secret:********\n\t\ttimeout:4\n\t\tretries:2\n", 0, 0},
    };
    for (const row &r : rows) {
        radius_server_cfg server = new_server("10.0.0.1");
        server.authentication = r.authentication;
        server.accounting = r.accounting;
        std::strcpy(server.key, "ServerKey2");
        server.timeout = 4;
        server.retransmit = 2;
        radsim::stdout_capture capture;
        radius_print_server_details(1, &server);
        EXPECT_EQ(capture.finish(), r.expected);
        EXPECT_EQ(server.auth_port, r.auth_port_after);
        EXPECT_EQ(server.acct_port, r.acct_port_after);
    }
}

}  // namespace
