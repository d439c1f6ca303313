// The server-group display: the exact report for one group and for all of
// them, the tag of every value, the member line in each combination of
// roles, default ports from the services database, the deadtime falling
// back to the global one, the default group standing for all servers, and a
// vanished member ending the member lines.  On every failure nothing may be
// sent and the handle must be released; on success the report is sent once
// and the handle left to the shell.
//
// The services database of the test machine decides the default ports (some
// have no "radacct" entry), so the expected text asks it too.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <netdb.h>

#include "show/group_display.h"
#include "tests/support/command.hpp"
#include "tests/support/group_seed.hpp"

namespace {

using radtest::command;
using radtest::seed_group;
using radtest::seed_server;
using ::testing::ElementsAre;

constexpr int32_t group_name = 1000;
constexpr radius_handler_fn handler = &show_radius_new;
constexpr int32_t daemon_down = 0x409d0008;
const std::string daemon_down_text = "RADIUS configuration store: daemon not responding\n";

std::string services_port(const char *service) {
    const servent *entry = getservbyname(service, "udp");
    return std::to_string(entry == nullptr ? 0 : ntohs(static_cast<uint16_t>(entry->s_port)));
}

class group_display : public radtest::handler_test {
protected:
    void SetUp() override {
        handler_test::SetUp();
        radsim::set_report_sink([this](const radsim::report &sent) { reports_.push_back(sent); });
    }

    // Runs the display (of one group, or of all without a name) and returns
    // the text of the one report it must have sent.
    std::string show(const char *name = nullptr) {
        reports_.clear();
        command cmd;
        if (name != nullptr) cmd.text(group_name, name);
        const auto [status, out] = cmd.run(handler);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(out, "");
        EXPECT_EQ(reports_.size(), 1u);
        return reports_.empty() ? std::string() : reports_.back().text();
    }

