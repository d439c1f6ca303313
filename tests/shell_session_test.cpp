// The session: modes and prompts, submodes and the parameters they carry,
// leaving a submode for a configuration line, errors with the caret under
// the offending word, the "?" list, handler statuses, a handler the
// library lacks, tagged output as text or JSON, the running configuration's
// command ids, replay of saved configuration and saving it.  Handlers are
// fakes bound by name that record the block they receive; the output
// channel is the simulator's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "platform/shell_output.h"
#include "shell/session.hpp"
#include "tests/support/command.hpp"

namespace radius::shell {
namespace {

struct recorded_call {
    std::string handler;
    std::string params;
    cmd_paraminfo info;
};

std::vector<recorded_call> calls;
std::map<std::string, int32_t> statuses;
uint32_t seen_command_id = 0;

std::string params_of(const cmd_paraminfo *info) {
    std::ostringstream out;
    for (int i = 0; i < info->param_count; ++i) {
        const cmd_param &p = *info->params[i];
        out << (i == 0 ? "" : " ") << p.id;
        const char *text = static_cast<const char *>(p.value);
        if (p.type == PARAM_TYPE_U32) out << "=" << *static_cast<const uint32_t *>(p.value);
        if (p.type == PARAM_TYPE_TEXT) out << "='" << text << "'";
        if (p.type == PARAM_TYPE_HOST) out << (p.addr_kind == ADDR_KIND_IPV4 ? "=ipv4:" : "=name:") << text;
    }
    return out.str();
}

int32_t record(const char *handler, cmd_paraminfo *info, std::string extra = {}) {
    const std::string params = params_of(info);
    calls.push_back({handler, extra.empty() ? params : params + extra, *info});
    return statuses[handler];
}

int32_t fake_enable(cmd_paraminfo *info) { return record("config_radius_enable", info); }
int32_t fake_global(cmd_paraminfo *info) { return record("config_radius_global", info); }
int32_t fake_server(cmd_paraminfo *info) { return record("config_radius_server", info); }
int32_t fake_group(cmd_paraminfo *info) { return record("config_radius_new_server_group", info); }
int32_t fake_dynamic_author(cmd_paraminfo *info) { return record("config_radius_dynamic_author_server", info); }

// A display on the tagged channel: one global line, one server.
int32_t fake_show(cmd_paraminfo *info) {
    cmd_out_handle *handle = cmd_paraminfo_to_rxhandle(info);
    seen_command_id = cmd_req_cmdId_getnext(handle);
    const uint32_t timeout = 5;
    cmd_prt_arg arg;
    cmd_prt(handle, "timeout value:%s\n", cmd_prt_arg_make(&arg, 0x11330018, &timeout, 4));
    cmd_prt(handle, "\t%s:\n", cmd_prt_arg_make(&arg, 0x3033001f, "10.0.0.1", 9));
    cmd_prt_send(handle);
    cmd_req_handle_free(handle);
    return record("security_show_radius", info);
}

// The generator: tagged lines when asked for command 500.
int32_t fake_generator(cmd_paraminfo *info, int32_t pending, uint32_t full) {
    cmd_out_handle *handle = cmd_paraminfo_to_rxhandle(info);
    seen_command_id = cmd_req_cmdId_getnext(handle);
    if (seen_command_id == 500) {
        cmd_prt_arg arg;
        cmd_prt(handle, "%s\n", cmd_prt_arg_make(&arg, 0x30330009, "radius-server timeout 7", 24), nullptr);
        cmd_prt_send(handle);
    }
    cmd_paraminfo_to_rxhandle_free(handle);
    std::ostringstream shape;
    shape << " pending=" << pending << " full=" << full;
    return record("radius_new_pss_asciigen", info, shape.str());
}

const std::map<std::string, void *, std::less<>> fakes = {
    {"config_radius_enable", reinterpret_cast<void *>(&fake_enable)},
    {"config_radius_global", reinterpret_cast<void *>(&fake_global)},
    {"config_radius_server", reinterpret_cast<void *>(&fake_server)},
    {"config_radius_new_server_group", reinterpret_cast<void *>(&fake_group)},
    {"config_radius_dynamic_author_server", reinterpret_cast<void *>(&fake_dynamic_author)},
    {"security_show_radius", reinterpret_cast<void *>(&fake_show)},
    {"radius_new_pss_asciigen", reinterpret_cast<void *>(&fake_generator)},
};

void *find_fake(void *, std::string_view name) {
    const auto found = fakes.find(name);
    return found == fakes.end() ? nullptr : found->second;
}

class shell_session : public radtest::handler_test {
protected:
    void SetUp() override {
        handler_test::SetUp();
        calls.clear();
        statuses.clear();
        seen_command_id = 0;
    }

