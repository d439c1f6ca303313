// The simulated configuration store keeps the contract the library relies
// on: op codes and result codes, server indexes, lookup by index or host,
// walk order, table limits, the pending copy of a distribution session, and
// the test controls (fault injection, call log, contract checks).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/store_client.h"
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

    int32_t server_op(uint32_t op, radius_server_cfg *cfg, uint32_t mode = 2) {
        return cmi_radius_new_server_config(radtest::test_session, op, cfg, mode, &cmd_.info()->msg_ctx_a,
                                            &cmd_.info()->msg_ctx_b);
    }
    int32_t group_op(uint32_t op, radius_group_cfg *cfg) {
        return cmi_radius_new_group_config(radtest::test_session, op, cfg, 2, &cmd_.info()->msg_ctx_a,
                                           &cmd_.info()->msg_ctx_b);
    }
    int32_t global_op(uint32_t op, radius_global_cfg *cfg) {
        return cmi_radius_new_global_config(radtest::test_session, op, cfg, 1, &cmd_.info()->msg_ctx_a,
                                            &cmd_.info()->msg_ctx_b);
    }
    int32_t item_op(uint32_t op, uint32_t item, uint32_t *value) {
        return cmi_radius_new_enable_info_config(radtest::test_session, op, item, value, 1,
                                                 &cmd_.info()->msg_ctx_a, &cmd_.info()->msg_ctx_b);
    }
    uint32_t add_server(const char *host) {
        radius_server_cfg server{};
        std::strcpy(server.host, host);
        EXPECT_EQ(server_op(RADIUS_OP_WRITE, &server), 0);
        return server.index;
    }
    std::vector<std::string> walk_hosts(uint32_t op) {
        std::vector<std::string> hosts;
        radius_server_cfg server{};
        while (server_op(op, &server) == 0) hosts.push_back(server.host);
        return hosts;
    }

    radtest::command cmd_;
};

TEST_F(store, global_reads_defaults_and_counts) {
    radius_global_cfg global{};
    ASSERT_EQ(global_op(RADIUS_OP_READ, &global), 0);
    EXPECT_EQ(global.timeout, 5u);
    EXPECT_EQ(global.retransmit, 1u);
    EXPECT_EQ(global.deadtime, 0u);
    EXPECT_EQ(global.server_count, 0u);

    add_server("10.0.0.1");
    add_server("10.0.0.2");
    radsim::load_factory_defaults();
    global.timeout = 30;
    global.server_count = 99;  // the caller's counts are not stored
    ASSERT_EQ(global_op(RADIUS_OP_WRITE, &global), 0);
    radius_global_cfg again{};
    ASSERT_EQ(global_op(RADIUS_OP_READ, &again), 0);
    EXPECT_EQ(again.timeout, 30u);
    EXPECT_EQ(again.server_count, 2u);
    EXPECT_EQ(again.group_count, 1u);
    EXPECT_EQ(global_op(RADIUS_OP_DELETE, &again), radsim::store_err_invalid_request);
}

TEST_F(store, servers_get_indexes_and_are_found_by_index_or_host) {
    const uint32_t first = add_server("10.0.0.1");
    const uint32_t second = add_server("radius.example.com");
    EXPECT_NE(first, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(add_server("10.0.0.1"), first);  // rewriting keeps the index

    radius_server_cfg by_index{};
    by_index.index = second;
    ASSERT_EQ(server_op(RADIUS_OP_READ, &by_index), 0);
    EXPECT_STREQ(by_index.host, "radius.example.com");

    radius_server_cfg by_host{};
    std::strcpy(by_host.host, "10.0.0.1");
    ASSERT_EQ(server_op(RADIUS_OP_READ, &by_host), 0);
    EXPECT_EQ(by_host.index, first);

    radius_server_cfg unknown{};
    std::strcpy(unknown.host, "10.9.9.9");
    EXPECT_EQ(server_op(RADIUS_OP_READ, &unknown), RADIUS_ERR_SERVER_NOT_FOUND);
    unknown.index = 77;
    EXPECT_EQ(server_op(RADIUS_OP_READ, &unknown), RADIUS_ERR_SERVER_NOT_FOUND);
}

TEST_F(store, server_walk_is_stable_and_ends_with_its_code) {
    add_server("c");
    add_server("a");
    add_server("b");
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT), ElementsAre("c", "a", "b"));

    radius_server_cfg removed{};
    std::strcpy(removed.host, "a");
    ASSERT_EQ(server_op(RADIUS_OP_DELETE, &removed), 0);
    EXPECT_EQ(server_op(RADIUS_OP_DELETE, &removed), RADIUS_ERR_SERVER_NOT_FOUND);
    add_server("a");  // a new index: it walks last
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT), ElementsAre("c", "b", "a"));

    radius_server_cfg last{};
    std::strcpy(last.host, "a");
    EXPECT_EQ(server_op(RADIUS_OP_READ_NEXT, &last), RADIUS_ERR_NO_MORE_SERVERS);
}

