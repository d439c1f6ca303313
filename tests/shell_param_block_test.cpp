// Splitting a command's parameters into handler calls: a saved group line
// with all 64 members carries 65 parameters, one more than a block holds.
// (What a block carries is seen through the real handlers: the session
// tests and the transcripts.)
#include <gtest/gtest.h>

#include "shell/param_block.hpp"

namespace radius::shell {
namespace {

std::vector<argument> group_line(size_t members) {
    std::vector<argument> args{{.id = 1000, .kind = slot::text, .text = "G1"}};
    for (size_t i = 0; i < members; ++i) {
        args.push_back({.id = 1001, .kind = slot::host, .text = "h" + std::to_string(i), .addr_kind = ADDR_KIND_HOSTNAME});
    }
    return args;
}

TEST(shell_param_block, a_long_member_list_is_split_behind_the_group_name) {
    ASSERT_EQ(split_for_handler(group_line(63), 1000).size(), 1u) << "63 members and the name fill one block";
    const auto calls = split_for_handler(group_line(64), 1000);
    ASSERT_EQ(calls.size(), 2u);
    ASSERT_EQ(calls[0].size(), static_cast<size_t>(CMD_MAX_PARAMS));
    ASSERT_EQ(calls[1].size(), 2u);
    for (const auto &call : calls) EXPECT_EQ(call.front().text, "G1");
    EXPECT_EQ(calls[0].back().text, "h62");
    EXPECT_EQ(calls[1].back().text, "h63");
}

TEST(shell_param_block, without_a_context_too_many_is_refused) {
    std::vector<argument> args(CMD_MAX_PARAMS, argument{.id = 17, .kind = slot::keyword});
    args.push_back({.id = shell_param_full, .kind = slot::keyword});
    EXPECT_EQ(split_for_handler(args, no_param).size(), 1u) << "the shell's own parameters do not count";
    args.push_back({.id = 17, .kind = slot::keyword});
    EXPECT_TRUE(split_for_handler(args, no_param).empty());
}

}  // namespace
}  // namespace radius::shell
