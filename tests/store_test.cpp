// The simulated configuration store keeps the contract the library relies
// on: op and result codes, server indexes, lookup by index or host, walk
// order, table limits, the pending copy of a distribution session, no
// deletion of a group's member, faults that change nothing, and the check
// of the caller's request context.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "platform/store_client.h"
#include "platform/system_services.h"
#include "tests/support/command.hpp"

namespace {

using ::testing::ElementsAre;

class store : public radtest::handler_test {
protected:
    void SetUp() override {
        handler_test::SetUp();
        radsim::begin_request(cmd_.info());
    }
    void TearDown() override {
        radsim::end_request();
        handler_test::TearDown();
    }

    int32_t server_op(uint32_t op, radius_server_cfg *cfg) {
        return cmi_radius_new_server_config(radtest::test_session, op, cfg, 2, &cmd_.info()->msg_ctx_a,
                                            &cmd_.info()->msg_ctx_b);
    }
    int32_t group_op(uint32_t op, const char *name) {
        radius_group_cfg group{};
        std::strcpy(group.name, name);
        return cmi_radius_new_group_config(radtest::test_session, op, &group, 2, &cmd_.info()->msg_ctx_a,
                                           &cmd_.info()->msg_ctx_b);
    }
    int32_t item_op(uint32_t op, uint32_t item, uint32_t *value) {
        return cmi_radius_new_enable_info_config(radtest::test_session, op, item, value, 1,
                                                 &cmd_.info()->msg_ctx_a, &cmd_.info()->msg_ctx_b);
    }
    int32_t server_at(uint32_t op, const char *host, uint32_t index = 0) {
        radius_server_cfg server{};
        std::strcpy(server.host, host);
        server.index = index;
        return server_op(op, &server);
    }
    std::vector<std::string> walk_hosts(uint32_t op) {
        std::vector<std::string> hosts;
        radius_server_cfg server{};
        while (server_op(op, &server) == 0) hosts.push_back(server.host);
        return hosts;
    }

