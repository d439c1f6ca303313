// The output filters on text and on tagged reports.  Text: each stage on
// the lines the stages before it kept; a last line without its newline is a
// line.  Reports: a line is the run of pieces up to one that ends a line,
// kept whole with its values, so that "| json" shows what the text showed.
#include <gtest/gtest.h>

#include "abi/tags.h"
#include "shell/output_filter.hpp"

namespace radius::shell {
namespace {

struct filter_row {
    const char *rule;
    std::vector<filter_stage> stages;
    const char *expected;
};

constexpr const char display[] = "host a\n  port 1\nhost b\n  port 2\ntotal 2";

TEST(shell_filter, stages_apply_in_order_to_lines) {
    const filter_row rows[] = {
        {"include searches, it does not anchor", {{filter_kind::include, "port"}}, "  port 1\n  port 2\n"},
        {"exclude drops the matches", {{filter_kind::exclude, "^\\s"}}, "host a\nhost b\ntotal 2"},
        {"begin keeps from the first match on", {{filter_kind::begin, "host b"}}, "host b\n  port 2\ntotal 2"},
        {"begin without a match keeps nothing", {{filter_kind::begin, "none"}}, ""},
        {"count counts the last line without its newline", {{filter_kind::count}}, "5\n"},
        {"a chain narrows step by step",
         {{filter_kind::begin, "b"}, {filter_kind::exclude, "total"}, {filter_kind::count}},
         "2\n"},
        {"a later begin starts within what is left",
         {{filter_kind::include, "host"}, {filter_kind::begin, "b"}},
         "host b\n"},
    };
    for (const filter_row &row : rows) EXPECT_EQ(filter_text(display, row.stages), row.expected) << row.rule;
    EXPECT_EQ(filter_text("", std::vector<filter_stage>{{filter_kind::count}}), "0\n");
}

struct piece_row {
    const char *format;
    uint32_t tag;
    const char *value;
};

radsim::report report_of(std::initializer_list<piece_row> rows) {
    radsim::report out{.command_id = 500, .pieces = {}};
    for (const piece_row &row : rows) {
        out.pieces.add(row.format);
        out.pieces.add_value(row.tag, row.value, 0);
    }
    return out;
}

// The text of the pieces the filter keeps, report by report, through one
// filter: a "begin" that matched in one report holds for the next.
std::vector<std::string> kept_texts(const std::vector<radsim::report> &reports, std::vector<filter_stage> stages) {
    line_filter filter(stages);
    std::vector<std::string> texts;
    for (const radsim::report &sent : reports) {
        std::string text;
        for_each_kept_piece(sent, filter, [&text](const radsim::printed_piece &kept) { text += kept.text(); });
        texts.push_back(text);
    }
    return texts;
}

TEST(shell_filter, a_report_line_goes_with_all_its_pieces) {
    // "\thost:" and its port print as one line from two pieces; the last
    // report's line lacks its newline.
    const std::vector<radsim::report> reports{
        report_of({{"\t%s:", TAG_SRV_HOST, "a"},
                   {" port %s\n", TAG_SRV_AUTH_PORT, "1"},
                   {"\t%s:", TAG_SRV_HOST, "b"},
                   {" port %s\n", TAG_SRV_AUTH_PORT, "2"}}),
        report_of({{"%s\n", TAG_RUNCFG_LINE, "b again"}, {"%s", TAG_RUNCFG_LINE, "a last"}}),
    };
    EXPECT_EQ(kept_texts(reports, {{filter_kind::include, "b"}}),
              (std::vector<std::string>{"\tb: port 2\n", "b again\n"}));
    EXPECT_EQ(kept_texts(reports, {{filter_kind::begin, "b"}, {filter_kind::exclude, "again"}}),
              (std::vector<std::string>{"\tb: port 2\n", "a last"}));
}

}  // namespace
}  // namespace radius::shell
