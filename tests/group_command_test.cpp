// The server-group command against the simulated store: what lands in the
// store (or does not), the exact messages, the statuses 0, 1 and 255, and
// the order of store calls (the group is read by name before any server is
// looked up, and written or deleted last).  Covered: a new group versus an
// existing one entered with no parameters (written or not), adding by each
// address kind, the 64th and 65th member, duplicates refused before
// capacity, removal keeping order, the default group's refusals, deadtime,
// deletion, and that every refusal leaves the store as it was even after
// earlier parameters had changed the group in memory.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/server_group.h"
#include "tests/support/command.hpp"
#include "tests/support/group_seed.hpp"

namespace {

using radtest::command;
using radtest::seed_group;
using radtest::seed_server;
using ::testing::ElementsAre;

constexpr int32_t group_name = 1000;
constexpr int32_t server_host = 1001;
constexpr int32_t group_deadtime = 1005;
constexpr radius_handler_fn handler = &config_radius_new_server_group;
constexpr int32_t daemon_down = 0x409d0008;
const std::string daemon_down_text = "RADIUS configuration store: daemon not responding\n";

const std::string read_group = "cmi_radius_new_group_config op=1 mode=2";
const std::string write_group = "cmi_radius_new_group_config op=3 mode=2";
const std::string delete_group = "cmi_radius_new_group_config op=4 mode=2";
const std::string read_server = "cmi_radius_new_server_config op=1 mode=2";

class group_command : public radtest::handler_test {
protected:
    void SetUp() override {
        handler_test::SetUp();
        radsim::load_factory_defaults();
    }

