// The simulated key-encryption service, IPv6 normaliser and feature manager:
// what the library's key rules, host commands and pac check rely on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "platform/aaa_service.h"
#include "platform/key_encryption.h"
#include "platform/system_services.h"
#include "tests/support/command.hpp"

namespace {

struct free_block {
    void operator()(char *block) const { std::free(block); }
};
using block = std::unique_ptr<char, free_block>;

struct converted {
    int32_t rc;
    block text;
    uint32_t length;
};

converted encrypt(const std::string &clear) {
    char *out = nullptr;
    uint32_t length = 0;
    const int32_t rc = radius_new_security_conf_encrypt(clear.c_str(), 7, 0, 0, &out, &length);
    return {rc, block(out), length};
}

converted decrypt(const std::string &encrypted) {
    char *out = nullptr;
    uint32_t length = 0;
    const int32_t rc = radius_new_security_conf_decrypt(encrypted.c_str(), encrypted.size() + 1, 7, 0, 0, &out,
                                                        &length);
    return {rc, block(out), length};
}

class sim_services : public radtest::handler_test {};

TEST_F(sim_services, type7_round_trips_and_keeps_the_length) {
    const std::string keys[] = {
        "a", "secret", "0123456789", "with space", "quote\"and?question|pipe!#",
        std::string(64, 'z'),  // the longest global clear key
        "\xc3\xa9t\xc3\xa9",   // bytes outside the alphabet pass through
    };
    for (const std::string &key : keys) {
        const converted encrypted = encrypt(key);
        ASSERT_EQ(encrypted.rc, 0) << key;
        ASSERT_NE(encrypted.text, nullptr) << key;
        EXPECT_EQ(encrypted.length, key.size()) << key;
        EXPECT_NE(std::string(encrypted.text.get()), key) << key;
        EXPECT_EQ(std::string(encrypted.text.get()), encrypt(key).text.get()) << "deterministic: " << key;
        const converted clear = decrypt(encrypted.text.get());
        ASSERT_EQ(clear.rc, 0) << key;
        EXPECT_EQ(std::string(clear.text.get()), key);
    }
    // Blanks and the characters that quote, ask for help, pipe or comment stay
    // as typed; nothing else becomes one of them.
    const converted safe = encrypt("a b\"c'd?e\\f|g!h#");
    EXPECT_STREQ(safe.text.get(), "D S\"c'r?(\\7|G!V#");
    EXPECT_STREQ(encrypt("").text.get(), "~") << "the empty text encrypts to a non-empty one";
}

TEST_F(sim_services, conversion_faults_take_every_failure_shape) {
    radsim::inject_fault("radius_new_security_conf_encrypt", 1, 0x409d0008);
    radsim::inject_fault("radius_new_security_conf_decrypt", 1, 0, radsim::fault_effect::null_block);
    const converted failed = encrypt("k");
    EXPECT_EQ(failed.rc, 0x409d0008);
    EXPECT_EQ(failed.text, nullptr);
    const converted null_block = decrypt("k");
    EXPECT_EQ(null_block.rc, 0);
    EXPECT_EQ(null_block.text, nullptr);

    radsim::inject_fault("radius_new_security_conf_encrypt", 1, 0, radsim::fault_effect::empty_block);
    const converted empty = encrypt("k");
    EXPECT_EQ(empty.rc, 0);
    ASSERT_NE(empty.text, nullptr);
    EXPECT_EQ(empty.length, 0u);
    EXPECT_EQ(encrypt("k").length, 1u);  // a fault hits once
    EXPECT_NE(radius_new_security_conf_encrypt("k", 6, 0, 0, nullptr, nullptr), 0);
}

TEST_F(sim_services, ipv6_addresses_normalise_in_place) {
    struct {
        const char *given;
        int32_t valid;
        const char *normal;
    } cases[] = {
        {"2001:DB8:0:0:0:0:0:1", 1, "2001:db8::1"},
        {"0:0:0:0:0:0:0:0", 1, "::"},
        {"::", 1, "::"},
        {"FFFF:FFFF:FFFF:FFFF:FFFF:FFFF:FFFF:FFFF", 1, "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff"},
        {"fe80:0000:0000:0000:0204:61ff:fe9d:f156", 1, "fe80::204:61ff:fe9d:f156"},
        {"10.0.0.1", 0, "10.0.0.1"},  // an IPv4 address is no IPv6 address
        {"2001:db8::g", 0, "2001:db8::g"},
        {"", 0, ""},
    };
    for (const auto &c : cases) {
        char address[46] = {};
        std::strncpy(address, c.given, sizeof address - 1);
        EXPECT_EQ(aaa_server_normalize_ipv6_addr(address) != 0, c.valid != 0) << c.given;
        EXPECT_STREQ(address, c.normal) << c.given;
    }
}

TEST_F(sim_services, features_report_their_state) {
    radtest::command cmd;
    radsim::begin_request(cmd.info());
    uint32_t status = 0, error = 0;
    ASSERT_EQ(fm_cmi_get_feature_status(radtest::test_session, "rqx", &cmd.info()->msg_ctx_a,
                                        &cmd.info()->msg_ctx_b, &status, &error), 0);
    EXPECT_EQ(status, 2u);
    radsim::set_feature("rqx", true);
    fm_cmi_get_feature_status(radtest::test_session, "rqx", &cmd.info()->msg_ctx_a, &cmd.info()->msg_ctx_b,
                              &status, &error);
    EXPECT_EQ(status, 1u);
    EXPECT_EQ(error, 0u);
    radsim::inject_fault("fm_cmi_get_feature_status", 1, 0x409d0008);
    fm_cmi_get_feature_status(radtest::test_session, "rqx", &cmd.info()->msg_ctx_a, &cmd.info()->msg_ctx_b,
                              &status, &error);
    EXPECT_EQ(error, 0x409d0008u);
    radsim::end_request();
}

}  // namespace
