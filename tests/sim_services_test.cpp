// The simulated key-encryption service and IPv6 normaliser: what the key
// rules and the host commands rely on; the call log and the shell's output
// buffer as a long-running shell uses them; the test records bounded however
// long a run lasts.  (The feature manager and the
// services' fault shapes run through the pac transcript and the key-rule
// tests.)
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/aaa_service.h"
#include "platform/key_encryption.h"
#include "platform/shell_output.h"
#include "platform/store_client.h"
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
        const size_t end = std::strlen(address);
        EXPECT_EQ(std::count(address + end, address + sizeof address, '\0'), long(sizeof address - end))
            << "the typed text's tail is cleared: " << c.given;
    }
}

// A long-running process turns the log off once; a reset of the switch
// must not turn it on again, or the log grows with every command.
TEST_F(sim_services, call_log_keeps_its_setting_across_reset) {
    radsim::set_call_log(false);
    radsim::reset();
    encrypt("k");
    EXPECT_TRUE(radsim::call_log().empty());
    radsim::set_call_log(true);
    radsim::reset();
    encrypt("k");
    EXPECT_EQ(radsim::call_names(), std::vector<std::string>{"radius_new_security_conf_encrypt"});
}

// However long a test or fuzz run, the call log holds at most its capacity:
// when full it lets its older half go, counts what it let go, and keeps the
// latest calls.  The violation list keeps the first breaches and counts the
// rest.  Both start afresh at a reset.
TEST_F(sim_services, the_call_log_and_the_violation_list_stay_bounded) {
    radsim::set_call_log(true);
    uint32_t value = 0;
    const size_t calls = 2 * radsim::call_log_capacity + 3;
    for (size_t i = 0; i < calls; ++i) {
        cmi_radius_new_enable_info_config(0, RADIUS_OP_READ, i == calls - 1 ? 9 : 1, &value, 1, nullptr, nullptr);
    }
    const std::vector<radsim::platform_call> &log = radsim::call_log();
    EXPECT_LE(log.size(), radsim::call_log_capacity);
    EXPECT_GE(log.size(), radsim::call_log_capacity / 2);
    EXPECT_EQ(log.size() + radsim::call_log_dropped(), calls);
    EXPECT_EQ(log.back().args, "op=1 mode=1 item=9");

    radtest::command served;
    radsim::begin_request(served.info());
    // A foreign session handle and foreign context blocks: two breaches a call.
    for (size_t i = 0; i < radsim::contract_violation_capacity; ++i) {
        cmi_radius_new_enable_info_config(0, RADIUS_OP_READ, 1, &value, 1, nullptr, nullptr);
    }
    radsim::end_request();
    EXPECT_EQ(radsim::contract_violations().size(), radsim::contract_violation_capacity);
    EXPECT_EQ(radsim::contract_violations().front(), "cmi_radius_new_enable_info_config: foreign session handle");
    EXPECT_EQ(radsim::contract_violations_dropped(), radsim::contract_violation_capacity);

    radsim::reset();
    EXPECT_EQ(radsim::call_log_dropped(), 0u);
    EXPECT_EQ(radsim::contract_violations_dropped(), 0u);
}

// The buffer keeps its room from one command to the next; each take hands
// over only what was appended since the last one.
TEST_F(sim_services, shell_buffer_hands_over_each_text_once) {
    vsh_buf_printf("%s\n", "first");
    EXPECT_EQ(radsim::take_shell_buffer(), "first\n");
    vsh_buf_printf("%s\n", "second");
    EXPECT_EQ(radsim::take_shell_buffer(), "second\n");
    EXPECT_EQ(radsim::take_shell_buffer(), "");
}

}  // namespace