    static const radius_group_cfg *stored(const std::string &name) {
        const auto &groups = radsim::store().running().groups;
        const auto it = groups.find(name);
        return it == groups.end() ? nullptr : &it->second;
    }
    static std::vector<uint32_t> members(const std::string &name) {
        const radius_group_cfg *group = stored(name);
        return group == nullptr ? std::vector<uint32_t>{}
                                : std::vector<uint32_t>(group->members, group->members + group->member_count);
    }
    // The store calls made so far, as "call args".
    static std::vector<std::string> store_calls() {
        std::vector<std::string> calls;
        for (const auto &call : radsim::call_log()) {
            if (call.name.starts_with("cmi_")) calls.push_back(call.name + " " + call.args);
        }
        return calls;
    }
};

TEST_F(group_command, submode_noop_does_nothing) {
    EXPECT_EQ(command().submode_noop().text(group_name, "lab").run(handler).status, 0);
    EXPECT_TRUE(radsim::call_log().empty());
}

TEST_F(group_command, a_new_group_is_created_empty_and_an_existing_one_entered_without_a_write) {
    radtest::outcome result = command().text(group_name, "lab").run(handler);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    radius_group_cfg expected{};
    std::strcpy(expected.name, "lab");
    ASSERT_NE(stored("lab"), nullptr);
    EXPECT_TRUE(radsim::same_bytes(*stored("lab"), expected));
    EXPECT_THAT(store_calls(), ElementsAre(read_group, write_group));

    radsim::clear_call_log();
    result = command().text(group_name, "lab").run(handler);
    EXPECT_EQ(result.status, 0);
    EXPECT_THAT(store_calls(), ElementsAre(read_group));
}

TEST_F(group_command, vrf_parameters_write_the_group_unchanged_and_keep_it_in_the_no_form) {
    seed_group("lab", {seed_server("10.0.0.1")}, 12);
    const radsim::config_tables before = radsim::store().running();
    for (const bool no_form : {false, true}) {
        for (const auto &[id, type] : {std::pair{51, PARAM_TYPE_TEXT}, {52, 0u}, {53, 0u}}) {
            SCOPED_TRACE("vrf id " + std::to_string(id) + (no_form ? " no form" : ""));
            radsim::clear_call_log();
            command cmd;
            if (no_form) cmd.no_form();
            EXPECT_EQ(cmd.text(group_name, "lab").typed(id, type, "management").run(handler).status, 0);
            EXPECT_THAT(store_calls(), ElementsAre(read_group, write_group));
            EXPECT_EQ(radsim::store().running(), before);
        }
    }
}

TEST_F(group_command, servers_are_added_by_ipv4_ipv6_and_host_name) {
    struct add_case {
        std::string typed;
        uint32_t addr_kind;
        std::string configured;
    };
    const add_case cases[] = {
        {"10.1.1.1", ADDR_KIND_IPV4, "10.1.1.1"},
        {"2001:DB8:0:0:0:0:0:1", ADDR_KIND_IPV6, "2001:db8::1"},  // looked up in its normal form
        {"radius.example.net", ADDR_KIND_HOSTNAME, "radius.example.net"},
        {std::string(300, 'x'), ADDR_KIND_HOSTNAME, std::string(255, 'x')},  // cut to 255 characters
    };
    const uint32_t first = seed_server("10.0.0.1");
    for (const add_case &c : cases) {
        SCOPED_TRACE(c.configured);
        const uint32_t index = seed_server(c.configured);
        seed_group("lab", {first}, 8);
        radsim::clear_call_log();
        const auto [status, out] =
            command().text(group_name, "lab").host(server_host, c.typed, c.addr_kind).run(handler);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(out, "");
        EXPECT_THAT(members("lab"), ElementsAre(first, index));
        EXPECT_EQ(stored("lab")->deadtime, 8u);
        EXPECT_THAT(store_calls(), ElementsAre(read_group, read_server, write_group));
    }
}

// Each command first changes the deadtime in memory, then names one server.
TEST_F(group_command, a_refused_server_leaves_the_store_as_it_was) {
    struct refusal_case {
        const char *why;
        const char *group;
        bool no_form;
        std::string host;
        uint32_t addr_kind;
        bool read_fails;
        std::string printed;
    };
    const std::string not_allowed = "Not allowed to add or delete the server to this group\n";
    const refusal_case cases[] = {
        {"not an IPv6 address", "lab", false, "2001:db8::zz", ADDR_KIND_IPV6, false, "invalid ipv6 address\n"},
        // The text ends no line.
        {"an address kind the command does not know", "lab", false, "10.0.0.3", 0x40000001, false,
         "Invalid host address"},
        {"no such server configured", "lab", false, "10.9.9.9", ADDR_KIND_IPV4, false,
         "specified RADIUS server not found, first configure it using radius-server host ... and then retry\n"},
        {"the server cannot be read", "lab", false, "10.0.0.3", ADDR_KIND_IPV4, true,
         daemon_down_text + "could not retrieve RADIUS server configuration\n"},
        {"the first member again", "lab", false, "10.0.0.1", ADDR_KIND_IPV4, false,
         "RADIUS group already contains the server\n"},
        {"removing a configured server that is no member", "lab", true, "10.0.0.3", ADDR_KIND_IPV4, false,
         "server not present in server-group\n"},
        {"removing from a group without members", "empty", true, "10.0.0.1", ADDR_KIND_IPV4, false,
         "server not present in server-group\n"},
        {"the default group stands for all servers", "radius", false, "10.0.0.1", ADDR_KIND_IPV4, false,
         not_allowed},
        {"nor can one be removed from it", "radius", true, "10.0.0.1", ADDR_KIND_IPV4, false, not_allowed},
    };
    seed_group("lab", {seed_server("10.0.0.1"), seed_server("10.0.0.2")}, 10);
    seed_group("empty", {}, 10);
    seed_server("10.0.0.3");
    const radsim::config_tables before = radsim::store().running();
    for (const refusal_case &c : cases) {
        SCOPED_TRACE(c.why);
        radsim::clear_call_log();
        if (c.read_fails) radsim::inject_fault("cmi_radius_new_server_config", 1, daemon_down);
        command cmd;
        if (c.no_form) cmd.no_form();
        cmd.text(group_name, c.group).u32(group_deadtime, 30).host(server_host, c.host, c.addr_kind);
        const auto [status, out] = cmd.run(handler);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(out, c.printed);
        EXPECT_EQ(radsim::store().running(), before);
        EXPECT_THAT(store_calls(), ::testing::Not(::testing::Contains(write_group)));
    }
}

TEST_F(group_command, the_64th_member_fits_a_65th_does_not_and_a_duplicate_says_so_first) {
    radsim::store().set_limits(65, 64);
    std::vector<uint32_t> servers;
    for (int i = 1; i <= 65; ++i) servers.push_back(seed_server("10.0.1." + std::to_string(i)));
    seed_group("big", {servers.begin(), servers.begin() + 63});
    auto add = [](const char *host) {
        return command().text(group_name, "big").host(server_host, host, ADDR_KIND_IPV4).run(handler);
    };

    radtest::outcome result = add("10.0.1.64");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(members("big"), std::vector<uint32_t>(servers.begin(), servers.begin() + 64));

    const radsim::config_tables full = radsim::store().running();
    result = add("10.0.1.65");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "RADIUS group already contains maximum servers\n");
    result = add("10.0.1.1");
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "RADIUS group already contains the server\n");
    EXPECT_EQ(radsim::store().running(), full);
}