    radtest::command cmd_;
};

TEST_F(store, result_codes_of_each_table) {
    radsim::set_table_limits(2, 1);
    uint32_t value = 1;
    const struct {
        const char *what;
        int32_t got, expected;
    } cases[] = {
        {"new server", server_at(RADIUS_OP_WRITE, "a"), 0},
        {"second server", server_at(RADIUS_OP_WRITE, "b"), 0},
        {"table full", server_at(RADIUS_OP_WRITE, "c"), RADIUS_ERR_SERVER_TABLE_FULL},
        {"a full table takes rewrites", server_at(RADIUS_OP_WRITE, "a"), 0},
        {"unknown host", server_at(RADIUS_OP_READ, "c"), RADIUS_ERR_SERVER_NOT_FOUND},
        {"unknown index", server_at(RADIUS_OP_READ, "", 77), RADIUS_ERR_SERVER_NOT_FOUND},
        {"by index", server_at(RADIUS_OP_READ, "", 2), 0},
        {"delete", server_at(RADIUS_OP_DELETE, "a"), 0},
        {"delete again", server_at(RADIUS_OP_DELETE, "a"), RADIUS_ERR_SERVER_NOT_FOUND},
        {"no pending copy", server_at(RADIUS_OP_READ_PENDING, "b"), RADIUS_ERR_NO_PENDING},
        {"group absent", group_op(RADIUS_OP_READ, "g"), RADIUS_ERR_GROUP_NOT_FOUND},
        {"group written", group_op(RADIUS_OP_WRITE, "g"), 0},
        {"group table full", group_op(RADIUS_OP_WRITE, "h"), RADIUS_ERR_GROUP_TABLE_FULL},
        {"last group", group_op(RADIUS_OP_READ_NEXT, "g"), RADIUS_ERR_NO_MORE_GROUPS},
        {"group deleted", group_op(RADIUS_OP_DELETE, "g"), 0},
        {"item absent", item_op(RADIUS_OP_READ, RADIUS_ITEM_DEBUG, &value), RADIUS_ERR_ITEM_NOT_PRESENT},
        {"item written", item_op(RADIUS_OP_WRITE, RADIUS_ITEM_DEBUG, &value), 0},
        {"item op 4", item_op(RADIUS_OP_DELETE, RADIUS_ITEM_DEBUG, &value), radsim::store_err_invalid_request},
    };
    for (const auto &c : cases) EXPECT_EQ(c.got, c.expected) << c.what;
}

TEST_F(store, global_reads_carry_the_store_counts) {
    server_at(RADIUS_OP_WRITE, "10.0.0.1");
    radsim::load_factory_defaults();
    radius_global_cfg global{};
    ASSERT_EQ(cmi_radius_new_global_config(radtest::test_session, RADIUS_OP_READ, &global, 1,
                                           &cmd_.info()->msg_ctx_a, &cmd_.info()->msg_ctx_b), 0);
    EXPECT_EQ(global.server_count, 1u);
    EXPECT_EQ(global.group_count, 1u);
    EXPECT_EQ(global.timeout, 5u) << "a fresh switch's default";
}

TEST_F(store, walk_keeps_creation_order_and_new_indexes) {
    radius_server_cfg server{};
    std::strcpy(server.host, "c");
    server_op(RADIUS_OP_WRITE, &server);
    const uint32_t first_index = server.index;
    server_at(RADIUS_OP_WRITE, "a");
    server_at(RADIUS_OP_WRITE, "b");
    server_at(RADIUS_OP_DELETE, "a");
    server_at(RADIUS_OP_WRITE, "a");  // a new index: it walks last
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT), ElementsAre("c", "b", "a"));
    EXPECT_EQ(server_at(RADIUS_OP_READ_NEXT, "a"), RADIUS_ERR_NO_MORE_SERVERS);
    server_op(RADIUS_OP_WRITE, &server);
    EXPECT_EQ(server.index, first_index) << "rewriting keeps the index";
}

TEST_F(store, distribution_sends_writes_to_the_pending_copy) {
    server_at(RADIUS_OP_WRITE, "running-only");
    uint32_t enabled = 1;
    item_op(RADIUS_OP_WRITE, RADIUS_ITEM_DISTRIBUTION, &enabled);
    server_at(RADIUS_OP_WRITE, "pending-only");
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT), ElementsAre("running-only"));
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT_PENDING), ElementsAre("running-only", "pending-only"));
    radsim::commit_distribution_session();
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT), ElementsAre("running-only", "pending-only"));
    EXPECT_EQ(server_at(RADIUS_OP_READ_PENDING, "pending-only"), RADIUS_ERR_NO_PENDING);
    // A refused write opens no session; a later one does, and abort drops it.
    EXPECT_EQ(group_op(RADIUS_OP_WRITE, ""), radsim::store_err_invalid_request);
    EXPECT_FALSE(radsim::stored().pending);
    server_at(RADIUS_OP_DELETE, "running-only");
    radsim::abort_distribution_session();
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT), ElementsAre("running-only", "pending-only"));
    EXPECT_EQ(server_at(RADIUS_OP_READ_PENDING, "pending-only"), RADIUS_ERR_NO_PENDING);
}

