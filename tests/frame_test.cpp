// The handler frame: the two printing routines, the enable command in both
// forms and on its failure paths, and the shared helpers every handler
// builds on (parameter walk, typed values, bounded copies, the
// pending-then-running read, the distribution flag).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "frame/frame.h"
#include "frame/handler_frame.hpp"
#include "platform/system_services.h"
#include "tests/support/command.hpp"

namespace {

using radtest::command;
using ::testing::ElementsAre;

class frame : public radtest::handler_test {};

std::string print_error_output(int32_t code) {
    radsim::stdout_capture capture;
    print_error_radius(code);
    return capture.finish();
}

TEST_F(frame, print_error_radius_prints_positive_codes_only) {
    EXPECT_EQ(print_error_output(RADIUS_ERR_SERVER_NOT_FOUND),
              std::string(syserr2str(RADIUS_ERR_SERVER_NOT_FOUND)) + "\n");
    EXPECT_EQ(print_error_output(0), "");
    EXPECT_EQ(print_error_output(-1), "");
    EXPECT_EQ(print_error_output(INT32_MIN), "");
}

struct separator_case {
    const char *text;
    const char *separator;
    const char *printed;
    int last_printf;  // characters printed by the last printf
};

TEST_F(frame, print_stderr_radius_removes_every_separator) {
    const separator_case cases[] = {
        {"one;two;;three", ";", "onetwothree", 5},
        {"no separator here", ";", "no separator here", 17},
        {";leading and trailing;", ";", "leading and trailing", 0},
        {"a<>b<><>c", "<>", "abc", 1},
        {"", ";", "", 0},
        // An empty separator would match everywhere: the text is printed as is.
        {"a;b", "", "a;b", 3},
        // A separator longer than the text is never found.
        {"ab", "abc", "ab", 2},
    };
    for (const separator_case &c : cases) {
        std::string text = c.text;
        radsim::stdout_capture capture;
        const int last = print_stderr_radius(text.data(), c.separator);
        EXPECT_EQ(capture.finish(), c.printed) << "text '" << c.text << "' separator '" << c.separator << "'";
        EXPECT_EQ(last, c.last_printf) << "text '" << c.text << "'";
    }
}

TEST_F(frame, print_stderr_radius_cuts_the_text_in_place) {
    char text[] = "a;b";
    radsim::stdout_capture capture;
    print_stderr_radius(text, ";");
    capture.finish();
    EXPECT_EQ(std::memcmp(text, "a\0b", 4), 0);
}

TEST_F(frame, enable_starts_the_service_and_leaves_the_store_alone) {
    command cmd;
    cmd.u32(20, 3);  // parameters are not looked at
    const auto [status, out] = cmd.run(config_radius_enable);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "");
    ASSERT_THAT(radsim::call_names(), ElementsAre("sysmgr_cli_conditional_srv_start"));
    EXPECT_EQ(radsim::call_log()[0].args, "service=183 name=radius arg=null 0 0 0");
}

TEST_F(frame, enable_reports_a_failed_start) {
    radsim::inject_fault("sysmgr_cli_conditional_srv_start", 1, 0x40a00001);
    command cmd;
    const auto [status, out] = cmd.run(config_radius_enable);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "System manager: service could not be started\n");
}

TEST_F(frame, enable_fails_silently_on_a_negative_start_result) {
    radsim::inject_fault("sysmgr_cli_conditional_srv_start", 1, -5);
    command cmd;
    const auto [status, out] = cmd.run(config_radius_enable);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "");
}

TEST_F(frame, no_enable_writes_zero_to_the_daemon_item) {
    radsim::store().items()[RADIUS_ITEM_DAEMON] = 1;
    command cmd;
    cmd.no_form();
    const auto [status, out] = cmd.run(config_radius_enable);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "");
    ASSERT_THAT(radsim::call_names(), ElementsAre("cmi_radius_new_enable_info_config"));
    EXPECT_EQ(radsim::call_log()[0].args, "op=3 mode=1 item=1 value=0");
    EXPECT_EQ(radsim::store().items()[RADIUS_ITEM_DAEMON], 0u);
}

TEST_F(frame, no_enable_store_failure_is_reported_in_two_lines) {
    radsim::store().items()[RADIUS_ITEM_DAEMON] = 1;
    radsim::inject_fault("cmi_radius_new_enable_info_config", 1, 0x409d0008);
    command cmd;
    cmd.no_form();
    const auto [status, out] = cmd.run(config_radius_enable);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "RADIUS configuration store: daemon not responding\ncould not disable RADIUS daemon\n");
    EXPECT_EQ(radsim::store().items()[RADIUS_ITEM_DAEMON], 1u);
}