TEST_F(group_command, removing_a_member_keeps_the_others_in_order) {
    const std::vector<std::string> hosts = {"10.0.0.1", "10.0.0.2", "10.0.0.3"};
    const uint32_t a = seed_server(hosts[0]), b = seed_server(hosts[1]), c = seed_server(hosts[2]);
    struct removal_case {
        std::vector<uint32_t> before;
        size_t removed;
        std::vector<uint32_t> after;
    };
    const removal_case cases[] = {
        {{a}, 0, {}}, {{a, b, c}, 1, {a, c}}, {{a, b, c}, 0, {b, c}}, {{a, b, c}, 2, {a, b}}};
    for (const removal_case &row : cases) {
        SCOPED_TRACE("removing " + hosts[row.removed]);
        seed_group("lab", row.before, 6);
        const auto [status, out] = command()
                                       .no_form()
                                       .text(group_name, "lab")
                                       .host(server_host, hosts[row.removed], ADDR_KIND_IPV4)
                                       .run(handler);
        EXPECT_EQ(status, 0);
        EXPECT_EQ(out, "");
        ASSERT_NE(stored("lab"), nullptr);  // removing a server never deletes the group
        EXPECT_EQ(members("lab"), row.after);
        EXPECT_EQ(stored("lab")->deadtime, 6u);
        EXPECT_EQ(stored("lab")->members[row.after.size()], 0u);  // no stale index left behind
    }
}

TEST_F(group_command, deadtime_is_set_and_its_no_form_stores_zero_whatever_it_carries) {
    const uint32_t member = seed_server("10.0.0.1");
    seed_group("lab", {member});
    // Ids of other commands (17, 20) are passed over.
    radtest::outcome result =
        command().text(group_name, "lab").keyword(17).u32(20, 3).u32(group_deadtime, 30).run(handler);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(stored("lab")->deadtime, 30u);

    result = command().no_form().text(group_name, "lab").u32(group_deadtime, 99).run(handler);
    EXPECT_EQ(result.status, 0);
    ASSERT_NE(stored("lab"), nullptr);  // not a deletion
    EXPECT_EQ(stored("lab")->deadtime, 0u);
    EXPECT_THAT(members("lab"), ElementsAre(member));

    result = command().text(group_name, "radius").u32(group_deadtime, 20).run(handler);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(stored("radius")->deadtime, 20u);  // the default group takes one too
}

