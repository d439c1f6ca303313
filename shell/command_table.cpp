// The command table.  Every RADIUS command of the shell is a row of
// `commands` at the end of this file; the token graphs above it are its
// syntax.  Parameter ids are those the library's handlers dispatch on.
#include "shell/grammar.hpp"

#include "abi/param_ids.h"

namespace radius::shell {

namespace {

// Value limits a switch user expects; the record fields bound the texts.
constexpr uint32_t max_timeout = 60;        // seconds
constexpr uint32_t max_retransmit = 5;      // retries
constexpr uint32_t max_deadtime = 1440;     // minutes
constexpr uint32_t max_idle_time = 1440;    // minutes
constexpr uint32_t max_port = 65535;
constexpr uint32_t max_clear_key = 63;      // server key field: 64 bytes with its NUL
constexpr uint32_t max_encrypted_key = 255; // type-6 field: 256 bytes with its NUL
constexpr uint32_t max_name = 255;          // group name field: 256 bytes
constexpr uint32_t max_test_text = 31;      // monitoring user and password: 32 bytes
constexpr uint32_t max_vrf = 32;
constexpr uint32_t max_path = 4095;

constexpr token kw(std::string_view word, std::string_view help, const choice *next, int32_t id = no_param) {
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

constexpr token host(int32_t id, std::string_view help, const choice *next) {
    return token{.kind = slot::host, .word = "<host>", .help = help, .param_id = id, .next = next};
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
constexpr std::string_view help_clear = "Reset counters";
constexpr std::string_view help_client_host = "Client address (IPv4 or IPv6) or host name";

// ---- exec mode -------------------------------------------------------------

const token configure_terminal[] = {kw("terminal", "Configure from the terminal", nullptr)};
const choice after_configure{configure_terminal, true};
const token configure_word[] = {kw("configure", "Enter configuration mode", &after_configure)};
const choice configure_syntax{configure_word};

// show radius-server
const token show_servers_second[] = {kw("radius-server", help_radius_server, nullptr)};
const choice show_servers_2{show_servers_second};
const token show_servers_first[] = {kw("show", help_show, &show_servers_2)};
const choice show_servers_syntax{show_servers_first};

// show radius-server sorted
const token show_sorted_third[] = {kw("sorted", "Servers sorted by host", nullptr)};
const choice show_sorted_3{show_sorted_third};
const token show_sorted_second[] = {kw("radius-server", help_radius_server, &show_sorted_3)};
const choice show_sorted_2{show_sorted_second};
const token show_sorted_first[] = {kw("show", help_show, &show_sorted_2)};
const choice show_sorted_syntax{show_sorted_first};

// show radius-server groups [NAME]
const token show_groups_name[] = {text(PARAM_GROUP_NAME, "<name>", max_name, help_group_name, nullptr)};
const choice show_groups_4{show_groups_name, true};
const token show_groups_third[] = {kw("groups", "Server groups", &show_groups_4)};
const choice show_groups_3{show_groups_third};
const token show_groups_second[] = {kw("radius-server", help_radius_server, &show_groups_3)};
const choice show_groups_2{show_groups_second};
const token show_groups_first[] = {kw("show", help_show, &show_groups_2)};
const choice show_groups_syntax{show_groups_first};

// show radius-server monitoring HOST
const token show_monitoring_host[] = {host(PARAM_SERVER_HOST, help_host, nullptr)};
const choice show_monitoring_4{show_monitoring_host};
const token show_monitoring_third[] = {kw("monitoring", "A server's monitoring settings", &show_monitoring_4)};
const choice show_monitoring_3{show_monitoring_third};
const token show_monitoring_second[] = {kw("radius-server", help_radius_server, &show_monitoring_3)};
const choice show_monitoring_2{show_monitoring_second};
const token show_monitoring_first[] = {kw("show", help_show, &show_monitoring_2)};
const choice show_monitoring_syntax{show_monitoring_first};

// show running-config radius [all]
const token running_all[] = {kw("all", "Include shared secrets and server groups", nullptr, shell_param_full)};
const choice running_4{running_all, true};
const token running_third[] = {kw("radius", "RADIUS configuration", &running_4)};
const choice running_3{running_third};
const token running_second[] = {kw("running-config", help_running_config, &running_3)};
const choice running_2{running_second};
const token running_first[] = {kw("show", help_show, &running_2)};
const choice running_syntax{running_first};

// copy FILE running-config
const token copy_in_third[] = {kw("running-config", "Apply the file's lines as configuration", nullptr)};
const choice copy_in_3{copy_in_third};
const token copy_in_file[] = {text(shell_param_file, "<file>", max_path, help_file, &copy_in_3)};
const choice copy_in_2{copy_in_file};
const token copy_in_first[] = {kw("copy", help_copy, &copy_in_2)};
const choice copy_in_syntax{copy_in_first};

// copy running-config FILE
const token copy_out_file[] = {text(shell_param_file, "<file>", max_path, help_file, nullptr)};
const choice copy_out_3{copy_out_file};
const token copy_out_second[] = {kw("running-config", help_running_config, &copy_out_3)};
const choice copy_out_2{copy_out_second};
const token copy_out_first[] = {kw("copy", help_copy, &copy_out_2)};
const choice copy_out_syntax{copy_out_first};

const token exit_session_word[] = {kw("exit", "End the session", nullptr)};
const choice exit_session_syntax{exit_session_word};

// show aaa {server radius statistics | client radius statistics HOST}, and
// the clear forms that send the daemon's update request
const token da_client_stats_host[] = {host(PARAM_DAC_HOST, help_client_host, nullptr)};
const choice da_client_stats_5{da_client_stats_host};
const token da_stats_word[] = {kw("statistics", "Change-of-authorization counters", nullptr)};
const choice da_stats_4{da_stats_word};
const token da_client_stats_word[] = {kw("statistics", "Change-of-authorization counters", &da_client_stats_5)};
const choice da_client_stats_4{da_client_stats_word};
const token da_server_radius[] = {kw("radius", help_radius_protocol, &da_stats_4)};
const choice da_server_3{da_server_radius};
const token da_client_radius[] = {kw("radius", help_radius_protocol, &da_client_stats_4)};
const choice da_client_3{da_client_radius};
const token da_server_word[] = {kw("server", "The dynamic-authorization server", &da_server_3)};
const choice da_server_2{da_server_word};
const token da_client_word[] = {kw("client", "A dynamic-authorization client", &da_client_3)};
const choice da_client_2{da_client_word};
const token show_aaa_word[] = {kw("aaa", help_aaa, &da_server_2)};
const choice show_aaa_2{show_aaa_word};
const token show_aaa_client_word[] = {kw("aaa", help_aaa, &da_client_2)};
const choice show_aaa_client_2{show_aaa_client_word};
const token show_das_stats_first[] = {kw("show", help_show, &show_aaa_2)};
const choice show_das_stats_syntax{show_das_stats_first};
const token show_dac_stats_first[] = {kw("show", help_show, &show_aaa_client_2)};
const choice show_dac_stats_syntax{show_dac_stats_first};
const token clear_das_stats_first[] = {kw("clear", help_clear, &show_aaa_2)};
const choice clear_das_stats_syntax{clear_das_stats_first};
const token clear_dac_stats_first[] = {kw("clear", help_clear, &show_aaa_client_2)};
const choice clear_dac_stats_syntax{clear_dac_stats_first};

// ---- configuration mode ----------------------------------------------------

const token end_word[] = {kw("end", help_end, nullptr)};
const choice end_syntax{end_word};
const token exit_word[] = {kw("exit", help_exit, nullptr)};
const choice exit_syntax{exit_word};

// radius enable
const token enable_second[] = {kw("enable", "Start the RADIUS service", nullptr)};
const choice enable_2{enable_second};
const token enable_first[] = {kw("radius", help_radius, &enable_2)};
const choice enable_syntax{enable_first};

// feature NAME: the simulated switch's feature manager
const token feature_name[] = {text(shell_param_feature, "<name>", 63, "Feature name, e.g. rqx or dot1x", nullptr)};
const choice feature_2{feature_name};
const token feature_first[] = {kw("feature", "Enable a feature of the switch", &feature_2)};
const choice feature_syntax{feature_first};

// radius-server key {0 KEY | 6 KEY | 7 KEY | KEY}
const token global_key_clear_text[] = {omissible(text(PARAM_KEY_CLEAR, "<key>", max_clear_key, help_key_clear, nullptr))};
const choice global_key_clear{global_key_clear_text};
const token global_key_typed_text[] = {
    omissible(text(PARAM_KEY_TEXT, "<key>", max_encrypted_key, help_key_encrypted, nullptr))};
const choice global_key_typed{global_key_typed_text};
const token global_key_forms[] = {
    kw("0", help_form0, &global_key_clear),
    kw("6", help_form6, &global_key_typed, PARAM_KEY_TYPE6),
    kw("7", help_form7, &global_key_typed, PARAM_KEY_TYPE7),
    omissible(text(PARAM_KEY_CLEAR, "<key>", max_clear_key, help_key_clear, nullptr)),
};
const choice global_key_3{global_key_forms};
const token global_key_second[] = {kw("key", help_key, &global_key_3, PARAM_KEY)};
const choice global_key_2{global_key_second};
const token global_key_first[] = {kw("radius-server", help_radius_server, &global_key_2)};
const choice global_key_syntax{global_key_first};

// radius-server timeout N
const token global_timeout_value[] = {
    defaulted(number(PARAM_TIMEOUT, 1, max_timeout, help_timeout_value, nullptr), 5)};
const choice global_timeout_3{global_timeout_value};
const token global_timeout_second[] = {kw("timeout", help_timeout, &global_timeout_3)};
const choice global_timeout_2{global_timeout_second};
const token global_timeout_first[] = {kw("radius-server", help_radius_server, &global_timeout_2)};
const choice global_timeout_syntax{global_timeout_first};

// radius-server retransmit N
const token global_retransmit_value[] = {
    defaulted(number(PARAM_RETRANSMIT, 0, max_retransmit, help_retransmit_value, nullptr), 1)};
const choice global_retransmit_3{global_retransmit_value};
const token global_retransmit_second[] = {kw("retransmit", help_retransmit, &global_retransmit_3)};
const choice global_retransmit_2{global_retransmit_second};
const token global_retransmit_first[] = {kw("radius-server", help_radius_server, &global_retransmit_2)};
const choice global_retransmit_syntax{global_retransmit_first};

// radius-server deadtime N
const token global_deadtime_value[] = {
    defaulted(number(PARAM_DEADTIME, 0, max_deadtime, help_deadtime_value, nullptr), 0)};
const choice global_deadtime_3{global_deadtime_value};
const token global_deadtime_second[] = {kw("deadtime", help_deadtime, &global_deadtime_3)};
const choice global_deadtime_2{global_deadtime_second};
const token global_deadtime_first[] = {kw("radius-server", help_radius_server, &global_deadtime_2)};
const choice global_deadtime_syntax{global_deadtime_first};

// radius-server host HOST [options], the options in any order
extern const choice host_options;
const token host_key_clear_text[] = {
    omissible(text(PARAM_KEY_CLEAR, "<key>", max_clear_key, help_key_clear, &host_options))};
const choice host_key_clear{host_key_clear_text};
const token host_key_typed_text[] = {
    omissible(text(PARAM_KEY_TEXT, "<key>", max_encrypted_key, help_key_encrypted, &host_options))};
const choice host_key_typed{host_key_typed_text};
const token host_key_forms[] = {
    kw("0", help_form0, &host_key_clear),
    kw("6", help_form6, &host_key_typed, PARAM_KEY_TYPE6),
    kw("7", help_form7, &host_key_typed, PARAM_KEY_TYPE7),
    omissible(text(PARAM_KEY_CLEAR, "<key>", max_clear_key, help_key_clear, &host_options)),
};
const choice host_key{host_key_forms};
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
    kw("key", "The server's own shared secret", &host_key, PARAM_KEY),
    kw("pac", "Protected access credentials (needs features rqx and dot1x)", &host_options, PARAM_PAC),
    kw("retransmit", help_retransmit, &host_retransmit),
    kw("timeout", help_timeout, &host_timeout),
};
const choice host_options{host_option_words, true};
const token server_host_value[] = {host(PARAM_SERVER_HOST, help_host, &host_options)};
const choice server_host_3{server_host_value};
const token server_host_second[] = {kw("host", help_host_word, &server_host_3)};
const choice server_host_2{server_host_second};
const token server_host_first[] = {kw("radius-server", help_radius_server, &server_host_2)};
const choice server_host_syntax{server_host_first};

// ... test [idle-time N] [username NAME [password PASS]]: global or per server
extern const choice test_options;
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

const token global_test_second[] = {kw("test", help_test, &test_options)};
const choice global_test_2{global_test_second};
const token global_test_first[] = {kw("radius-server", help_radius_server, &global_test_2)};
const choice global_test_syntax{global_test_first};

const token host_test_fourth[] = {kw("test", help_test, &test_options)};
const choice host_test_4{host_test_fourth};
const token host_test_value[] = {host(PARAM_SERVER_HOST, help_host, &host_test_4)};
const choice host_test_3{host_test_value};
const token host_test_second[] = {kw("host", help_host_word, &host_test_3)};
const choice host_test_2{host_test_second};
const token host_test_first[] = {kw("radius-server", help_radius_server, &host_test_2)};
const choice host_test_syntax{host_test_first};

// aaa group server radius NAME [server HOST]...: the members on the line are
// what a saved configuration holds
extern const choice group_members;
const token group_member_host[] = {host(PARAM_GROUP_SERVER, help_host, &group_members)};
const choice group_member{group_member_host};
const token group_member_word[] = {repeatable(kw("server", "Add a member server", &group_member))};
const choice group_members{group_member_word, true};
const token group_name_value[] = {text(PARAM_GROUP_NAME, "<name>", max_name, help_group_name, &group_members)};
const choice group_5{group_name_value};
const token group_fourth[] = {kw("radius", help_radius_protocol, &group_5)};
const choice group_4{group_fourth};
const token group_third[] = {kw("server", help_server_group_word, &group_4)};
const choice group_3{group_third};
const token group_second[] = {kw("group", help_group, &group_3)};
const choice group_2{group_second};
const token group_first[] = {kw("aaa", help_aaa, &group_2)};
const choice group_syntax{group_first};

// aaa server radius dynamic-author
const token das_fourth[] = {
    kw("dynamic-author", "Dynamic authorization (change of authorization)", nullptr, PARAM_DYNAMIC_AUTHOR)};
const choice das_4{das_fourth};
const token das_third[] = {kw("radius", help_radius_protocol, &das_4)};
const choice das_3{das_third};
const token das_second[] = {kw("server", help_server_group_word, &das_3)};
const choice das_2{das_second};
const token das_first[] = {kw("aaa", help_aaa, &das_2)};
const choice das_syntax{das_first};

// ---- server-group submode ----------------------------------------------------

const token member_host[] = {host(PARAM_GROUP_SERVER, help_host, nullptr)};
const choice member_2{member_host};
const token member_word[] = {kw("server", "A member server", &member_2)};
const choice member_syntax{member_word};

const token group_deadtime_value[] = {
    defaulted(number(PARAM_DEADTIME, 0, max_deadtime, help_deadtime_value, nullptr), 0)};
const choice group_deadtime_2{group_deadtime_value};
const token group_deadtime_word[] = {kw("deadtime", "The group's deadtime", &group_deadtime_2)};
const choice group_deadtime_syntax{group_deadtime_word};
const token group_rdeadtime_word[] = {kw("rdeadtime", "The group's deadtime (saved form)", &group_deadtime_2)};
const choice group_rdeadtime_syntax{group_rdeadtime_word};

const token vrf_names[] = {
    kw("default", "The default VRF", nullptr, PARAM_VRF_DEFAULT),
    kw("management", "The management VRF", nullptr, PARAM_VRF_MANAGEMENT),
    text(PARAM_VRF_NAME, "<vrf>", max_vrf, "VRF name", nullptr),
};
const choice vrf_2{vrf_names};
const token vrf_word[] = {kw("use-vrf", "VRF of the group's servers", &vrf_2)};
const choice vrf_syntax{vrf_word};

// ---- dynamic-authorization submode --------------------------------------------

// port N
const token das_port_value[] = {omissible(number(PARAM_DAS_PORT_VALUE, 1, max_port, "UDP port", nullptr))};
const choice das_port_2{das_port_value};
const token das_port_word[] = {kw("port", "UDP port of the server", &das_port_2, PARAM_DAS_PORT)};
const choice das_port_syntax{das_port_word};

// server-key [0 | 6 | 7] KEY: the key forms of the global key
const token das_key_word[] = {kw("server-key", "The server's shared secret", &global_key_3, PARAM_KEY)};
const choice das_key_syntax{das_key_word};

// client HOST [vrf {default | management | NAME}] [server-key [0 | 6 | 7] KEY],
// the options in any order: each keyword applies to what follows it
extern const choice client_options;
const token client_key_clear_text[] = {
    omissible(text(PARAM_KEY_CLEAR, "<key>", max_clear_key, help_key_clear, &client_options))};
const choice client_key_clear{client_key_clear_text};
const token client_key_typed_text[] = {
    omissible(text(PARAM_KEY_TEXT, "<key>", max_encrypted_key, help_key_encrypted, &client_options))};
const choice client_key_typed{client_key_typed_text};
const token client_key_forms[] = {
    kw("0", help_form0, &client_key_clear),
    kw("6", help_form6, &client_key_typed, PARAM_KEY_TYPE6),
    kw("7", help_form7, &client_key_typed, PARAM_KEY_TYPE7),
    omissible(text(PARAM_KEY_CLEAR, "<key>", max_clear_key, help_key_clear, &client_options)),
};
const choice client_key{client_key_forms};
const token client_vrf_names[] = {
    kw("default", "The default VRF", &client_options, PARAM_VRF_DEFAULT),
    kw("management", "The management VRF", &client_options, PARAM_VRF_MANAGEMENT),
    omissible(text(PARAM_VRF_NAME, "<vrf>", max_vrf, "VRF name", &client_options)),
};
const choice client_vrf{client_vrf_names};
const token client_option_words[] = {
    kw("server-key", "The client's shared secret", &client_key, PARAM_KEY),
    kw("vrf", "VRF through which the client is reached", &client_vrf, PARAM_DAC_VRF),
};
const choice client_options{client_option_words, true};
const token client_host_value[] = {host(PARAM_DAC_HOST, help_client_host, &client_options)};
const choice client_2{client_host_value};
const token client_word[] = {kw("client", "A client allowed to send change-of-authorization requests", &client_2)};
const choice client_syntax{client_word};

// ---- the table ---------------------------------------------------------------

const command_def commands[] = {
    {.in_mode = mode::exec, .syntax = &configure_syntax, .shape = call_shape::builtin, .action = builtin::configure},
    {.in_mode = mode::exec, .syntax = &show_servers_syntax, .handler = "security_show_radius", .tagged = true},
    {.in_mode = mode::exec, .syntax = &show_sorted_syntax, .handler = "security_show_radius_sorted", .tagged = true},
    {.in_mode = mode::exec, .syntax = &show_groups_syntax, .handler = "show_radius_new", .tagged = true},
    {.in_mode = mode::exec, .syntax = &show_monitoring_syntax, .handler = "show_aaa_monitor_config", .tagged = true},
    {.in_mode = mode::exec, .syntax = &running_syntax, .shape = call_shape::running_config,
     .handler = "radius_new_pss_asciigen", .json_cmd_id = 500, .tagged = true},
    {.in_mode = mode::exec, .syntax = &show_das_stats_syntax, .handler = "aaa_server_radius_statistics",
     .cmd_id = DYNAUTH_CMD_SHOW_SERVER},
    {.in_mode = mode::exec, .syntax = &show_dac_stats_syntax, .handler = "aaa_client_radius_statistics",
     .cmd_id = DYNAUTH_CMD_SHOW_CLIENT},
    {.in_mode = mode::exec, .syntax = &clear_das_stats_syntax, .handler = "aaa_server_radius_statistics",
     .cmd_id = DYNAUTH_CMD_CLEAR_SERVER},
    {.in_mode = mode::exec, .syntax = &clear_dac_stats_syntax, .handler = "aaa_client_radius_statistics",
     .cmd_id = DYNAUTH_CMD_CLEAR_CLIENT},
    {.in_mode = mode::exec, .syntax = &copy_in_syntax, .shape = call_shape::builtin, .action = builtin::copy_in},
    {.in_mode = mode::exec, .syntax = &copy_out_syntax, .shape = call_shape::builtin, .action = builtin::copy_out},
    {.in_mode = mode::exec, .syntax = &exit_session_syntax, .shape = call_shape::builtin, .action = builtin::exit},

    {.in_mode = mode::configure, .syntax = &enable_syntax, .handler = "config_radius_enable", .negatable = true},
    {.in_mode = mode::configure, .syntax = &global_key_syntax, .handler = "config_radius_global", .negatable = true},
    {.in_mode = mode::configure, .syntax = &global_timeout_syntax, .handler = "config_radius_global",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = &global_retransmit_syntax, .handler = "config_radius_global",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = &global_deadtime_syntax, .handler = "config_radius_global",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = &server_host_syntax, .handler = "config_radius_server", .negatable = true},
    {.in_mode = mode::configure, .syntax = &global_test_syntax, .handler = "config_global_server_monitor_params",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = &host_test_syntax, .handler = "config_aaa_server_monitor_params",
     .negatable = true},
    {.in_mode = mode::configure, .syntax = &group_syntax, .handler = "config_radius_new_server_group",
     .negatable = true, .enters = mode::server_group, .context_id = PARAM_GROUP_NAME},
    {.in_mode = mode::configure, .syntax = &das_syntax, .handler = "config_radius_dynamic_author_server",
     .cmd_id = DYNAUTH_CMD_SERVER_MODE, .negatable = true, .enters = mode::dynamic_author},
    {.in_mode = mode::configure, .syntax = &feature_syntax, .shape = call_shape::builtin,
     .action = builtin::feature, .negatable = true},
    {.in_mode = mode::configure, .syntax = &end_syntax, .shape = call_shape::builtin, .action = builtin::end},
    {.in_mode = mode::configure, .syntax = &exit_syntax, .shape = call_shape::builtin, .action = builtin::exit},

    {.in_mode = mode::server_group, .syntax = &member_syntax, .handler = "config_radius_new_server_group",
     .negatable = true},
    {.in_mode = mode::server_group, .syntax = &group_deadtime_syntax, .handler = "config_radius_new_server_group",
     .negatable = true},
    {.in_mode = mode::server_group, .syntax = &group_rdeadtime_syntax, .handler = "config_radius_new_server_group",
     .negatable = true},
    {.in_mode = mode::server_group, .syntax = &vrf_syntax, .handler = "config_radius_new_server_group",
     .negatable = true},
    {.in_mode = mode::server_group, .syntax = &end_syntax, .shape = call_shape::builtin, .action = builtin::end},
    {.in_mode = mode::server_group, .syntax = &exit_syntax, .shape = call_shape::builtin, .action = builtin::exit},

    {.in_mode = mode::dynamic_author, .syntax = &das_port_syntax, .handler = "config_radius_dynamic_author_server",
     .cmd_id = DYNAUTH_CMD_SERVER_PORT, .negatable = true},
    {.in_mode = mode::dynamic_author, .syntax = &das_key_syntax, .handler = "config_radius_dynamic_author_server",
     .cmd_id = DYNAUTH_CMD_SERVER_KEY, .negatable = true},
    {.in_mode = mode::dynamic_author, .syntax = &client_syntax, .handler = "config_radius_dynamic_author_server",
     .cmd_id = DYNAUTH_CMD_CLIENT, .negatable = true},
    {.in_mode = mode::dynamic_author, .syntax = &end_syntax, .shape = call_shape::builtin, .action = builtin::end},
    {.in_mode = mode::dynamic_author, .syntax = &exit_syntax, .shape = call_shape::builtin, .action = builtin::exit},
};

const token pipe_words[] = {kw("json", "Output as JSON", nullptr, shell_param_json)};
const choice pipe_choice{pipe_words};

}  // namespace

const token negation_token = kw("no", "Negate a command or set its defaults", nullptr);
const token pipe_token = kw("|", "Output modifiers", &pipe_choice);

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
