// The global settings command: the numbers and their defaults, the store
// calls it makes (pending copy first, running copy after), the silent
// failures, the store failures, and the distribution note of the clear key.
// The key rules are covered with those of the other commands in
// key_rules_test.cpp.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "config/config_commands.h"
#include "tests/config_support.hpp"

namespace {

using radtest::command;
using radtest::logged_calls;
using ::testing::ElementsAre;

class global_command : public radtest::handler_test {};

radius_global_cfg &running_global() { return radsim::store().running().global; }

TEST_F(global_command, sets_numbers_in_one_write) {
    command cmd;
    const auto [status, out] = cmd.u32(22, 30).u32(20, 4).u32(1005, 15).run(config_radius_global);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "");
    EXPECT_EQ(running_global().timeout, 30u);
    EXPECT_EQ(running_global().retransmit, 4u);
    EXPECT_EQ(running_global().deadtime, 15u);
    EXPECT_THAT(logged_calls(), ElementsAre("cmi_radius_new_global_config op=5 mode=2",
                                            "cmi_radius_new_global_config op=1 mode=2",
                                            "cmi_radius_new_enable_info_config op=1 mode=2 item=2",
                                            "cmi_radius_new_global_config op=3 mode=2"));
}

TEST_F(global_command, no_form_restores_defaults_whatever_the_value) {
    running_global().timeout = 30;
    running_global().retransmit = 4;
    running_global().deadtime = 15;
    command cmd;
    EXPECT_EQ(cmd.no_form().u32(22, 99).u32(20, 99).u32(1005, 99).run(config_radius_global).status, 0);
    EXPECT_EQ(running_global().timeout, 5u);
    EXPECT_EQ(running_global().retransmit, 1u);
    EXPECT_EQ(running_global().deadtime, 0u);
}

TEST_F(global_command, edits_the_pending_copy_of_an_open_session) {
    radsim::store().items()[RADIUS_ITEM_DISTRIBUTION] = 1;
    radsim::store().open_session();
    radsim::store().pending()->global.deadtime = 7;
    command cmd;
    EXPECT_EQ(cmd.u32(22, 9).run(config_radius_global).status, 0);
    EXPECT_EQ(radsim::store().pending()->global.deadtime, 7u) << "read from the pending copy";
    EXPECT_EQ(radsim::store().pending()->global.timeout, 9u);
    EXPECT_THAT(logged_calls(), ElementsAre("cmi_radius_new_global_config op=5 mode=2",
                                            "cmi_radius_new_enable_info_config op=1 mode=2 item=2",
                                            "cmi_radius_new_global_config op=3 mode=2"));
}

TEST_F(global_command, bad_parameters_fail_silently_and_store_nothing) {
    const struct {
        const char *why;
        bool no_form;
        std::function<void(command &)> add;
    } rows[] = {
        {"timeout given as text", false, [](command &c) { c.typed(22, PARAM_TYPE_TEXT, "9"); }},
        {"the no form still needs a number", true, [](command &c) { c.typed(20, PARAM_TYPE_TEXT, "9"); }},
        {"deadtime given as a host", false, [](command &c) { c.typed(1005, PARAM_TYPE_HOST, "9"); }},
        {"clear key given as a number", false, [](command &c) { c.u32(18, 9); }},
        {"key text given as a number", false, [](command &c) { c.keyword(56).u32(50, 9); }},
        {"an id of the server host command", false, [](command &c) { c.u32(14, 1812); }},
        {"an id no command knows", false, [](command &c) { c.u32(1006, 1); }},
    };
    for (const auto &row : rows) {
        radsim::reset();
        const radsim::config_tables before = radsim::store().running();
        command cmd;
        if (row.no_form) cmd.no_form();
        row.add(cmd.u32(22, 30).keyword(54));  // after valid parameters
        const auto [status, out] = cmd.run(config_radius_global);
        EXPECT_EQ(status, 1) << row.why;
        EXPECT_EQ(out, "") << row.why;
        EXPECT_EQ(radsim::store().running(), before) << row.why;
    }
}

TEST_F(global_command, store_failures) {
    const struct {
        const char *call;
        unsigned nth;
        int32_t code;
        std::string out;
    } rows[] = {
        {"cmi_radius_new_global_config", 1, 0x409d0008,
         "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS global configuration\n"},
        {"cmi_radius_new_global_config", 3, 0x409d0009,
         "RADIUS configuration store: out of memory\ncould not configure RADIUS global configuration\n"},
        // The flag's failure is told in one line, without the error text.
        {"cmi_radius_new_enable_info_config", 1, 0x409d0008, "could not read qds enabled flag from pss\n"},
    };
    for (const auto &row : rows) {
        radsim::reset();
        radsim::inject_fault(row.call, row.nth, row.code);
        command cmd;
        const auto [status, out] = cmd.u32(22, 9).run(config_radius_global);
        EXPECT_EQ(status, 1) << row.out;
        EXPECT_EQ(out, row.out);
        EXPECT_EQ(running_global().timeout, 5u) << row.out;
    }
}

TEST_F(global_command, clear_key_with_distribution_enabled_is_noted) {
    radsim::store().items()[RADIUS_ITEM_DISTRIBUTION] = 1;
    command cmd;
    const auto [status, out] = cmd.keyword(54).text(18, "secret").run(config_radius_global);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "Global key configuration is exempted from QDS distribution\n");
    EXPECT_EQ(radtest::key_fields_of(radsim::store().pending()->global), (radtest::key_fields{0, "secret", ""}));

    // The note comes before the refusal that a stored type-6 key causes.
    radtest::set_key_fields(radsim::store().pending()->global, {6, "", "SIXKEY6"});
    command over_type6;
    EXPECT_EQ(over_type6.keyword(54).text(18, "secret").run(config_radius_global).out,
              "Global key configuration is exempted from QDS distribution\n"
              "Internal error: a clear-text global key cannot replace a type6 global key. Please report this fault to the maintainers.\n");
}

}  // namespace