    // Runs a line as typed at the prompt; the output it printed.
    std::string run(session &s, const std::string &line, bool expect_ok = true) {
        radsim::stdout_capture capture;
        const bool ok = s.run_line(line, true);
        std::string out = capture.finish();
        EXPECT_EQ(ok, expect_ok) << line;
        return out;
    }

    std::string temp_file(const std::string &text) {
        char name[] = "/tmp/radsh_test_XXXXXX";
        const int fd = mkstemp(name);
        EXPECT_GE(fd, 0);
        close(fd);
        std::ofstream(name) << text;
        files_.push_back(name);
        return name;
    }

    void TearDown() override {
        for (const std::string &file : files_) std::remove(file.c_str());
        handler_test::TearDown();
    }

    handler_library library_{&find_fake, nullptr};
    std::vector<std::string> files_;
};

TEST_F(shell_session, modes_and_prompts) {
    session s(library_, {});
    EXPECT_EQ(s.prompt(), "switch# ");
    EXPECT_EQ(run(s, "configure"), "");
    EXPECT_EQ(s.prompt(), "switch(config)# ");
    run(s, "end");
    EXPECT_EQ(s.prompt(), "switch# ");
    run(s, "conf t");
    run(s, "aaa server radius dynamic-author");
    EXPECT_EQ(s.prompt(), "switch(config-radius-da)# ");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].params, "57");
    EXPECT_EQ(calls[0].info.cmd_id, 1u);
    run(s, "exit");
    EXPECT_EQ(s.current_mode(), mode::configure);
    run(s, "exit");
    EXPECT_EQ(s.current_mode(), mode::exec);
    EXPECT_FALSE(s.finished());
    run(s, "exit");
    EXPECT_TRUE(s.finished());
}

TEST_F(shell_session, the_group_submode_carries_the_group_name) {
    session s(library_, {});
    run(s, "configure");
    run(s, "aaa group server radius G1");
    EXPECT_EQ(s.prompt(), "switch(config-radius)# ");
    run(s, "deadtime 5");
    run(s, "no server h2");
    // A configuration line leaves the submode and runs in configuration mode.
    run(s, "radius-server timeout 7");
    EXPECT_EQ(s.current_mode(), mode::configure);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].params, "1000='G1'");
    EXPECT_EQ(calls[1].params, "1000='G1' 1005=5");
    EXPECT_EQ(calls[2].params, "1000='G1' 1001=name:h2");
    EXPECT_EQ(calls[2].info.no_form, 1);
    EXPECT_EQ(calls[3].handler, "config_radius_global");
    EXPECT_EQ(calls[3].params, "22=7");
}

TEST_F(shell_session, the_submode_is_entered_only_on_success_of_the_plain_form) {
    session s(library_, {});
    run(s, "configure");
    statuses["config_radius_new_server_group"] = 255;
    run(s, "aaa group server radius G1", false);
    EXPECT_EQ(s.current_mode(), mode::configure);
    statuses["config_radius_new_server_group"] = 0;
    run(s, "no aaa group server radius G1");
    EXPECT_EQ(s.current_mode(), mode::configure);
}

TEST_F(shell_session, a_line_neither_mode_knows_stays_in_the_submode) {
    session s(library_, {});
    run(s, "configure");
    run(s, "aaa group server radius G1");
    EXPECT_EQ(run(s, "bogus", false), "                       ^\n% Invalid input detected at '^' marker.\n");
    EXPECT_EQ(s.current_mode(), mode::server_group);
}

