// The JSON renderer's grouping rules, one row each: which object a tagged
// value lands in and in what shape.  Formats play no part in JSON, so the
// rows carry values only.  The displays themselves in JSON are checked over
// the real library in the session tests and shown in the transcripts.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "abi/tags.h"
#include "shell/render.hpp"

namespace radius::shell {
namespace {

using nlohmann::json;
using values = std::vector<radsim::printed_value>;

radsim::report report_of(const values &sent) {
    radsim::report out;
    out.pieces.add("");
    for (const radsim::printed_value &value : sent) out.pieces.add_value(value.tag, value.text, value.length);
    return out;
}

struct grouping_row {
    const char *rule;
    std::vector<values> reports;
    const char *expected;
};

const grouping_row rows[] = {
    {"report fields by name; numbers as numbers, unless no number is printed",
     {{{TAG_SRV_GLOBAL_RETRANSMIT, "1"}, {TAG_SRV_GLOBAL_SECRET, "********"}, {TAG_SRV_GLOBAL_TIMEOUT, "5x"}}},
     R"({"retransmit": 1, "global_shared_secret": "********", "timeout": "5x"})"},
    {"a host opens an entry of its array, the fields after it fill that entry",
     {{{TAG_SRV_HOST, "a"}, {TAG_SRV_AUTH_PORT, "1812"}, {TAG_SRV_HOST, "b"}, {TAG_SRV_TIMEOUT, "10"}}},
     R"({"servers": [{"host": "a", "auth_port": 1812}, {"host": "b", "timeout": 10}]})"},
    {"members nest in their group; the group's deadtime after them is the group's",
     {{{TAG_GRP_NAME, "G1"}, {TAG_GRP_MEMBER_HOST, "h1"}, {TAG_GRP_MEMBER_AUTH_PORT, "1812"}, {TAG_GRP_MEMBER_HOST, "h2"}, {TAG_GRP_MEMBER_ACCT_PORT, "1813"},
       {TAG_GRP_DEADTIME, "5"}, {TAG_GRP_NAME, "radius"}, {TAG_GRP_DEADTIME, "0"}}},
     R"({"groups": [{"name": "G1", "deadtime": 5, "members": [{"host": "h1", "auth_port": 1812},
                    {"host": "h2", "acct_port": 1813}]}, {"name": "radius", "deadtime": 0}]})"},
    {"a report field after the entries closes them",
     {{{TAG_SRV_HOST, "a"}, {TAG_SRV_COUNT, "1"}}},
     R"({"servers": [{"host": "a"}], "server_count": 1})"},
    {"a repeated field collects its values; untagged values and unknown tags go to the innermost entry",
     {{{TAG_SRV_GLOBAL_RETRANSMIT, "1"}, {TAG_SRV_GLOBAL_RETRANSMIT, "2"}, {0, "plain"}, {TAG_SRV_HOST, "a"}, {0x303300ff, "in a"}, {0, "x"}}},
     R"({"retransmit": [1, 2], "values": ["plain"],
         "servers": [{"host": "a", "tag_303300ff": "in a", "values": ["x"]}]})"},
    {"running-configuration lines form one list, without the blanks that end them",
     {{{TAG_RUNCFG_LINE, "radius-server host h1 "}, {TAG_RUNCFG_LINE, "rdeadtime 5"}}},
     R"({"lines": ["radius-server host h1", "rdeadtime 5"]})"},
    {"several reports of one command are one document",
     {{{TAG_SRV_HOST, "a"}}, {{TAG_SRV_HOST, "b"}}},
     R"({"servers": [{"host": "a"}, {"host": "b"}]})"},
    {"bytes that are no UTF-8 are replaced, so the document stays valid",
     {{{TAG_SRV_HOST, "bad\xff"}}},
     R"({"servers": [{"host": "bad\ufffd"}]})"},
};

TEST(shell_render, grouping_rules) {
    for (const grouping_row &row : rows) {
        std::vector<radsim::report> reports;
        for (const values &sent : row.reports) reports.push_back(report_of(sent));
        EXPECT_EQ(json::parse(json_of(reports)), json::parse(row.expected)) << row.rule;
    }
}

TEST(shell_render, one_document_after_what_the_handler_printed_itself) {
    radsim::stdout_capture capture;
    const auto renderer = make_json_renderer();
    renderer->finish();  // no report, no document
    renderer->add(report_of({{TAG_SRV_HOST, "a"}}));
    std::fputs("plain\n", stdout);
    renderer->add(report_of({{TAG_SRV_HOST, "b"}}));
    renderer->finish();
    EXPECT_EQ(capture.finish(), "plain\n" + json_of({report_of({{TAG_SRV_HOST, "a"}}), report_of({{TAG_SRV_HOST, "b"}})}));
}

}  // namespace
}  // namespace radius::shell
