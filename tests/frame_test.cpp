// The handler frame: the two printing routines, the enable command on its
// failure paths (its plain paths run in the enable transcript), and the
// parameter walk and bounded copy that every handler builds on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "abi/param_ids.h"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"
#include "platform/system_services.h"
#include "tests/support/command.hpp"

namespace {

using radtest::command;
using ::testing::ElementsAre;

class frame : public radtest::handler_test {};

TEST_F(frame, print_error_radius_prints_positive_codes_only) {
    for (const int32_t code : {RADIUS_ERR_SERVER_NOT_FOUND, 0, -1, INT32_MIN}) {
        radsim::stdout_capture capture;
        print_error_radius(code);
        EXPECT_EQ(capture.finish(), code > 0 ? std::string(syserr2str(code)) + "\n" : "") << code;
    }
}

TEST_F(frame, print_stderr_radius_removes_every_separator_in_place) {
    const struct {
        const char *text, *separator, *printed;
        int last_printf;  // characters printed by the last printf
    } cases[] = {
        {"one;two;;three", ";", "onetwothree", 5},
        {"no separator here", ";", "no separator here", 17},
        {";leading and trailing;", ";", "leading and trailing", 0},
        {"a<>b<><>c", "<>", "abc", 1},
        {"a;b", "", "a;b", 3},  // an empty separator matches everywhere: never looked for
        {"ab", "abc", "ab", 2},
    };
    for (const auto &c : cases) {
        std::string text = c.text;
        radsim::stdout_capture capture;
        EXPECT_EQ(print_stderr_radius(text.data(), c.separator), c.last_printf) << c.text;
        EXPECT_EQ(capture.finish(), c.printed) << c.text;
    }
    char text[] = "a;b";
    radsim::stdout_capture capture;
    print_stderr_radius(text, ";");
    EXPECT_EQ(std::memcmp(text, "a\0b", 4), 0) << "separators are cut in place";
}

TEST_F(frame, enable_failures) {
    const struct {
        bool no_form;
        const char *failing_call;
        int32_t code;
        const char *out;
    } cases[] = {
        {false, "sysmgr_cli_conditional_srv_start", 0x40a00001, "System manager: service could not be started\n"},
        {false, "sysmgr_cli_conditional_srv_start", -5, ""},  // a negative code has no text
        {true, "cmi_radius_new_enable_info_config", 0x409d0008,
         "RADIUS configuration store: daemon not responding\ncould not disable RADIUS daemon\n"},
    };
    for (const auto &c : cases) {
        radsim::reset();
        radsim::seed_item(RADIUS_ITEM_DAEMON, 1);
        radsim::inject_fault(c.failing_call, 1, c.code);
        command cmd;
        if (c.no_form) cmd.no_form();
        const auto [status, out] = cmd.run(config_radius_enable);
        EXPECT_EQ(status, 1) << c.failing_call;
        EXPECT_EQ(out, c.out) << c.failing_call;
        EXPECT_EQ(radsim::stored().items.at(RADIUS_ITEM_DAEMON), 1u) << c.failing_call;
        EXPECT_THAT(radsim::call_names(), ElementsAre(c.failing_call)) << "one call, nothing else";
    }
}

TEST_F(frame, enable_calls_carry_the_published_arguments) {
    command plain;
    plain.u32(PARAM_RETRANSMIT, 3);  // parameters are not looked at
    plain.run(config_radius_enable);
    command negated;
    negated.no_form().run(config_radius_enable);
    ASSERT_EQ(radsim::call_log().size(), 2u);
    EXPECT_EQ(radsim::call_log()[0].args, "service=183 name=radius arg=null 0 0 0");
    EXPECT_EQ(radsim::call_log()[1].args, "op=3 mode=1 item=1 value=0");
}

TEST_F(frame, walk_rereads_the_count_and_skips_missing_entries) {
    command cmd;
    cmd.u32(1, 10).u32(2, 20).u32(3, 30);
    cmd_paraminfo *info = cmd.info();
    info->params[1] = nullptr;
    std::vector<int32_t> seen;
    radius::walk_params(info, [&](const cmd_param &param) {
        seen.push_back(param.id);
        info->param_count = 1;  // a count that shrinks under the walk ends it
        return true;
    });
    EXPECT_THAT(seen, ElementsAre(1));
}

TEST_F(frame, copy_text_bounds_terminates_and_clears_the_rest) {
    char field[8];
    std::memset(field, 'x', sizeof field);
    radius::copy_text(field, "abcdef", 3);
    EXPECT_EQ(std::memcmp(field, "abc\0\0\0\0\0", 8), 0);
    radius::copy_text(field, "0123456789", 64);  // the field, not the bound, limits
    EXPECT_EQ(std::memcmp(field, "0123456\0", 8), 0);
}

}  // namespace
