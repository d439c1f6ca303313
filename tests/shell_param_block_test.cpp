// The parsed-command block the shell hands to a handler: the context words,
// each parameter's type, value and address kind, the parameters the shell
// keeps for itself, and the splitting of a group line with more members
// than one block can carry.
#include <gtest/gtest.h>

#include <cstring>

#include "shell/param_block.hpp"

namespace radius::shell {
namespace {

argument keyword(int32_t id) { return {.id = id, .kind = slot::keyword}; }
argument number(int32_t id, uint32_t value) { return {.id = id, .kind = slot::number, .number = value}; }
argument text(int32_t id, std::string value) { return {.id = id, .kind = slot::text, .text = std::move(value)}; }
argument host(int32_t id, std::string value, uint32_t kind) {
    return {.id = id, .kind = slot::host, .text = std::move(value), .addr_kind = kind};
}

TEST(shell_param_block, context_words) {
    param_block block({}, {.no_form = true, .active_sup = false, .exec_flags = EXEC_FLAG_REPLAY, .cmd_id = 7});
    const cmd_paraminfo &info = *block.info();
    EXPECT_EQ(info.param_count, 0);
    EXPECT_EQ(info.no_form, 1);
    EXPECT_EQ(info.is_active_sup, 0);
    EXPECT_EQ(info.exec_flags, EXEC_FLAG_REPLAY);
    EXPECT_EQ(info.cmd_id, 7u);
    EXPECT_NE(info.session_handle, 0u);
    EXPECT_EQ(info.submode_noop, 0);
    EXPECT_EQ(info.exec_noop, 0);

    param_block active({}, {});
    EXPECT_EQ(active.info()->is_active_sup, 1);
    EXPECT_EQ(active.info()->no_form, 0);
}

TEST(shell_param_block, parameters_in_order_with_types) {
    param_block block({host(21, "2001:db8::1", ADDR_KIND_IPV6), number(15, 1645), keyword(17), text(18, "k1"),
                       keyword(shell_param_full), text(shell_param_file, "x.cfg")},
                      {});
    const cmd_paraminfo &info = *block.info();
    ASSERT_EQ(info.param_count, 4) << "ids at or below zero stay in the shell";
    EXPECT_EQ(info.params[0]->id, 21);
    EXPECT_EQ(info.params[0]->type, PARAM_TYPE_HOST);
    EXPECT_EQ(info.params[0]->addr_kind, ADDR_KIND_IPV6);
    EXPECT_STREQ(static_cast<const char *>(info.params[0]->value), "2001:db8::1");
    EXPECT_EQ(info.params[1]->type, PARAM_TYPE_U32);
    EXPECT_EQ(*static_cast<const uint32_t *>(info.params[1]->value), 1645u);
    EXPECT_EQ(info.params[2]->id, 17);
    EXPECT_EQ(info.params[2]->value, nullptr);
    EXPECT_EQ(info.params[3]->type, PARAM_TYPE_TEXT);
    EXPECT_STREQ(static_cast<const char *>(info.params[3]->value), "k1");
}

std::vector<argument> group_line(size_t members) {
    std::vector<argument> args{text(1000, "G1")};
    for (size_t i = 0; i < members; ++i) args.push_back(host(1001, "h" + std::to_string(i), ADDR_KIND_HOSTNAME));
    return args;
}

TEST(shell_param_block, a_long_member_list_is_split_behind_the_group_name) {
    // 63 members and the name fill one block exactly.
    ASSERT_EQ(split_for_handler(group_line(63), 1000).size(), 1u);

    const auto calls = split_for_handler(group_line(64), 1000);
    ASSERT_EQ(calls.size(), 2u);
    ASSERT_EQ(calls[0].size(), static_cast<size_t>(CMD_MAX_PARAMS));
    ASSERT_EQ(calls[1].size(), 2u);
    for (const auto &call : calls) EXPECT_EQ(call.front().text, "G1");
    EXPECT_EQ(calls[0].back().text, "h62");
    EXPECT_EQ(calls[1].back().text, "h63");
}

TEST(shell_param_block, too_many_parameters_without_a_context) {
    std::vector<argument> args(CMD_MAX_PARAMS + 1, keyword(17));
    EXPECT_TRUE(split_for_handler(args, no_param).empty());
    args.pop_back();
    EXPECT_EQ(split_for_handler(args, no_param).size(), 1u);
}

TEST(shell_param_block, shell_parameters_are_dropped_before_splitting) {
    const auto calls = split_for_handler({keyword(shell_param_full), number(22, 5)}, no_param);
    ASSERT_EQ(calls.size(), 1u);
    ASSERT_EQ(calls[0].size(), 1u);
    EXPECT_EQ(calls[0][0].id, 22);
}

}  // namespace
}  // namespace radius::shell
