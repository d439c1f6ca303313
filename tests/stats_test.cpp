// Statistics and diagnostics where a transcript cannot look.
//  - The AAA record is big-endian at odd offsets: every counter is seeded
//    with a distinct value and must come out under its own tag on both
//    builds; a native or misaligned read shows as a wrong number.
//  - The state line and the monitoring block, with "N/A" decided by the
//    previous-state field alone.
//  - The walk: no server, a failure after blocks were sent, the handle
//    released only when cut short; the lookup refusals of both commands.
//  - The library's duration text.
//  - The show-tech script file: its bytes, its removal on every path, the
//    unopenable case; the debugging flag never written; the memory dump's
//    detail flag.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include "abi/big_endian.h"
#include "abi/param_ids.h"
#include "stats/stats.h"
#include "tests/support/group_seed.hpp"

namespace {

using radtest::command;
using radtest::outcome;

constexpr int32_t daemon_not_responding = 0x409d0008;
constexpr char lookup_failure[] =
    "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS server configuration\n";

class stats_test : public radtest::report_test {
protected:
    // Prints `stats` through the exported printer on a handle of its own.
    void print(const radius_server_stats &stats) {
        command cmd;
        radsim::begin_request(cmd.info());
        cmd_out_handle *handle = cmd_paraminfo_to_rxhandle(cmd.info());
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(aaa_rserver_print_stats(handle, &stats), radsim::unspecified_result);  // cmd_prt_send's, passed on
        radsim::end_request();
    }

};

// ---- the printer ----------------------------------------------------------------

TEST_F(stats_test, every_counter_is_decoded_from_its_own_big_endian_bytes) {
    radius_server_stats stats;
    std::memset(&stats, 0xff, sizeof stats);  // bytes the printer must not show
    stats.monitored = 1;
    store_be64(stats.time_in_prev_state, 0);
    const struct {
        uint8_t *field;
        uint32_t tag;
    } counters[] = {
        {stats.times_dead, TAG_STATS_TIMES_DEAD},
        {stats.auth_failed, TAG_STATS_AUTH_FAILED},       {stats.auth_successful, TAG_STATS_AUTH_SUCCESSFUL},
        {stats.auth_sent, TAG_STATS_AUTH_SENT},           {stats.auth_timed_out, TAG_STATS_AUTH_TIMED_OUT},
        {stats.auth_no_match, TAG_STATS_AUTH_NO_MATCH},   {stats.auth_not_processed, TAG_STATS_AUTH_NOT_PROCESSED},
        {stats.auth_errors, TAG_STATS_AUTH_ERRORS},       {stats.acct_failed, TAG_STATS_ACCT_FAILED},
        {stats.acct_successful, TAG_STATS_ACCT_SUCCESSFUL}, {stats.acct_sent, TAG_STATS_ACCT_SENT},
        {stats.acct_timed_out, TAG_STATS_ACCT_TIMED_OUT}, {stats.acct_no_match, TAG_STATS_ACCT_NO_MATCH},
        {stats.acct_not_processed, TAG_STATS_ACCT_NOT_PROCESSED}, {stats.acct_errors, TAG_STATS_ACCT_ERRORS},
    };
    std::map<std::string, std::string> expected;
    for (const auto &counter : counters) {
        // The offset in the high byte: a value read from the wrong place or
        // in the wrong order cannot match.
        const uint32_t value = 0x01000000u * static_cast<uint32_t>(counter.field - &stats.server_id[0]) + 0x020304;
        store_be32(counter.field, value);
        expected[radtest::tag_name(counter.tag)] = std::to_string(value);
    }
    print(stats);
    ASSERT_EQ(reports_.size(), 1u);
    std::map<std::string, std::string> counted;
    for (const auto &piece : reports_[0].pieces) {
        for (const auto &value : piece.values) {
            if (RADIUS_TAG_TYPE(value.tag) == TAG_TYPE_COUNTER) counted[radtest::tag_name(value.tag)] = value.text;
        }
    }
    EXPECT_EQ(counted, expected);
}

constexpr char counter_lines[] =
    "\nAuthentication Statistics\n\tfailed transactions: 0\n\tsucessfull transactions: 0\n\trequests sent: 0\n"
    "\trequests timed out: 0\n\tresponses with no matching requests: 0\n\tresponses not processed: 0\n"
    "\tresponses containing errors: 0\n"
    "\nAccounting Statistics\n\tfailed transactions: 0\n\tsucessfull transactions: 0\n\trequests sent: 0\n"
    "\trequests timed out: 0\n\tresponses with no matching requests: 0\n\tresponses not processed: 0\n"
    "\tresponses containing errors: 0\n";

TEST_F(stats_test, state_line_and_monitoring_block) {
    struct row {
        const char *why;
        uint8_t monitored, state;
        uint64_t in_state, previous, dead_total;
        std::string head;  // the block up to the counters
    };
    const row rows[] = {
        {"unmonitored: state 3, no monitoring lines, whatever the times", 0, 2, 5000, 7000, 9000,
         "Server is not monitored\n"},
        {"monitored and alive (state byte 2)", 1, 2, 61999, 3600000, 45000,
         "Server is alive since 00:01:01.999\n\nMonitoring Statistics\n\tTime in previous state: 01:00:00.000\n"
         "\tNumber of times dead: 0\n\tTotal time in dead state: 00:00:45.000\n"},
        {"any state byte but 2 is dead", 7, 1, 1000, 2000, 3000,
         "Server is dead since 00:00:01.000\n\nMonitoring Statistics\n\tTime in previous state: 00:00:02.000\n"
         "\tNumber of times dead: 0\n\tTotal time in dead state: 00:00:03.000\n"},
        {"no previous state: both histories N/A, though the dead total is set", 1, 2, 1000, 0, 86400000,
         "Server is alive since 00:00:01.000\n\nMonitoring Statistics\n\tTime in previous state: N/A\n"
         "\tNumber of times dead: 0\n\tTotal time in dead state: N/A\n"},
    };
    for (const row &r : rows) {
        reports_.clear();
        radius_server_stats stats{};
        stats.monitored = r.monitored;
        stats.server_state = r.state;
        store_be64(stats.time_in_state, r.in_state);
        store_be64(stats.time_in_prev_state, r.previous);
        store_be64(stats.time_dead_total, r.dead_total);
        print(stats);
        EXPECT_EQ(reports_text(), r.head + counter_lines) << r.why;
    }
}

TEST(stats_duration, whole_hours_minutes_and_seconds) {
    const struct {
        uint64_t ms;
        const char *text;
    } rows[] = {
        {999, "0 hrs, 0 min, 0 sec"},  // below a second: dropped, not rounded
        {45000, "0 hrs, 0 min, 45 sec"},
        {60000, "0 hrs, 1 min, 0 sec"},
        {3600000, "1 hrs, 0 min, 0 sec"},
        {90061999, "25 hrs, 1 min, 1 sec"},  // hours do not wrap at a day
    };
    for (const auto &r : rows) {
        char buffer[64];
        EXPECT_EQ(radius_server_str_time(r.ms, buffer, sizeof buffer), static_cast<int>(std::strlen(r.text)));
        EXPECT_STREQ(buffer, r.text) << r.ms;
    }
    char small[8];
    EXPECT_EQ(radius_server_str_time(45000, small, sizeof small), 20);  // what the whole text needs
    EXPECT_STREQ(small, "0 hrs, ");
}

// ---- the two commands -------------------------------------------------------------

// The calls of the AAA statistics service, with their arguments.
std::vector<std::string> stats_calls() {
    std::vector<std::string> found;
    for (const auto &call : radsim::call_log())
        if (call.name == "cmi_aaa_server_stats") found.push_back(call.args);
    return found;
}

TEST_F(stats_test, walk_over_no_server_prints_nothing_and_succeeds) {
    const outcome result = command().run(show_radius_statistics);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(stats_calls(), std::vector<std::string>{"service=8449 op=2 mode=2 server_id=0"});
}

TEST_F(stats_test, walk_sends_one_block_per_server_and_keeps_them_after_a_failure) {
    const uint32_t first = radtest::seed_server("10.0.0.1"), second = radtest::seed_server("10.0.0.2");
    radtest::seed_server("10.0.0.3");
    radsim::set_stats_counter(second, radsim::stats_counter::auth_sent, 5);
    radsim::inject_fault("cmi_aaa_server_stats", 3, daemon_not_responding);
    const radtest::shown result = command().show(show_radius_statistics);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "could not retrieve RADIUS server configuration\n");
    EXPECT_EQ(result.handles_left_open, 0u) << "a walk cut short releases its handle";
    ASSERT_EQ(reports_.size(), 2u);
    EXPECT_NE(reports_[1].text().find("\trequests sent: 5\n"), std::string::npos);
    EXPECT_EQ(stats_calls(), (std::vector<std::string>{"service=8449 op=2 mode=2 server_id=0",
                                                       "service=8449 op=2 mode=2 server_id=" + std::to_string(first),
                                                       "service=8449 op=2 mode=2 server_id=" + std::to_string(second)}));
}

