// The shared-secret routine of the dynamic-authorization commands, which no
// command reaches yet: one table walks the stored forms (none, clear, 7, 6)
// by given form in plain and "no" form, with its bounds and the
// key-encryption service failing in each shape.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

#include "config/config_commands.h"
#include "tests/config_support.hpp"

namespace {

using namespace radtest;
using radsim::fault_effect;

class key_rules : public handler_test {};

constexpr char decrypt[] = "radius_new_security_conf_decrypt";
constexpr char encrypt[] = "radius_new_security_conf_encrypt";

// The key fields of a dynamic-authorization record (64 bytes of `key` used).
struct key_record {
    uint32_t key_type;
    char key[68];
    char key6[256];
};

outcome apply_shared(key_record &record, bool no_key, given form, const std::string &text) {
    // The other form's text is a decoy that a wrong rule would take.
    const char *new_key = form == given::type6 ? "decoy" : text.c_str();
    const char *new_key6 = form == given::type6 ? text.c_str() : "decoy";
    radsim::stdout_capture capture;
    const int32_t status = cfg_rad_shared_key(no_key, static_cast<uint32_t>(form), &record.key_type, new_key,
                                              record.key, new_key6, record.key6);
    return {status, capture.finish()};
}

TEST_F(key_rules, shared_routine_by_stored_and_given_form) {
    const std::string k7 = type7_of("alpha1").value(), b7 = type7_of("beta2").value(), k70(70, 'k'), s300(300, 's');
    const std::string numeric = "12-34 5.6/7!\xc3\xa9";
    const key_fields none{}, clear{0, "alpha1", ""}, type7{7, k7, ""}, type6{6, "", "SIXKEY6"};
    const std::string mismatch = "The key provided does not match with the configured key\n", no_previous = "No previous key exist\n";
    const struct {
        const char *name;
        key_fields stored;
        bool no_key;
        given form;
        std::string text, out;
        std::optional<key_fields> after;  // none: refused
        const char *fault = nullptr;      // a key-encryption call that fails, and how
        fault_effect effect = fault_effect::result_code;
    } rows[] = {
        // Blanks, punctuation and bytes outside ASCII are no letters in the POSIX locale.
        {"numeric clear over 6", type6, false, given::clear, numeric, "warning: numeric key will not be encrypted\n", key_fields{0, numeric, ""}},
        {"clear over 7", type7, false, given::clear, "beta2", "", key_fields{0, "beta2", ""}},
        {"7 over clear", clear, false, given::type7, b7, "", key_fields{7, b7, ""}},
        {"numeric 7 over 7 draws no warning", type7, false, given::type7, "1234", "", key_fields{7, "1234", ""}},
        {"7 over 6", type6, false, given::type7, b7, "", key_fields{7, b7, ""}},
        {"6 over 7", type7, false, given::type6, "NEWSIX", "", key_fields{6, "", "NEWSIX"}},
        {"6 over 6", type6, false, given::type6, "NEWSIX", "", key_fields{6, "", "NEWSIX"}},
        {"clear keeps 64 characters", none, false, given::clear, k70, "", key_fields{0, k70.substr(6), ""}},
        // key6 keeps room for its NUL: no tail follows it in the records.
        {"6 keeps 255 characters", none, false, given::type6, s300, "", key_fields{6, "", s300.substr(45)}},
        {"no: clear names clear", clear, true, given::clear, "alpha1", "", none},
        {"no: clear names 7 by its clear text", type7, true, given::clear, "alpha1", "", none},
        {"no: 7 names clear by its type-7 form", clear, true, given::type7, k7, "", none},
        {"no: 7 names 7", type7, true, given::type7, k7, "", none},
        {"no: 6 names 6", type6, true, given::type6, "SIXKEY6", "", none},
        // Bad rows: the "no" form must name the stored key in a form that
        // is compared with it, and there must be one.
        {"no: a prefix is no match", clear, true, given::clear, "alpha", mismatch, {}},
        {"no: 6 misnames 6", type6, true, given::type6, "SIXKEY", mismatch, {}},
        {"no: clear with nothing stored", none, true, given::clear, "alpha1", no_previous, {}},
        {"no: 7 with nothing stored", none, true, given::type7, k7, no_previous, {}},
        {"no: 6 with nothing stored", {6, "", ""}, true, given::type6, "x", no_previous, {}},
        {"no: clear against 6", type6, true, given::clear, "SIXKEY6", "key is type6 encrypted, Please use same command without specifying key i.e.\n'no server-key' instead of 'no server-key <key-name>'\n", {}},
        {"no: 7 against 6", type6, true, given::type7, "x", "key is type6 encrypted, Please use same command without specifying key type and key i.e.\n'no server-key' instead of 'no server-key 7 <key-name>'\n", {}},
        {"no: 6 against clear", clear, true, given::type6, "x", "key is not type6 encrypted, Please use same command without specifying key type and key i.e.\n'no server-key' instead of 'no server-key 6 <key-name>'\n", {}},
        // Bad rows: the stored key cannot be converted, which stops even a
        // replacement; the commands' rows below fail by result code.
        {"decryption hands back no text", type7, false, given::clear, "beta2", "Unable to decrypt existing key.\n", {}, decrypt, fault_effect::null_block},
        {"encryption hands back an empty text", clear, false, given::type7, b7, "Unable to encrypt existing key.\n", {}, encrypt, fault_effect::empty_block},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        key_record record{};
        set_key_fields(record, row.stored);
        if (row.fault != nullptr) radsim::inject_fault(row.fault, 1, 0x409d0008, row.effect);
        const outcome result = apply_shared(record, row.no_key, row.form, row.text);
        EXPECT_EQ(result.status, row.after ? 0 : 1);
        EXPECT_EQ(result.out, row.out);
        EXPECT_EQ(key_fields_of(record), row.after.value_or(key_fields_of(record)));
    }
}

// Bad arguments fail silently; a replacement writes 64 bytes of `key` only.
TEST_F(key_rules, bad_arguments_fail_silently_and_64_bytes_of_key_are_written) {
    key_record record{};
    radsim::stdout_capture capture;
    // No such form, then each of the five pointers null.
    EXPECT_EQ(cfg_rad_shared_key(0, 5, &record.key_type, "k", record.key, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 0, nullptr, "k", record.key, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 0, &record.key_type, nullptr, record.key, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 0, &record.key_type, "k", nullptr, "k", record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 6, &record.key_type, "k", record.key, nullptr, record.key6), 1);
    EXPECT_EQ(cfg_rad_shared_key(0, 6, &record.key_type, "k", record.key, "k", nullptr), 1);
    EXPECT_EQ(key_fields_of(record), key_fields{});
    EXPECT_EQ(is_all_numeric_key(nullptr), 1);
    std::memset(record.key, 'x', sizeof record.key - 1);
    record.key_type = RADIUS_KEY_TYPE7;
    EXPECT_EQ(cfg_rad_shared_key(0, 6, &record.key_type, "k", record.key, "SIX", record.key6), 0);
    EXPECT_EQ(capture.finish(), "");
    EXPECT_EQ(std::string(record.key, sizeof record.key - 1), std::string(64, '\0') + "xxx");
}

}  // namespace