TEST_F(shell_session, the_block_words) {
    session active(library_, {});
    run(active, "configure");
    run(active, "no radius enable");
    session standby(library_, {.standby = true});
    run(standby, "configure");
    run(standby, "radius enable");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].info.no_form, 1);
    EXPECT_EQ(calls[0].info.is_active_sup, 1);
    EXPECT_EQ(calls[0].info.exec_flags, 0u);
    EXPECT_NE(calls[0].info.session_handle, 0u);
    EXPECT_EQ(calls[1].info.no_form, 0);
    EXPECT_EQ(calls[1].info.is_active_sup, 0);
}

TEST_F(shell_session, a_handler_status_decides_success) {
    session s(library_, {});
    run(s, "configure");
    statuses["config_radius_global"] = 1;
    run(s, "radius-server retransmit 3", false);
    statuses["config_radius_global"] = 0;
    run(s, "radius-server retransmit 3");
}

TEST_F(shell_session, a_missing_handler_answers_with_an_error) {
    EXPECT_EQ(library_.missing(), (std::vector<std::string>{"security_show_radius_sorted", "show_radius_new",
                                                            "show_aaa_monitor_config",
                                                            "config_global_server_monitor_params",
                                                            "config_aaa_server_monitor_params"}));
    session s(library_, {});
    EXPECT_EQ(run(s, "show radius-server sorted", false),
              "% Command unavailable: the command library has no handler security_show_radius_sorted.\n");
    EXPECT_TRUE(calls.empty());
}

TEST_F(shell_session, errors_point_at_the_offending_word) {
    session s(library_, {});
    run(s, "configure");
    EXPECT_EQ(run(s, "radius-server timout 5", false),
              "                              ^\n% Invalid input detected at '^' marker.\n");
    EXPECT_EQ(run(s, "radius-server t 5", false),
              "                              ^\n% Ambiguous command: \"radius-server t\"\n");
    EXPECT_EQ(run(s, "radius-server timeout 0", false),
              "                                      ^\n% Value out of range at '^' marker: expected <1-60>.\n");
    EXPECT_EQ(run(s, "radius-server timeout  ", false),
              "                                      ^\n% Incomplete command.\n");
    // Not on the screen: the line is printed above its caret.
    radsim::stdout_capture capture;
    EXPECT_FALSE(s.run_line("radius-server timout 5", false));
    EXPECT_EQ(capture.finish(), "radius-server timout 5\n              ^\n% Invalid input detected at '^' marker.\n");
    EXPECT_TRUE(calls.empty());
}

TEST_F(shell_session, question_mark_lists_what_may_follow) {
    session s(library_, {});
    EXPECT_EQ(run(s, "show radius-server ?"),
              "  groups      Server groups\n"
              "  monitoring  A server's monitoring settings\n"
              "  sorted      Servers sorted by host\n"
              "  |           Output modifiers\n"
              "  <cr>\n");
    EXPECT_EQ(run(s, "sh?"), "  show  Show running system information\n");
    EXPECT_EQ(run(s, "show bogus ?"), "             ^\n% Invalid input detected at '^' marker.\n");
    EXPECT_EQ(run(s, "! a comment"), "");
    EXPECT_EQ(run(s, "   "), "");
    EXPECT_TRUE(calls.empty());
}

TEST_F(shell_session, tagged_output_as_text_or_json) {
    session s(library_, {});
    EXPECT_EQ(run(s, "show radius-server"), "timeout value:5\n\t10.0.0.1:\n");
    EXPECT_EQ(seen_command_id, 0u);
    const std::string expected_json = "{\n  \"servers\": [\n    {\n      \"host\": \"10.0.0.1\"\n    }\n  ],\n"
                                      "  \"timeout\": 5\n}\n";
    EXPECT_EQ(run(s, "show radius-server | json"), expected_json);
    session json_by_default(library_, {.json = true});
    EXPECT_EQ(run(json_by_default, "show radius-server"), expected_json);
}

TEST_F(shell_session, running_configuration_command_ids) {
    session s(library_, {});
    run(s, "show running-config radius");
    EXPECT_EQ(seen_command_id, 0u);
    EXPECT_EQ(run(s, "show running-config radius all | json"),
              "{\n  \"lines\": [\n    \"radius-server timeout 7\"\n  ]\n}\n");
    EXPECT_EQ(seen_command_id, 500u);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].params, " pending=0 full=0");
    EXPECT_EQ(calls[1].params, " pending=0 full=1");
}

