// The global settings command: the numbers and their defaults, the store
// calls it makes (pending copy first, running copy after), the silent
// failures, the two-line store failures, and the global key rules for every
// stored form by given form in plain and "no" form.  Every refusal must
// leave the whole store byte for byte as it was.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "config/config_commands.h"
#include "tests/config_support.hpp"
#include "tests/support/command.hpp"

namespace {

using radtest::command;
using radtest::key_fields;
using radtest::type7_of;
using ::testing::ElementsAre;

class global_command : public radtest::handler_test {};

std::vector<std::string> logged_calls() {
    std::vector<std::string> calls;
    for (const auto &call : radsim::call_log()) calls.push_back(call.name + " " + call.args);
    return calls;
}

radius_global_cfg &running_global() { return radsim::store().running().global; }

TEST_F(global_command, sets_numbers_in_one_write) {
    command cmd;
    cmd.u32(22, 30).u32(20, 4).u32(1005, 15);
    const auto [status, out] = cmd.run(config_radius_global);
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
    cmd.no_form().u32(22, 99).u32(20, 99).u32(1005, 99);
    EXPECT_EQ(cmd.run(config_radius_global).status, 0);
    EXPECT_EQ(running_global().timeout, 5u);
    EXPECT_EQ(running_global().retransmit, 1u);
    EXPECT_EQ(running_global().deadtime, 0u);
}

TEST_F(global_command, without_parameters_writes_the_record_back) {
    running_global().timeout = 12;
    const radsim::config_tables before = radsim::store().running();
    command cmd;
    EXPECT_EQ(cmd.run(config_radius_global).status, 0);
    EXPECT_EQ(radsim::store().running(), before);
    EXPECT_EQ(logged_calls().back(), "cmi_radius_new_global_config op=3 mode=2");
}

TEST_F(global_command, edits_the_pending_copy_of_an_open_session) {
    radsim::store().items()[RADIUS_ITEM_DISTRIBUTION] = 1;
    radsim::store().open_session();
    radsim::store().pending()->global.deadtime = 7;
    command cmd;
    cmd.u32(22, 9);
    EXPECT_EQ(cmd.run(config_radius_global).status, 0);
    EXPECT_EQ(radsim::store().pending()->global.deadtime, 7u) << "read from the pending copy";
    EXPECT_EQ(radsim::store().pending()->global.timeout, 9u);
    EXPECT_THAT(logged_calls(), ElementsAre("cmi_radius_new_global_config op=5 mode=2",
                                            "cmi_radius_new_enable_info_config op=1 mode=2 item=2",
                                            "cmi_radius_new_global_config op=3 mode=2"));
}

TEST_F(global_command, bad_parameters_fail_silently_and_store_nothing) {
    struct bad_case {
        const char *why;
        bool no_form;
        std::function<void(command &)> add;
    };
    const bad_case cases[] = {
        {"timeout given as text", false, [](command &c) { c.typed(22, PARAM_TYPE_TEXT, "9"); }},
        {"the no form still needs a number", true, [](command &c) { c.typed(20, PARAM_TYPE_TEXT, "9"); }},
        {"deadtime given as a host", false, [](command &c) { c.typed(1005, PARAM_TYPE_HOST, "9"); }},
        {"clear key given as a number", false, [](command &c) { c.u32(18, 9); }},
        {"key text given as a number", false, [](command &c) { c.keyword(56).u32(50, 9); }},
        {"a server-host id", false, [](command &c) { c.u32(14, 1812); }},
        {"an id no command knows", false, [](command &c) { c.u32(1006, 1); }},
    };
    for (const bad_case &c : cases) {
        radsim::reset();
        const radsim::config_tables before = radsim::store().running();
        command cmd;
        if (c.no_form) cmd.no_form();
        cmd.u32(22, 30).keyword(54);  // valid parameters first
        c.add(cmd);
        const auto [status, out] = cmd.run(config_radius_global);
        EXPECT_EQ(status, 1) << c.why;
        EXPECT_EQ(out, "") << c.why;
        EXPECT_EQ(radsim::store().running(), before) << c.why;
    }
}

TEST_F(global_command, store_failures_are_reported_in_two_lines) {
    command read;
    radsim::inject_fault("cmi_radius_new_global_config", 1, 0x409d0008);
    EXPECT_EQ(read.u32(22, 9).run(config_radius_global).out,
              "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS global configuration\n");

    command write;
    radsim::inject_fault("cmi_radius_new_global_config", 3, 0x409d0009);
    const auto [status, out] = write.u32(22, 9).run(config_radius_global);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "RADIUS configuration store: out of memory\ncould not configure RADIUS global configuration\n");
    EXPECT_EQ(running_global().timeout, 5u);
}

TEST_F(global_command, distribution_flag_read_failure_is_one_line) {
    radsim::inject_fault("cmi_radius_new_enable_info_config", 1, 0x409d0008);
    command cmd;
    const auto [status, out] = cmd.u32(22, 9).run(config_radius_global);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "could not read qds enabled flag from pss\n");
    EXPECT_EQ(running_global().timeout, 5u);
}