TEST_F(stats_test, one_server_is_asked_for_by_its_index) {
    radtest::seed_server("10.0.0.1");
    const uint32_t index = radtest::seed_server("2001:db8::5");
    radsim::set_stats_counter(index, radsim::stats_counter::acct_errors, 4);
    const outcome result = command().host(PARAM_SERVER_HOST, "2001:DB8:0::5", ADDR_KIND_IPV6).run(show_radius_statistics);
    EXPECT_EQ(result.status, 0);
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_NE(reports_[0].text().find("\tresponses containing errors: 4\n"), std::string::npos);
    EXPECT_EQ(stats_calls(), std::vector<std::string>{"service=8449 op=1 mode=1 server_id=" + std::to_string(index)});
}

TEST_F(stats_test, refusals_of_both_commands) {
    radtest::seed_server("10.0.0.1");
    struct row {
        const char *why;
        void (*setup)(command &);
        std::string out;
        size_t stats_requests;
    };
    const row rows[] = {
        {"a host parameter of another type: silent",
         [](command &c) { c.typed(PARAM_SERVER_HOST, PARAM_TYPE_TEXT, "10.0.0.1"); }, "", 0},
        {"standby supervisor", [](command &c) { c.on_standby().host(PARAM_SERVER_HOST, "10.0.0.1", ADDR_KIND_IPV4); },
         "this command is supported on active sup only\n", 0},
        {"not an IPv6 address", [](command &c) { c.host(PARAM_SERVER_HOST, "2001:::x", ADDR_KIND_IPV6); },
         "invalid ipv6 address\n", 0},
        {"unknown server", [](command &c) { c.host(PARAM_SERVER_HOST, "10.9.9.9", ADDR_KIND_IPV4); },
         "RADIUS server not found\n", 0},
        {"store failure",
         [](command &c) {
             radsim::inject_fault("cmi_radius_new_server_config", 1, daemon_not_responding);
             c.host(PARAM_SERVER_HOST, "10.0.0.1", ADDR_KIND_IPV4);
         },
         lookup_failure, 0},
        {"statistics failure",
         [](command &c) {
             radsim::inject_fault("cmi_aaa_server_stats", 1, daemon_not_responding);
             c.host(PARAM_SERVER_HOST, "10.0.0.1", ADDR_KIND_IPV4);
         },
         "error retrieving stats: RADIUS configuration store: daemon not responding\n", 1},
    };
    for (radius_handler_fn handler : {show_radius_statistics, clear_radius_statistics}) {
        for (const row &r : rows) {
            radsim::clear_call_log();
            command cmd;
            r.setup(cmd);
            const outcome result = cmd.run(handler);
            EXPECT_EQ(result.status, 1) << r.why;
            EXPECT_EQ(result.out, r.out) << r.why;
            EXPECT_EQ(stats_calls().size(), r.stats_requests) << r.why;
            EXPECT_TRUE(reports_.empty()) << r.why;
        }
    }
}

