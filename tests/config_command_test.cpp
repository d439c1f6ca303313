// The global settings and server host commands where the keys_* and servers_*
// transcripts cannot look: the store calls, the note of a clear global key
// under fabric distribution, the auxiliary flag, texts, parameters and address
// kinds the shell never sends, and the platform's services failing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/config_commands.h"
#include "tests/config_support.hpp"

namespace {

using namespace radtest;

class global_command : public handler_test {};
class server_command : public handler_test {};

constexpr char global_call[] = "cmi_radius_new_global_config";
constexpr char server_call[] = "cmi_radius_new_server_config";
const std::string note = "Global key configuration is exempted from QDS distribution\n";

// Stores a key that must be converted before `form` can replace it (type 7
// before a clear key, clear before a type-7 one), then gives "beta2" in
// `form`: the conversion fails, which stops even a replacement.
refusal unconvertible(bool server, given form, const char *out) {
    const key_fields stored = form == given::clear ? key_fields{7, type7_of("alpha1").value(), ""} : key_fields{0, "alpha1", ""};
    return {"the stored key cannot be converted", [=](command &c) {
                if (server) seed_server(stored);
                else seed_global_keys(stored);
                add_key(server ? on_host(c) : c, form, "beta2");
            }, out, form == given::clear ? "radius_new_security_conf_decrypt" : "radius_new_security_conf_encrypt"};
}

// With distribution on and a session open, the pending copy is read (its
// deadtime kept) and written once, and a clear key is noted as not
// distributed.  The fall-back to the running copy is the server command's.
TEST_F(global_command, edits_the_pending_copy_in_one_write) {
    radsim::seed_item(RADIUS_ITEM_DISTRIBUTION, 1);
    radius_global_cfg pending = radsim::stored().running.global;
    pending.deadtime = 7;
    radsim::seed_global(pending, radsim::store_copy::pending);
    command cmd;
    const auto [status, out] = cmd.u32(PARAM_TIMEOUT, 9).u32(PARAM_RETRANSMIT, 4).keyword(PARAM_KEY).text(PARAM_KEY_CLEAR, "secret").run(config_radius_global);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, note);
    const radius_global_cfg stored = radsim::stored().pending.value().global;
    EXPECT_EQ(std::tuple(stored.timeout, stored.retransmit, stored.deadtime), std::tuple(9u, 4u, 7u));
    EXPECT_EQ(key_fields_of(stored), (key_fields{0, "secret", ""}));
    EXPECT_EQ(logged_calls(), (std::vector<std::string>{"cmi_radius_new_global_config op=5 mode=2",
                                                        "cmi_radius_new_enable_info_config op=1 mode=2 item=2",
                                                        "cmi_radius_new_global_config op=3 mode=2"}));
}

TEST_F(global_command, refusals_leave_the_store_alone) {
    const auto plain = [](command &c) { c.u32(PARAM_TIMEOUT, 9); };
    // Each bad parameter follows valid ones and ends the command silently.
    expect_refusals(config_radius_global, {
        {"timeout given as text", [](command &c) { c.u32(PARAM_TIMEOUT, 30).typed(PARAM_TIMEOUT, PARAM_TYPE_TEXT, "9"); }, ""},
        {"the no form still needs a number", [](command &c) { c.no_form().u32(PARAM_TIMEOUT, 3).typed(PARAM_RETRANSMIT, PARAM_TYPE_TEXT, "9"); }, ""},
        {"clear key given as a number", [](command &c) { c.u32(PARAM_TIMEOUT, 30).keyword(PARAM_KEY).u32(PARAM_KEY_CLEAR, 9); }, ""},
        {"key text given as a number", [](command &c) { c.u32(PARAM_TIMEOUT, 30).keyword(PARAM_KEY).keyword(PARAM_KEY_TYPE7).u32(PARAM_KEY_TEXT, 9); }, ""},
        {"an id of the server host command", [](command &c) { c.u32(PARAM_TIMEOUT, 30).u32(PARAM_ACCT_PORT, 1812); }, ""},
        {"the read fails", plain, "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS global configuration\n", global_call},
        {"the write fails", plain, "RADIUS configuration store: out of memory\ncould not configure RADIUS global configuration\n", global_call, 3, 0x409d0009},
        // The flag's failure is told in one line, without the error text.
        {"the flag cannot be read", plain, "could not read qds enabled flag from pss\n", "cmi_radius_new_enable_info_config"},
        // The note comes before the refusal that a stored type-6 key causes.
        {"a clear key over a type-6 key", [](command &c) { radsim::seed_item(RADIUS_ITEM_DISTRIBUTION, 1);
             seed_global_keys({6, "", "SIXKEY6"}); c.keyword(PARAM_KEY).text(PARAM_KEY_CLEAR, "secret"); },
         note + "Internal error: a clear-text global key cannot replace a type6 global key. Please report this fault to the maintainers.\n"},
        unconvertible(false, given::clear, "Unable to decrypt existing key.\n"),
        unconvertible(false, given::type7, "Unable to encrypt existing key.\n"),
    });
}

// Texts longer than the shell lets through keep what fits.
TEST_F(global_command, long_key_texts_are_cut) {
    const auto global_keys = [] { return key_fields_of(radsim::stored().running.global); };
    command clear, type6;
    EXPECT_EQ(add_key(clear, given::clear, std::string(70, 'k')).run(config_radius_global).status, 0);
    EXPECT_EQ(global_keys(), (key_fields{0, std::string(64, 'k'), ""}));
    EXPECT_EQ(add_key(type6, given::type6, std::string(300, 's')).run(config_radius_global).status, 0);
    EXPECT_EQ(global_keys(), (key_fields{6, "", std::string(256, 's')}));
}

