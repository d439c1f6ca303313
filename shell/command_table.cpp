// The command table.  Every RADIUS command of the shell is a row of
// `commands` at the end of this file; the token graphs above it are its
// syntax.  Parameter ids are those the library's handlers dispatch on.
#include "shell/grammar.hpp"

#include "abi/distr_records.h"
#include "abi/param_ids.h"

namespace radius::shell {

namespace {

// Value limits a switch user expects; the record fields bound the texts.
constexpr uint32_t max_timeout = 60;        // seconds
constexpr uint32_t max_retransmit = 5;      // retries
constexpr uint32_t max_deadtime = 1440;     // minutes
constexpr uint32_t max_idle_time = 1440;    // minutes
constexpr uint32_t max_port = 65535;
constexpr uint32_t max_name = 255;          // group name field: 256 bytes
constexpr uint32_t max_test_text = 31;      // monitoring user and password: 32 bytes
constexpr uint32_t max_vrf = 32;
constexpr uint32_t max_path = 4095;
constexpr uint32_t max_user = 253;          // the longest RADIUS attribute
constexpr uint32_t max_password = 128;      // the longest User-Password
constexpr uint32_t max_page_length = 511;

// The longest key of each form that the command's record keeps whole, so
// that a longer one is refused here rather than cut by the handler.
struct key_limits {
    uint32_t clear;
    uint32_t type7;
    uint32_t type6;
};
// Global key: 68 bytes, of which a clear key may fill 64; a type-7 key may
// fill 67 over a clear or type-7 key but only 64 over a type-6 one, and
// the shell cannot know which it replaces.  key6: 260 bytes, 256 copied.
constexpr key_limits global_key_limits{64, 64, 256};
// Server key: 64 bytes, 63 copied in either form; key6: 256 bytes with its NUL.
constexpr key_limits server_key_limits{63, 63, 255};
// Dynamic-authorization keys: 64 bytes used with the NUL after them; key6
// 256 bytes with its NUL.
constexpr key_limits dynauth_key_limits{64, 64, 255};

constexpr token kw(std::string_view word, std::string_view help, const choice *next = nullptr,
                   int32_t id = no_param) {
    return token{.kind = slot::keyword, .word = word, .help = help, .param_id = id, .next = next};
}

constexpr token repeatable(token t) {
    t.repeatable = true;
    return t;
}

constexpr token number(int32_t id, uint32_t min, uint32_t max, std::string_view help, const choice *next) {
    return token{.kind = slot::number, .word = {}, .help = help, .param_id = id, .next = next, .min = min, .max = max};
}

constexpr token text(int32_t id, std::string_view word, uint32_t max, std::string_view help, const choice *next) {
    return token{.kind = slot::text, .word = word, .help = help, .param_id = id, .next = next, .max = max};
}

// A server's host: Tab offers the configured servers.
constexpr token host(int32_t id, std::string_view help, const choice *next) {
    return token{.kind = slot::host, .word = "<host>", .help = help, .param_id = id, .next = next,
                 .values = value_source::server_hosts};
}

// A host that is not a RADIUS server (a dynamic-authorization client).
constexpr token other_host(int32_t id, std::string_view help, const choice *next) {
    token t = host(id, help, next);
    t.values = value_source::none;
    return t;
}

constexpr token offering(token t, value_source values) {
    t.values = values;
    return t;
}

// A value a "no" form may leave out: the parameter still goes to the
// handler with `value` (texts: empty), as the handler needs one.
constexpr token defaulted(token t, uint32_t value = 0) {
    t.omitted = when_omitted::use_default;
    t.no_default = value;
    return t;
}

// A value a "no" form may leave out altogether.
constexpr token omissible(token t) {
    t.omitted = when_omitted::leave_out;
    return t;
}

// Words that follow one another with nothing to choose between them, as a
// command starts: each leads to the next, and the last keeps its own `next`
// (the rest of the syntax, or null where the line ends).  The chain owns
// its tokens and the one-token choices between them.
template <size_t N>
struct chain {
    token words[N];
    choice steps[N];

    constexpr chain(const token (&typed)[N]) {
        for (size_t i = 0; i < N; ++i) {
            words[i] = typed[i];
            steps[i] = choice{std::span<const token>(&words[i], 1)};
            if (i + 1 < N) words[i].next = &steps[i + 1];
        }
    }

