// The shell's matcher against the real command table, where the shell's
// transcripts cannot look: the parameters of commands whose effect no
// display shows, and Tab completion.  Each row shows the whole outcome as
// one string, so a failure prints it.  Everything else the matcher decides
// (ids through their effects, abbreviations, host kinds, errors and their
// carets, the "?" lists) is seen through the shell in the transcripts.
// Then the split of parameters into handler calls at the block's limit: a
// saved group line with all 64 members carries 65 parameters.
#include <gtest/gtest.h>

#include <string>

#include "abi/param_ids.h"
#include "abi/radius_records.h"
#include "shell/param_block.hpp"
#include "shell/parser.hpp"

namespace radius::shell {
namespace {

std::string arg_text(const argument &arg) {
    const std::string id = std::to_string(arg.id);
    switch (arg.kind) {
        case slot::keyword: return id;
        case slot::number: return id + "=" + std::to_string(arg.number);
        case slot::text:
        case slot::pattern: return id + "='" + arg.text + "'";
        case slot::host: break;
    }
    const char *kind = arg.addr_kind == ADDR_KIND_IPV4   ? "ipv4:"
                       : arg.addr_kind == ADDR_KIND_IPV6 ? "ipv6:"
                                                         : "name:";
    return id + "=" + kind + arg.text;
}

std::string describe(const parse_result &result) {
    if (const auto *error = std::get_if<parse_error>(&result)) return "error at " + std::to_string(error->offset);
    const parsed_command &command = std::get<parsed_command>(result);
    std::string out(command.def->handler);
    if (command.no_form) out += " no";
    if (command.json) out += " json";
    if (command.via_do) out += " do";
    if (command.no_more) out += " no-more";
    if (command.def->cmd_id != 0) out += " cmd_id=" + std::to_string(command.def->cmd_id);
    for (const filter_stage &stage : command.filters) {
        static constexpr const char *kinds[] = {"include", "exclude", "begin", "count"};
        out.append(" |").append(kinds[static_cast<int>(stage.kind)]);
        if (!stage.pattern.empty()) out.append("='").append(stage.pattern).append("'");
    }
    out += ":";
    for (const argument &arg : command.args) out.append(" ").append(arg_text(arg));
    return out;
}

struct parse_row {
    mode in;
    const char *line;
    const char *expected;
};

// What reaches the handlers where no transcript can see it: parameters
// that change nothing a display or the saved text shows.
const parse_row rows[] = {
    {mode::configure, "no radius enable", "config_radius_enable no:"},
    {mode::configure, "radius-server key 6 JDYkc2FsdA", "config_radius_global: 54 55 50='JDYkc2FsdA'"},
    {mode::configure,
     "radius-server host 10.0.0.1 auth-port 1645 acct-port 1646 authentication accounting timeout 10 retransmit 2 "
     "pac auxiliary key 7 abc",
     "config_radius_server: 21=ipv4:10.0.0.1 15=1645 14=1646 17 16 22=10 20=2 23 19 54 56 50='abc'"},
    {mode::configure, "no radius-server host h1 auxiliary", "config_radius_server no: 21=name:h1 19"},
    {mode::configure, "aaa server radius dynamic-author", "config_radius_dynamic_author_server cmd_id=1: 57"},
    // The vrf ids, which the group handler accepts and does not store.
    {mode::server_group, "use-vrf management", "config_radius_new_server_group: 52"},
    {mode::server_group, "use-vrf def", "config_radius_new_server_group: 53"},
    {mode::server_group, "use-vrf blue", "config_radius_new_server_group: 51='blue'"},
    // A keyword wins over free text: "m" is management, not a vrf named m.
    {mode::server_group, "use-vrf m", "config_radius_new_server_group: 52"},
    // "do" runs the exec command alone: nothing of the submode goes with it.
    {mode::server_group, "do show radius-server groups G1", "show_radius_new do: 1000='G1'"},
    {mode::configure, "d no debug radius", " no do:"},
    // Filters stay with the shell, in line order; keywords of a pattern are patterns.
    {mode::exec, "show radius-server | in host | ex 10 | no | begin count | count",
     "security_show_radius no-more |include='host' |exclude='10' |begin='count' |count:"},
    {mode::configure, "do show history | include x", " do |include='x':"},
};

// Lines refused before any handler runs, and where.
const parse_row refusals[] = {
    // "| json" only after a tagged display, and last.
    {mode::exec, "show history | json", "error at 15"},
    {mode::exec, "show radius-server | json | include x", "error at 26"},
    {mode::exec, "show radius-server | count | include x", "error at 27"},
    // A pattern that is no regular expression.
    {mode::exec, "show radius-server | include [", "error at 29"},
    // Filters follow displays only.
    {mode::exec, "clear radius-server statistics h1 | count", "error at 34"},
    // "do" keeps the mode: no configure, no exit; and it is no exec command.
    {mode::configure, "do configure", "error at 3"},
    {mode::configure, "do exit", "error at 3"},
    {mode::exec, "do show radius-server", "error at 0"},
    // Keys longer than their record keeps, in each form.
    {mode::configure, "radius-server host h1 key 7 kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk",
     "error at 28"},
    {mode::configure, "radius-server key 7 kkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkkk", "error at 20"},
};

TEST(shell_parser, parameters_reach_the_handler_in_line_order) {
    for (const parse_row &row : rows) EXPECT_EQ(describe(parse(row.line, row.in)), row.expected) << row.line;
}

TEST(shell_parser, refusals_point_at_the_word) {
    for (const parse_row &row : refusals) EXPECT_EQ(describe(parse(row.line, row.in)), row.expected) << row.line;
}

TEST(shell_parser, key_limits_are_the_fields_that_keep_a_key_whole) {
    struct limit_row {
        const char *command;  // followed by the key text
        size_t longest;
    } limits[] = {
        {"radius-server host h1 key ", 63},    {"radius-server host h1 key 0 ", 63},
        {"radius-server host h1 key 7 ", 63},  {"radius-server host h1 key 6 ", 255},
        {"radius-server key ", 64},            {"radius-server key 7 ", 64},
        {"radius-server key 6 ", 256},
    };
    for (const limit_row &row : limits) {
        const std::string line = row.command + std::string(row.longest, 'k');
        EXPECT_TRUE(std::holds_alternative<parsed_command>(parse(line, mode::configure))) << line;
        const auto refused = parse(line + "k", mode::configure);
        ASSERT_TRUE(std::holds_alternative<parse_error>(refused)) << line;
        EXPECT_EQ(std::get<parse_error>(refused).kind, error_kind::too_long) << line;
        EXPECT_EQ(std::get<parse_error>(refused).detail, std::to_string(row.longest)) << line;
    }
    const std::string labels = std::string(63, 'a') + "." + std::string(63, 'b') + "." + std::string(63, 'c') + ".";
    EXPECT_TRUE(std::holds_alternative<parsed_command>(parse("radius-server host " + labels + std::string(61, 'd'), mode::configure)));
    const auto refused = parse("radius-server host " + labels + std::string(62, 'd'), mode::configure);
    ASSERT_TRUE(std::holds_alternative<parse_error>(refused));
    EXPECT_EQ(std::get<parse_error>(refused).kind, error_kind::too_long);
}

TEST(shell_parser, completion_of_values_from_their_source) {
    const value_lister lister = [](value_source source, std::string_view prefix) {
        std::vector<std::string> out{std::string(prefix) + (source == value_source::group_names ? "-group" : "-host")};
        return out;
    };
    EXPECT_EQ(completions("aaa group server radius G", mode::configure, lister), std::vector<std::string>{"G-group"});
    EXPECT_EQ(completions("radius-server host 10", mode::configure, lister), std::vector<std::string>{"10-host"});
    // A client of dynamic authorization is no configured server.
    EXPECT_TRUE(completions("client n", mode::dynamic_author, lister).empty());
    EXPECT_EQ(completions("do sh", mode::server_group), std::vector<std::string>{"show"});
}

TEST(shell_parser, completion_of_the_last_word) {
    EXPECT_EQ(completions("radius-server ti", mode::configure), std::vector<std::string>{"timeout"});
    EXPECT_EQ(completions("radius-server t", mode::configure), (std::vector<std::string>{"test", "timeout"}));
    EXPECT_EQ(completions("sh", mode::exec), std::vector<std::string>{"show"});
    EXPECT_EQ(completions("show radius-server ", mode::exec),
              (std::vector<std::string>{"directed-request", "groups", "monitoring", "sorted", "statistics", "|"}));
    EXPECT_EQ(completions("radius-server host h1 au", mode::configure),
              (std::vector<std::string>{"auth-port", "authentication", "auxiliary"}));
    EXPECT_TRUE(completions("bogus ", mode::configure).empty());
}

std::vector<argument> group_line(size_t members) {
    std::vector<argument> args{{.id = PARAM_GROUP_NAME, .kind = slot::text, .text = "G1"}};
    for (size_t i = 0; i < members; ++i) {
        args.push_back({.id = PARAM_GROUP_SERVER, .kind = slot::host, .text = std::string("h").append(std::to_string(i)), .addr_kind = ADDR_KIND_HOSTNAME});
    }
    return args;
}

// Each call as its size and its first and last parameters.
std::string calls_of(const std::vector<argument> &args, int32_t context_id) {
    std::string out;
    for (const auto &call : split_for_handler(args, context_id)) {
        out += std::to_string(call.size()) + ":" + call.front().text + ".." + call.back().text + " ";
    }
    return out;
}

TEST(shell_param_block, a_long_member_list_is_split_behind_the_group_name) {
    EXPECT_EQ(calls_of(group_line(63), 1000), "64:G1..h62 ");
    EXPECT_EQ(calls_of(group_line(64), 1000), "64:G1..h62 2:G1..h63 ");
}

TEST(shell_param_block, without_a_context_too_many_is_refused) {
    std::vector<argument> args(CMD_MAX_PARAMS, argument{.id = PARAM_AUTHENTICATION, .kind = slot::keyword});
    args.push_back({.id = shell_param_full, .kind = slot::keyword});
    EXPECT_EQ(split_for_handler(args, no_param).size(), 1u) << "the shell's own parameters do not count";
    args.push_back({.id = PARAM_AUTHENTICATION, .kind = slot::keyword});
    EXPECT_TRUE(split_for_handler(args, no_param).empty());
}

}  // namespace
}  // namespace radius::shell