    std::vector<radsim::report> reports_;
};

TEST_F(group_display, members_show_their_roles_and_ports) {
    seed_group("lab",
               {seed_server("10.0.0.1", true, true), seed_server("10.0.0.2", true, false),
                seed_server("10.0.0.3", false, true), seed_server("radius.example.net", false, false)},
               7);
    // The blanks before some newlines belong to the lines.
    EXPECT_EQ(show("lab"),
              "\tgroup lab:\n"
              "\t\tserver: 10.0.0.1 on auth-port 1645, acct-port 1646\n"
              "\t\tserver: 10.0.0.2 on auth-port 1645 \n"
              "\t\tserver: 10.0.0.3 on acct-port 1646\n"
              "\t\tserver: radius.example.net on \n"
              "\t\tdeadtime is 7\n");
}

TEST_F(group_display, one_group_reads_the_running_copy_and_tags_every_value) {
    seed_group("lab", {seed_server("10.0.0.1", true, true, 1812, 1813)}, 5);
    radsim::clear_call_log();
    show("lab");
    ASSERT_EQ(reports_.size(), 1u);
    std::vector<std::string> printed;
    for (const radsim::printed_piece &piece : reports_[0].pieces) {
        std::string line = piece.format;
        for (const radsim::printed_value &value : piece.values) {
            char tag[12];
            std::snprintf(tag, sizeof tag, "%08x", value.tag);
            line += std::string(" [") + tag + " " + value.text + "]";
        }
        printed.push_back(line);
    }
    EXPECT_THAT(printed,
                ElementsAre("\tgroup %s:\n [30330034 lab]", "\t\tserver: %s on [30330035 10.0.0.1]",
                            " auth-port %s [11330036 1812]", ", ", "acct-port %s [11330037 1813]", "\n",
                            "\t\tdeadtime is %s\n [11330038 5]"));
    std::vector<std::string> calls;
    for (const auto &call : radsim::call_log()) calls.push_back(call.name + " " + call.args);
    EXPECT_THAT(calls, ElementsAre("cmd_paraminfo_to_rxhandle ", "cmi_radius_new_global_config op=1 mode=1",
                                   "cmi_radius_new_group_config op=1 mode=1",
                                   "cmi_radius_new_server_config op=1 mode=1", "cmd_prt_send "));
}

TEST_F(group_display, port_zero_shows_the_services_database_port_and_stays_zero_in_the_store) {
    const uint32_t index = seed_server("10.0.0.1", true, true, 0, 0);
    seed_group("lab", {index});
    EXPECT_EQ(show("lab"), "\tgroup lab:\n\t\tserver: 10.0.0.1 on auth-port " + services_port("radius") +
                               ", acct-port " + services_port("radacct") + "\n\t\tdeadtime is 0\n");
    EXPECT_EQ(radsim::store().running().servers.at(index).auth_port, 0u);
    EXPECT_EQ(radsim::store().running().servers.at(index).acct_port, 0u);
}

TEST_F(group_display, a_group_without_deadtime_shows_the_global_one) {
    struct deadtime_case {
        uint32_t group, global;
        const char *shown;
    };
    for (const deadtime_case &c : {deadtime_case{0, 25, "25"}, {9, 25, "9"}, {0, 0, "0"}}) {
        SCOPED_TRACE("group " + std::to_string(c.group) + " global " + std::to_string(c.global));
        seed_group("lab", {}, c.group);
        radsim::store().running().global.deadtime = c.global;
        EXPECT_EQ(show("lab"), std::string("\tgroup lab:\n\t\tdeadtime is ") + c.shown + "\n");
    }
}

TEST_F(group_display, the_default_group_stands_for_all_servers_whatever_its_members) {
    seed_group("radius", {seed_server("10.0.0.1")}, 4);
    radsim::clear_call_log();
    EXPECT_EQ(show("radius"),
              "\tgroup radius:\n\t\tserver: all configured radius servers\n\t\tdeadtime is 4\n");
    EXPECT_THAT(radsim::call_names(), ::testing::Not(::testing::Contains("cmi_radius_new_server_config")));
}

TEST_F(group_display, a_vanished_member_ends_the_member_lines) {
    seed_group("lab", {seed_server("10.0.0.1", true, false), 99, seed_server("10.0.0.3")}, 2);
    EXPECT_EQ(show("lab"), "\tgroup lab:\n\t\tserver: 10.0.0.1 on auth-port 1645 \n\t\tdeadtime is 2\n");
}

TEST_F(group_display, all_groups_follow_their_count_in_name_order) {
    EXPECT_EQ(show(), "total number of groups:0\n");
    EXPECT_EQ(reports_.at(0).pieces.at(0).values.at(0).tag, 0x11330033u);

    seed_group("radius", {});
    seed_group("zz", {seed_server("10.0.0.1", false, true)}, 3);
    seed_group("lab", {});
    radsim::store().running().global.deadtime = 11;
    EXPECT_EQ(show(),
              "total number of groups:3\n"
              "\nfollowing RADIUS server groups are configured:\n"
              "\tgroup lab:\n\t\tdeadtime is 11\n"
              "\tgroup radius:\n\t\tserver: all configured radius servers\n\t\tdeadtime is 11\n"
              "\tgroup zz:\n\t\tserver: 10.0.0.1 on acct-port 1646\n\t\tdeadtime is 3\n");
}

TEST_F(group_display, a_failure_sends_nothing_and_releases_the_handle) {
    struct failure_case {
        const char *why;
        const char *name;  // null: all groups
        const char *faulted_call;
        unsigned nth;
        std::string printed;
    };
    const std::string walk_broken = daemon_down_text + "could not retrieve RADIUS group configuration\n";
    const std::string member_broken = daemon_down_text + "could not retrieve RADIUS server configuration\n";
    const failure_case cases[] = {
        {"the global record cannot be read", "lab", "cmi_radius_new_global_config", 1,
         "could not extract global RADIUS configuration\n"},
        {"the named group does not exist: the store's text alone", "gone", nullptr, 0,
         "RADIUS configuration store: server group not found\n"},
        {"a member cannot be read", "lab", "cmi_radius_new_server_config", 1, member_broken},
        {"the counting walk breaks off", nullptr, "cmi_radius_new_group_config", 1, walk_broken},
        // Two groups: calls 1 to 3 count them, call 4 reads the first to print.
        {"the printing walk breaks off", nullptr, "cmi_radius_new_group_config", 4, walk_broken},
        {"a member cannot be read while all groups are shown", nullptr, "cmi_radius_new_server_config", 1,
         member_broken},
    };
    seed_group("lab", {seed_server("10.0.0.1")});
    seed_group("radius", {});
    for (const failure_case &c : cases) {
        SCOPED_TRACE(c.why);
        radsim::clear_call_log();
        reports_.clear();
        if (c.faulted_call != nullptr) radsim::inject_fault(c.faulted_call, c.nth, daemon_down);
        command cmd;
        if (c.name != nullptr) cmd.text(group_name, c.name);
        const auto [status, out] = cmd.run(handler);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(out, c.printed);
        EXPECT_TRUE(reports_.empty());
        EXPECT_EQ(radsim::call_names().back(), "cmd_paraminfo_to_rxhandle_free");
    }
}

TEST_F(group_display, refusals_before_the_report) {
    struct refusal_case {
        const char *why;
        bool standby, null_handle, name_not_text;
        std::string printed;
        std::vector<std::string> calls;
    };
    const refusal_case cases[] = {
        {"the daemon's data lives on the active supervisor", true, false, false,
         "this command is supported on active sup only\n", {}},
        // The trailing blank belongs to the text.
        {"the shell gives no output handle", false, true, false, "received handler is NULL \n",
         {"cmd_paraminfo_to_rxhandle"}},
        {"a group name must be text", false, false, true, "",
         {"cmd_paraminfo_to_rxhandle", "cmd_paraminfo_to_rxhandle_free"}},
    };
    for (const refusal_case &c : cases) {
        SCOPED_TRACE(c.why);
        radsim::clear_call_log();
        if (c.null_handle) {
            radsim::inject_fault("cmd_paraminfo_to_rxhandle", 1, 0, radsim::fault_effect::null_block);
        }
        command cmd;
        if (c.standby) cmd.on_standby();
        if (c.name_not_text) cmd.typed(group_name, PARAM_TYPE_U32, "lab");
        const auto [status, out] = cmd.run(handler);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(out, c.printed);
        EXPECT_EQ(radsim::call_names(), c.calls);
        EXPECT_TRUE(reports_.empty());
    }
}

TEST_F(group_display, the_printer_returns_the_store_result_of_a_failed_member_read) {
    command cmd;
    radsim::begin_request(cmd.info());
    cmd_out_handle *handle = cmd_paraminfo_to_rxhandle(cmd.info());
    ASSERT_NE(handle, nullptr);
    radius_group_cfg group{};
    std::strcpy(group.name, "lab");
    group.members[0] = seed_server("10.0.0.1");
    group.member_count = 1;
    radsim::inject_fault("cmi_radius_new_server_config", 1, daemon_down);
    radsim::stdout_capture capture;
    EXPECT_EQ(radius_print_server_group_details(cmd.info(), handle, group, radius_global_cfg{}), daemon_down);
    EXPECT_EQ(capture.finish(), daemon_down_text + "could not retrieve RADIUS server configuration\n");
    radsim::end_request();
}

}  // namespace