    constexpr const choice *syntax() const { return &steps[0]; }
};

// Help texts of words that several commands share.
constexpr std::string_view help_show = "Show running system information";
constexpr std::string_view help_radius_server = "RADIUS server settings";
constexpr std::string_view help_radius = "RADIUS service";
constexpr std::string_view help_aaa = "Authentication, authorization and accounting";
constexpr std::string_view help_host = "Server address (IPv4 or IPv6) or host name";
constexpr std::string_view help_host_word = "A RADIUS server";
constexpr std::string_view help_key = "Shared secret";
constexpr std::string_view help_key_clear = "Shared secret in clear text";
constexpr std::string_view help_key_encrypted = "Shared secret in the named encrypted form";
constexpr std::string_view help_form0 = "The secret follows in clear text";
constexpr std::string_view help_form6 = "The secret follows in type-6 encrypted form";
constexpr std::string_view help_form7 = "The secret follows in type-7 encrypted form";
constexpr std::string_view help_timeout = "Time to wait for a server's reply";
constexpr std::string_view help_timeout_value = "Seconds";
constexpr std::string_view help_retransmit = "Retries before giving up on a server";
constexpr std::string_view help_retransmit_value = "Retries";
constexpr std::string_view help_deadtime = "Time a server that did not answer is skipped";
constexpr std::string_view help_deadtime_value = "Minutes (0: never skipped)";
constexpr std::string_view help_test = "Server monitoring by test requests";
constexpr std::string_view help_group = "Server groups";
constexpr std::string_view help_server_group_word = "Server group or dynamic authorization";
constexpr std::string_view help_radius_protocol = "RADIUS protocol";
constexpr std::string_view help_group_name = "Server group name";
constexpr std::string_view help_end = "Return to exec mode";
constexpr std::string_view help_exit = "Leave this mode";
constexpr std::string_view help_copy = "Copy configuration";
constexpr std::string_view help_running_config = "The running configuration";
constexpr std::string_view help_file = "File name";
constexpr std::string_view help_clear = "Reset counters or release a session";
constexpr std::string_view help_das = "The dynamic-authorization server";
constexpr std::string_view help_dac = "A dynamic-authorization client";
constexpr std::string_view help_client_host = "Client address (IPv4 or IPv6) or host name";
constexpr std::string_view help_statistics = "Request and response counters of servers";
constexpr std::string_view help_system = "The system";
constexpr std::string_view help_internal = "Internal state of a component";
constexpr std::string_view help_radius_daemon = "The RADIUS daemon";
constexpr std::string_view help_test_aaa = "Send a RADIUS request and show the answer";

// A shared secret after the keyword `key`, {0 KEY | 6 KEY | 7 KEY | KEY},
// and then `rest` (null: the line ends).  The keys differ in what may
// follow and in the longest text their record keeps.
struct key_forms {
    token clear_text[1];
    choice clear;
    token type6_text[1];
    choice type6;
    token type7_text[1];
    choice type7;
    token form_words[4];
    choice forms;