TEST_F(stats_test, no_output_handle) {
    radsim::inject_fault("cmd_paraminfo_to_rxhandle", 1, 0, radsim::fault_effect::null_block);
    const outcome result = command().run(show_radius_statistics);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "receive handler NULL \n");
    EXPECT_TRUE(stats_calls().empty());
}

TEST_F(stats_test, clearing_zeroes_one_server_only) {
    const uint32_t kept = radtest::seed_server("10.0.0.1"), cleared = radtest::seed_server("10.0.0.2");
    for (uint32_t index : {kept, cleared}) radsim::set_stats_counter(index, radsim::stats_counter::auth_failed, 6);
    EXPECT_EQ(command().run(clear_radius_statistics).status, 0) << "without a host: nothing to do";
    EXPECT_TRUE(stats_calls().empty());
    const outcome result = command().host(PARAM_SERVER_HOST, "10.0.0.2", ADDR_KIND_IPV4).run(clear_radius_statistics);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(stats_calls(), std::vector<std::string>{"service=8449 op=3 mode=1 server_id=" + std::to_string(cleared)});
    EXPECT_EQ(command().run(show_radius_statistics).status, 0);
    ASSERT_EQ(reports_.size(), 2u);
    EXPECT_NE(reports_[0].text().find("\tfailed transactions: 6\n"), std::string::npos);
    EXPECT_EQ(reports_[1].text().find("\tfailed transactions: 6\n"), std::string::npos);
}