TEST_F(global_command, clear_key_with_distribution_enabled_is_noted_and_kept) {
    radsim::store().items()[RADIUS_ITEM_DISTRIBUTION] = 1;
    command cmd;
    cmd.keyword(54).text(18, "secret");
    const auto [status, out] = cmd.run(config_radius_global);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "Global key configuration is exempted from QDS distribution\n");
    EXPECT_EQ(radtest::key_fields_of(radsim::store().pending()->global), (key_fields{0, "secret", ""}));

    // The note comes before the refusal that a stored type-6 key causes.
    radsim::reset();
    radsim::store().items()[RADIUS_ITEM_DISTRIBUTION] = 1;
    radtest::set_key_fields(running_global(), {6, "", "SIXKEY6"});
    command over_type6;
    over_type6.keyword(54).text(18, "secret");
    EXPECT_EQ(over_type6.run(config_radius_global).out,
              "Global key configuration is exempted from QDS distribution\n"
              "Internal error: a clear-text global key cannot replace a type6 global key. Please report this fault to the maintainers.\n");
}

// How a row gives its key: the keyword `key` (id 54, as the shell sends it),
// then a clear text (id 18) or a form token (55 or 56) and its text (50).
enum class given { clear, type7, type6, keyword_only };

void add_key(command &cmd, given form, const std::string &text) {
    cmd.keyword(54);
    if (form == given::clear) cmd.text(18, text);
    if (form == given::type7) cmd.keyword(56).text(50, text);
    if (form == given::type6) cmd.keyword(55).text(50, text);
}

struct key_case {
    const char *name;
    key_fields stored;
    bool no_form;
    given form;
    std::string text;
    int32_t status;
    std::string out;
    key_fields after;  // on success; a refusal must leave the store unchanged
};

void run_key_cases(const std::vector<key_case> &cases) {
    for (const key_case &c : cases) {
        radsim::reset();
        radtest::set_key_fields(running_global(), c.stored);
        const radsim::config_tables before = radsim::store().running();
        command cmd;
        if (c.no_form) cmd.no_form();
        add_key(cmd, c.form, c.text);
        const auto [status, out] = cmd.run(config_radius_global);
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(out, c.out) << c.name;
        if (c.status == 0) {
            EXPECT_EQ(radtest::key_fields_of(running_global()), c.after) << c.name;
        } else {
            EXPECT_EQ(radsim::store().running(), before) << c.name;
        }
        EXPECT_TRUE(radsim::contract_violations().empty()) << c.name;
    }
}

TEST_F(global_command, key_form_transitions) {
    const std::string k7 = type7_of("alpha1");
    const std::string b7 = type7_of("beta2");
    const key_fields none{};
    const key_fields clear{0, "alpha1", ""};
    const key_fields type7{7, k7, ""};
    const key_fields type6{6, "", "SIXKEY6"};
    const key_fields removed{};
    const std::string mismatch = "The key provided does not match with the configured key.\n";
    const std::string no_previous = "No previous global key exist.\n";
    const std::string internal =
        "Internal error: a clear-text global key cannot replace a type6 global key. Please report this fault to the maintainers.\n";
    run_key_cases({
        {"clear over clear", clear, false, given::clear, "beta2", 0, "", {0, "beta2", ""}},
        {"numeric clear", none, false, given::clear, "12-34", 0, "warning: numeric key will not be encrypted\n",
         {0, "12-34", ""}},
        {"clear over 7", type7, false, given::clear, "beta2", 0, "", {0, "beta2", ""}},
        // A clear key cannot replace a type-6 one: the rules call it a fault.
        {"clear over 6", type6, false, given::clear, "beta2", 1, internal, {}},
        {"7 over clear", clear, false, given::type7, b7, 0, "", {7, b7, ""}},
        {"7 over nothing", none, false, given::type7, b7, 0, "", {7, b7, ""}},
        {"7 over 7", type7, false, given::type7, b7, 0, "", {7, b7, ""}},
        {"7 over 6", type6, false, given::type7, b7, 0, "", {7, b7, ""}},
        {"numeric type-7 text draws no warning", none, false, given::type7, "1234", 0, "", {7, "1234", ""}},
        {"6 over clear", clear, false, given::type6, "NEWSIX", 0, "", {6, "", "NEWSIX"}},
        {"6 over 7", type7, false, given::type6, "NEWSIX", 0, "", {6, "", "NEWSIX"}},
        {"6 over 6", type6, false, given::type6, "NEWSIX", 0, "", {6, "", "NEWSIX"}},
        {"no: clear names clear", clear, true, given::clear, "alpha1", 0, "", removed},
        {"no: clear misnames clear", clear, true, given::clear, "alpha", 1, mismatch, {}},
        {"no: clear names 7 by its clear text", type7, true, given::clear, "alpha1", 0, "", removed},
        {"no: clear misnames 7", type7, true, given::clear, k7, 1, mismatch, {}},
        {"no: clear with nothing stored", none, true, given::clear, "alpha1", 1, no_previous, {}},
        {"no: clear against 6", type6, true, given::clear, "SIXKEY6", 1, internal, {}},
        {"no: 7 names clear by its type-7 form", clear, true, given::type7, k7, 0, "", removed},
        {"no: 7 misnames clear with its clear text", clear, true, given::type7, "alpha1", 1, mismatch, {}},
        {"no: 7 names 7", type7, true, given::type7, k7, 0, "", removed},
        {"no: 7 misnames 7", type7, true, given::type7, b7, 1, mismatch, {}},
        {"no: 7 with nothing stored", none, true, given::type7, k7, 1, no_previous, {}},
        // No comparison against a type-6 key: the keyword removes it.
        {"no: 7 against 6", type6, true, given::type7, "anything", 0, "", removed},
        {"no: 6 names 6", type6, true, given::type6, "SIXKEY6", 0, "", removed},
        {"no: 6 misnames 6", type6, true, given::type6, "SIXKEY", 1,
         "type6 shared secret provided does not match with the configured type6 secret.\n"
         " Please use 'show run radius' to get the type6 secret or use 'no radius-server key'",
         {}},
        {"no: 6 against clear", clear, true, given::type6, "anything", 0, "", removed},
        {"no: the keyword alone removes 6", type6, true, given::keyword_only, "", 0, "", removed},
        {"no: the keyword alone removes 7", type7, true, given::keyword_only, "", 0, "", removed},
        {"no: the keyword alone with nothing stored", none, true, given::keyword_only, "", 0, "", removed},
    });
}