TEST_F(group_command, parameters_of_the_wrong_type_fail_silently) {
    struct type_case {
        const char *why;
        int32_t id;
        uint32_t type;
        std::vector<std::string> calls;  // the group is read only after every name was taken
    };
    const type_case cases[] = {
        {"a group name must be text", group_name, PARAM_TYPE_U32, {}},
        {"the deadtime must be a number", group_deadtime, PARAM_TYPE_TEXT, {read_group}},
        {"the vrf name must be text", 51, PARAM_TYPE_U32, {read_group}},
    };
    seed_group("lab", {}, 4);
    const radsim::config_tables before = radsim::store().running();
    for (const type_case &c : cases) {
        SCOPED_TRACE(c.why);
        radsim::clear_call_log();
        const auto [status, out] = command().text(group_name, "lab").typed(c.id, c.type, "30").run(handler);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(out, "");
        EXPECT_EQ(radsim::store().running(), before);
        EXPECT_EQ(store_calls(), c.calls);
    }
}

TEST_F(group_command, the_no_form_deletes_the_group_unless_it_is_absent_or_the_default) {
    struct deletion_case {
        const char *why;
        const char *name;
        bool delete_fails;
        int32_t status;
        std::string printed;
        bool deleted;
    };
    const deletion_case cases[] = {
        {"the store refuses: reported, yet the command succeeds", "lab", true, 0,
         daemon_down_text + "configuration for group lab could not be removed\n", false},
        {"no such group: the read's result is shown", "gone", false, 1,
         "RADIUS configuration store: server group not found\n"
         "configuration for group gone not present\n",
         false},
        {"the default group stays", "radius", false, 1, "default group radius delete not allowed\n", false},
        {"an existing group goes", "lab", false, 0, "", true},
    };
    seed_group("lab", {}, 3);
    for (const deletion_case &c : cases) {
        SCOPED_TRACE(c.why);
        const radsim::config_tables before = radsim::store().running();
        radsim::clear_call_log();
        if (c.delete_fails) radsim::inject_fault("cmi_radius_new_group_config", 2, daemon_down);
        const auto [status, out] = command().no_form().text(group_name, c.name).run(handler);
        EXPECT_EQ(status, c.status);
        EXPECT_EQ(out, c.printed);
        if (c.deleted) {
            EXPECT_EQ(stored(c.name), nullptr);
            EXPECT_THAT(store_calls(), ElementsAre(read_group, delete_group));
        } else {
            EXPECT_EQ(radsim::store().running(), before);
        }
    }
}

TEST_F(group_command, a_failed_write_returns_255) {
    struct write_case {
        const char *why;
        bool table_full;
        std::string printed;
    };
    const write_case cases[] = {
        {"the store holds as many groups as it can", true,
         "maximum number of RADIUS server groups already configured\n"},
        {"any other store failure", false,
         "RADIUS configuration store: out of memory\nconfiguration for group lab could not be updated\n"},
    };
    for (const write_case &c : cases) {
        SCOPED_TRACE(c.why);
        radsim::store().set_limits(64, c.table_full ? 1 : 64);  // "radius" takes the one place
        if (!c.table_full) radsim::inject_fault("cmi_radius_new_group_config", 2, 0x409d0009);
        const auto [status, out] = command().text(group_name, "lab").run(handler);
        EXPECT_EQ(status, 255);
        EXPECT_EQ(out, c.printed);
        EXPECT_EQ(stored("lab"), nullptr);
    }
}

TEST_F(group_command, a_failed_group_read_ends_the_command_before_any_server_is_read) {
    seed_server("10.0.0.1");
    radsim::inject_fault("cmi_radius_new_group_config", 1, daemon_down);
    const auto [status, out] =
        command().text(group_name, "lab").host(server_host, "10.0.0.1", ADDR_KIND_IPV4).run(handler);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, daemon_down_text + "could not retrieve RADIUS group configuration\n");
    EXPECT_THAT(store_calls(), ElementsAre(read_group));
}

}  // namespace