TEST_F(stats_test, service_replies_in_wire_order_with_its_history) {
    const uint32_t index = radtest::seed_server("10.0.0.1");
    radsim::seed_monitor_entry({AAA_MONITOR_GLOBAL_ID, 5, "probe", "pw"});
    radsim::set_stats_counter(index, radsim::stats_counter::acct_successful, 0x0a0b0c0d);
    radsim::advance_clock(1000);
    radsim::set_server_alive(index, false);
    radsim::advance_clock(0x1'0000'0002);
    radius_server_stats stats{};
    cmd_msg_ctx a{}, b{};
    ASSERT_EQ(cmi_aaa_server_stats(0, AAA_STATS_SERVICE, STATS_OP_GETNEXT, &stats, 2, &a, &b), 0);
    const auto *wire = reinterpret_cast<const uint8_t *>(&stats);
    EXPECT_EQ(std::vector<uint8_t>(wire, wire + 6), (std::vector<uint8_t>{0, 0, 0, uint8_t(index), 1, 1}));
    EXPECT_EQ(std::vector<uint8_t>(wire + 7, wire + 15), (std::vector<uint8_t>{0, 0, 0, 1, 0, 0, 0, 2}));
    EXPECT_EQ(load_be64(stats.time_in_prev_state), 1000u);
    EXPECT_EQ(load_be64(stats.time_dead_total), 0x1'0000'0002u) << "the current outage counts";
    EXPECT_EQ(load_be32(stats.times_dead), 1u);
    EXPECT_EQ(std::vector<uint8_t>(wire + 127, wire + 131), (std::vector<uint8_t>{10, 11, 12, 13}));
    EXPECT_EQ(cmi_aaa_server_stats(0, AAA_STATS_SERVICE, STATS_OP_GETNEXT, &stats, 2, &a, &b), AAA_ERR_NO_MORE_STATS);
}

// Deleted servers' histories go, a live server's stays: a long run that
// creates and deletes servers keeps a bounded table.
TEST_F(stats_test, histories_of_deleted_servers_go_and_a_live_one_stays) {
    const uint32_t live = radtest::seed_server("10.0.0.1");
    radsim::set_stats_counter(live, radsim::stats_counter::auth_sent, 77);
    for (uint32_t gone = live + 1; gone < live + 5000; ++gone) radsim::set_server_alive(gone, false);
    EXPECT_LE(radsim::stats_histories(), 257u);
    radius_server_stats stats{};
    cmd_msg_ctx a{}, b{};
    ASSERT_EQ(cmi_aaa_server_stats(0, AAA_STATS_SERVICE, STATS_OP_GETNEXT, &stats, 2, &a, &b), 0);
    EXPECT_EQ(load_be32(stats.auth_sent), 77u);
}

// ---- diagnostics ----------------------------------------------------------------------

const char tech_script[] =
    "show running-config radius all\nshow radius-server directed-request\n"
    "show system internal radius event-history msgs\nshow system internal radius event-history errors\n"
    "show system internal radius mem-stats\nshow system internal radius mem-stats detail\n";

std::string script_path() { return "/tmp/tech_radius." + std::to_string(getpid()); }