TEST_F(frame, walk_rereads_the_count_and_skips_missing_entries) {
    command cmd;
    cmd.u32(1, 10).u32(2, 20).u32(3, 30);
    cmd_paraminfo *info = cmd.info();
    info->params[1] = nullptr;
    std::vector<int32_t> seen;
    radius::walk_params(info, [&](const cmd_param &param) {
        seen.push_back(param.id);
        info->param_count = 3;  // a count that shrinks or stays is honoured
        return true;
    });
    EXPECT_THAT(seen, ElementsAre(1, 3));

    seen.clear();
    const bool finished = radius::walk_params(info, [&](const cmd_param &param) {
        seen.push_back(param.id);
        return false;
    });
    EXPECT_FALSE(finished);
    EXPECT_THAT(seen, ElementsAre(1));
}

TEST_F(frame, parameter_values_are_checked_for_their_type) {
    command cmd;
    cmd.u32(1, 42).text(2, "text").typed(3, PARAM_TYPE_HOST, "10.0.0.1");
    const cmd_paraminfo *info = cmd.info();
    uint32_t value = 0;
    EXPECT_TRUE(radius::param_u32(*info->params[0], &value));
    EXPECT_EQ(value, 42u);
    EXPECT_FALSE(radius::param_u32(*info->params[1], &value));  // text where a number is due
    EXPECT_STREQ(radius::param_text(*info->params[1]), "text");
    EXPECT_EQ(radius::param_text(*info->params[0]), nullptr);  // number where text is due
    EXPECT_EQ(radius::param_text(*info->params[2]), nullptr);  // host type is not text
}

TEST_F(frame, copy_text_bounds_terminates_and_clears_the_rest) {
    char field[8];
    std::memset(field, 'x', sizeof field);
    radius::copy_text(field, "abcdef", 3);
    EXPECT_EQ(std::memcmp(field, "abc\0\0\0\0\0", 8), 0);
    radius::copy_text(field, "0123456789", 64);  // the field, not the bound, limits
    EXPECT_EQ(std::memcmp(field, "0123456\0", 8), 0);
    radius::copy_text(field, nullptr, 64);
    EXPECT_EQ(std::memcmp(field, "\0\0\0\0\0\0\0\0", 8), 0);
}

TEST_F(frame, current_read_prefers_the_pending_copy) {
    command cmd;
    radius_global_cfg global{};
    radsim::begin_request(cmd.info());
    EXPECT_EQ(radius::read_global_current(cmd.info(), &global, 2), 0);
    EXPECT_EQ(global.timeout, 5u);

    radsim::store().open_session();
    radsim::store().pending()->global.timeout = 9;
    radsim::clear_call_log();
    EXPECT_EQ(radius::read_global_current(cmd.info(), &global, 2), 0);
    EXPECT_EQ(global.timeout, 9u);
    radsim::end_request();
    ASSERT_EQ(radsim::call_log().size(), 1u);
    EXPECT_EQ(radsim::call_log()[0].args, "op=5 mode=2");
}

TEST_F(frame, current_read_falls_back_to_running_without_a_session) {
    command cmd;
    radius_server_cfg server{};
    std::strcpy(server.host, "10.1.1.1");
    radsim::store().running().servers[4] = server;
    radsim::store().running().servers[4].index = 4;
    radsim::begin_request(cmd.info());
    EXPECT_EQ(radius::read_server_current(cmd.info(), &server, 2), 0);
    radsim::end_request();
    EXPECT_EQ(server.index, 4u);
    ASSERT_EQ(radsim::call_log().size(), 2u);
    EXPECT_EQ(radsim::call_log()[0].args, "op=5 mode=2");
    EXPECT_EQ(radsim::call_log()[1].args, "op=1 mode=2");
}

TEST_F(frame, distribution_flag_missing_reads_as_zero) {
    command cmd;
    uint32_t enabled = 7;
    radsim::begin_request(cmd.info());
    EXPECT_EQ(radius::read_distribution_flag(cmd.info(), 2, &enabled), 0);
    EXPECT_EQ(enabled, 0u);
    radsim::store().items()[RADIUS_ITEM_DISTRIBUTION] = 1;
    EXPECT_EQ(radius::read_distribution_flag(cmd.info(), 2, &enabled), 0);
    EXPECT_EQ(enabled, 1u);
    radsim::inject_fault("cmi_radius_new_enable_info_config", 1, 0x409d0008);
    EXPECT_EQ(radius::read_distribution_flag(cmd.info(), 2, &enabled), 0x409d0008);
    radsim::end_request();
}

}  // namespace
