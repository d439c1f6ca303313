// The shared-secret rules as their three callers apply them: the routine of
// the dynamic-authorization commands, the global settings command and the
// server host command.  One table walks every stored form (none, clear, 7,
// 6) by given form (clear, 7, 6) in plain and "no" form, with each caller's
// outcome, since the texts and a few decisions differ between them.  Then
// the key-encryption service failing in each of its shapes, copies that
// cannot be allocated, field bounds, and the silent failures.  A refusal
// must leave the store byte for byte as it was.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/config_commands.h"
#include "tests/config_support.hpp"

namespace {

using radtest::command;
using radtest::given;
using radtest::key_fields;
using radtest::type7_of;

class key_rules : public radtest::handler_test {};

enum class caller { shared, global, server };
const char *caller_names[] = {"shared routine", "global command", "server command"};

constexpr char host[] = "10.0.0.1";

// The key fields of a dynamic-authorization record: a 68-byte `key` of
// which 64 bytes are used, and a 256-byte `key6`.
struct key_record {
    uint32_t key_type;
    char key[68];
    char key6[256];
};

struct outcome {
    int32_t status;
    std::string out;
};

struct key_run {
    outcome result;
    std::optional<key_fields> after;  // none when the server is gone
    bool store_unchanged;
};

key_run apply_shared(const key_fields &stored, bool no_key, given form, const std::string &text) {
    key_record record{};
    radtest::set_key_fields(record, stored);
    const uint32_t given_type = form == given::type6 ? 6 : form == given::type7 ? 7 : 0;
    // The other form's text is a decoy: a rule that took it would store or
    // compare the wrong text.
    const char *new_key = form == given::type6 ? "decoy" : text.c_str();
    const char *new_key6 = form == given::type6 ? text.c_str() : "decoy";
    radsim::stdout_capture capture;
    const int32_t status =
        cfg_rad_shared_key(no_key, given_type, &record.key_type, new_key, record.key, new_key6, record.key6);
    return {{status, capture.finish()}, radtest::key_fields_of(record), true};
}

// Runs one key parameter through `who` on a record holding `stored`.  The
// server command runs on an existing server, with a global key that keeps
// its missing-key warning quiet.  `arm` runs just before the rules do, to
// inject a fault.
key_run apply_key(caller who, const key_fields &stored, bool no_form, given form, const std::string &text,
                  bool keyword = true, const std::function<void()> &arm = [] {}) {
    radsim::reset();
    if (who == caller::shared) {
        arm();
        return apply_shared(stored, no_form, form, text);
    }
    radius_global_cfg &global = radsim::store().running().global;
    radtest::set_key_fields(global, who == caller::global ? stored : key_fields{0, "globalkey", ""});
    if (who == caller::server) {
        radtest::set_key_fields(radsim::store().running().servers[radtest::seed_server(host)], stored);
    }
    const radsim::config_tables before = radsim::store().running();
    command cmd;
    if (no_form) cmd.no_form();
    if (who == caller::server) cmd.host(21, host, ADDR_KIND_IPV4);
    radtest::add_key(cmd, form, text, keyword);
    arm();
    const auto [status, out] = cmd.run(who == caller::global ? config_radius_global : config_radius_server);
    radtest::fail_nothrow_allocation(0);
    EXPECT_TRUE(radsim::contract_violations().empty());
    std::optional<key_fields> after;
    if (who == caller::global) after = radtest::key_fields_of(global);
    if (const radius_server_cfg *server = radtest::find_server(host); who == caller::server && server != nullptr) {
        after = radtest::key_fields_of(*server);
    }
    return {{status, out}, after, radsim::store().running() == before};
}

void expect_outcome(const key_run &run, const outcome &expected, const key_fields &after) {
    EXPECT_EQ(run.result.status, expected.status);
    EXPECT_EQ(run.result.out, expected.out);
    if (expected.status != 0) {
        EXPECT_TRUE(run.store_unchanged) << "a refusal changed the store";
    } else {
        EXPECT_EQ(run.after, after);
    }
}

const outcome ok{0, ""};
outcome refused(const std::string &out) { return {1, out}; }

struct transition {
    const char *name;
    key_fields stored;
    bool no_form;
    given form;
    std::string text;
    key_fields after;                      // on success, for every caller
    std::optional<outcome> by_caller[3];  // shared, global, server; none: not applicable
};

TEST_F(key_rules, every_form_transition) {
    const std::string k7 = type7_of("alpha1");
    const std::string b7 = type7_of("beta2");
    const key_fields none{}, removed{};
    const key_fields clear{0, "alpha1", ""}, type7{7, k7, ""}, type6{6, "", "SIXKEY6"};
    const outcome numeric{0, "warning: numeric key will not be encrypted\n"};
    const outcome internal = refused("Internal error: a clear-text global key cannot replace a type6 global key. Please report this fault to the maintainers.\n");
    const outcome mismatch = refused("The key provided does not match with the configured key.\n");
    const outcome shared_mismatch = refused("The key provided does not match with the configured key\n");
    const outcome shared_no_previous = refused("No previous key exist\n");
    const outcome global_no_previous = refused("No previous global key exist.\n");
    const transition rows[] = {
        {"clear over clear", clear, false, given::clear, "beta2", {0, "beta2", ""}, {ok, ok, ok}},
        {"numeric clear", none, false, given::clear, "12-34", {0, "12-34", ""}, {numeric, numeric, numeric}},
        // The global rules call a clear key over a type-6 one a fault; the
        // server rules warn of numeric keys only over clear and type 7.
        {"numeric clear over 6", type6, false, given::clear, "1234", {0, "1234", ""}, {numeric, internal, ok}},
        {"clear over 7", type7, false, given::clear, "beta2", {0, "beta2", ""}, {ok, ok, ok}},
        {"7 over clear", clear, false, given::type7, b7, {7, b7, ""}, {ok, ok, ok}},
        {"7 over nothing", none, false, given::type7, b7, {7, b7, ""}, {ok, ok, ok}},
        {"numeric 7 draws no warning", type7, false, given::type7, "1234", {7, "1234", ""}, {ok, ok, ok}},
        {"7 over 6", type6, false, given::type7, b7, {7, b7, ""}, {ok, ok, ok}},
        {"6 over clear", clear, false, given::type6, "NEWSIX", {6, "", "NEWSIX"}, {ok, ok, ok}},
        {"6 over 7", type7, false, given::type6, "NEWSIX", {6, "", "NEWSIX"}, {ok, ok, ok}},
        {"6 over 6", type6, false, given::type6, "NEWSIX", {6, "", "NEWSIX"}, {ok, ok, ok}},
        {"no: clear names clear", clear, true, given::clear, "alpha1", removed, {ok, ok, ok}},
        {"no: a prefix is no match", clear, true, given::clear, "alpha", {}, {shared_mismatch, mismatch, mismatch}},
        {"no: clear names 7 by its clear text", type7, true, given::clear, "alpha1", removed, {ok, ok, ok}},
        {"no: clear misnames 7", type7, true, given::clear, k7, {}, {shared_mismatch, mismatch, mismatch}},
        {"no: clear with nothing stored", none, true, given::clear, "alpha1", {},
         {shared_no_previous, global_no_previous, refused("No previous server key exists.\n")}},
        // The doubled blanks of the server texts belong to them.
        {"no: clear against 6", type6, true, given::clear, "SIXKEY6", {},
         {refused("key is type6 encrypted, Please use same command without specifying key i.e.\n"
                  "'no server-key' instead of 'no server-key <key-name>'\n"),
          internal,
          refused("Key is type6 encrypted, Please use same command without specifying key  on command line i.e.\n"
                  "'no radius-server hostname <h> key'  instead of 'no radius-server hostname <h> key <key-name>'\n")}},
        {"no: 7 names clear by its type-7 form", clear, true, given::type7, k7, removed, {ok, ok, ok}},
        {"no: 7 misnames clear with its clear text", clear, true, given::type7, "alpha1", {},
         {shared_mismatch, mismatch, mismatch}},
        {"no: 7 names 7", type7, true, given::type7, k7, removed, {ok, ok, ok}},
        {"no: 7 with nothing stored", none, true, given::type7, k7, {},
         {shared_no_previous, global_no_previous, refused("No previous server key exist.\n")}},
        // The commands compare nothing here; their keyword `key` removes the key.
        {"no: 7 against 6", type6, true, given::type7, "anything", removed,
         {refused("key is type6 encrypted, Please use same command without specifying key type and key i.e.\n"
                  "'no server-key' instead of 'no server-key 7 <key-name>'\n"),
          ok, ok}},
        {"no: 6 names 6", type6, true, given::type6, "SIXKEY6", removed, {ok, ok, ok}},
        // The commands' type-6 mismatch texts end no line.
        {"no: 6 misnames 6", type6, true, given::type6, "SIXKEY", {},
         {shared_mismatch,
          refused("type6 shared secret provided does not match with the configured type6 secret.\n Please use 'show run radius' to get the type6 secret or use 'no radius-server key'"),
          refused("type6 shared secret provided does not match with the configured type6 secret.\n Please use 'show run radius' to get the type6 secret or use 'no radius-server hostname <h> key'")}},
        {"no: 6 against clear", clear, true, given::type6, "anything", removed,
         {refused("key is not type6 encrypted, Please use same command without specifying key type and key i.e.\n"
                  "'no server-key' instead of 'no server-key 6 <key-name>'\n"),
          ok, ok}},
        {"no: the keyword alone", type6, true, given::keyword_only, "", removed, {std::nullopt, ok, ok}},
    };
    for (const transition &row : rows) {
        for (const caller who : {caller::shared, caller::global, caller::server}) {
            const auto &expected = row.by_caller[static_cast<int>(who)];
            if (!expected) continue;
            SCOPED_TRACE(std::string(row.name) + ", " + caller_names[static_cast<int>(who)]);
            expect_outcome(apply_key(who, row.stored, row.no_form, row.form, row.text), *expected, row.after);
        }
    }
}

// Without the keyword `key`, a server "no" form that names the stored key
// correctly resets a setting: the key goes, the server stays.
TEST_F(key_rules, an_accepted_server_key_comparison_is_no_removal) {
    const std::string k7 = type7_of("alpha1");
    const struct {
        key_fields stored;
        given form;
        std::string text;
    } rows[] = {{{0, "alpha1", ""}, given::clear, "alpha1"},
                {{7, k7, ""}, given::type7, k7},
                {{6, "", "SIXKEY6"}, given::type6, "SIXKEY6"}};
    for (const auto &row : rows) {
        expect_outcome(apply_key(caller::server, row.stored, true, row.form, row.text, false), ok, {});
    }
}

TEST_F(key_rules, texts_are_bounded_by_caller_and_form) {
    const std::string long_key(70, 'k'), long_key6(300, 's');
    const std::string stored_six = std::string(64, 'a') + "TAIL";
    const struct {
        caller who;
        key_fields stored;
        bool no_form;
        given form;
        std::string text;
        key_fields after;
    } rows[] = {
        {caller::shared, {}, false, given::clear, long_key, {0, std::string(64, 'k'), ""}},
        {caller::shared, {}, false, given::type7, long_key, {7, std::string(64, 'k'), ""}},
        // key6 keeps room for its NUL: no tail follows it in the records.
        {caller::shared, {}, false, given::type6, long_key6, {6, "", std::string(255, 's')}},
        {caller::global, {}, false, given::clear, long_key, {0, std::string(64, 'k'), ""}},
        {caller::global, {}, false, given::type7, long_key, {7, std::string(67, 'k'), ""}},
        // Over a type-6 key a type-7 text takes the clear bound.
        {caller::global, {6, "", "S"}, false, given::type7, long_key, {7, std::string(64, 'k'), ""}},
        {caller::global, {}, false, given::type6, long_key6, {6, "", std::string(256, 's')}},
        {caller::server, {}, false, given::clear, long_key, {0, std::string(63, 'k'), ""}},
        {caller::server, {}, false, given::type7, long_key, {7, std::string(63, 'k'), ""}},
        {caller::server, {}, false, given::type6, long_key6, {6, "", std::string(255, 's')}},
        // The server's "no" form compares 64 characters of a type-6 key.
        {caller::server, {6, "", stored_six}, true, given::type6, std::string(64, 'a') + "ELSE", {}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(caller_names[static_cast<int>(row.who)]);
        expect_outcome(apply_key(row.who, row.stored, row.no_form, row.form, row.text), ok, row.after);
    }
}

TEST_F(key_rules, service_failures_refuse_even_a_replacement) {
    const key_fields clear{0, "alpha1", ""}, type7{7, type7_of("alpha1"), ""};
    const std::string b7 = type7_of("beta2");
    const struct {
        caller who;
        const char *call;
        key_fields stored;
        given form;
        std::string text;
        std::string out;
    } rows[] = {
        {caller::shared, "radius_new_security_conf_decrypt", type7, given::clear, "beta2", "Unable to decrypt existing key.\n"},
        {caller::shared, "radius_new_security_conf_encrypt", clear, given::type7, b7, "Unable to encrypt existing key.\n"},
        {caller::global, "radius_new_security_conf_decrypt", type7, given::clear, "beta2", "Unable to decrypt existing key.\n"},
        {caller::global, "radius_new_security_conf_encrypt", clear, given::type7, b7, "Unable to encrypt existing key.\n"},
        {caller::server, "radius_new_security_conf_decrypt", type7, given::clear, "beta2", "Unable to decrypt existing srever key.\n"},
        {caller::server, "radius_new_security_conf_encrypt", clear, given::type7, b7, "Unable to encrypt existing key.\n"},
    };
    for (const auto effect : {radsim::fault_effect::result_code, radsim::fault_effect::null_block,
                              radsim::fault_effect::empty_block}) {
        for (const auto &row : rows) {
            SCOPED_TRACE(std::string(caller_names[static_cast<int>(row.who)]) + ", " + row.call);
            const auto arm = [&] { radsim::inject_fault(row.call, 1, 0x409d0008, effect); };
            expect_outcome(apply_key(row.who, row.stored, false, row.form, row.text, true, arm), refused(row.out), {});
        }
    }
}

TEST_F(key_rules, key_copies_that_cannot_be_allocated_refuse) {
    const struct {
        caller who;
        key_fields stored;
        given form;
        std::string out;  // these texts end no line
    } rows[] = {
        {caller::global, {0, "alpha1", ""}, given::clear, "Failed to allocate memory."},
        {caller::global, {6, "", "SIXKEY6"}, given::type6, "Failed to allocate memory."},
        {caller::global, {7, type7_of("alpha1"), ""}, given::type7, "Cannot allocate memory."},
        {caller::server, {0, "alpha1", ""}, given::clear, "Cannot allocate memory."},
        {caller::server, {6, "", "SIXKEY6"}, given::type6, "Cannot allocate memory."},
        {caller::server, {7, type7_of("alpha1"), ""}, given::type7, "Cannot allocate memory."},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(caller_names[static_cast<int>(row.who)]);
        const auto arm = [] { radtest::fail_nothrow_allocation(1); };
        expect_outcome(apply_key(row.who, row.stored, false, row.form, "beta2", true, arm), refused(row.out), {});
    }
}

TEST_F(key_rules, numeric_means_no_letter) {
    const struct {
        const char *text;
        int numeric;
    } rows[] = {
        {"123456", 1}, {"12-34-56", 1}, {"", 1},
        {"1 2.3/4!", 1},          // blanks and punctuation are not letters
        {"\xc3\xa9\xc3\xa9", 1},  // nor are bytes outside ASCII in the POSIX locale
        {"12a4", 0}, {"Z", 0},
    };
    for (const auto &row : rows) EXPECT_EQ(is_all_numeric_key(row.text), row.numeric) << "'" << row.text << "'";
    EXPECT_EQ(is_all_numeric_key(nullptr), 1);
}

TEST_F(key_rules, shared_routine_fails_silently_on_null_fields_and_unknown_forms) {
    key_record record{};
    radsim::stdout_capture capture;
    EXPECT_EQ(cfg_rad_shared_key(0, 5, &record.key_type, "k", record.key, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 0, nullptr, "k", record.key, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 0, &record.key_type, nullptr, record.key, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 0, &record.key_type, "k", nullptr, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 6, &record.key_type, "k", record.key, nullptr, record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 6, &record.key_type, "k", record.key, "k", nullptr), 1);
    EXPECT_EQ(capture.finish(), "");
    EXPECT_EQ(radtest::key_fields_of(record), key_fields{});
}

TEST_F(key_rules, shared_routine_writes_64_bytes_of_key_only) {
    key_record record{};
    std::memset(record.key, 'x', sizeof record.key - 1);
    record.key_type = RADIUS_KEY_TYPE7;
    radsim::stdout_capture capture;
    ASSERT_EQ(cfg_rad_shared_key(0, 6, &record.key_type, "k", record.key, "SIX", record.key6), 0);
    capture.finish();
    EXPECT_EQ(std::string(record.key, sizeof record.key - 1), std::string(64, '\0') + "xxx");
}

}  // namespace
