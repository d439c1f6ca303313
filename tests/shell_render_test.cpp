// The JSON renderer of tagged output, fed with reports built by hand in the
// shapes the server, group and monitoring displays and the running
// configuration send: named fields, numbers as numbers, per-entry fields
// grouped into arrays (members inside their group), tags the table does
// not know, several reports of one command, and bytes that are no UTF-8.
// Every document must parse and carry every value of the text form.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "shell/render.hpp"

namespace radius::shell {
namespace {

using nlohmann::json;

radsim::printed_piece piece(std::string format, std::vector<radsim::printed_value> values = {}) {
    return {std::move(format), std::move(values)};
}

radsim::report report_of(std::vector<radsim::printed_piece> pieces) { return {0, std::move(pieces)}; }

const radsim::report server_display = report_of({
    piece("Global RADIUS shared secret:%s\n", {{0x30330016, "********"}}),
    piece("retransmission count:%s\n", {{0x11330017, "1"}}),
    piece("timeout value:%s\n", {{0x11330018, "5"}}),
    piece("deadtime value:%s\n", {{0x11330019, "0"}}),
    piece("Global Test Username:%s\n", {{0x3033001c, "probe"}}),
    piece("total number of servers:%s\n", {{0x1133001e, "2"}}),
    piece("\nfollowing RADIUS servers are configured:\n"),
    piece("\t%s:\n", {{0x3033001f, "10.0.0.1"}}),
    piece("\t\tavailable for authentication on port:%s\n", {{0x11330020, "1812"}}),
    piece("\t\tavailable for accounting on port:%s\n", {{0x11330021, "1813"}}),
    piece("\t%s:\n", {{0x3033001f, "alpha"}}),
    piece("\t\tRADIUS shared secret:%s\n", {{0x30330022, "********"}}),
    piece("\t\ttimeout:%s\n", {{0x11330023, "10"}}),
});

const radsim::report group_display = report_of({
    piece("total number of groups:%s\n", {{0x11330033, "2"}}),
    piece("\nfollowing RADIUS server groups are configured:\n"),
    piece("\tgroup %s:\n", {{0x30330034, "G1"}}),
    piece("\t\tserver: %s on", {{0x30330035, "10.0.0.1"}}),
    piece(" auth-port %s", {{0x11330036, "1812"}}),
    piece(", "),
    piece("acct-port %s", {{0x11330037, "1813"}}),
    piece("\n"),
    piece("\t\tserver: %s on", {{0x30330035, "h2"}}),
    piece(" "),
    piece("acct-port %s", {{0x11330037, "1813"}}),
    piece("\n"),
    piece("\t\tdeadtime is %s\n", {{0x11330038, "5"}}),
    piece("\tgroup %s:\n", {{0x30330034, "radius"}}),
    piece("\t\tserver: all configured radius servers\n"),
    piece("\t\tdeadtime is %s\n", {{0x11330038, "0"}}),
});

const radsim::report monitor_display = report_of({
    piece("\t%s:\n", {{0x30330028, "10.0.0.1"}}),
    piece("\t\tavailable for authentication on port:%s\n", {{0x11330029, "1812"}}),
    piece("\t\tidle time:%s\n", {{0x11330030, "0"}}),
    piece("\t\ttest user:%s\n", {{0x30330031, "test"}}),
    piece("\t\ttest password:%s\n", {{0x30330032, "********"}}),
});

const radsim::report running_config = report_of({
    piece("%s\n", {{0x30330009, "radius-server timeout 10"}}),
    piece("%s\n", {{0x30330009, "radius-server host 10.0.0.1 "}}),
});

TEST(shell_render, server_display) {
    EXPECT_EQ(json::parse(json_of({server_display})), json::parse(R"({
        "global_shared_secret": "********", "retransmit": 1, "timeout": 5, "deadtime": 0,
        "test_username": "probe", "server_count": 2,
        "servers": [
            {"host": "10.0.0.1", "auth_port": 1812, "acct_port": 1813},
            {"host": "alpha", "shared_secret": "********", "timeout": 10}
        ]})"));
}

TEST(shell_render, group_display_nests_members_in_groups) {
    EXPECT_EQ(json::parse(json_of({group_display})), json::parse(R"({
        "group_count": 2,
        "groups": [
            {"name": "G1", "deadtime": 5, "members": [
                {"host": "10.0.0.1", "auth_port": 1812, "acct_port": 1813},
                {"host": "h2", "acct_port": 1813}]},
            {"name": "radius", "deadtime": 0}
        ]})"));
}

TEST(shell_render, monitoring_display_and_running_configuration) {
    EXPECT_EQ(json::parse(json_of({monitor_display})), json::parse(R"({
        "host": "10.0.0.1", "auth_port": 1812, "idle_time": 0, "test_username": "test",
        "test_password": "********"})"));
    EXPECT_EQ(json::parse(json_of({running_config})),
              json::parse(R"({"lines": ["radius-server timeout 10", "radius-server host 10.0.0.1 "]})"));
}

TEST(shell_render, unknown_tags_repeats_and_several_reports) {
    const radsim::report first = report_of({
        piece("%s %s\n", {{0x1133005c, "7"}, {0, "plain"}}),
        piece("%s\n", {{0x11330017, "1"}}),
        piece("%s\n", {{0x11330017, "2"}}),
        piece("\t%s:\n", {{0x3033001f, "a"}}),
        piece("%s\n", {{0x3033005b, "in a"}}),
    });
    const radsim::report second = report_of({piece("\t%s:\n", {{0x3033001f, "b"}})});
    EXPECT_EQ(json::parse(json_of({first, second})), json::parse(R"({
        "tag_1133005c": 7, "values": ["plain"], "retransmit": [1, 2],
        "servers": [{"host": "a", "tag_3033005b": "in a"}, {"host": "b"}]})"));
}

TEST(shell_render, bytes_that_are_no_utf8_still_give_valid_json) {
    const radsim::report odd = report_of({piece("\t%s:\n", {{0x3033001f, "bad\xff"}})});
    const json parsed = json::parse(json_of({odd}));
    EXPECT_EQ(parsed["servers"][0]["host"], "bad\xef\xbf\xbd");
}

void collect_leaves(const json &node, std::vector<std::string> &out) {
    if (node.is_object() || node.is_array()) {
        for (const json &child : node) collect_leaves(child, out);
    } else {
        out.push_back(node.is_string() ? node.get<std::string>() : node.dump());
    }
}

TEST(shell_render, every_value_of_the_text_form_is_in_the_json) {
    for (const radsim::report *sent : {&server_display, &group_display, &monitor_display, &running_config}) {
        std::vector<std::string> texts;
        for (const auto &p : sent->pieces) {
            for (const auto &value : p.values) texts.push_back(value.text);
        }
        std::vector<std::string> leaves;
        collect_leaves(json::parse(json_of({*sent})), leaves);
        std::sort(texts.begin(), texts.end());
        std::sort(leaves.begin(), leaves.end());
        EXPECT_EQ(leaves, texts) << sent->text();
    }
}

TEST(shell_render, json_renderer_prints_one_document_per_command) {
    radsim::stdout_capture capture;
    const auto renderer = make_json_renderer();
    renderer->finish();
    renderer->add(monitor_display);
    std::fputs("plain\n", stdout);
    renderer->add(running_config);
    renderer->finish();
    EXPECT_EQ(capture.finish(), "plain\n" + json_of({monitor_display, running_config}));
}

}  // namespace
}  // namespace radius::shell