// No group may list a server the store no longer has.  A refused deletion
// names the server and its first group by name, changes nothing and opens
// no distribution session; a slot past a group's member count holds no
// member, and a server out of every group goes.
TEST_F(store, a_member_of_a_group_is_not_deleted) {
    const auto group = [](const char *name, std::vector<uint32_t> slots, int32_t member_count) {
        radius_group_cfg record{};
        std::strcpy(record.name, name);
        std::copy(slots.begin(), slots.end(), record.members);
        record.member_count = member_count;
        radsim::seed_group(record);
    };
    server_at(RADIUS_OP_WRITE, "10.0.0.1");
    server_at(RADIUS_OP_WRITE, "10.0.0.2");
    group("g2", {2, 1}, 1);
    group("g1", {1}, 1);
    group("g0", {}, 0);
    uint32_t enabled = 1;
    item_op(RADIUS_OP_WRITE, RADIUS_ITEM_DISTRIBUTION, &enabled);
    const radsim::stored_config before = radsim::stored();
    const char *const refusals[][2] = {
        {"10.0.0.1", "RADIUS configuration store: server 10.0.0.1 is a member of group g1; remove it from the group first"},
        {"10.0.0.2", "RADIUS configuration store: server 10.0.0.2 is a member of group g2; remove it from the group first"},
    };
    for (const auto &[host, text] : refusals) {
        EXPECT_EQ(server_at(RADIUS_OP_DELETE, host), radsim::store_err_server_in_group) << host;
        EXPECT_STREQ(syserr2str(radsim::store_err_server_in_group), text);
    }
    EXPECT_EQ(radsim::stored(), before);
    group("g1", {}, 0);
    EXPECT_EQ(server_at(RADIUS_OP_DELETE, "10.0.0.1"), 0) << "g2's slot 1 is past its member count";
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT_PENDING), ElementsAre("10.0.0.2"));
}

// Seeds take the store's own rules, and say so when it refuses them.
TEST_F(store, seeds_go_where_they_are_told_by_the_rules_of_a_write) {
    radsim::set_table_limits(1, 64);
    radius_server_cfg server{};
    std::strcpy(server.host, "a");
    EXPECT_EQ(radsim::seed_server(server), 1u);
    EXPECT_EQ(radsim::seed_server(server), 1u) << "the same host keeps its index";
    std::strcpy(server.host, "b");
    EXPECT_THROW(radsim::seed_server(server), std::invalid_argument) << "the table is full";
    EXPECT_THROW(radsim::seed_group(radius_group_cfg{}), std::invalid_argument) << "a group needs a name";
    radius_global_cfg global{};
    global.server_count = 7;  // the store's own count, not the seed's
    radsim::seed_global(global, radsim::store_copy::pending);
    const radsim::stored_config seeded = radsim::stored();
    ASSERT_TRUE(seeded.pending);
    EXPECT_EQ(seeded.pending->servers.size(), 1u) << "seeding the pending copy opens a session";
    EXPECT_EQ(seeded.pending->global.server_count, 0u);
    EXPECT_EQ(seeded.running.global.timeout, 5u);
    EXPECT_TRUE(radsim::call_log().empty()) << "seeds are no platform calls";
}

TEST_F(store, injected_fault_hits_the_nth_call_only_and_is_logged) {
    radsim::inject_fault("cmi_radius_new_server_config", 2, 0x409d0008);
    server_at(RADIUS_OP_WRITE, "a");
    EXPECT_EQ(server_at(RADIUS_OP_WRITE, "b"), 0x409d0008);
    server_at(RADIUS_OP_WRITE, "c");
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT), ElementsAre("a", "c"));
    EXPECT_EQ(radsim::call_log()[1].args, "op=3 mode=2");
}

TEST_F(store, foreign_context_or_session_is_a_violation) {
    radius_global_cfg global{};
    cmd_msg_ctx other_a{}, other_b{};
    cmi_radius_new_global_config(radtest::test_session, RADIUS_OP_READ, &global, 1, &other_a, &other_b);
    cmi_radius_new_global_config(radtest::test_session + 1, RADIUS_OP_READ, &global, 1,
                                 &cmd_.info()->msg_ctx_a, &cmd_.info()->msg_ctx_b);
    EXPECT_THAT(radsim::contract_violations(),
                ElementsAre("cmi_radius_new_global_config: context blocks not those of the request",
                            "cmi_radius_new_global_config: foreign session handle"));
    radsim::reset();  // these violations were the point of the test
}

}  // namespace