// An IPv4 text keeps 16 characters, which the shell never exceeds.
TEST_F(server_command, store_calls_auxiliary_flag_and_address_bound) {
    const auto first_server = [] { return radsim::stored().running.servers.at(1); };
    const char long_text[] = "10.100.200.250.garbage";
    command create, reset;
    EXPECT_EQ(create.host(PARAM_SERVER_HOST, long_text, ADDR_KIND_IPV4).keyword(PARAM_AUX_FLAG).run(config_radius_server).status, 0);
    EXPECT_EQ(logged_calls(), (std::vector<std::string>{
                                  "cmi_radius_new_global_config op=5 mode=2", "cmi_radius_new_global_config op=1 mode=2",
                                  "cmi_radius_new_server_config op=5 mode=2", "cmi_radius_new_server_config op=1 mode=2",
                                  "cmi_radius_new_server_config op=3 mode=2"}));
    EXPECT_EQ(std::string(first_server().host) + " " + std::to_string(first_server().aux_flag), "10.100.200.250.g 1");
    EXPECT_EQ(reset.no_form().host(PARAM_SERVER_HOST, long_text, ADDR_KIND_IPV4).keyword(PARAM_AUX_FLAG).run(config_radius_server).status, 0);
    EXPECT_EQ(first_server().aux_flag, 0u);
}

TEST_F(server_command, refusals_leave_the_store_alone) {
    const auto plain = [](command &c) { on_host(c); };
    // Each bad parameter follows a valid one and ends the command silently.
    const auto bad = [](const char *why, void (*add)(command &)) {
        return refusal{why, [add](command &c) { seed_server(); add(on_host(c).u32(PARAM_RETRANSMIT, 2)); }, ""};
    };
    expect_refusals(config_radius_server, {
        bad("id between the key text and the keyword key", [](command &c) { c.no_form().keyword(PARAM_VRF_DEFAULT); }),
        bad("the global deadtime", [](command &c) { c.u32(PARAM_DEADTIME, 3); }),
        bad("port given as text", [](command &c) { c.typed(PARAM_AUTH_PORT, PARAM_TYPE_TEXT, "1812"); }),
        bad("the no form still needs a number", [](command &c) { c.no_form().typed(PARAM_TIMEOUT, PARAM_TYPE_TEXT, "1"); }),
        bad("clear key given as a number", [](command &c) { c.u32(PARAM_KEY_CLEAR, 1); }),
        bad("key text given as a number", [](command &c) { c.keyword(PARAM_KEY_TYPE7).u32(PARAM_KEY_TEXT, 1); }),
        // Bad hosts are refused before the server is looked up: the armed
        // fault would show otherwise.
        {"an IPv4 text as IPv6", [](command &c) { c.host(PARAM_SERVER_HOST, host, ADDR_KIND_IPV6); }, "invalid ipv6 address\n", server_call},
        {"no address kind", [](command &c) { c.host(PARAM_SERVER_HOST, host, 0); }, "Invalid host address \n", server_call},
        {"the global read fails", plain, "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS global configuration\n", global_call},
        {"the server read fails", plain, "RADIUS configuration store: daemon not responding\ncould not retrieve RADIUS configuration\n", server_call},
        {"the write fails", plain, "RADIUS configuration store: out of memory\nconfiguration for 10.0.0.1 could not be updated\n", server_call, 3, 0x409d0009},
        unconvertible(true, given::clear, "Unable to decrypt existing srever key.\n"),
        unconvertible(true, given::type7, "Unable to encrypt existing key.\n"),
        // Both features are on, but the manager's answer on dot1x is a failure.
        {"the feature manager fails", [](command &c) { radsim::set_feature("rqx", true); radsim::set_feature("dot1x", true);
             on_host(c).keyword(PARAM_PAC); }, "Make sure RQX & DOT1X are enabled before enabling pac\n", "fm_cmi_get_feature_status", 2},
    });
}

// "no" forms that succeed: one without the keyword `key` that names the
// stored key resets a setting (the key goes, the server stays), and a
// removal the store fails is reported, yet not a failure.
TEST_F(server_command, no_forms_that_succeed) {
    for (const key_fields &stored : {key_fields{0, "alpha1", ""}, {7, type7_of("alpha1").value(), ""}, {6, "", "SIXKEY6"}}) {
        radsim::reset();
        seed_server(stored);
        const auto &[type, key, key6] = stored;
        command cmd;
        EXPECT_EQ(add_key(on_host(cmd.no_form()), given{type}, key + key6, false).run(config_radius_server).status, 0);
        const auto servers = radsim::stored().running.servers;
        ASSERT_EQ(servers.size(), 1u) << "a reset is no removal";
        EXPECT_EQ(key_fields_of(servers.begin()->second), key_fields{});
    }
    radsim::inject_fault(server_call, 3, 0x409d0008);  // op 5, op 1, then op 4
    command removal;
    const auto [status, out] = on_host(removal).no_form().run(config_radius_server);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(out, "RADIUS configuration store: daemon not responding\nconfiguration for 10.0.0.1 could not be removed\n");
    EXPECT_EQ(logged_calls().back(), "cmi_radius_new_server_config op=4 mode=2");
}

}  // namespace