    constexpr key_forms(const choice *rest, key_limits limits)
        : clear_text{omissible(text(PARAM_KEY_CLEAR, "<key>", limits.clear, help_key_clear, rest))},
          clear{clear_text},
          type6_text{omissible(text(PARAM_KEY_TEXT, "<key>", limits.type6, help_key_encrypted, rest))},
          type6{type6_text},
          type7_text{omissible(text(PARAM_KEY_TEXT, "<key>", limits.type7, help_key_encrypted, rest))},
          type7{type7_text},
          form_words{kw("0", help_form0, &clear), kw("6", help_form6, &type6, PARAM_KEY_TYPE6),
                     kw("7", help_form7, &type7, PARAM_KEY_TYPE7), clear_text[0]},
          forms{form_words} {}
};

// ---- exec mode -------------------------------------------------------------

const token configure_terminal[] = {kw("terminal", "Configure from the terminal")};
const choice after_configure{configure_terminal, true};
constexpr chain configure{{kw("configure", "Enter configuration mode", &after_configure)}};

constexpr chain show_servers{{kw("show", help_show), kw("radius-server", help_radius_server)}};

constexpr chain show_sorted{
    {kw("show", help_show), kw("radius-server", help_radius_server), kw("sorted", "Servers sorted by host")}};

// show radius-server groups [NAME]
extern const choice show_groups_name;
constexpr chain show_groups{
    {kw("show", help_show), kw("radius-server", help_radius_server), kw("groups", "Server groups", &show_groups_name)}};
const token show_groups_name_value[] = {
    offering(text(PARAM_GROUP_NAME, "<name>", max_name, help_group_name, nullptr), value_source::group_names)};
const choice show_groups_name{show_groups_name_value, true};

constexpr chain show_monitoring{{kw("show", help_show), kw("radius-server", help_radius_server),
                                 kw("monitoring", "A server's monitoring settings"),
                                 host(PARAM_SERVER_HOST, help_host, nullptr)}};

// show running-config radius [all]
extern const choice running_all;
constexpr chain show_running_config{{kw("show", help_show), kw("running-config", help_running_config),
                                     kw("radius", "RADIUS configuration", &running_all)}};
const token running_all_word[] = {kw("all", "Include shared secrets and server groups", nullptr, shell_param_full)};
const choice running_all{running_all_word, true};

constexpr token file_name = offering(text(shell_param_file, "<file>", max_path, help_file, nullptr),
                                     value_source::file_names);
constexpr chain copy_in{{kw("copy", help_copy), file_name, kw("running-config", "Apply the file's lines as configuration")}};

constexpr chain copy_out{{kw("copy", help_copy), kw("running-config", help_running_config), file_name}};

// The startup configuration: the running one saved beside the store, which
// a store created afresh applies first.
constexpr std::string_view help_startup_config = "The configuration applied when the store starts afresh";
constexpr chain copy_startup{{kw("copy", help_copy), kw("running-config", help_running_config),
                              kw("startup-config", help_startup_config)}};
constexpr chain write_memory{{kw("write", "Save the configuration"),
                              kw("memory", "Save the running configuration as the startup configuration")}};
constexpr chain show_startup{{kw("show", help_show), kw("startup-config", help_startup_config),
                              kw("radius", "RADIUS configuration")}};

// show radius-server statistics [HOST]
extern const choice show_stats_host;
constexpr chain show_stats{{kw("show", help_show), kw("radius-server", help_radius_server),
                            kw("statistics", help_statistics, &show_stats_host)}};
const token show_stats_host_value[] = {host(PARAM_SERVER_HOST, help_host, nullptr)};
const choice show_stats_host{show_stats_host_value, true};

constexpr chain clear_stats{{kw("clear", help_clear), kw("radius-server", help_radius_server),
                             kw("statistics", help_statistics), host(PARAM_SERVER_HOST, help_host, nullptr)}};

constexpr chain show_directed{{kw("show", help_show), kw("radius-server", help_radius_server),
                               kw("directed-request", "Requests directed at a named server")}};

constexpr chain show_tech{
    {kw("show", help_show), kw("tech-support", "Information for technical support"), kw("radius", "RADIUS")}};

constexpr chain show_debug{
    {kw("show", help_show), kw("debug", "Debugging switched on"), kw("radius", "RADIUS debugging")}};

constexpr chain debug{{kw("debug", "Switch debugging on"), kw("radius", "RADIUS debugging")}};

// show system internal radius mem-stats [detail]
extern const choice mem_stats_detail;
constexpr chain mem_stats{{kw("show", help_show), kw("system", help_system), kw("internal", help_internal),
                           kw("radius", help_radius_daemon),
                           kw("mem-stats", "The RADIUS daemon's memory statistics", &mem_stats_detail)}};
const token mem_stats_detail_word[] = {kw("detail", "The detailed form", nullptr, PARAM_DETAIL)};
const choice mem_stats_detail{mem_stats_detail_word, true};

// show system internal radius event-history {errors | msgs}
extern const choice event_history_kind;
constexpr chain event_history{{kw("show", help_show), kw("system", help_system), kw("internal", help_internal),
                               kw("radius", help_radius_daemon),
                               kw("event-history", "The RADIUS daemon's event history", &event_history_kind)}};
const token event_history_kinds[] = {kw("errors", "Errors"), kw("msgs", "Messages")};
const choice event_history_kind{event_history_kinds};

// simulate radius-server HOST {alive | dead | counter NAME VALUE}
// simulate time MILLISECONDS: the simulated switch's test control
extern const choice simulate_server_change;
constexpr chain simulate_counter{
    {kw("counter", "Set one statistics counter"),
     text(shell_param_sim_counter, "<counter>", 32, "Counter name, e.g. auth-sent or acct-failed", nullptr),
     number(shell_param_sim_value, 0, UINT32_MAX, "Counter value", nullptr)}};
const token simulate_server_changes[] = {
    kw("alive", "The server answers from now on", nullptr, shell_param_sim_alive),
    *simulate_counter.words,
    kw("dead", "The server stops answering from now on", nullptr, shell_param_sim_dead),
};
const choice simulate_server_change{simulate_server_changes};
constexpr chain simulate_server{{kw("radius-server", "A server as the AAA service sees it"),
                                 host(shell_param_sim_host, help_host, &simulate_server_change)}};
constexpr chain simulate_time{{kw("time", "Let time pass on the AAA service's clock"),
                               number(shell_param_sim_elapsed, 1, UINT32_MAX, "Milliseconds", nullptr)}};
// simulate fabric peer NAME {reachable | unreachable}
extern const choice simulate_peer_state;
constexpr chain simulate_peer{{kw("fabric", "The fabric's distribution service"), kw("peer", "A peer switch"),
                               text(shell_param_sim_peer, "<name>", 63, "Peer switch name", &simulate_peer_state)}};
const token simulate_peer_states[] = {
    kw("reachable", "Commits reach the peer from now on", nullptr, shell_param_sim_reachable),
    kw("unreachable", "Commits cannot reach the peer from now on", nullptr, shell_param_sim_unreachable),
};
const choice simulate_peer_state{simulate_peer_states};
const token simulate_subjects[] = {*simulate_server.words, *simulate_time.words, *simulate_peer.words};
const choice simulate_subject{simulate_subjects};
constexpr chain simulate{{kw("simulate", "Drive the simulated switch (test control)", &simulate_subject)}};

// test aaa server radius HOST {USER PASSWORD | accounting USER}
// test aaa group NAME USER PASSWORD: real requests of the simulated switch
constexpr chain test_credentials{
    {text(shell_param_test_user, "<user>", max_user, "User name", nullptr),
     text(shell_param_test_password, "<password>", max_password, "The user's password", nullptr)}};
constexpr chain test_accounting{
    {kw("accounting", "Send an Accounting-Request instead", nullptr, shell_param_test_accounting),
     text(shell_param_test_user, "<user>", max_user, "User name", nullptr)}};
const token test_request_kinds[] = {*test_accounting.words, *test_credentials.words};
const choice test_request_kind{test_request_kinds};
constexpr chain test_aaa_server{{kw("test", help_test_aaa), kw("aaa", help_aaa),
                                 kw("server", "A server"), kw("radius", help_radius_protocol),
                                 host(shell_param_test_host, help_host, &test_request_kind)}};
constexpr chain test_aaa_group{{kw("test", help_test_aaa), kw("aaa", help_aaa), kw("group", help_group),
                                text(shell_param_test_group, "<name>", max_name, help_group_name,
                                     test_credentials.syntax())}};

constexpr chain exit_session{{kw("exit", "End the session")}};

// Fabric distribution: the pending configuration and the session's state
constexpr std::string_view help_radius_distribution = "RADIUS configuration distribution";
constexpr chain show_pending{{kw("show", help_show), kw("radius", help_radius_distribution),
                              kw("pending", "The pending configuration of the distribution session")}};
constexpr chain show_pending_diff{{kw("show", help_show), kw("radius", help_radius_distribution),
                                   kw("pending-diff", "The pending changes against the running configuration")}};
constexpr std::string_view help_distribution = "Distribution across the fabric";
constexpr chain show_distribution_pending{
    {kw("show", help_show), kw("radius", help_radius_distribution), kw("distribution", help_distribution),
     kw("pending", "The pending configuration as the distribution daemon lists it")}};
constexpr chain show_distribution_status{{kw("show", help_show), kw("radius", help_radius_distribution),
                                          kw("distribution", help_distribution),
                                          kw("status", "Distribution state and the last operation")}};
constexpr chain show_session_status{{kw("show", help_show), kw("radius", help_radius_distribution),
                                     kw("session", "The distribution session"),
                                     kw("status", "The session's last operation")}};
constexpr chain show_merge_status{{kw("show", help_show), kw("radius", help_radius_distribution),
                                   kw("merge", "Merging with the fabric's peers"), kw("status", "Merge status")}};
constexpr chain show_fabric_peers{{kw("show", help_show), kw("radius", help_radius_distribution),
                                   kw("fabric", "The fabric's peer switches"), kw("peers", "Peer switches")}};
constexpr chain show_distribution_internal{{kw("show", help_show), kw("system", help_system),
                                            kw("internal", help_internal), kw("radius", help_radius_daemon),
                                            kw("distribution", "The distribution daemon's state")}};
constexpr chain clear_session{{kw("clear", help_clear), kw("radius", help_radius_distribution),
                               kw("session", "Release the distribution session without applying it")}};

// show aaa server radius statistics; show aaa client radius statistics HOST;
// and their clear forms, which send the daemon's update request
constexpr std::string_view help_da_statistics = "Change-of-authorization counters";
constexpr chain show_das_stats{{kw("show", help_show), kw("aaa", help_aaa), kw("server", help_das),
                                kw("radius", help_radius_protocol), kw("statistics", help_da_statistics)}};
constexpr chain clear_das_stats{{kw("clear", help_clear), kw("aaa", help_aaa), kw("server", help_das),
                                 kw("radius", help_radius_protocol), kw("statistics", help_da_statistics)}};
constexpr chain show_dac_stats{{kw("show", help_show), kw("aaa", help_aaa), kw("client", help_dac),
                                kw("radius", help_radius_protocol), kw("statistics", help_da_statistics),
                                other_host(PARAM_DAC_HOST, help_client_host, nullptr)}};
constexpr chain clear_dac_stats{{kw("clear", help_clear), kw("aaa", help_aaa), kw("client", help_dac),
                                 kw("radius", help_radius_protocol), kw("statistics", help_da_statistics),
                                 other_host(PARAM_DAC_HOST, help_client_host, nullptr)}};

constexpr chain show_history{{kw("show", help_show), kw("history", "The lines of this session")}};

constexpr chain terminal_length{
    {kw("terminal", "Settings of this terminal"), kw("length", "Lines of a page"),
     number(shell_param_page_length, 0, max_page_length, "Lines (0: no paging)", nullptr)}};

// ---- every mode ------------------------------------------------------------

constexpr chain help_command{{kw("help", "How to get help")}};
constexpr std::string_view help_text =
    "Help is at hand anywhere in a command line:\n"
    "  ?          after a blank: what may come next; after a partial word: the words it may complete to\n"
    "  Tab        completes a keyword, a group name, a server's host or a file name\n"
    "  Ctrl-C     drops the line being typed, or stops a display\n"
    "  Ctrl-Z     returns to exec mode, like \"end\"\n"
    "  Ctrl-D     on an empty line leaves the mode, like \"exit\"\n"
    "Keywords may be shortened to any unique prefix, for example \"sh run rad\".\n"
    "In a configuration mode, \"do COMMAND\" runs an exec command.\n"
    "A display may end in filters: | include RE, | exclude RE, | begin RE, | count, | no-more, | json.";

// ---- configuration mode ----------------------------------------------------

constexpr chain end_command{{kw("end", help_end)}};
constexpr chain exit_command{{kw("exit", help_exit)}};

constexpr chain radius_enable{{kw("radius", help_radius), kw("enable", "Start the RADIUS service")}};

constexpr chain radius_distribute{
    {kw("radius", help_radius), kw("distribute", "Distribute the RADIUS configuration across the fabric")}};
constexpr chain radius_commit{
    {kw("radius", help_radius), kw("commit", "Apply the pending changes here and on the fabric's peers")}};
constexpr chain radius_abort{{kw("radius", help_radius), kw("abort", "Discard the pending changes")}};

// feature NAME: the simulated switch's feature manager
constexpr chain feature{{kw("feature", "Enable a feature of the switch"),
                         text(shell_param_feature, "<name>", 63, "Feature name, e.g. rqx or dot1x", nullptr)}};

// radius-server key {0 KEY | 6 KEY | 7 KEY | KEY}
extern const key_forms global_key_forms;
constexpr chain global_key{
    {kw("radius-server", help_radius_server), kw("key", help_key, &global_key_forms.forms, PARAM_KEY)}};
constinit const key_forms global_key_forms{nullptr, global_key_limits};

constexpr chain global_timeout{{kw("radius-server", help_radius_server), kw("timeout", help_timeout),
                                defaulted(number(PARAM_TIMEOUT, 1, max_timeout, help_timeout_value, nullptr), 5)}};

constexpr chain global_retransmit{
    {kw("radius-server", help_radius_server), kw("retransmit", help_retransmit),
     defaulted(number(PARAM_RETRANSMIT, 0, max_retransmit, help_retransmit_value, nullptr), 1)}};

constexpr chain global_deadtime{{kw("radius-server", help_radius_server), kw("deadtime", help_deadtime),
                                 defaulted(number(PARAM_DEADTIME, 0, max_deadtime, help_deadtime_value, nullptr), 0)}};

// radius-server host HOST [options], the options in any order
extern const choice host_options;
constexpr chain server_host{{kw("radius-server", help_radius_server), kw("host", help_host_word),
                             host(PARAM_SERVER_HOST, help_host, &host_options)}};
constinit const key_forms host_key{&host_options, server_key_limits};
const token host_auth_port_value[] = {defaulted(number(PARAM_AUTH_PORT, 1, max_port, "UDP port", &host_options))};
const choice host_auth_port{host_auth_port_value};
const token host_acct_port_value[] = {defaulted(number(PARAM_ACCT_PORT, 1, max_port, "UDP port", &host_options))};
const choice host_acct_port{host_acct_port_value};
const token host_timeout_value[] = {
    defaulted(number(PARAM_TIMEOUT, 1, max_timeout, help_timeout_value, &host_options))};
const choice host_timeout{host_timeout_value};
const token host_retransmit_value[] = {
    defaulted(number(PARAM_RETRANSMIT, 0, max_retransmit, help_retransmit_value, &host_options))};
const choice host_retransmit{host_retransmit_value};
const token host_option_words[] = {
    kw("accounting", "Use the server for accounting", &host_options, PARAM_ACCOUNTING),
    kw("acct-port", "Accounting port", &host_acct_port),
    kw("authentication", "Use the server for authentication", &host_options, PARAM_AUTHENTICATION),
    kw("auth-port", "Authentication port", &host_auth_port),
    kw("auxiliary", "Mark the server auxiliary (a flag kept for the daemon)", &host_options, PARAM_AUX_FLAG),
    kw("key", "The server's own shared secret", &host_key.forms, PARAM_KEY),
    kw("pac", "Protected access credentials (needs features rqx and dot1x)", &host_options, PARAM_PAC),
    kw("retransmit", help_retransmit, &host_retransmit),
    kw("timeout", help_timeout, &host_timeout),
};
const choice host_options{host_option_words, true};

// ... test [idle-time N] [username NAME [password PASS]]: global or per server
extern const choice test_options;
constexpr chain global_test{{kw("radius-server", help_radius_server), kw("test", help_test, &test_options)}};
constexpr chain host_test{{kw("radius-server", help_radius_server), kw("host", help_host_word),
                           host(PARAM_SERVER_HOST, help_host, nullptr), kw("test", help_test, &test_options)}};
const token test_idle_value[] = {
    defaulted(number(PARAM_IDLE_TIME, 0, max_idle_time, "Minutes (0: no idle-time tests)", &test_options))};
const choice test_idle{test_idle_value};
const token test_password_value[] = {
    defaulted(text(PARAM_TEST_PASSWORD, "<password>", max_test_text, "Test user's password", &test_options))};
const choice test_password{test_password_value};
const token test_password_word[] = {kw("password", "Password of the test user", &test_password)};
const choice test_after_username{test_password_word, false, &test_options};
const token test_username_value[] = {
    defaulted(text(PARAM_TEST_USER, "<name>", max_test_text, "Test user name", &test_after_username))};
const choice test_username{test_username_value};
const token test_option_words[] = {
    kw("idle-time", "Time without traffic before a test request", &test_idle),
    kw("username", "User name of the test requests", &test_username),
};
const choice test_options{test_option_words, true};

// aaa group server radius NAME [server HOST]...: the members on the line are
// what a saved configuration holds
extern const choice group_members;
constexpr chain aaa_group{{kw("aaa", help_aaa), kw("group", help_group), kw("server", help_server_group_word),
                           kw("radius", help_radius_protocol),
                           offering(text(PARAM_GROUP_NAME, "<name>", max_name, help_group_name, &group_members),
                                    value_source::group_names)}};
const token group_member_host[] = {host(PARAM_GROUP_SERVER, help_host, &group_members)};
const choice group_member{group_member_host};
const token group_member_word[] = {repeatable(kw("server", "Add a member server", &group_member))};
const choice group_members{group_member_word, true};

constexpr chain aaa_dynamic_author{
    {kw("aaa", help_aaa), kw("server", help_server_group_word), kw("radius", help_radius_protocol),
     kw("dynamic-author", "Dynamic authorization (change of authorization)", nullptr, PARAM_DYNAMIC_AUTHOR)}};

// ---- server-group submode ----------------------------------------------------

constexpr chain member{{kw("server", "A member server"), host(PARAM_GROUP_SERVER, help_host, nullptr)}};

// deadtime N, and rdeadtime N as saved configuration writes it
extern const choice group_deadtime_value;
constexpr chain group_deadtime{{kw("deadtime", "The group's deadtime", &group_deadtime_value)}};
constexpr chain group_rdeadtime{{kw("rdeadtime", "The group's deadtime (saved form)", &group_deadtime_value)}};
const token group_deadtime_number[] = {
    defaulted(number(PARAM_DEADTIME, 0, max_deadtime, help_deadtime_value, nullptr), 0)};
const choice group_deadtime_value{group_deadtime_number};

extern const choice vrf_names;
constexpr chain use_vrf{{kw("use-vrf", "VRF of the group's servers", &vrf_names)}};
const token vrf_name_words[] = {
    kw("default", "The default VRF", nullptr, PARAM_VRF_DEFAULT),
    kw("management", "The management VRF", nullptr, PARAM_VRF_MANAGEMENT),
    text(PARAM_VRF_NAME, "<vrf>", max_vrf, "VRF name", nullptr),
};
const choice vrf_names{vrf_name_words};

// ---- dynamic-authorization submode --------------------------------------------

constexpr chain das_port{{kw("port", "UDP port of the server", nullptr, PARAM_DAS_PORT),
                          omissible(number(PARAM_DAS_PORT_VALUE, 1, max_port, "UDP port", nullptr))}};

// server-key [0 | 6 | 7] KEY
extern const key_forms das_key_forms;
constexpr chain das_key{{kw("server-key", "The server's shared secret", &das_key_forms.forms, PARAM_KEY)}};
constinit const key_forms das_key_forms{nullptr, dynauth_key_limits};

// client HOST [vrf {default | management | NAME}] [server-key [0 | 6 | 7] KEY],
// the options in any order: each keyword applies to what follows it
extern const choice client_options;
constinit const key_forms client_key{&client_options, dynauth_key_limits};
const token client_vrf_names[] = {
    kw("default", "The default VRF", &client_options, PARAM_VRF_DEFAULT),
    kw("management", "The management VRF", &client_options, PARAM_VRF_MANAGEMENT),
    omissible(text(PARAM_VRF_NAME, "<vrf>", max_vrf, "VRF name", &client_options)),
};
const choice client_vrf{client_vrf_names};
const token client_option_words[] = {
    kw("server-key", "The client's shared secret", &client_key.forms, PARAM_KEY),
    kw("vrf", "VRF through which the client is reached", &client_vrf, PARAM_DAC_VRF),
};
const choice client_options{client_option_words, true};
constexpr chain client{{kw("client", "A client allowed to send change-of-authorization requests"),
                        other_host(PARAM_DAC_HOST, help_client_host, &client_options)}};

// ---- the table ---------------------------------------------------------------

const command_def commands[] = {
    {.in_mode = mode::exec, .syntax = help_command.syntax(), .shape = call_shape::builtin, .action = builtin::help,
     .answer = help_text},
    {.in_mode = mode::configure, .syntax = help_command.syntax(), .shape = call_shape::builtin,
     .action = builtin::help, .answer = help_text},
    {.in_mode = mode::server_group, .syntax = help_command.syntax(), .shape = call_shape::builtin,
     .action = builtin::help, .answer = help_text},
    {.in_mode = mode::dynamic_author, .syntax = help_command.syntax(), .shape = call_shape::builtin,
     .action = builtin::help, .answer = help_text},

    {.in_mode = mode::exec, .syntax = configure.syntax(), .shape = call_shape::builtin, .action = builtin::configure},
    {.in_mode = mode::exec, .syntax = show_servers.syntax(), .handler = "security_show_radius", .tagged = true,
     .display = true},
    {.in_mode = mode::exec, .syntax = show_sorted.syntax(), .handler = "security_show_radius_sorted", .tagged = true,
     .display = true},
    {.in_mode = mode::exec, .syntax = show_groups.syntax(), .handler = "show_radius_new", .tagged = true,
     .display = true},
    {.in_mode = mode::exec, .syntax = show_monitoring.syntax(), .handler = "show_aaa_monitor_config", .tagged = true,
     .display = true},
    {.in_mode = mode::exec, .syntax = show_running_config.syntax(), .shape = call_shape::running_config,
     .handler = "radius_new_pss_asciigen", .json_cmd_id = 500, .tagged = true,
     .display = true},
    {.in_mode = mode::exec, .syntax = show_stats.syntax(), .handler = "show_radius_statistics", .tagged = true,
     .display = true},
    {.in_mode = mode::exec, .syntax = clear_stats.syntax(), .handler = "clear_radius_statistics"},
    {.in_mode = mode::exec, .syntax = show_tech.syntax(), .handler = "show_tech_radius", .display = true},
    {.in_mode = mode::exec, .syntax = show_debug.syntax(), .handler = "show_debug_radius_new", .display = true},
    {.in_mode = mode::exec, .syntax = debug.syntax(), .shape = call_shape::builtin, .action = builtin::debug,
     .negatable = true},
    {.in_mode = mode::exec, .syntax = mem_stats.syntax(), .handler = "radius_cli_show_memstats", .display = true},
    {.in_mode = mode::exec, .syntax = event_history.syntax(), .shape = call_shape::builtin, .action = builtin::answer,
     .display = true, .answer = "The simulated RADIUS daemon keeps no event history."},
    {.in_mode = mode::exec, .syntax = show_directed.syntax(), .shape = call_shape::builtin, .action = builtin::answer,
     .display = true, .answer = "disabled (this switch has no directed-request setting)"},
    {.in_mode = mode::exec, .syntax = simulate.syntax(), .shape = call_shape::builtin, .action = builtin::simulate},
    {.in_mode = mode::exec, .syntax = test_aaa_server.syntax(), .shape = call_shape::builtin,
     .action = builtin::test_aaa},
    {.in_mode = mode::exec, .syntax = test_aaa_group.syntax(), .shape = call_shape::builtin,
     .action = builtin::test_aaa},
    {.in_mode = mode::exec, .syntax = show_das_stats.syntax(), .handler = "aaa_server_radius_statistics",
     .cmd_id = DYNAUTH_CMD_SHOW_SERVER, .display = true},
    {.in_mode = mode::exec, .syntax = show_dac_stats.syntax(), .handler = "aaa_client_radius_statistics",
     .cmd_id = DYNAUTH_CMD_SHOW_CLIENT, .display = true},
    {.in_mode = mode::exec, .syntax = clear_das_stats.syntax(), .handler = "aaa_server_radius_statistics",
     .cmd_id = DYNAUTH_CMD_CLEAR_SERVER},
    {.in_mode = mode::exec, .syntax = clear_dac_stats.syntax(), .handler = "aaa_client_radius_statistics",
     .cmd_id = DYNAUTH_CMD_CLEAR_CLIENT},
    {.in_mode = mode::exec, .syntax = copy_in.syntax(), .shape = call_shape::builtin, .action = builtin::copy_in},
    {.in_mode = mode::exec, .syntax = copy_out.syntax(), .shape = call_shape::builtin, .action = builtin::copy_out},
    {.in_mode = mode::exec, .syntax = show_pending.syntax(), .handler = "radius_new_qds_pending_asciigen",
     .display = true},
    {.in_mode = mode::exec, .syntax = show_pending_diff.syntax(), .handler = "radius_new_qds_diff_asciigen",
     .display = true},
    {.in_mode = mode::exec, .syntax = show_distribution_pending.syntax(), .handler = "radius_qds_distr_show_pending",
     .display = true},
    {.in_mode = mode::exec, .syntax = show_distribution_status.syntax(), .handler = "radius_new_qds_distr_status",
     .cmd_id = DISTR_CMD_STATUS, .tagged = true, .display = true},
    {.in_mode = mode::exec, .syntax = show_session_status.syntax(), .handler = "radius_new_qds_session_status",
     .tagged = true, .display = true},
    {.in_mode = mode::exec, .syntax = show_merge_status.syntax(), .handler = "radius_new_qds_merge_status",
     .tagged = true, .display = true},
    {.in_mode = mode::exec, .syntax = show_distribution_internal.syntax(), .handler = "radius_qds_distr_show_internal",
     .tagged = true, .display = true},
    {.in_mode = mode::exec, .syntax = show_fabric_peers.syntax(), .shape = call_shape::builtin,
     .action = builtin::fabric_peers, .display = true},
    {.in_mode = mode::exec, .syntax = clear_session.syntax(), .handler = "radius_qds_distr_clear_session"},
    {.in_mode = mode::exec, .syntax = copy_startup.syntax(), .shape = call_shape::builtin,
     .action = builtin::save_startup},
    {.in_mode = mode::exec, .syntax = write_memory.syntax(), .shape = call_shape::builtin,
     .action = builtin::save_startup},
    {.in_mode = mode::exec, .syntax = show_startup.syntax(), .shape = call_shape::builtin,
     .action = builtin::show_startup, .display = true},
    {.in_mode = mode::exec, .syntax = show_history.syntax(), .shape = call_shape::builtin, .action = builtin::history,
     .display = true},
    {.in_mode = mode::exec, .syntax = terminal_length.syntax(), .shape = call_shape::builtin,
     .action = builtin::terminal_length},
    {.in_mode = mode::exec, .syntax = exit_session.syntax(), .shape = call_shape::builtin, .action = builtin::exit},

    {.in_mode = mode::configure, .syntax = radius_enable.syntax(), .handler = "config_radius_enable",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = radius_distribute.syntax(), .handler = "radius_qds_distr_enable",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = radius_commit.syntax(), .handler = "radius_qds_distr_commit",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = radius_abort.syntax(), .handler = "radius_qds_distr_abort",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = global_key.syntax(), .handler = "config_radius_global", .negatable = true},
    {.in_mode = mode::configure, .syntax = global_timeout.syntax(), .handler = "config_radius_global",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = global_retransmit.syntax(), .handler = "config_radius_global",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = global_deadtime.syntax(), .handler = "config_radius_global",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = server_host.syntax(), .handler = "config_radius_server", .negatable = true},
    {.in_mode = mode::configure, .syntax = global_test.syntax(), .handler = "config_global_server_monitor_params",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = host_test.syntax(), .handler = "config_aaa_server_monitor_params",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = aaa_group.syntax(), .handler = "config_radius_new_server_group",
     .negatable = true, .enters = mode::server_group, .context_id = PARAM_GROUP_NAME},
    {.in_mode = mode::configure, .syntax = aaa_dynamic_author.syntax(),
     .handler = "config_radius_dynamic_author_server", .cmd_id = DYNAUTH_CMD_SERVER_MODE, .negatable = true, .enters = mode::dynamic_author},
    {.in_mode = mode::configure, .syntax = feature.syntax(), .shape = call_shape::builtin,
     .action = builtin::feature, .negatable = true},
    {.in_mode = mode::configure, .syntax = end_command.syntax(), .shape = call_shape::builtin, .action = builtin::end},
    {.in_mode = mode::configure, .syntax = exit_command.syntax(), .shape = call_shape::builtin,
     .action = builtin::exit},

    {.in_mode = mode::server_group, .syntax = member.syntax(), .handler = "config_radius_new_server_group",
     .negatable = true},
    {.in_mode = mode::server_group, .syntax = group_deadtime.syntax(), .handler = "config_radius_new_server_group",
     .negatable = true},
    {.in_mode = mode::server_group, .syntax = group_rdeadtime.syntax(), .handler = "config_radius_new_server_group",
     .negatable = true},
    {.in_mode = mode::server_group, .syntax = use_vrf.syntax(), .handler = "config_radius_new_server_group",
     .negatable = true},
    {.in_mode = mode::server_group, .syntax = end_command.syntax(), .shape = call_shape::builtin,
     .action = builtin::end},
    {.in_mode = mode::server_group, .syntax = exit_command.syntax(), .shape = call_shape::builtin,
     .action = builtin::exit},

    {.in_mode = mode::dynamic_author, .syntax = das_port.syntax(), .handler = "config_radius_dynamic_author_server",
     .cmd_id = DYNAUTH_CMD_SERVER_PORT, .negatable = true},
    {.in_mode = mode::dynamic_author, .syntax = das_key.syntax(), .handler = "config_radius_dynamic_author_server",
     .cmd_id = DYNAUTH_CMD_SERVER_KEY, .negatable = true},
    {.in_mode = mode::dynamic_author, .syntax = client.syntax(), .handler = "config_radius_dynamic_author_server",
     .cmd_id = DYNAUTH_CMD_CLIENT, .negatable = true},
    {.in_mode = mode::dynamic_author, .syntax = end_command.syntax(), .shape = call_shape::builtin,
     .action = builtin::end},
    {.in_mode = mode::dynamic_author, .syntax = exit_command.syntax(), .shape = call_shape::builtin,
     .action = builtin::exit},
};

// | include RE | exclude RE | begin RE | no-more, in any number and order,
// then optionally | count or | json, which end the line.
extern const choice after_filter;
const token filter_pattern[] = {
    repeatable(token{.kind = slot::pattern, .word = "<regex>", .help = "Regular expression (one word; \\s matches a blank)",
                     .param_id = shell_param_pattern, .next = &after_filter})};
const choice pattern_choice{filter_pattern};
const token pipe_words[] = {
    repeatable(kw("begin", "From the first line that matches on", &pattern_choice, shell_param_begin)),
    repeatable(kw("count", "The number of lines", nullptr, shell_param_count)),
    repeatable(kw("exclude", "The lines that do not match", &pattern_choice, shell_param_exclude)),
    repeatable(kw("include", "The lines that match", &pattern_choice, shell_param_include)),
    kw("json", "Output as JSON", nullptr, shell_param_json),
    repeatable(kw("no-more", "Without the pager", &after_filter, shell_param_no_more)),
};
const choice pipe_choice{pipe_words};
const token next_filter[] = {repeatable(kw("|", "Output modifiers", &pipe_choice))};
const choice after_filter{next_filter, true};

}  // namespace

const token negation_token = kw("no", "Negate a command or set its defaults", nullptr);
const token pipe_token = kw("|", "Output modifiers", &pipe_choice);
const token do_token = kw("do", "Run an exec command", nullptr);

bool runs_through_do(const command_def &def) {
    return def.in_mode == mode::exec && def.action != builtin::configure && def.action != builtin::exit;
}

std::span<const command_def> command_table() { return commands; }

std::string_view prompt_of(mode m) {
    switch (m) {
        case mode::exec: return "switch# ";
        case mode::configure: return "switch(config)# ";
        case mode::server_group: return "switch(config-radius)# ";
        case mode::dynamic_author: return "switch(config-radius-da)# ";
    }
    return "switch# ";
}

std::string_view mode_name(mode m) {
    switch (m) {
        case mode::exec: return "exec";
        case mode::configure: return "configuration";
        case mode::server_group: return "server-group";
        case mode::dynamic_author: return "dynamic-authorization";
    }
    return "exec";
}

}  // namespace radius::shell
