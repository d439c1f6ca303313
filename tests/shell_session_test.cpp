// The shell over the real command library, as a switch uses it.  A rich
// configuration typed line by line is saved, the switch emptied and the
// saved file applied again: the text and the stored records must come back.
// Every tagged display of that configuration runs as text and as JSON: the
// JSON must parse and hold every value the text form prints, no more.
// (Session behaviour seen on the terminal lives in the shell_* transcripts.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>

#include "abi/tags.h"
#include "shell/line_input.hpp"
#include "shell/param_block.hpp"
#include "shell/running_config.hpp"
#include "frame/service_ports.hpp"
#include "tests/support/command.hpp"
#include "tests/support/temp_folder.hpp"

namespace radius::shell {
namespace {

// Every shape of server.  10.9.9.9 comes and goes first, so that the
// replayed store numbers the servers differently.  The monitoring lines
// are the AAA service's, saved after the library's.
const char typed_lines[] =
    "configure; radius-server host 10.9.9.9; no radius-server host 10.9.9.9; radius-server key global-secret;"
    "radius-server timeout 10; radius-server retransmit 3; radius-server deadtime 15;"
    "radius-server host 10.0.0.1 key clear-key-1 auth-port 1812 acct-port 1813;"
    "radius-server host 2001:DB8:0::1 authentication auth-port 1645 key 7 %Ab,x9 timeout 7 retransmit 2;"
    "radius-server host radius1.example.com accounting acct-port 1646 key 6 type-6-secret;"
    "radius-server host 10.0.0.2 key 12345 timeout 30; radius-server test idle-time 5 username probe password pw;"
    "radius-server host 10.0.0.1 test idle-time 3 username u1; end";
// Neither role: only saved configuration may take both away.
const char neither_role_file[] =
    "radius-server host 10.0.0.4 retransmit 4 \nno radius-server host 10.0.0.4 authentication\n"
    "no radius-server host 10.0.0.4 accounting\n";
const char group_lines[] =
    "configure; aaa group server radius G1; server 10.0.0.1; server radius1.example.com; server 10.0.0.4;"
    "deadtime 9; aaa group server radius G2 server 2001:db8::1 server 10.0.0.2; aaa group server radius empty; end";

const char *const tagged_displays[] = {"show radius-server", "show radius-server sorted", "show radius-server groups",
                                       "show radius-server groups G1", "show radius-server monitoring 10.0.0.1",
                                       "show running-config radius all", "show radius-server statistics"};

// A key by its meaning, in clear form.  A clear key comes back in type 7,
// the only form the generator writes; a type-6 key does not come back at
// all, as the generator prints only `key`, never `key6`.  Both losses are
// published behaviour.
template <size_t key_size, size_t key6_size>
void fold_key(uint32_t &key_type, char (&key)[key_size], char (&key6)[key6_size]) {
    std::string clear(key, strnlen(key, key_size));
    if (key_type == RADIUS_KEY_TYPE7) clear = radtest::clear_of_type7(clear).value_or(clear);
    std::memset(key, 0, key_size);
    std::memset(key6, 0, key6_size);
    clear.copy(key, key_size - 1);
    key_type = RADIUS_KEY_CLEAR;
}

// The tables as a replay can reproduce them: keys folded as above; a port
// equal to its service's port comes back as 0, meaning that port; servers
// are numbered by walk order, members alike.
radsim::config_tables comparable(const radsim::config_tables &tables) {
    radsim::config_tables out;
    out.global = tables.global;
    fold_key(out.global.key_type, out.global.key, out.global.key6);
    std::map<uint32_t, uint32_t> position;
    for (auto [index, server] : tables.servers) {
        server.index = static_cast<uint32_t>(position.size() + 1);
        position[index] = server.index;
        fold_key(server.key_type, server.key, server.key6);
        const service_ports ports = service_ports::look_up();
        if (server.auth_port == ports.auth) server.auth_port = 0;
        if (server.acct_port == ports.acct) server.acct_port = 0;
        out.servers[server.index] = server;
    }
    for (auto [name, group] : tables.groups) {
        for (int32_t slot = 0; slot < group.member_count; ++slot) group.members[slot] = position[group.members[slot]];
        out.groups[name] = group;
    }
    return out;
}

class shell_with_library : public radtest::handler_test {
protected:
    void SetUp() override {
        handler_test::SetUp();
        radsim::load_factory_defaults();
    }

    // Runs a line as typed at the prompt, which must succeed; what it printed.
    std::string run(const std::string &line) {
        radsim::stdout_capture capture;
        EXPECT_TRUE(session_.run_line(line, true)) << line;
        return capture.finish();
    }