TEST_F(global_command, key_service_failures_refuse) {
    const key_fields clear{0, "alpha1", ""};
    const key_fields type7{7, type7_of("alpha1"), ""};
    for (const auto effect : {radsim::fault_effect::result_code, radsim::fault_effect::null_block,
                              radsim::fault_effect::empty_block}) {
        struct fault_case {
            const char *call;
            key_fields stored;
            bool no_form;
            given form;
            std::string out;
        };
        const fault_case cases[] = {
            {"radius_new_security_conf_decrypt", type7, false, given::clear, "Unable to decrypt existing key.\n"},
            {"radius_new_security_conf_decrypt", type7, true, given::clear, "Unable to decrypt existing key.\n"},
            {"radius_new_security_conf_encrypt", clear, false, given::type7, "Unable to encrypt existing key.\n"},
            {"radius_new_security_conf_encrypt", clear, true, given::type7, "Unable to encrypt existing key.\n"},
        };
        for (const fault_case &c : cases) {
            radsim::reset();
            radtest::set_key_fields(running_global(), c.stored);
            const radsim::config_tables before = radsim::store().running();
            radsim::inject_fault(c.call, 1, 0x409d0008, effect);
            command cmd;
            if (c.no_form) cmd.no_form();
            add_key(cmd, c.form, "alpha1");
            const auto [status, out] = cmd.run(config_radius_global);
            EXPECT_EQ(status, 1) << c.call;
            EXPECT_EQ(out, c.out) << c.call;
            EXPECT_EQ(radsim::store().running(), before) << c.call;
        }
    }
}

TEST_F(global_command, key_copies_that_cannot_be_allocated_refuse) {
    struct alloc_case {
        const char *name;
        key_fields stored;
        given form;
        std::string out;  // these texts end no line
    };
    const alloc_case cases[] = {
        {"clear over clear", {0, "alpha1", ""}, given::clear, "Failed to allocate memory."},
        {"6 over 6", {6, "", "SIXKEY6"}, given::type6, "Failed to allocate memory."},
        {"7 over 7", {7, type7_of("alpha1"), ""}, given::type7, "Cannot allocate memory."},
    };
    for (const alloc_case &c : cases) {
        radsim::reset();
        radtest::set_key_fields(running_global(), c.stored);
        const radsim::config_tables before = radsim::store().running();
        command cmd;
        add_key(cmd, c.form, "beta2");
        radtest::fail_nothrow_allocation(1);
        const auto [status, out] = cmd.run(config_radius_global);
        radtest::fail_nothrow_allocation(0);
        EXPECT_EQ(status, 1) << c.name;
        EXPECT_EQ(out, c.out) << c.name;
        EXPECT_EQ(radsim::store().running(), before) << c.name;
    }
}

TEST_F(global_command, keys_are_bounded_by_form) {
    const struct {
        key_fields stored;
        given form;
        std::string text;
        key_fields after;
    } cases[] = {
        {{}, given::clear, std::string(70, 'k'), {0, std::string(64, 'k'), ""}},
        {{}, given::type7, std::string(70, 'k'), {7, std::string(67, 'k'), ""}},
        // Over a type-6 key a type-7 text takes the clear bound.
        {{6, "", "SIXKEY6"}, given::type7, std::string(70, 'k'), {7, std::string(64, 'k'), ""}},
        {{}, given::type6, std::string(300, 's'), {6, "", std::string(256, 's')}},
    };
    for (const auto &c : cases) {
        radsim::reset();
        radtest::set_key_fields(running_global(), c.stored);
        command cmd;
        add_key(cmd, c.form, c.text);
        EXPECT_EQ(cmd.run(config_radius_global).status, 0);
        EXPECT_EQ(radtest::key_fields_of(running_global()), c.after);
    }
}

}  // namespace
