// Checks of the command table itself, which the matcher trusts: no two
// keywords of one choice share a word (abbreviation would be ambiguous at
// the table's own fault), a word reached by the same path in two commands
// has one help text, every token has help, every handler is an external
// interface of the library, and docs/commands.md is the table's reference.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "shell/grammar.hpp"
#include "shell/parser.hpp"
#include "shell/reference.hpp"

namespace radius::shell {
namespace {

std::string read_file(const char *path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Calls `visit(path, token)` once per token of the command's graph, with
// the words that lead to it from the start of the line.
template <class Visit>
void walk_tokens(const choice *c, const std::string &path, std::set<const choice *> &seen, Visit &&visit) {
    if (c == nullptr || !seen.insert(c).second) return;
    for (const token &t : c->tokens) {
        visit(path, t);
        walk_tokens(t.next, path + " " + display_word(t), seen, visit);
    }
    walk_tokens(c->otherwise, path, seen, visit);
}

template <class Visit>
void for_each_token(Visit &&visit) {
    for (const command_def &def : command_table()) {
        std::set<const choice *> seen;
        walk_tokens(def.syntax, std::string(mode_name(def.in_mode)) + ":", seen,
                    [&](const std::string &path, const token &t) { visit(def, path, t); });
    }
}

void collect_choices(const choice *c, std::set<const choice *> &out) {
    if (c == nullptr || !out.insert(c).second) return;
    for (const token &t : c->tokens) collect_choices(t.next, out);
    collect_choices(c->otherwise, out);
}

// The keywords that may come at one position: a choice's own and those of
// the choices it goes on to when none of them is typed.
TEST(shell_table, keywords_are_unique_at_each_position) {
    std::set<const choice *> choices;
    for (const command_def &def : command_table()) collect_choices(def.syntax, choices);
    for (const choice *c : choices) {
        std::set<std::string_view> words;
        for (const choice *at = c; at != nullptr; at = at->otherwise) {
            for (const token &t : at->tokens) {
                if (t.kind == slot::keyword) {
                    EXPECT_TRUE(words.insert(t.word).second) << t.word;
                }
            }
        }
    }
}

TEST(shell_table, one_help_text_per_word_and_path) {
    std::map<std::string, std::string_view> helps;
    for_each_token([&](const command_def &, const std::string &path, const token &t) {
        EXPECT_FALSE(t.help.empty()) << path << " " << display_word(t);
        EXPECT_FALSE(display_word(t).empty()) << path;
        const auto [found, added] = helps.emplace(path + " " + display_word(t), t.help);
        EXPECT_EQ(found->second, t.help) << found->first;
    });
}

TEST(shell_table, handlers_are_external_interfaces) {
    std::set<std::string> exported;
    std::istringstream lines(read_file(RADSH_EXTERNAL_INTERFACES));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.front() != '#') exported.insert(line);
    }
    ASSERT_FALSE(exported.empty());
    for (const command_def &def : command_table()) {
        if (def.shape == call_shape::builtin) {
            EXPECT_TRUE(def.handler.empty());
            EXPECT_NE(def.action, builtin::none);
        } else {
            EXPECT_TRUE(exported.contains(std::string(def.handler))) << def.handler;
        }
        if (def.shape == call_shape::running_config) {
            EXPECT_EQ(def.handler, "radius_new_pss_asciigen");
        }
    }
}

TEST(shell_table, values_have_sane_limits) {
    for_each_token([](const command_def &, const std::string &path, const token &t) {
        if (t.kind == slot::number) {
            EXPECT_LE(t.min, t.max) << path;
        }
        if (t.kind == slot::text) {
            EXPECT_GT(t.max, 0u) << path;
        }
        if (t.kind == slot::keyword) {
            EXPECT_EQ(t.omitted, when_omitted::not_allowed) << path;
        }
    });
}

TEST(shell_table, syntax_in_reference_notation) {
    std::map<std::string, std::string> by_handler;
    for (const command_def &def : command_table()) by_handler[std::string(def.handler)] = syntax_of(def);
    EXPECT_EQ(by_handler["config_radius_server"],
              "radius-server host <host> [accounting] [acct-port <1-65535>] [authentication] [auth-port <1-65535>] "
              "[auxiliary] [key {0 <key> | 6 <key> | 7 <key> | <key>}] [pac] [retransmit <0-5>] [timeout <1-60>]");
    EXPECT_EQ(by_handler["config_global_server_monitor_params"],
              "radius-server test [idle-time <0-1440>] [username <name> [password <password>]]");
    EXPECT_EQ(by_handler["show_radius_new"], "show radius-server groups [<name>]");
    EXPECT_EQ(by_handler["radius_new_pss_asciigen"], "show running-config radius [all]");
}

TEST(shell_table, reference_document_is_current) {
    EXPECT_EQ(read_file(RADSH_COMMAND_REFERENCE), reference_markdown())
        << "regenerate it: cmake --build --preset host --target regenerate_expected";
}

}  // namespace
}  // namespace radius::shell