TEST_F(store, server_table_full) {
    radsim::store().set_limits(2, 64);
    add_server("a");
    add_server("b");
    radius_server_cfg third{};
    std::strcpy(third.host, "c");
    EXPECT_EQ(server_op(RADIUS_OP_WRITE, &third), RADIUS_ERR_SERVER_TABLE_FULL);
    EXPECT_EQ(add_server("a"), 1u);  // a full table still takes rewrites
}

TEST_F(store, groups_by_name_walk_in_name_order_and_fill_up) {
    radsim::store().set_limits(64, 2);
    radius_group_cfg group{};
    std::strcpy(group.name, "zeta");
    EXPECT_EQ(group_op(RADIUS_OP_READ, &group), RADIUS_ERR_GROUP_NOT_FOUND);
    group.member_count = 1;
    group.members[0] = 5;
    ASSERT_EQ(group_op(RADIUS_OP_WRITE, &group), 0);
    std::strcpy(group.name, "alpha");
    ASSERT_EQ(group_op(RADIUS_OP_WRITE, &group), 0);
    std::strcpy(group.name, "mid");
    EXPECT_EQ(group_op(RADIUS_OP_WRITE, &group), RADIUS_ERR_GROUP_TABLE_FULL);

    std::vector<std::string> names;
    radius_group_cfg walk{};
    int32_t rc;
    while ((rc = group_op(RADIUS_OP_READ_NEXT, &walk)) == 0) names.push_back(walk.name);
    EXPECT_EQ(rc, RADIUS_ERR_NO_MORE_GROUPS);
    EXPECT_THAT(names, ElementsAre("alpha", "zeta"));

    radius_group_cfg read{};
    std::strcpy(read.name, "zeta");
    ASSERT_EQ(group_op(RADIUS_OP_READ, &read), 0);
    EXPECT_EQ(read.members[0], 5u);
    ASSERT_EQ(group_op(RADIUS_OP_DELETE, &read), 0);
    EXPECT_EQ(group_op(RADIUS_OP_DELETE, &read), RADIUS_ERR_GROUP_NOT_FOUND);
}

TEST_F(store, enable_items_are_absent_until_written) {
    uint32_t value = 5;
    EXPECT_EQ(item_op(RADIUS_OP_READ, RADIUS_ITEM_DEBUG, &value), RADIUS_ERR_ITEM_NOT_PRESENT);
    value = 1;
    ASSERT_EQ(item_op(RADIUS_OP_WRITE, RADIUS_ITEM_DEBUG, &value), 0);
    value = 0;
    ASSERT_EQ(item_op(RADIUS_OP_READ, RADIUS_ITEM_DEBUG, &value), 0);
    EXPECT_EQ(value, 1u);
    EXPECT_EQ(item_op(RADIUS_OP_DELETE, RADIUS_ITEM_DEBUG, &value), radsim::store_err_invalid_request);
}

TEST_F(store, pending_reads_need_an_open_session) {
    radius_global_cfg global{};
    radius_server_cfg server{};
    radius_group_cfg group{};
    EXPECT_EQ(global_op(RADIUS_OP_READ_PENDING, &global), RADIUS_ERR_NO_PENDING);
    EXPECT_EQ(server_op(RADIUS_OP_READ_PENDING, &server), RADIUS_ERR_NO_PENDING);
    EXPECT_EQ(server_op(RADIUS_OP_READ_NEXT_PENDING, &server), RADIUS_ERR_NO_PENDING);
    EXPECT_EQ(group_op(RADIUS_OP_READ_NEXT_PENDING, &group), RADIUS_ERR_NO_PENDING);
}

TEST_F(store, distribution_sends_writes_to_the_pending_copy) {
    add_server("running-only");
    uint32_t enabled = 1;
    ASSERT_EQ(item_op(RADIUS_OP_WRITE, RADIUS_ITEM_DISTRIBUTION, &enabled), 0);
    add_server("pending-only");
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT), ElementsAre("running-only"));
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT_PENDING), ElementsAre("running-only", "pending-only"));

    radsim::store().commit_session();
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT), ElementsAre("running-only", "pending-only"));
    radius_global_cfg global{};
    EXPECT_EQ(global_op(RADIUS_OP_READ_PENDING, &global), RADIUS_ERR_NO_PENDING);
}

TEST_F(store, injected_fault_hits_the_nth_call_and_changes_nothing) {
    radsim::inject_fault("cmi_radius_new_server_config", 2, 0x409d0008);
    add_server("a");
    radius_server_cfg server{};
    std::strcpy(server.host, "b");
    EXPECT_EQ(server_op(RADIUS_OP_WRITE, &server), 0x409d0008);
    EXPECT_EQ(server.index, 0u);
    add_server("c");
    EXPECT_THAT(walk_hosts(RADIUS_OP_READ_NEXT), ElementsAre("a", "c"));
}

TEST_F(store, call_log_records_ops_and_modes) {
    radius_server_cfg server{};
    server_op(RADIUS_OP_READ_NEXT, &server, 1);
    ASSERT_EQ(radsim::call_log().size(), 1u);
    EXPECT_EQ(radsim::call_log()[0].name, "cmi_radius_new_server_config");
    EXPECT_EQ(radsim::call_log()[0].args, "op=2 mode=1");
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
