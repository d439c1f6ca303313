// The shell over the real command library, as a switch uses it.  A rich
// configuration typed line by line is saved, the switch emptied and the
// saved file applied again: the text and the stored records must come back.
// (Session behaviour seen on the terminal, the JSON displays among it, lives
// in the shell_* transcripts.)
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

#include "platform/key_encryption.h"
#include "shell/line_input.hpp"
#include "show/service_ports.hpp"
#include "tests/support/command.hpp"

namespace radius::shell {
namespace {

// Every shape of server.  10.9.9.9 comes and goes first, so that the
// replayed store numbers the servers differently.
const char typed_lines[] =
    "configure; radius-server host 10.9.9.9; no radius-server host 10.9.9.9; radius-server key global-secret;"
    "radius-server timeout 10; radius-server retransmit 3; radius-server deadtime 15;"
    "radius-server host 10.0.0.1 key clear-key-1 auth-port 1812 acct-port 1813;"
    "radius-server host 2001:DB8:0::1 authentication auth-port 1645 key 7 %Ab,x9 timeout 7 retransmit 2;"
    "radius-server host radius1.example.com accounting acct-port 1646 key 6 type-6-secret;"
    "radius-server host 10.0.0.2 key 12345 timeout 30; end";
// Neither role: only saved configuration may take both away.
const char neither_role_file[] =
    "radius-server host 10.0.0.4 retransmit 4 \nno radius-server host 10.0.0.4 authentication\n"
    "no radius-server host 10.0.0.4 accounting\n";
const char group_lines[] =
    "configure; aaa group server radius G1; server 10.0.0.1; server radius1.example.com; server 10.0.0.4;"
    "deadtime 9; aaa group server radius G2 server 2001:db8::1 server 10.0.0.2; aaa group server radius empty; end";

struct free_block {
    void operator()(char *block) const { std::free(block); }
};

// A key by its meaning, in clear form.  A clear key comes back in type 7,
// the only form the generator writes; a type-6 key does not come back at
// all, as the generator prints only `key`, never `key6`.  Both losses are
// published behaviour.
template <size_t key_size, size_t key6_size>
void fold_key(uint32_t &key_type, char (&key)[key_size], char (&key6)[key6_size]) {
    std::string clear(key, strnlen(key, key_size));
    char *out = nullptr;
    uint32_t length = 0;
    if (key_type == RADIUS_KEY_TYPE7 &&
        radius_new_security_conf_decrypt(key, static_cast<uint32_t>(clear.size() + 1), 7, 0, 0, &out, &length) == 0) {
        const std::unique_ptr<char, free_block> decrypted(out);
        clear.assign(decrypted.get(), length);
    }
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
        for (auto [port, service] : {std::pair{&server.auth_port, auth_service}, {&server.acct_port, acct_service}}) {
            if (*port == service_port(service)) *port = 0;
        }
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

    void TearDown() override {
        std::remove(file_.c_str());
        handler_test::TearDown();
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

    handler_library library_{RADSH_LIBRARY};
    session session_{library_, {}};
    const std::string file_ = "/tmp/radsh_session_test_" + std::to_string(getpid()) + ".cfg";
};

TEST_F(shell_with_library, saved_configuration_replays_to_the_same_text_and_records) {
    configure_switch();
    std::ofstream(file_) << "stale text the save replaces\n";
    EXPECT_EQ(run("copy running-config " + file_), "Saved the running configuration to " + file_ + ".\n");
    const std::string text = run("show running-config radius all");
    std::ifstream saved_file(file_);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved_file), {}), text);
    const radsim::config_tables saved = radsim::store().running();

    radsim::reset();
    radsim::load_factory_defaults();
    EXPECT_EQ(run("copy " + file_ + " running-config"), "");
    EXPECT_EQ(run("show running-config radius all"), text);
    EXPECT_EQ(comparable(radsim::store().running()), comparable(saved));
}

}  // namespace
}  // namespace radius::shell
