// No shared secret leaves the library in clear: a configuration with known
// clear keys (global and per server) and a known per-server test password
// goes through every display and every variant of the generator, and each
// text they produce (standard output, the shell's buffer, the tagged
// reports) is searched for those secrets.  The one caller allowed to see
// the global key, show_radius_global with show_key set, must show it: the
// search is proven able to find what it looks for.
#include <gtest/gtest.h>

#include <cstring>

#include "monitor/monitor.h"
#include "runcfg/running_config.h"
#include "show/server_display.h"
#include "tests/support/display.hpp"

namespace {

using radtest::add_server;
using radtest::command;
using radtest::new_server;

constexpr char global_secret[] = "ClearGlobalSecret";
constexpr char server_secret[] = "ClearServerSecret";
constexpr char probe_secret[] = "ClearProbeSecret";

class clear_secrets : public radtest::display_test {
protected:
    void SetUp() override {
        display_test::SetUp();
        radius_global_cfg &global = radsim::store().running().global;
        global.key_type = RADIUS_KEY_CLEAR;
        std::strcpy(global.key, global_secret);
        radius_server_cfg server = new_server("10.0.0.1");
        server.key_type = RADIUS_KEY_CLEAR;
        std::strcpy(server.key, server_secret);
        const uint32_t index = add_server(server);
        aaa_server_monitor_cfg entry{};
        entry.server_id = index;
        std::strcpy(entry.test_user, "probe");
        std::strcpy(entry.test_password, probe_secret);
        radsim::monitor_entries()[index] = entry;
        radius_group_cfg group{};
        std::strcpy(group.name, "G1");
        group.members[group.member_count++] = index;
        radsim::store().group(RADIUS_OP_WRITE, &group);
        radsim::store().open_session();  // the pending copy holds the same secrets
    }

    // Everything a user or another component could see from the handler.
    std::string seen(command &cmd, radius_handler_fn handler) {
        reports_.clear();
        std::string text = run(cmd, handler).out;
        return text + radsim::take_shell_buffer() + reports_text();
    }

    static void expect_no_secret(const std::string &text, const std::string &what) {
        for (const char *secret : {global_secret, server_secret, probe_secret}) {
            EXPECT_EQ(text.find(secret), std::string::npos) << what << " shows " << secret << ":\n" << text;
        }
    }
};

TEST_F(clear_secrets, no_display_or_generated_text_shows_them) {
    const std::pair<const char *, radius_handler_fn> handlers[] = {
        {"security_show_radius", security_show_radius},
        {"security_show_radius_sorted", security_show_radius_sorted},
        {"show_aaa_monitor_config", show_aaa_monitor_config},
        {"running plain", [](cmd_paraminfo *info) { return radius_new_pss_asciigen(info, 0, 0); }},
        {"running full", [](cmd_paraminfo *info) { return radius_new_pss_asciigen(info, 0, 1); }},
        {"pending plain", [](cmd_paraminfo *info) { return radius_new_pss_asciigen(info, 1, 0); }},
        {"pending full", [](cmd_paraminfo *info) { return radius_new_pss_asciigen(info, 1, 1); }},
    };
    for (uint32_t command_id : {0u, 500u}) {
        radsim::set_command_id(command_id);
        for (const auto &[what, handler] : handlers) {
            command cmd;
            cmd.host(21, "10.0.0.1", ADDR_KIND_IPV4);
            const std::string text = seen(cmd, handler);
            EXPECT_NE(text, "") << what << " must show something for the search to mean anything";
            expect_no_secret(text, std::string(what) + " under command id " + std::to_string(command_id));
        }
    }
}

TEST_F(clear_secrets, plain_printers_show_the_global_key_only_when_asked) {
    command cmd;
    radsim::begin_request(cmd.info());
    radsim::stdout_capture capture;
    show_radius_global(radtest::test_session, 0, 1, &cmd.info()->msg_ctx_a, &cmd.info()->msg_ctx_b);
    radius_server_cfg server = radsim::store().running().servers.begin()->second;
    radius_print_server_details(0, &server);
    const std::string masked = capture.finish();
    radsim::stdout_capture asked;
    show_radius_global(radtest::test_session, 1, 1, &cmd.info()->msg_ctx_a, &cmd.info()->msg_ctx_b);
    const std::string shown = asked.finish();
    radsim::end_request();

    expect_no_secret(masked, "show_radius_global and radius_print_server_details");
    EXPECT_NE(shown.find(global_secret), std::string::npos) << shown;
    EXPECT_EQ(shown.find(server_secret), std::string::npos) << shown;
}

}  // namespace
