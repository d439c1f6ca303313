// Checks of the command table, which the matcher trusts, and of its binding
// to a library: no two keywords at one position share a word (abbreviation
// would be ambiguous through the table's own fault), a word reached by the
// same path has one help text, every handler is an external interface of
// the library and is bound by name (a library without handlers reports
// each missing one), and docs/commands.md is the table's reference.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

#include "shell/grammar.hpp"
#include "shell/parser.hpp"
#include "shell/plugin.hpp"
#include "shell/reference.hpp"

namespace radius::shell {
namespace {

std::string read_file(const char *path) {
    std::ifstream in(path);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Calls `visit(path, c)` once per choice of each command's graph, with the
// words that lead to it.
template <class Visit>
void walk(const choice *c, const std::string &path, std::set<const choice *> &seen, Visit &visit) {
    if (c == nullptr || !seen.insert(c).second) return;
    visit(path, *c);
    for (const token &t : c->tokens) walk(t.next, path + " " + display_word(t), seen, visit);
    walk(c->otherwise, path, seen, visit);
}

// The keywords that may come at one position are a choice's own and those
// of the choices it goes on to when none of them is typed.
TEST(shell_table, unique_keywords_one_help_text_per_word_and_sane_limits) {
    std::map<std::string, std::string_view> helps;
    auto visit = [&](const std::string &path, const choice &c) {
        std::set<std::string_view> words;
        for (const choice *at = &c; at != nullptr; at = at->otherwise) {
            for (const token &t : at->tokens) {
                EXPECT_TRUE(t.kind != slot::keyword || words.insert(t.word).second) << path << " " << t.word;
            }
        }
        for (const token &t : c.tokens) {
            const std::string where = path + " " + display_word(t);
            EXPECT_FALSE(t.help.empty()) << where;
            EXPECT_EQ(helps.emplace(where, t.help).first->second, t.help) << where;
            EXPECT_TRUE(t.kind != slot::number || t.min <= t.max) << where;
            EXPECT_TRUE(t.kind != slot::text || t.max > 0) << where;
            EXPECT_TRUE(t.kind != slot::keyword || t.omitted == when_omitted::not_allowed) << where;
        }
    };
    for (const command_def &def : command_table()) {
        std::set<const choice *> seen;
        walk(def.syntax, std::string(mode_name(def.in_mode)) + ":", seen, visit);
    }
}

TEST(shell_table, handlers_are_external_interfaces) {
    std::set<std::string> exported;
    std::istringstream lines(read_file(RADSH_EXTERNAL_INTERFACES));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.front() != '#') exported.insert(line);
    }
    ASSERT_FALSE(exported.empty());
    for (const command_def &def : command_table()) {
        const bool builtin_command = def.shape == call_shape::builtin;
        EXPECT_EQ(builtin_command, def.action != builtin::none) << def.handler;
        EXPECT_TRUE(builtin_command ? def.handler.empty() : exported.contains(std::string(def.handler)))
            << def.handler;
    }
}

TEST(shell_table, handlers_are_bound_by_name) {
    const handler_library empty(RADSH_EMPTY_PLUGIN);
    EXPECT_EQ(empty.missing_report("lib.so"),
              "radsh: lib.so lacks 30 handlers; these commands will fail: security_show_radius "
              "security_show_radius_sorted show_radius_new show_aaa_monitor_config radius_new_pss_asciigen "
              "show_radius_statistics clear_radius_statistics show_tech_radius show_debug_radius_new "
              "radius_cli_show_memstats aaa_server_radius_statistics aaa_client_radius_statistics "
              "radius_new_qds_pending_asciigen radius_new_qds_diff_asciigen radius_qds_distr_show_pending "
              "radius_new_qds_distr_status radius_new_qds_session_status radius_new_qds_merge_status "
              "radius_qds_distr_show_internal radius_qds_distr_clear_session config_radius_enable "
              "radius_qds_distr_enable radius_qds_distr_commit radius_qds_distr_abort config_radius_global "
              "config_radius_server config_global_server_monitor_params "
              "config_aaa_server_monitor_params config_radius_new_server_group config_radius_dynamic_author_server\n");
    // The library binds every command of the table.
    EXPECT_EQ(handler_library(RADSH_LIBRARY).missing_report("lib.so"), "");
    EXPECT_THROW(handler_library("/nonexistent/libradiuscmd.so"), std::runtime_error);
}

TEST(shell_table, reference_document_is_current) {
    EXPECT_EQ(read_file(RADSH_COMMAND_REFERENCE), reference_markdown())
        << "regenerate it: cmake --build --preset host --target regenerate_expected";
}

}  // namespace
}  // namespace radius::shell
