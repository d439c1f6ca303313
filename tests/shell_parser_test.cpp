// The shell's matcher against the real command table.  Covers what decides
// which handler runs with which parameters: the parameter ids and their
// order, the key forms, values left out of "no" forms, abbreviations and
// their ambiguity, keywords winning over free text, value ranges and host
// kinds, options used twice, the JSON pipe; and the "?" and Tab lists.
// Each row shows the whole outcome as one string, so a failure prints it.
#include <gtest/gtest.h>

#include <string>

#include "frame/radius_records.h"
#include "shell/parser.hpp"

namespace radius::shell {
namespace {

std::string arg_text(const argument &arg) {
    const std::string id = std::to_string(arg.id);
    switch (arg.kind) {
        case slot::keyword: return id;
        case slot::number: return id + "=" + std::to_string(arg.number);
        case slot::text: return id + "='" + arg.text + "'";
        case slot::host: break;
    }
    const char *kind = arg.addr_kind == ADDR_KIND_IPV4   ? "ipv4:"
                       : arg.addr_kind == ADDR_KIND_IPV6 ? "ipv6:"
                       : arg.addr_kind == ADDR_KIND_HOSTNAME ? "name:"
                                                             : "?:";
    return id + "=" + kind + arg.text;
}

std::string command_name(const command_def &def) {
    static constexpr const char *builtins[] = {"none", "configure", "end", "exit", "feature", "copy-in", "copy-out"};
    return def.shape == call_shape::builtin ? builtins[static_cast<int>(def.action)] : std::string(def.handler);
}

std::string describe(const parse_result &result) {
    if (const auto *error = std::get_if<parse_error>(&result)) {
        static constexpr const char *kinds[] = {"invalid", "out-of-range", "too-long", "ambiguous", "incomplete"};
        std::string out = std::string("error ") + kinds[static_cast<int>(error->kind)] + " at " +
                          std::to_string(error->offset);
        return error->detail.empty() ? out : out + " " + error->detail;
    }
    const parsed_command &command = std::get<parsed_command>(result);
    std::string out = command_name(*command.def);
    if (command.no_form) out += " no";
    if (command.json) out += " json";
    if (command.def->cmd_id != 0) out += " cmd_id=" + std::to_string(command.def->cmd_id);
    out += ":";
    for (const argument &arg : command.args) {
        out += ' ';
        out += arg_text(arg);
    }
    return out;
}

struct parse_row {
    mode in;
    const char *line;
    const char *expected;
};

const parse_row configuration_rows[] = {
    {mode::configure, "radius enable", "config_radius_enable:"},
    {mode::configure, "no radius enable", "config_radius_enable no:"},
    // Key forms: the form token decides the ids.
    {mode::configure, "radius-server key s3cret", "config_radius_global: 54 18='s3cret'"},
    {mode::configure, "radius-server key 0 s3cret", "config_radius_global: 54 18='s3cret'"},
    {mode::configure, "radius-server key 6 JDYkc2FsdA", "config_radius_global: 54 55 50='JDYkc2FsdA'"},
    {mode::configure, "radius-server key 7 070C285F4D06", "config_radius_global: 54 56 50='070C285F4D06'"},
    {mode::configure, "radius-server key 7x", "config_radius_global: 54 18='7x'"},
    // Bad: a form token promises a key text.
    {mode::configure, "radius-server key 7", "error incomplete at 20"},
    {mode::configure, "no radius-server key", "config_radius_global no: 54"},
    {mode::configure, "no radius-server key 7", "config_radius_global no: 54 56"},
    {mode::configure, "no radius-server key s3cret", "config_radius_global no: 54 18='s3cret'"},
    // Bad: 64 characters do not fit the 64-byte key field with its NUL.
    {mode::configure, "radius-server key 0123456789012345678901234567890123456789012345678901234567890123",
     "error too-long at 18 63"},
    // Global values; a "no" form may leave the number out and passes the default.
    {mode::configure, "radius-server timeout 60", "config_radius_global: 22=60"},
    {mode::configure, "radius-server retransmit 0", "config_radius_global: 20=0"},
    {mode::configure, "radius-server deadtime 1440", "config_radius_global: 1005=1440"},
    {mode::configure, "no radius-server timeout", "config_radius_global no: 22=5"},
    {mode::configure, "no radius-server retransmit", "config_radius_global no: 20=1"},
    {mode::configure, "no radius-server deadtime", "config_radius_global no: 1005=0"},
    {mode::configure, "no radius-server timeout 30", "config_radius_global no: 22=30"},
    // Bad: below, above and far above the range; a sign is no digit.
    {mode::configure, "radius-server timeout 0", "error out-of-range at 22 <1-60>"},
    {mode::configure, "radius-server timeout 61", "error out-of-range at 22 <1-60>"},
    {mode::configure, "radius-server timeout 99999999999999999999", "error out-of-range at 22 <1-60>"},
    {mode::configure, "radius-server timeout -1", "error invalid at 22"},
    // Bad: the plain form needs its value.
    {mode::configure, "radius-server timeout", "error incomplete at 22"},
    // Server host: every option, in command-line order.
    {mode::configure,
     "radius-server host 10.0.0.1 auth-port 1645 acct-port 1646 authentication accounting timeout 10 retransmit 2 "
     "pac auxiliary key 7 abc",
     "config_radius_server: 21=ipv4:10.0.0.1 15=1645 14=1646 17 16 22=10 20=2 23 19 54 56 50='abc'"},
    {mode::configure, "radius-server host 10.0.0.1 key k1 accounting",
     "config_radius_server: 21=ipv4:10.0.0.1 54 18='k1' 16"},
    {mode::configure, "radius-server host 2001:DB8:0::1", "config_radius_server: 21=ipv6:2001:DB8:0::1"},
    {mode::configure, "radius-server host aaa-1.example.com", "config_radius_server: 21=name:aaa-1.example.com"},
    {mode::configure, "no radius-server host h1", "config_radius_server no: 21=name:h1"},
    {mode::configure, "no radius-server host h1 auth-port timeout", "config_radius_server no: 21=name:h1 15=0 22=0"},
    {mode::configure, "no radius-server host h1 key", "config_radius_server no: 21=name:h1 54"},
    // Bad: digits and dots that are no IPv4 address.
    {mode::configure, "radius-server host 1.2.3", "error invalid at 19"},
    // Bad: an option given twice.
    {mode::configure, "radius-server host h1 timeout 5 timeout 6", "error invalid at 32"},
    // Bad: the port range starts at 1.
    {mode::configure, "radius-server host h1 auth-port 0", "error out-of-range at 32 <1-65535>"},
    // Abbreviations, any case; an exact keyword beats a longer one.
    {mode::configure, "radius-s ho h1 authe acco", "config_radius_server: 21=name:h1 17 16"},
    {mode::configure, "RADIUS-SERVER TIMEOUT 7", "config_radius_global: 22=7"},
    {mode::configure, "radius en", "config_radius_enable:"},
    // Bad: "auth" abbreviates auth-port and authentication.
    {mode::configure, "radius-server host h1 auth", "error ambiguous at 22 radius-server host h1 auth"},
    // Bad: "acc" abbreviates accounting and acct-port.
    {mode::configure, "radius-server host h1 acc", "error ambiguous at 22 radius-server host h1 acc"},
    // Bad: "t" abbreviates timeout and test.
    {mode::configure, "radius-server t 5", "error ambiguous at 14 radius-server t"},
    // Bad: "r" abbreviates radius and radius-server.
    {mode::configure, "r enable", "error ambiguous at 0 r"},
    // Monitoring, global and per server.
    {mode::configure, "radius-server test idle-time 5 username probe password pw",
     "config_global_server_monitor_params: 1004=5 1003='probe' 1006='pw'"},
    {mode::configure, "radius-server test username probe idle-time 3",
     "config_global_server_monitor_params: 1003='probe' 1004=3"},
    {mode::configure, "radius-server host 10.0.0.1 test username probe",
     "config_aaa_server_monitor_params: 21=ipv4:10.0.0.1 1003='probe'"},
    {mode::configure, "no radius-server test username", "config_global_server_monitor_params no: 1003=''"},
    {mode::configure, "no radius-server test idle-time", "config_global_server_monitor_params no: 1004=0"},
    // Bad: a password belongs to a test user named before it.
    {mode::configure, "radius-server test password pw", "error invalid at 19"},
    // Bad: 32 characters do not fit the 32-byte user field.
    {mode::configure, "radius-server test username 01234567890123456789012345678901", "error too-long at 28 31"},
    // Groups: the saved form carries the members on the group line.
    {mode::configure, "aaa group server radius G1", "config_radius_new_server_group: 1000='G1'"},
    {mode::configure, "aaa group server radius G1 server 10.0.0.1 server h2 ",
     "config_radius_new_server_group: 1000='G1' 1001=ipv4:10.0.0.1 1001=name:h2"},
    {mode::configure, "no aaa group server radius G1", "config_radius_new_server_group no: 1000='G1'"},
    {mode::configure, "aaa server radius dynamic-author", "config_radius_dynamic_author_server cmd_id=1: 57"},
    {mode::configure, "feature rqx", "feature: -3='rqx'"},
    {mode::configure, "no feature dot1x", "feature no: -3='dot1x'"},
    // Bad: exec commands are not configuration commands.
    {mode::configure, "show radius-server", "error invalid at 0"},
};

const parse_row submode_and_exec_rows[] = {
    {mode::server_group, "server 10.0.0.1", "config_radius_new_server_group: 1001=ipv4:10.0.0.1"},
    {mode::server_group, "no server h1", "config_radius_new_server_group no: 1001=name:h1"},
    {mode::server_group, "deadtime 10", "config_radius_new_server_group: 1005=10"},
    {mode::server_group, "rdeadtime 10", "config_radius_new_server_group: 1005=10"},
    {mode::server_group, "no deadtime", "config_radius_new_server_group no: 1005=0"},
    {mode::server_group, "use-vrf management", "config_radius_new_server_group: 52"},
    {mode::server_group, "use-vrf def", "config_radius_new_server_group: 53"},
    {mode::server_group, "use-vrf blue", "config_radius_new_server_group: 51='blue'"},
    // A keyword wins over free text: "m" is management, not a vrf named m.
    {mode::server_group, "use-vrf m", "config_radius_new_server_group: 52"},
    // Bad: a "no" form without a vrf would delete the whole group.
    {mode::server_group, "no use-vrf", "error incomplete at 11"},
    {mode::server_group, "exit", "exit:"},
    {mode::exec, "show radius-server", "security_show_radius:"},
    {mode::exec, "sh rad so", "security_show_radius_sorted:"},
    {mode::exec, "show radius-server groups", "show_radius_new:"},
    {mode::exec, "show radius-server groups G1", "show_radius_new: 1000='G1'"},
    {mode::exec, "show radius-server monitoring 10.0.0.1", "show_aaa_monitor_config: 21=ipv4:10.0.0.1"},
    {mode::exec, "show radius-server | json", "security_show_radius json:"},
    {mode::exec, "show radius-server groups G1 | j", "show_radius_new json: 1000='G1'"},
    {mode::exec, "show running-config radius", "radius_new_pss_asciigen:"},
    {mode::exec, "show running-config radius all", "radius_new_pss_asciigen: -4"},
    {mode::exec, "copy saved.cfg running-config", "copy-in: -2='saved.cfg'"},
    {mode::exec, "copy running-config saved.cfg", "copy-out: -2='saved.cfg'"},
    {mode::exec, "configure terminal", "configure:"},
    // Bad: the pipe wants its modifier.
    {mode::exec, "show radius-server |", "error incomplete at 21"},
    // Bad: show commands have no "no" form.
    {mode::exec, "no show radius-server", "error invalid at 0"},
    // Bad: a word no command knows.
    {mode::exec, "frobnicate", "error invalid at 0"},
    // Bad: the monitoring display names its server.
    {mode::exec, "show radius-server monitoring", "error incomplete at 30"},
};

TEST(shell_parser, configuration_commands) {
    for (const parse_row &row : configuration_rows) {
        EXPECT_EQ(describe(parse(row.line, row.in)), row.expected) << row.line;
    }
}

TEST(shell_parser, submode_and_exec_commands) {
    for (const parse_row &row : submode_and_exec_rows) {
        EXPECT_EQ(describe(parse(row.line, row.in)), row.expected) << row.line;
    }
}

TEST(shell_parser, host_kinds) {
    const struct {
        const char *text;
        uint32_t kind;
    } rows[] = {
        {"10.0.0.1", ADDR_KIND_IPV4},
        {"::", ADDR_KIND_IPV6},
        {"2001:db8::1", ADDR_KIND_IPV6},
        {"::ffff:10.0.0.1", ADDR_KIND_IPV6},
        {"radius", ADDR_KIND_HOSTNAME},
        {"a_b.example-1.net", ADDR_KIND_HOSTNAME},
        {"1host", ADDR_KIND_HOSTNAME},
        {"256.1.1.1", 0},     // digits and dots only, no IPv4 address
        {"1.2.3", 0},         // the same
        {"2001:db8::g", 0},   // a colon makes it IPv6, and this is none
        {"fe80::1%eth0", 0},  // a zone is no part of a server address
        {"-host", 0},         // a label may not start with '-'
        {"host-", 0},         // nor end with it
        {"a..b", 0},          // empty label
        {"a.", 0},            // empty last label
        {"h@st", 0},          // not a host name character
    };
    for (const auto &row : rows) EXPECT_EQ(classify_host(row.text), row.kind) << row.text;
    EXPECT_EQ(classify_host(std::string(63, 'a') + "." + std::string(63, 'b')), ADDR_KIND_HOSTNAME);
    EXPECT_EQ(classify_host(std::string(64, 'a')), 0u) << "a label longer than 63";
    std::string long_name;
    for (int i = 0; i < 64; ++i) long_name += "abc.";
    EXPECT_EQ(classify_host(long_name + "x"), 0u) << "a name longer than 253";
}

std::string help_words(std::string_view line, mode m) {
    const auto listed = help(line, m);
    if (const auto *error = std::get_if<parse_error>(&listed)) return "error at " + std::to_string(error->offset);
    std::string out;
    for (const help_entry &entry : std::get<std::vector<help_entry>>(listed)) out += (out.empty() ? "" : " ") + entry.word;
    return out;
}

TEST(shell_parser, help_lists_what_may_follow) {
    const parse_row rows[] = {
        {mode::exec, "", "configure copy exit show"},
        {mode::exec, "show radius-server ", "groups monitoring sorted | <cr>"},
        {mode::exec, "show radius-server | ", "json"},
        {mode::configure, "radius-server ", "deadtime host key retransmit test timeout"},
        {mode::configure, "radius-server t", "test timeout"},
        {mode::configure, "radius-server timeout ", "<1-60>"},
        {mode::configure, "radius-server timeout 1", "<1-60>"},
        {mode::configure, "no radius-server timeout ", "<1-60> <cr>"},
        {mode::configure, "radius-server key ", "0 6 7 <key>"},
        // "test" comes right after the host only: it is another command.
        {mode::configure, "radius-server host h1 timeout 5 ",
         "accounting acct-port auth-port authentication auxiliary key pac retransmit <cr>"},
        {mode::configure, "radius-server test username u ", "idle-time password <cr>"},
        {mode::configure, "no ", "aaa feature radius radius-server"},
        {mode::server_group, "", "deadtime end exit no rdeadtime server use-vrf"},
        // Bad: nothing follows an unknown word.
        {mode::configure, "radius-server bogus ", "error at 14"},
        // Bad: no keyword starts with "x".
        {mode::configure, "radius-server x", "error at 14"},
    };
    for (const parse_row &row : rows) EXPECT_EQ(help_words(row.line, row.in), row.expected) << row.line;
}

TEST(shell_parser, completion_of_the_last_word) {
    EXPECT_EQ(completions("radius-server ti", mode::configure), std::vector<std::string>{"timeout"});
    EXPECT_EQ(completions("radius-server t", mode::configure), (std::vector<std::string>{"test", "timeout"}));
    EXPECT_EQ(completions("sh", mode::exec), std::vector<std::string>{"show"});
    EXPECT_EQ(completions("show radius-server ", mode::exec),
              (std::vector<std::string>{"groups", "monitoring", "sorted", "|"}));
    EXPECT_EQ(completions("radius-server host h1 au", mode::configure),
              (std::vector<std::string>{"auth-port", "authentication", "auxiliary"}));
    EXPECT_TRUE(completions("bogus ", mode::configure).empty());
}

TEST(shell_parser, words_and_offsets) {
    const std::vector<word> words = split_words("  show\tradius-server  ");
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(words[0].text, "show");
    EXPECT_EQ(words[0].offset, 2u);
    EXPECT_EQ(words[1].text, "radius-server");
    EXPECT_EQ(words[1].offset, 7u);
}

}  // namespace
}  // namespace radius::shell