TEST_F(shell_session, replay_applies_saved_configuration) {
    const std::string file = temp_file(
        "! saved configuration\n"
        "radius-server timeout 7 \n"
        "\n"
        "aaa group server radius G1 server 10.0.0.1 server h2 \n"
        "rdeadtime 5\n"
        "radius-server host h1 timout 3\n"
        "radius-server host h9\n"
        "aaa group server radius G2 \n"
        "server h3\n");
    statuses["config_radius_server"] = 1;
    session s(library_, {});
    EXPECT_EQ(run(s, "copy " + file + " running-config", false),
              "radius-server host h1 timout 3\n"
              "                      ^\n"
              "% Invalid input detected at '^' marker.\n"
              "% Line 6 of " + file + " failed: radius-server host h1 timout 3\n"
              "% Line 7 of " + file + " failed: radius-server host h9\n");
    EXPECT_EQ(s.current_mode(), mode::exec);
    std::vector<std::string> seen;
    for (const recorded_call &call : calls) {
        EXPECT_EQ(call.info.exec_flags, EXEC_FLAG_REPLAY) << call.params;
        seen.push_back(call.params);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"22=7", "1000='G1' 1001=ipv4:10.0.0.1 1001=name:h2",
                                              "1000='G1' 1005=5", "21=name:h9", "1000='G2'",
                                              "1000='G2' 1001=name:h3"}));
    // Commands typed afterwards are no replay.
    run(s, "configure");
    run(s, "radius enable");
    EXPECT_EQ(calls.back().info.exec_flags, 0u);
}

TEST_F(shell_session, replay_of_a_missing_file) {
    session s(library_, {});
    EXPECT_EQ(run(s, "copy /nonexistent/saved.cfg running-config", false),
              "% Cannot open /nonexistent/saved.cfg: No such file or directory\n");
}

TEST_F(shell_session, a_full_group_line_is_split_behind_the_group_name) {
    std::ostringstream line;
    line << "aaa group server radius G1";
    for (int i = 0; i < 64; ++i) line << " server h" << i;
    session s(library_, {});
    run(s, "configure");
    run(s, line.str());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].info.param_count, CMD_MAX_PARAMS);
    EXPECT_EQ(calls[1].params, "1000='G1' 1001=name:h63");
    EXPECT_EQ(s.current_mode(), mode::server_group);
}

TEST_F(shell_session, saving_the_running_configuration) {
    const std::string file = temp_file("old text");
    session s(library_, {});
    EXPECT_EQ(run(s, "copy running-config " + file), "Saved the running configuration to " + file + ".\n");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].params, " pending=0 full=1");
    EXPECT_EQ(seen_command_id, 0u);
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "") << "the old text is replaced";
}

TEST_F(shell_session, features_of_the_simulated_switch) {
    session s(library_, {});
    run(s, "configure");
    run(s, "feature rqx");
    EXPECT_TRUE(radsim::feature_enabled("rqx"));
    run(s, "no feature rqx");
    EXPECT_FALSE(radsim::feature_enabled("rqx"));
}

TEST(shell_library, binding_by_name) {
    const handler_library empty(RADSH_EMPTY_PLUGIN);
    EXPECT_EQ(empty.missing().size(), 12u);
    EXPECT_EQ(empty.find("config_radius_enable"), nullptr);
    EXPECT_EQ(empty.missing_report("lib.so"),
              "radsh: lib.so lacks 12 handlers; these commands will fail: security_show_radius "
              "security_show_radius_sorted show_radius_new show_aaa_monitor_config radius_new_pss_asciigen "
              "config_radius_enable config_radius_global config_radius_server config_global_server_monitor_params "
              "config_aaa_server_monitor_params config_radius_new_server_group config_radius_dynamic_author_server\n");

    const handler_library library(RADSH_LIBRARY);
    EXPECT_NE(library.find("config_radius_enable"), nullptr);
    EXPECT_EQ(library.missing_report("lib.so").empty(), library.missing().empty());

    EXPECT_THROW(handler_library("/nonexistent/libradiuscmd.so"), std::runtime_error);
}

}  // namespace
}  // namespace radius::shell