bool exists(const std::string &path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

class diagnostics_test : public stats_test {
protected:
    // The runner stands for the user's session: it keeps what the file held.
    void install_runner(bool succeeds) {
        radsim::set_script_runner([this, succeeds](const std::string &path) {
            std::ifstream in(path);
            std::stringstream text;
            text << in.rdbuf();
            run_path_ = path;
            run_text_ = text.str();
            return succeeds;
        });
    }
    std::string run_path_ = "(not run)", run_text_;
};

TEST_F(diagnostics_test, show_tech_runs_its_script_once_and_removes_it_on_every_path) {
    struct row {
        const char *why;
        bool runner, succeeds;
        int32_t fault;  // result of the script service, 0: none
        int32_t status;
    };
    const row rows[] = {
        {"the run succeeds", true, true, 0, 0},
        {"a command of the script fails", true, false, 0, 1},
        {"the service fails with a negative code", true, true, -7, 1},
        {"no session to run in", false, false, 0, 1},
    };
    for (const row &r : rows) {
        radsim::reset();
        run_path_ = "(not run)";
        if (r.runner) install_runner(r.succeeds);
        if (r.fault != 0) radsim::inject_fault("vsh_execute_script_file2", 1, r.fault);
        const outcome result = command().run(show_tech_radius);
        EXPECT_EQ(result.status, r.status) << r.why;
        EXPECT_EQ(result.out, "") << r.why;
        EXPECT_FALSE(exists(script_path())) << r.why;
        if (r.runner && r.fault == 0) {
            EXPECT_EQ(run_path_, script_path()) << r.why;
            EXPECT_EQ(run_text_, tech_script) << r.why;
        }
    }
}

TEST_F(diagnostics_test, show_tech_appends_to_a_file_already_there) {
    install_runner(true);
    std::ofstream(script_path()) << "! left over\n";
    EXPECT_EQ(command().run(show_tech_radius).status, 0);
    EXPECT_EQ(run_text_, std::string("! left over\n") + tech_script);
    EXPECT_FALSE(exists(script_path()));
}

TEST_F(diagnostics_test, show_tech_without_a_script_file) {
    install_runner(true);
    ASSERT_EQ(mkdir(script_path().c_str(), 0700), 0);  // a directory cannot be opened for appending
    const outcome result = command().run(show_tech_radius);
    rmdir(script_path().c_str());
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Error: unable to open tmp file\n");
    EXPECT_EQ(run_path_, "(not run)");
}

TEST_F(diagnostics_test, debugging_flag) {
    struct row {
        const char *why;
        void (*setup)(command &);
        int32_t status;
        std::string out;
    };
    const row rows[] = {
        {"never written: a failure, not off", [](command &) {}, 1, "RADIUS configuration store: item not present\n"},
        {"written 0", [](command &) { radsim::seed_item(RADIUS_ITEM_DEBUG, 0); }, 0, "RADIUS Debugging: off\n"},
        {"any nonzero value is on", [](command &) { radsim::seed_item(RADIUS_ITEM_DEBUG, 9); }, 0,
         "RADIUS Debugging: on\n"},
        {"store failure: its text only",
         [](command &) { radsim::inject_fault("cmi_radius_new_enable_info_config", 1, daemon_not_responding); }, 1,
         "RADIUS configuration store: daemon not responding\n"},
        {"standby: no store call",
         [](command &c) {
             radsim::seed_item(RADIUS_ITEM_DEBUG, 1);
             c.on_standby();
         },
         1, "this command is supported on active sup only\n"},
    };
    for (const row &r : rows) {
        radsim::reset();
        command cmd;
        r.setup(cmd);
        const outcome result = cmd.run(show_debug_radius_new);
        EXPECT_EQ(result.status, r.status) << r.why;
        EXPECT_EQ(result.out, r.out) << r.why;
        for (const auto &call : radsim::call_log()) {
            EXPECT_EQ(call.args, "op=1 mode=1 item=0") << r.why;
        }
    }
}

TEST_F(diagnostics_test, memory_statistics_with_and_without_detail) {
    struct row {
        const char *why;
        void (*setup)(command &);
        std::vector<std::string> calls;
        std::string first_line;
    };
    const row rows[] = {
        {"plain", [](command &c) { c.u32(77, 1); }, {"mtrack_dump_memstats detail=0 args_len=16 timeout=-1"},
         "RADIUS daemon memory statistics\n"},
        {"detail anywhere on the line", [](command &c) { c.u32(77, 1).keyword(PARAM_DETAIL); },
         {"mtrack_dump_memstats detail=1 args_len=16 timeout=-1"}, "RADIUS daemon memory statistics (detail)\n"},
        {"exec_noop: nothing at all", [](command &c) { c.exec_noop().keyword(PARAM_DETAIL); }, {}, ""},
    };
    for (const row &r : rows) {
        radsim::clear_call_log();
        command cmd;
        r.setup(cmd);
        const outcome result = cmd.run(radius_cli_show_memstats);
        EXPECT_EQ(result.status, 0) << r.why;
        EXPECT_EQ(result.out.substr(0, r.first_line.size()), r.first_line) << r.why;
        std::vector<std::string> calls;
        for (const auto &call : radsim::call_log()) calls.push_back(call.args);
        EXPECT_EQ(calls, r.calls) << r.why;
    }
    radsim::inject_fault("sdwrap_debug_dump", 1, daemon_not_responding);
    EXPECT_EQ(command().run(radius_cli_show_memstats).status, 0) << "the dump's result is not the command's";
}

}  // namespace
