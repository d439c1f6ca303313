// The server-group command, for what the shell transcripts (groups_*.in)
// cannot see: the store calls, in order (an existing group entered bare is
// not written, a vrf form is); the store unchanged by every refusal; the 65th
// member; duplicates before capacity; wrong types; injected store failures;
// a member server that cannot be deleted, and one that dangles all the same.
#include <gtest/gtest.h>
#include <functional>

#include "config/config_commands.h"
#include "config/server_group.h"
#include "tests/support/group_seed.hpp"

namespace {

using namespace radtest;

const std::string read_group = "cmi_radius_new_group_config op=1 mode=2";
const std::string write_group = "cmi_radius_new_group_config op=3 mode=2";
const char group_call[] = "cmi_radius_new_group_config";

// The parameters and form of one table row's command.
using build_fn = std::function<void(command &)>;

build_fn named(const char *group, bool no_form = false) {
    return [=](command &c) { c.text(PARAM_GROUP_NAME, group).info()->no_form = no_form; };
}

// The deadtime changes in memory first, so that refusing the server that
// follows must drop a change already made.
build_fn server(const char *group, const std::string &host, uint32_t kind = ADDR_KIND_IPV4, bool no = false) {
    return [=](command &c) {
        c.text(PARAM_GROUP_NAME, group).u32(PARAM_DEADTIME, 30).host(PARAM_GROUP_SERVER, host, kind).info()->no_form = no;
    };
}

using group_command = handler_test;

// Every row must leave the store byte for byte as it was: a refusal drops
// what the command had changed in memory, a vrf form writes the group back
// unchanged.  "lab" holds 10.0.0.1 and 10.0.0.2; 10.0.0.3 and a
// 255-character host name are in no group; "full" holds 10.0.1.1 to .64.
TEST_F(group_command, store_calls_and_messages) {
    radsim::load_factory_defaults();
    radsim::set_table_limits(70, 64);
    seed_group("lab", {seed_server("10.0.0.1"), seed_server("10.0.0.2")}, 10);
    seed_server("10.0.0.3");
    seed_server(std::string(255, 'x'));
    std::vector<uint32_t> full;
    for (int i = 1; i <= 64; ++i) full.push_back(seed_server("10.0.1." + std::to_string(i)));
    seed_group("full", full);
    struct command_case {
        const char *why;
        build_fn build;
        int32_t status;
        std::string printed;
        std::vector<std::string> calls;
        const char *faulted_call = nullptr;  // its nth call from now on returns `fault`
        unsigned nth = 0;
        int32_t fault = 0;
    };
    const std::string read_server = "cmi_radius_new_server_config op=1 mode=2";
    const std::string delete_group = "cmi_radius_new_group_config op=4 mode=2";
    const std::vector<std::string> written = {read_group, write_group};
    const std::vector<std::string> looked_up = {read_group, read_server};
    const std::string duplicate = "RADIUS group already contains the server\n";
    const command_case cases[] = {
        {"a no-op of the submode", [](command &c) { c.submode_noop().text(PARAM_GROUP_NAME, "lab"); }, 0, "", {}},
        {"entering an existing group", named("lab"), 0, "", {read_group}},
        {"a vrf name is a change", [](command &c) { c.text(PARAM_GROUP_NAME, "lab").text(PARAM_VRF_NAME, "blue"); }, 0, "", written},
        {"so is the management vrf, no form included",
         [](command &c) { c.no_form().text(PARAM_GROUP_NAME, "lab").keyword(PARAM_VRF_MANAGEMENT); }, 0, "", written},
        {"and the default vrf; ids of other commands are passed over",
         [](command &c) { c.no_form().text(PARAM_GROUP_NAME, "lab").keyword(PARAM_AUTHENTICATION).u32(PARAM_RETRANSMIT, 3).keyword(PARAM_VRF_DEFAULT); }, 0, "", written},
        {"not an IPv6 address", server("lab", "2001:db8::zz", ADDR_KIND_IPV6), 1, "invalid ipv6 address\n",
         {read_group}},
        // The text ends no line.
        {"an address kind the command does not know", server("lab", "10.0.0.3", 0x40000001), 1,
         "Invalid host address", {read_group}},
        {"no such server", server("lab", "10.9.9.9"), 1,
         "specified RADIUS server not found, first configure it using radius-server host ... and then retry\n",
         looked_up},
        {"the server cannot be read", server("lab", "10.0.0.3"), 1,
         daemon_down_text + "could not retrieve RADIUS server configuration\n", looked_up,
         "cmi_radius_new_server_config", 1, daemon_down},
        {"the group cannot be read: no server is looked up", server("lab", "10.0.0.3"), 1,
         daemon_down_text + "could not retrieve RADIUS group configuration\n", {read_group}, group_call, 1,
         daemon_down},
        {"the first member again", server("lab", "10.0.0.1"), 1, duplicate, looked_up},
        {"a 65th member", server("full", "10.0.0.3"), 1, "RADIUS group already contains maximum servers\n", looked_up},
        {"in a full group, a duplicate is named first", server("full", "10.0.1.1"), 1, duplicate, looked_up},
        // Found only when cut to the 255 characters the record holds.
        {"removing a server that is no member", server("lab", std::string(300, 'x'), ADDR_KIND_HOSTNAME, true), 1,
         "server not present in server-group\n", looked_up},
        {"the default group has no member list", server("radius", "10.0.0.1"), 1,
         "Not allowed to add or delete the server to this group\n", {read_group}},
        {"a group name must be text", [](command &c) { c.typed(PARAM_GROUP_NAME, PARAM_TYPE_U32, "lab"); }, 1, "", {}},
        {"a deadtime must be a number",
         [](command &c) { c.text(PARAM_GROUP_NAME, "lab").typed(PARAM_DEADTIME, PARAM_TYPE_TEXT, "30"); }, 1, "",
         {read_group}},
        {"a vrf name must be text", [](command &c) { c.text(PARAM_GROUP_NAME, "lab").typed(PARAM_VRF_NAME, PARAM_TYPE_U32, "v"); },
         1, "", {read_group}},
        {"the group table is full", named("new"), 255, "maximum number of RADIUS server groups already configured\n",
         written, group_call, 2, RADIUS_ERR_GROUP_TABLE_FULL},
        {"the write fails otherwise", named("new"), 255,
         "RADIUS configuration store: out of memory\nconfiguration for group new could not be updated\n", written,
         group_call, 2, 0x409d0009},
        {"a failed deletion is reported, yet the command succeeds", named("lab", true), 0,
         daemon_down_text + "configuration for group lab could not be removed\n", {read_group, delete_group},
         group_call, 2, daemon_down},
    };
    const radsim::stored_config before = radsim::stored();
    for (const command_case &c : cases) {
        SCOPED_TRACE(c.why);
        radsim::clear_call_log();
        if (c.faulted_call != nullptr) radsim::inject_fault(c.faulted_call, c.nth, c.fault);
        command cmd;
        c.build(cmd);
        const auto [status, out] = cmd.run(&config_radius_new_server_group);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(out, c.printed);
        EXPECT_EQ(logged_calls("cmi_"), c.calls);
        EXPECT_EQ(radsim::stored(), before);
    }
}

// The store keeps every member's server: the server command cannot delete
// one and passes on the store's words naming the group, yet succeeds, as a
// failed deletion does.  A member that dangles all the same (only a test
// can make one) is no server the group command can find, so its slot stays
// until the group goes.
TEST_F(group_command, a_member_server_stays_and_a_dangling_member_stays_until_its_group_goes) {
    const uint32_t gone = seed_server("10.0.0.1");
    seed_group("lab", {gone, seed_server("10.0.0.2")});
    const radsim::stored_config before = radsim::stored();
    command delete_member;
    delete_member.no_form().host(PARAM_SERVER_HOST, "10.0.0.1", ADDR_KIND_IPV4);
    const auto [deleted, deletion_report] = delete_member.run(&config_radius_server);
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(deletion_report,
              "RADIUS configuration store: server 10.0.0.1 is a member of group lab; remove it from the group first\n"
              "configuration for 10.0.0.1 could not be removed\n");
    EXPECT_EQ(radsim::stored(), before);

    radsim::remove_server(gone);
    const radsim::stored_config dangling = radsim::stored();
    command free_slot;
    server("lab", "10.0.0.1", ADDR_KIND_IPV4, true)(free_slot);
    const auto [freed, refusal] = free_slot.run(&config_radius_new_server_group);
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(refusal,
              "specified RADIUS server not found, first configure it using radius-server host ... and then retry\n");
    EXPECT_EQ(radsim::stored(), dangling);
    command delete_group;
    named("lab", true)(delete_group);
    EXPECT_EQ(delete_group.run(&config_radius_new_server_group).status, 0);
    EXPECT_FALSE(radsim::stored().running.groups.contains("lab"));
}

}  // namespace
