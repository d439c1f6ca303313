// The server-group display, for what the shell transcripts (groups_*.in)
// cannot see: every piece with its tag and length; reads only, of the running
// copy; port 0 shown as the services database's port; no groups at all; a
// member with neither role; a vanished member ending the member lines; no
// failure sending anything or leaving a handle open.
#include <gtest/gtest.h>

#include <tuple>

#include "show/group_display.h"
#include "tests/support/group_seed.hpp"
#include "tests/support/services_database.hpp"

namespace {

using namespace radtest;

// One cmd_prt call: its format and its value (if any) with tag and length.
using printed_row = std::tuple<std::string, uint32_t, std::string, uint32_t>;

class group_display : public handler_test {
protected:
    void SetUp() override {
        handler_test::SetUp();
        radsim::set_report_sink([this](const radsim::report &sent) {
            ++reports_sent_;
            for (const radsim::printed_piece &piece : sent.pieces) {
                const radsim::printed_value value = piece.values.empty() ? radsim::printed_value{} : piece.values[0];
                rows_.emplace_back(piece.format, value.tag, value.text, value.length);
            }
        });
    }

    static shown run(command &cmd) { return cmd.show(show_radius_new); }

    size_t reports_sent_ = 0;
    std::vector<printed_row> rows_;  // of every report sent, in order
};

TEST_F(group_display, reports_piece_by_piece) {
    command all_groups;
    run(all_groups);  // no group at all: the count alone
    EXPECT_EQ(rows_, std::vector<printed_row>({{"total number of groups:%s\n", TAG_GRP_COUNT, "0", 4}}));
    const uint32_t first = seed_server("10.0.0.1");
    // Index 99 is no server: the member lines end there, before 10.0.0.3.
    seed_group("lab", {first, seed_server("10.0.0.2", no_roles), 99, seed_server("10.0.0.3")}, 5);
    seed_group("radius", {first}, 4);
    const radsim::stored_config before = radsim::stored();
    rows_.clear();
    radsim::clear_call_log();
    const shown result = run(all_groups);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(result.handles_left_open, 1u);  // the shell releases a sent report's handle
    const std::vector<printed_row> expected = {
        {"total number of groups:%s\n", TAG_GRP_COUNT, "2", 4},
        {"\nfollowing RADIUS server groups are configured:\n", 0, "", 0},
        {"\tgroup %s:\n", TAG_GRP_NAME, "lab", 256}, {"\t\tserver: %s on", TAG_GRP_MEMBER_HOST, "10.0.0.1", 9},
        {" auth-port %s", TAG_GRP_MEMBER_AUTH_PORT, "1812", 4}, {", ", 0, "", 0}, {"acct-port %s", TAG_GRP_MEMBER_ACCT_PORT, "1813", 4},
        {"\n", 0, "", 0}, {"\t\tserver: %s on", TAG_GRP_MEMBER_HOST, "10.0.0.2", 9}, {" ", 0, "", 0}, {"\n", 0, "", 0},
        {"\t\tdeadtime is %s\n", TAG_GRP_DEADTIME, "5", 4}, {"\tgroup %s:\n", TAG_GRP_NAME, "radius", 256},
        {"\t\tserver: all configured radius servers\n", 0, "", 0}, {"\t\tdeadtime is %s\n", TAG_GRP_DEADTIME, "4", 4}};
    EXPECT_EQ(rows_, expected);
    // The groups are walked twice (count, print); the default group's member is never read.
    const std::string next = "cmi_radius_new_group_config op=2 mode=1";
    const std::string member = "cmi_radius_new_server_config op=1 mode=1";
    EXPECT_EQ(logged_calls("cmi_"), std::vector<std::string>({"cmi_radius_new_global_config op=1 mode=1", next, next,
                                                              next, next, member, member, member, next, next}));
    EXPECT_EQ(radsim::stored(), before);  // the ports stay 0
}

TEST_F(group_display, a_failure_sends_nothing_and_releases_the_handle) {
    struct failure_case {
        const char *why;
        void (*build)(command &);
        std::string printed;
        const char *faulted_call = nullptr;  // its nth call from now on fails
        unsigned nth = 0;
        radsim::fault_effect effect = radsim::fault_effect::result_code;
    };
    const auto lab = [](command &c) { c.text(PARAM_GROUP_NAME, "lab"); };
    const auto all = [](command &) {};
    const std::string walk_broken = daemon_down_text + "could not retrieve RADIUS group configuration\n";
    const std::string member_broken = daemon_down_text + "could not retrieve RADIUS server configuration\n";
    const failure_case cases[] = {
        {"the daemon's data lives on the active supervisor", [](command &c) { c.on_standby(); },
         "this command is supported on active sup only\n"},
        // The trailing blank belongs to the text.
        {"the shell gives no output handle", all, "received handler is NULL \n", "cmd_paraminfo_to_rxhandle", 1,
         radsim::fault_effect::null_block},
        {"a group name must be text", [](command &c) { c.typed(PARAM_GROUP_NAME, PARAM_TYPE_U32, "lab"); }, ""},
        {"the global record cannot be read", lab, "could not extract global RADIUS configuration\n",
         "cmi_radius_new_global_config", 1},
        {"no such group: the store's text alone", [](command &c) { c.text(PARAM_GROUP_NAME, "gone"); },
         "RADIUS configuration store: server group not found\n"},
        {"a member cannot be read", lab, member_broken, "cmi_radius_new_server_config", 1},
        {"the counting walk breaks off", all, walk_broken, "cmi_radius_new_group_config", 1},
        // Calls 1 to 3 count the two groups, call 4 reads the first to print.
        {"the printing walk breaks off", all, walk_broken, "cmi_radius_new_group_config", 4},
        {"a member cannot be read while all groups are shown", all, member_broken, "cmi_radius_new_server_config", 1},
    };
    seed_group("lab", {seed_server("10.0.0.1")});
    seed_group("radius", {});
    for (const failure_case &c : cases) {
        SCOPED_TRACE(c.why);
        if (c.faulted_call != nullptr) radsim::inject_fault(c.faulted_call, c.nth, daemon_down, c.effect);
        command cmd;
        c.build(cmd);
        const shown result = run(cmd);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, c.printed);
        EXPECT_EQ(result.handles_left_open, 0u);
        EXPECT_EQ(reports_sent_, 0u);
    }
    // The exported printer itself hands back the store's result.
    command cmd;
    radsim::begin_request(cmd.info());
    radsim::inject_fault("cmi_radius_new_server_config", 1, daemon_down);
    radsim::stdout_capture capture;
    const radius_group_cfg lab_group = radsim::stored().running.groups.at("lab");
    EXPECT_EQ(radius_print_server_group_details(cmd.info(), cmd_paraminfo_to_rxhandle(cmd.info()), lab_group, {}),
              daemon_down);
    EXPECT_EQ(capture.finish(), member_broken);
    radsim::end_request();
}

}  // namespace
