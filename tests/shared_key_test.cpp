// The shared-secret routine of the dynamic-authorization commands and the
// numeric-key test: every transition of stored form (none, clear, 7, 6) by
// given form (clear, 7, 6) in plain and "no" form, the refusals with their
// exact texts, the silent failures, the key-encryption service failing in
// each of its shapes, and the field bounds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_commands.h"
#include "tests/config_support.hpp"
#include "tests/support/command.hpp"

namespace {

using radtest::key_fields;
using radtest::type7_of;

// The key fields of a dynamic-authorization record: a 68-byte `key` of
// which 64 bytes are used, and a 256-byte `key6`.
struct key_record {
    uint32_t key_type;
    char key[68];
    char key6[256];
};

class shared_key : public radtest::handler_test {};

TEST_F(shared_key, numeric_means_no_letter) {
    const struct {
        const char *text;
        int numeric;
    } cases[] = {
        {"123456", 1},
        {"12-34-56", 1},
        {"", 1},
        {"1 2.3/4!", 1},        // blanks and punctuation are not letters
        {"\xc3\xa9\xc3\xa9", 1},  // nor are bytes outside ASCII in the POSIX locale
        {"12a4", 0},
        {"Z", 0},
        {"1234567x", 0},
    };
    for (const auto &c : cases) EXPECT_EQ(is_all_numeric_key(c.text), c.numeric) << "'" << c.text << "'";
    EXPECT_EQ(is_all_numeric_key(nullptr), 1);
}

struct key_case {
    const char *name;
    key_fields stored;
    bool no_key;
    uint32_t given_type;
    std::string text;  // new_key for forms 0 and 7, new_key6 for form 6
    int32_t status;
    std::string out;
    key_fields after;  // checked on success only: a refusal's record is discarded
};

struct applied {
    int32_t status;
    std::string out;
    key_fields after;
};

applied apply(const key_fields &stored, bool no_key, uint32_t given_type, const std::string &text) {
    key_record record{};
    radtest::set_key_fields(record, stored);
    radsim::stdout_capture capture;
    // The other form's text is a decoy: a rule that took it would store or
    // compare the wrong text.
    const char *unused = "unused";
    const bool type6 = given_type == RADIUS_KEY_TYPE6;
    const char *new_key = type6 ? unused : text.c_str();
    const char *new_key6 = type6 ? text.c_str() : unused;
    const int32_t status =
        cfg_rad_shared_key(no_key, given_type, &record.key_type, new_key, record.key, new_key6, record.key6);
    return {status, capture.finish(), radtest::key_fields_of(record)};
}

TEST_F(shared_key, every_form_transition) {
    const std::string k7 = type7_of("alpha1");
    const std::string b7 = type7_of("beta2");
    const key_fields none{};
    const key_fields clear{0, "alpha1", ""};
    const key_fields type7{7, k7, ""};
    const key_fields type6{6, "", "SIXKEY6"};
    const key_fields removed{};
    const std::string mismatch = "The key provided does not match with the configured key\n";
    const std::string no_previous = "No previous key exist\n";
    const std::string not_type6 =
        "key is not type6 encrypted, Please use same command without specifying key type and key i.e.\n"
        "'no server-key' instead of 'no server-key 6 <key-name>'\n";
    const std::vector<key_case> cases = {
        {"clear over clear", clear, false, 0, "beta2", 0, "", {0, "beta2", ""}},
        {"numeric clear", none, false, 0, "12-34", 0, "warning: numeric key will not be encrypted\n", {0, "12-34", ""}},
        {"clear over 7", type7, false, 0, "beta2", 0, "", {0, "beta2", ""}},
        {"clear over 6", type6, false, 0, "beta2", 0, "", {0, "beta2", ""}},
        {"7 over clear", clear, false, 7, b7, 0, "", {7, b7, ""}},
        {"7 over nothing: the empty stored key encrypts", none, false, 7, b7, 0, "", {7, b7, ""}},
        {"7 over 7", type7, false, 7, b7, 0, "", {7, b7, ""}},
        {"7 over 6", type6, false, 7, b7, 0, "", {7, b7, ""}},
        {"6 over clear", clear, false, 6, "NEWSIX", 0, "", {6, "", "NEWSIX"}},
        {"6 over 7", type7, false, 6, "NEWSIX", 0, "", {6, "", "NEWSIX"}},
        {"6 over 6", type6, false, 6, "NEWSIX", 0, "", {6, "", "NEWSIX"}},
        {"no: clear names clear", clear, true, 0, "alpha1", 0, "", removed},
        // The comparison is exact: a prefix is no match.
        {"no: clear misnames clear", clear, true, 0, "alpha", 1, mismatch, {}},
        {"no: clear names 7 by its clear text", type7, true, 0, "alpha1", 0, "", removed},
        {"no: clear misnames 7", type7, true, 0, "alpha2", 1, mismatch, {}},
        {"no: clear with nothing stored", none, true, 0, "alpha1", 1, no_previous, {}},
        {"no: clear against 6", type6, true, 0, "SIXKEY6", 1,
         "key is type6 encrypted, Please use same command without specifying key i.e.\n"
         "'no server-key' instead of 'no server-key <key-name>'\n",
         {}},
        {"no: 7 names clear by its type-7 form", clear, true, 7, k7, 0, "", removed},
        // A clear text given as type 7 is compared with the type-7 form.
        {"no: 7 misnames clear", clear, true, 7, "alpha1", 1, mismatch, {}},
        {"no: 7 names 7", type7, true, 7, k7, 0, "", removed},
        {"no: 7 with nothing stored", none, true, 7, k7, 1, no_previous, {}},
        {"no: 7 against 6", type6, true, 7, "SIXKEY6", 1,
         "key is type6 encrypted, Please use same command without specifying key type and key i.e.\n"
         "'no server-key' instead of 'no server-key 7 <key-name>'\n",
         {}},
        {"no: 6 names 6", type6, true, 6, "SIXKEY6", 0, "", removed},
        {"no: 6 misnames 6", type6, true, 6, "SIXKEY", 1, mismatch, {}},
        {"no: 6 with an empty type-6 key", {6, "", ""}, true, 6, "SIXKEY6", 1, no_previous, {}},
        {"no: 6 against clear", clear, true, 6, "alpha1", 1, not_type6, {}},
        {"no: 6 against 7", type7, true, 6, k7, 1, not_type6, {}},
    };
    for (const key_case &c : cases) {
        radsim::reset();
        const applied result = apply(c.stored, c.no_key, c.given_type, c.text);
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(result.out, c.out) << c.name;
        if (c.status == 0) {
            EXPECT_EQ(result.after, c.after) << c.name;
        }
    }
}

TEST_F(shared_key, service_failures_refuse_in_every_shape) {
    const key_fields type7{7, type7_of("alpha1"), ""};
    const key_fields clear{0, "alpha1", ""};
    const std::string b7 = type7_of("beta2");
    const radsim::fault_effect effects[] = {radsim::fault_effect::result_code, radsim::fault_effect::null_block,
                                            radsim::fault_effect::empty_block};
    for (const radsim::fault_effect effect : effects) {
        radsim::reset();
        // Replacing a type-7 key decrypts it first, so a failure refuses
        // even a plain replacement.
        radsim::inject_fault("radius_new_security_conf_decrypt", 1, 0x409d0008, effect);
        const applied decrypt = apply(type7, false, 0, "beta2");
        EXPECT_EQ(decrypt.status, 1);
        EXPECT_EQ(decrypt.out, "Unable to decrypt existing key.\n");

        radsim::inject_fault("radius_new_security_conf_encrypt", 1, 0x409d0008, effect);
        const applied encrypt = apply(clear, false, 7, b7);
        EXPECT_EQ(encrypt.status, 1);
        EXPECT_EQ(encrypt.out, "Unable to encrypt existing key.\n");
    }
}

TEST_F(shared_key, null_fields_and_unknown_forms_fail_silently) {
    key_record record{};
    radsim::stdout_capture capture;
    EXPECT_EQ(cfg_rad_shared_key(0, 5, &record.key_type, "k", record.key, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 0, nullptr, "k", record.key, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 0, &record.key_type, nullptr, record.key, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 0, &record.key_type, "k", nullptr, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 0, &record.key_type, "k", record.key, nullptr, record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 0, &record.key_type, "k", record.key, "k", nullptr), 1);
    EXPECT_EQ(capture.finish(), "");
    EXPECT_EQ(radtest::key_fields_of(record), key_fields{});
}

TEST_F(shared_key, texts_are_bounded_and_the_rest_stays_zero) {
    const std::string long_key(70, 'k');
    const std::string long_key6(300, 's');
    EXPECT_EQ(apply({}, false, 0, long_key).after, (key_fields{0, std::string(64, 'k'), ""}));
    EXPECT_EQ(apply({}, false, 7, long_key).after, (key_fields{7, std::string(64, 'k'), ""}));
    // key6 keeps room for its NUL: no tail follows it in the records.
    EXPECT_EQ(apply({}, false, 6, long_key6).after, (key_fields{6, "", std::string(255, 's')}));

    key_record record{};
    std::memset(record.key, 'x', sizeof record.key - 1);
    record.key_type = RADIUS_KEY_TYPE7;
    radsim::stdout_capture capture;
    ASSERT_EQ(cfg_rad_shared_key(0, 6, &record.key_type, "k", record.key, "SIX", record.key6), 0);
    capture.finish();
    EXPECT_EQ(std::string(record.key, sizeof record.key - 1), std::string(64, '\0') + "xxx")
        << "only the 64 used bytes of key are written";
}

}  // namespace