    void configure_switch() {
        for (const std::string &line : split_commands(typed_lines)) run(line);
        std::ofstream(file_) << neither_role_file;
        run("copy " + file_ + " running-config");
        for (const std::string &line : split_commands(group_lines)) run(line);
    }

    // The reports of a display as its JSON form asks for them, taken straight
    // from the channel: the session renders them and keeps them to itself.
    std::vector<radsim::report> reports_of(const std::string &line) {
        const parsed_command command = std::get<parsed_command>(parse(line, mode::exec));
        const uint32_t cmd_id = command.def->json_cmd_id != 0 ? command.def->json_cmd_id : command.def->cmd_id;
        param_block block(command.args, {.cmd_id = cmd_id});
        std::vector<radsim::report> reports;
        radsim::set_report_sink([&reports](const radsim::report &sent) { reports.push_back(sent); });
        radsim::set_command_id(cmd_id);
        radsim::begin_request(block.info());
        void *handler = library_.find(command.def->handler);
        if (command.def->shape == call_shape::running_config) {  // "all" is its one argument
            reinterpret_cast<int32_t (*)(cmd_paraminfo *, int32_t, uint32_t)>(handler)(block.info(), 0,
                                                                                       command.args.size());
        } else {
            reinterpret_cast<radius_handler_fn>(handler)(block.info());
        }
        radsim::end_request();
        radsim::set_report_sink(nullptr);
        return reports;
    }

    handler_library library_{RADSH_LIBRARY};
    session session_{library_, {}};
    const radtest::temp_folder folder_;
    const std::string file_ = folder_.file("saved.cfg");
};

TEST_F(shell_with_library, saved_configuration_replays_to_the_same_text_and_records) {
    configure_switch();
    std::ofstream(file_) << "stale text the save replaces\n";
    EXPECT_EQ(run("copy running-config " + file_), "Saved the running configuration to " + file_ + ".\n");
    const std::string text = run("show running-config radius all");
    std::ifstream saved_file(file_);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved_file), {}), text);
    const radsim::config_tables saved = radsim::stored().running;

    const radsim::stored_config saved_all = radsim::stored();

    radsim::reset();
    radsim::load_factory_defaults();
    EXPECT_EQ(run("copy " + file_ + " running-config"), "22 lines applied, 0 failed\n");
    EXPECT_EQ(comparable(radsim::stored().running), comparable(saved));
    // The monitoring entries come back under the servers' new indexes.
    EXPECT_EQ(radsim::stored().monitor_entries.size(), saved_all.monitor_entries.size());
    // Save, replay, save: the second file is the first, groups line by line,
    // but for the note on the type-6 key, which the first save could not keep.
    run("copy running-config " + file_);
    std::ifstream saved_again(file_);
    const std::string note = "! not saved: the type-6 key of radius-server host radius1.example.com\n";
    ASSERT_TRUE(text.ends_with(note)) << text;
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved_again), {}), text.substr(0, text.size() - note.size()));
    EXPECT_NE(text.find("aaa group server radius G1 \nserver 10.0.0.1 \n"), std::string::npos) << text;
    EXPECT_NE(text.find("radius-server test idle-time 5 username probe password pw\n"
                        "radius-server host 10.0.0.1 test idle-time 3 username u1\n"),
              std::string::npos)
        << text;
}

TEST_F(shell_with_library, every_tagged_display_in_json_holds_the_values_of_its_text) {
    configure_switch();
    for (const std::string line : tagged_displays) {
        std::string text;
        std::vector<std::string> values;
        std::vector<radsim::report> reports = reports_of(line);
        // The running configuration goes on with what other components
        // render; its JSON lines lose their final blanks.
        if (line.starts_with("show running-config")) reports.push_back(running_config_report(appended_config_lines(true)));
        for (const radsim::report &sent : reports) {
            text += sent.text();
            for (const auto &piece : sent.pieces) {
                for (const auto &value : piece.values) {
                    values.emplace_back(value.tag == TAG_RUNCFG_LINE ? trim_right(value.text) : value.text);
                }
            }
        }
        EXPECT_EQ(run(line), text) << line;
        const std::string json_text = run(line + " | json");
        ASSERT_TRUE(nlohmann::json::accept(json_text)) << json_text;
        std::vector<std::string> leaves;
        for (const auto &leaf : nlohmann::json::parse(json_text).flatten()) {
            leaves.push_back(leaf.is_string() ? leaf.get<std::string>() : leaf.dump());
        }
        std::sort(values.begin(), values.end());
        std::sort(leaves.begin(), leaves.end());
        EXPECT_EQ(leaves, values) << line;
    }
}

}  // namespace
}  // namespace radius::shell
