// Dynamic authorization against the simulated daemon.  Plan:
// - the message: a successful read replaces the whole record (header and
//   daemon bytes), which the next write sends back; a failure or a success
//   without reply leaves the record alone; the words land at their (odd)
//   offsets in native order;
// - the host parser: each address kind with its refusals;
// - the server and client commands: tables of stored state, command and
//   outcome (status, output, stored state, whether anything was written);
// - the statistics: standby refusal before any traffic, the update request,
//   the failures, counters above 2^32.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "abi/param_ids.h"
#include "dynauth/dynauth.h"
#include "tests/support/command.hpp"

namespace {

using namespace radtest;
using radsim::fault_effect;

constexpr char message_call[] = "cmi_req_resp";
constexpr int32_t out_of_memory = 0x409d0009;
constexpr char out_of_memory_text[] = "RADIUS configuration store: out of memory\n";

class dynauth : public handler_test {};

template <size_t N>
void put(char (&field)[N], const std::string &text) {
    std::memset(field, 0, N);
    text.copy(field, N - 1);
}

template <size_t N>
std::string text_of(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

rad_das_cfg server_record(uint32_t port, uint32_t key_type = 0, const std::string &key = "") {
    rad_das_cfg record{};
    rad_da_set_u32(record.hdr_constant, 1);
    rad_da_set_u32(record.rec_kind, RAD_DA_KIND_SERVER_CFG);
    rad_da_set_u32(record.port, port);
    rad_da_set_u32(record.key_type, key_type);
    put(record.key, key);
    return record;
}

rad_dac_cfg client_record(const std::string &host, const std::string &vrf, const std::string &key = "") {
    rad_dac_cfg record{};
    rad_da_set_u32(record.hdr_constant, 1);
    rad_da_set_u32(record.rec_kind, RAD_DA_KIND_CLIENT_CFG);
    rad_da_set_u32(record.addr_type, RADIUS_ADDR_IPV4);
    put(record.host, host);
    put(record.vrf, vrf);
    put(record.key, key);
    return record;
}

bool wrote_anything() {
    const auto &log = radsim::call_log();
    return std::any_of(log.begin(), log.end(), [](const radsim::platform_call &call) {
        return call.name == message_call && call.args.find(" op=1 ") == std::string::npos;
    });
}

// ---- the message ---------------------------------------------------------------

TEST_F(dynauth, read_replaces_the_whole_record_and_the_write_sends_it_back) {
    rad_das_cfg stored = server_record(3799);
    rad_da_set_u32(stored.cmd_id, 99);
    std::memset(stored.reserved_12, 0x3c, sizeof stored.reserved_12);
    radsim::dynauth().server = stored;
    // The port command reads the server (header included), changes the port
    // and writes: the daemon's header and bytes must come back unchanged.
    const outcome result =
        command().cmd_id(DYNAUTH_CMD_SERVER_PORT).keyword(PARAM_DAS_PORT).u32(PARAM_DAS_PORT_VALUE, 1700).run(
            config_rad_das_global_info);
    EXPECT_EQ(result.status, 0);
    const rad_das_cfg &now = *radsim::dynauth().server;
    EXPECT_EQ(rad_da_get_u32(now.cmd_id), 99u);
    EXPECT_EQ(rad_da_get_u32(now.port), 1700u);
}

TEST_F(dynauth, failure_or_missing_reply_leaves_the_record_as_sent) {
    radsim::dynauth().server = server_record(3799);
    const struct {
        const char *name;
        int32_t result;
        fault_effect effect;
    } rows[] = {
        {"success without a reply", 0, fault_effect::null_block},
        // The simulated store leaves a garbage reply with every failure.
        {"failure with a reply", out_of_memory, fault_effect::result_code},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        rad_das_cfg record = server_record(0);
        rad_da_set_u32(record.cmd_id, 7);
        const rad_das_cfg before = record;
        radsim::inject_fault(message_call, 1, row.result, row.effect);
        command cmd;
        radsim::begin_request(cmd.info());
        EXPECT_EQ(cmi_rad_das_config(test_session, RADIUS_OP_READ, &record, 1, &cmd.info()->msg_ctx_a,
                                     &cmd.info()->msg_ctx_b),
                  row.result);
        radsim::end_request();
        EXPECT_EQ(std::memcmp(&record, &before, sizeof record), 0);
    }
}

TEST_F(dynauth, odd_offsets_hold_native_words) {
    radsim::dynauth().server = server_record(3799);
    command().cmd_id(DYNAUTH_CMD_CLIENT).host(PARAM_DAC_HOST, "nas1", ADDR_KIND_HOSTNAME).keyword(PARAM_KEY_TYPE6).text(
        PARAM_KEY_TEXT, "SIX").run(config_rad_dac_info);
    const auto &bytes = reinterpret_cast<const unsigned char(&)[sizeof(rad_dac_cfg)]>(radsim::dynauth().clients.at("nas1"));
#if RADIUS_TARGET_BIG_ENDIAN
    const unsigned char addr_type[] = {0, 0, 0, 16}, key_type[] = {0, 0, 0, 6};
#else
    const unsigned char addr_type[] = {16, 0, 0, 0}, key_type[] = {6, 0, 0, 0};
#endif
    EXPECT_EQ(std::memcmp(bytes + 1053, addr_type, 4), 0);
    EXPECT_EQ(std::memcmp(bytes + 1313, key_type, 4), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(bytes + 1057)), "nas1");
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(bytes + 1385)), "SIX");
}

// ---- the host parser -------------------------------------------------------------

TEST_F(dynauth, host_parser) {
    const std::string refused_zero = "0.0.0.0 or 255.255.255.255 address is not allowed\n";
    const std::string refused_v6 =
        ":: or 0:0:0:0:0:0:0:0 or ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff address is not allowed\n";
    const struct {
        uint32_t kind;
        const char *text;
        int32_t status;
        std::string out, host;
        uint32_t addr_type;
    } rows[] = {
        {ADDR_KIND_IPV4, "10.0.0.1", 0, "", "10.0.0.1", 1},
        // Compared as text: leading zeros slip through, as published.
        {ADDR_KIND_IPV4, "000.0.0.0", 0, "", "000.0.0.0", 1},
        {ADDR_KIND_IPV6, "2001:DB8:0:0::1", 0, "", "2001:db8::1", 2},
        {ADDR_KIND_HOSTNAME, "nas.example.com", 0, "", "nas.example.com", 16},
        // Bad: the unspecified and broadcast addresses name no client.
        {ADDR_KIND_IPV4, "0.0.0.0", 1, refused_zero, "0.0.0.0", 1},
        {ADDR_KIND_IPV4, "255.255.255.255", 1, refused_zero, "255.255.255.255", 1},
        // Bad: every spelling of the all-zero and all-ones IPv6 addresses.
        {ADDR_KIND_IPV6, "::", 1, refused_v6, "::", 2},
        {ADDR_KIND_IPV6, "0:0:0:0:0:0:0:0", 1, refused_v6, "::", 2},
        {ADDR_KIND_IPV6, "FFFF:ffff:ffff:ffff:ffff:ffff:ffff:ffff", 1, refused_v6,
         "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff", 2},
        // Bad: not an IPv6 address at all.
        {ADDR_KIND_IPV6, "20011::x", 1, "invalid ipv6 address\n", "", 2},
        // Bad: an address kind the parser does not know.
        {0x1234, "10.0.0.1", 1, "Invalid host address \n", "", 0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        command cmd;
        cmd.host(PARAM_DAC_HOST, row.text, row.kind);
        char buffer[256] = {};
        uint32_t addr_type = 0;
        radsim::stdout_capture capture;
        const int32_t status = get_host_from_cli(cmd.info(), 1, &addr_type, buffer);
        EXPECT_EQ(capture.finish(), row.out);
        EXPECT_EQ(status, row.status);
        EXPECT_EQ(addr_type, row.addr_type);
        if (!row.host.empty()) {
            EXPECT_EQ(std::string(buffer), row.host);
        }
    }
}

TEST_F(dynauth, host_parser_positions) {
    command cmd;
    cmd.host(PARAM_DAC_HOST, "10.0.0.1", ADDR_KIND_IPV4);
    char buffer[256];
    radsim::stdout_capture capture;
    EXPECT_EQ(get_host_from_cli(cmd.info(), 0, nullptr, buffer), 1);  // bad: positions count from 1
    EXPECT_EQ(get_host_from_cli(cmd.info(), 2, nullptr, buffer), 1);  // bad: past the last parameter, silent
    EXPECT_EQ(get_host_from_cli(cmd.info(), 1, nullptr, buffer), 0);
    EXPECT_EQ(capture.finish(), "Invalid host address \n");
}

// ---- the server command ----------------------------------------------------------------

struct server_after {
    bool present;
    uint32_t port = 0;
    std::string key = {};
};

TEST_F(dynauth, server_command) {
    const auto mode = [](command &c) -> command & {
        return c.cmd_id(DYNAUTH_CMD_SERVER_MODE).keyword(PARAM_DYNAMIC_AUTHOR);
    };
    const auto port = [](command &c) -> command & {
        return c.cmd_id(DYNAUTH_CMD_SERVER_PORT).keyword(PARAM_DAS_PORT);
    };
    const struct {
        const char *name;
        std::optional<rad_das_cfg> stored;
        std::function<void(command &)> build;
        int32_t status;
        std::string out;
        server_after after;
        bool writes;
    } rows[] = {
        {"mode starts a server that is not running", {}, [&](command &c) { mode(c); }, 0, "", {true}, true},
        {"mode on a running server changes nothing, whatever follows", server_record(3799),
         [&](command &c) { mode(c).keyword(PARAM_DAS_PORT).u32(PARAM_DAS_PORT_VALUE, 1); }, 0, "", {true, 3799}, false},
        {"no mode disables", server_record(3799), [&](command &c) { mode(c).no_form(); }, 0, "", {false}, true},
        {"no mode when not running", {}, [&](command &c) { mode(c).no_form(); }, 0,
         "radius dynamic author server not running, nothing to disable\n", {false}, false},
        {"port", server_record(0), [&](command &c) { port(c).u32(PARAM_DAS_PORT_VALUE, 3799); },
         0, "", {true, 3799}, true},
        {"no port with the configured number", server_record(3799),
         [&](command &c) { port(c).no_form().u32(PARAM_DAS_PORT_VALUE, 3799); }, 0, "", {true, 0}, true},
        {"no port without a number", server_record(3799), [&](command &c) { port(c).no_form(); },
         0, "", {true, 0}, true},
        {"clear key", server_record(3799),
         [](command &c) { c.cmd_id(3).keyword(PARAM_KEY).text(PARAM_KEY_CLEAR, "abc"); }, 0, "",
         {true, 3799, "abc"}, true},
        {"no key", server_record(3799, 0, "abc"),
         [](command &c) { c.cmd_id(3).no_form().keyword(PARAM_KEY); }, 0, "", {true, 3799}, true},
        // Bad: a removal must name the configured port.
        {"no port with another number", server_record(3799),
         [&](command &c) { port(c).no_form().u32(PARAM_DAS_PORT_VALUE, 1700); }, 1,
         "the server port provided does not match with configured port\n", {true, 3799}, false},
        // Bad: there is no port to remove.
        {"no port when none", server_record(0),
         [&](command &c) { port(c).no_form().u32(PARAM_DAS_PORT_VALUE, 1700); }, 1,
         "server port is not configured, nothing to delete\n", {true, 0}, false},
        // Bad: a port that is no number.
        {"port as text", server_record(3799),
         [&](command &c) { port(c).text(PARAM_DAS_PORT_VALUE, "1700"); }, 1, "", {true, 3799}, false},
        // Bad: a clear key after the type-6 token, and a typed key without one.
        {"clear key after 6", server_record(3799),
         [](command &c) { c.cmd_id(3).keyword(PARAM_KEY_TYPE6).text(PARAM_KEY_CLEAR, "a"); }, 1,
         "", {true, 3799}, false},
        {"typed key without a type", server_record(3799),
         [](command &c) { c.cmd_id(3).text(PARAM_KEY_TEXT, "a"); }, 1, "", {true, 3799}, false},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        radsim::reset();
        radsim::dynauth().server = row.stored;
        command cmd;
        row.build(cmd);
        const outcome result = cmd.run(config_rad_das_global_info);
        EXPECT_EQ(result.out, row.out);
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(wrote_anything(), row.writes);
        const auto &server = radsim::dynauth().server;
        ASSERT_EQ(server.has_value(), row.after.present);
        if (!server) continue;
        EXPECT_EQ(rad_da_get_u32(server->port), row.after.port);
        EXPECT_EQ(text_of(server->key), row.after.key);
    }
}

TEST_F(dynauth, server_store_failures) {
    const struct {
        const char *name;
        unsigned nth;  // which message call fails
        bool no_form;
        std::string out;
    } rows[] = {
        {"read", 1, false, "failed to get radius dynamic author server config with error(409d0009)\n"},
        {"write", 2, false, "failed to update radius dynamic author server config with error(409d0009)\n"},
        {"disable", 2, true, "failed to disable the radius dynamic author server config with error(409d0009)\n"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        radsim::reset();
        radsim::dynauth().server = server_record(3799);
        radsim::inject_fault(message_call, row.nth, out_of_memory);
        // The plain form sets a port (the mode command alone writes nothing
        // to a running server); the "no" form disables.
        command cmd;
        if (row.no_form) {
            cmd.cmd_id(DYNAUTH_CMD_SERVER_MODE).no_form().keyword(PARAM_DYNAMIC_AUTHOR);
        } else {
            cmd.cmd_id(DYNAUTH_CMD_SERVER_PORT).keyword(PARAM_DAS_PORT).u32(PARAM_DAS_PORT_VALUE, 1700);
        }
        const outcome result = cmd.run(config_rad_das_global_info);
        EXPECT_EQ(result.status, -1);
        EXPECT_EQ(result.out, out_of_memory_text + row.out);
        EXPECT_EQ(rad_da_get_u32(radsim::dynauth().server->port), 3799u);
    }
}

TEST_F(dynauth, dispatcher_hides_statuses_and_notes_distribution) {
    radsim::seed_item(RADIUS_ITEM_DISTRIBUTION, 1);
    const std::string note = "Note: dynamic authorization server configuration is exempted from QDS distribution\n";
    // The port command that fails returns 1 itself; the shell sees 0.
    outcome result = command().cmd_id(DYNAUTH_CMD_SERVER_PORT).keyword(PARAM_DAS_PORT).no_form().run(
        config_radius_dynamic_author_server);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "radius dynamic author server not running, nothing to disable\n");
    result = command().cmd_id(DYNAUTH_CMD_SERVER_MODE).keyword(PARAM_DYNAMIC_AUTHOR).run(
        config_radius_dynamic_author_server);
    EXPECT_EQ(result.out, note);
    EXPECT_TRUE(radsim::dynauth().server.has_value());
    radsim::clear_call_log();
    EXPECT_EQ(command().cmd_id(DYNAUTH_CMD_SERVER_MODE).submode_noop().run(config_radius_dynamic_author_server).out,
              "");
    EXPECT_EQ(command().cmd_id(5).run(config_radius_dynamic_author_server).out, "");  // no configuration command
    EXPECT_TRUE(radsim::call_log().empty());
}

// ---- the client command ----------------------------------------------------------------

struct client_after {
    bool present;
    std::string vrf = {};
    std::string key = {};
};

TEST_F(dynauth, client_command) {
    const auto client = [](command &c) -> command & {
        return c.cmd_id(DYNAUTH_CMD_CLIENT).host(PARAM_DAC_HOST, "10.0.0.1", ADDR_KIND_IPV4);
    };
    const std::string mismatch = "The vrf name provided does not match with the configured vrf\n";
    const struct {
        const char *name;
        std::optional<rad_dac_cfg> stored;
        std::function<void(command &)> build;
        int32_t status;
        std::string out;
        client_after after;
    } rows[] = {
        {"new client with vrf and key", {},
         [&](command &c) {
             client(c).keyword(PARAM_DAC_VRF).text(PARAM_VRF_NAME, "blue").keyword(PARAM_KEY).text(PARAM_KEY_CLEAR, "k1");
         },
         0, "", {true, "blue", "k1"}},
        {"no: the host alone removes", client_record("10.0.0.1", "blue", "k1"),
         [&](command &c) { client(c).no_form(); }, 0, "", {false}},
        {"no: vrf clears the vrf only", client_record("10.0.0.1", "blue", "k1"),
         [&](command &c) { client(c).no_form().keyword(PARAM_DAC_VRF); }, 0, "", {true, "", "k1"}},
        {"no: vrf and key remove", client_record("10.0.0.1", "blue", "k1"),
         [&](command &c) { client(c).no_form().keyword(PARAM_DAC_VRF).keyword(PARAM_KEY); }, 0, "", {false}},
        {"no: key clears the key only", client_record("10.0.0.1", "blue", "k1"),
         [&](command &c) { client(c).no_form().keyword(PARAM_KEY); }, 0, "", {true, "blue"}},
        {"no: vrf default when default", client_record("10.0.0.1", "default"),
         [&](command &c) { client(c).no_form().keyword(PARAM_DAC_VRF).keyword(PARAM_VRF_DEFAULT); }, 0, "", {true}},
        // Bad: the removal names another vrf than the configured one.
        {"no: vrf default when management", client_record("10.0.0.1", "management"),
         [&](command &c) { client(c).no_form().keyword(PARAM_DAC_VRF).keyword(PARAM_VRF_DEFAULT); },
         1, mismatch, {true, "management"}},
        // Bad: no vrf to remove.
        {"no: vrf name when none", client_record("10.0.0.1", ""),
         [&](command &c) { client(c).no_form().keyword(PARAM_DAC_VRF).text(PARAM_VRF_NAME, "b"); },
         1, "vrf name is not configured, nothing to disable\n", {true}},
        // Bad: no such client to change.
        {"no: unknown client", {}, [&](command &c) { client(c).no_form(); }, 1,
         "configuration for 10.0.0.1 not present\n", {false}},
        // Bad: a vrf name that is no text.
        {"vrf name as a number", client_record("10.0.0.1", "blue"),
         [&](command &c) { client(c).keyword(PARAM_DAC_VRF).u32(PARAM_VRF_NAME, 7); }, 1, "", {true, "blue"}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        radsim::reset();
        radsim::dynauth().server = server_record(3799);
        if (row.stored) radsim::dynauth().clients["10.0.0.1"] = *row.stored;
        command cmd;
        row.build(cmd);
        const outcome result = cmd.run(config_rad_dac_info);
        EXPECT_EQ(result.out, row.out);
        EXPECT_EQ(result.status, row.status);
        const auto &clients = radsim::dynauth().clients;
        ASSERT_EQ(clients.count("10.0.0.1") == 1, row.after.present);
        if (!row.after.present) continue;
        EXPECT_EQ(text_of(clients.at("10.0.0.1").vrf), row.after.vrf);
        EXPECT_EQ(text_of(clients.at("10.0.0.1").key), row.after.key);
    }
}

TEST_F(dynauth, client_failures) {
    radsim::dynauth().server = server_record(3799);
    radsim::dynauth().max_clients = 1;
    const auto add = [](const std::string &host) {
        return command().cmd_id(DYNAUTH_CMD_CLIENT).host(PARAM_DAC_HOST, host, ADDR_KIND_HOSTNAME).run(
            config_rad_dac_info);
    };
    EXPECT_EQ(add("nas1").status, 0);
    // Bad: the table is full.
    EXPECT_EQ(add("nas2").out, "maximum number of RADIUS dynamic authorization clientsalready configured\n");
    // The first read failing: its own line only, no system-error text.
    radsim::inject_fault(message_call, 1, out_of_memory);
    outcome result = add("nas1");
    EXPECT_EQ(result.status, -1);
    EXPECT_EQ(result.out, "failed to get radius dynamic author client config with error(409d0009)\n");
    radsim::inject_fault(message_call, 2, out_of_memory);
    EXPECT_EQ(add("nas1").out, out_of_memory_text + std::string("configuration for nas1 could not be updated\n"));
    radsim::inject_fault(message_call, 2, out_of_memory);
    result = command().cmd_id(DYNAUTH_CMD_CLIENT).no_form().host(PARAM_DAC_HOST, "nas1", ADDR_KIND_HOSTNAME).run(
        config_rad_dac_info);
    EXPECT_EQ(result.out, "configuration for nas1 could not be removed\n");
    // A refused host stops the command before any store traffic.
    radsim::clear_call_log();
    EXPECT_EQ(command().cmd_id(DYNAUTH_CMD_CLIENT).host(PARAM_DAC_HOST, "::", ADDR_KIND_IPV6).run(config_rad_dac_info)
                  .status,
              1);
    EXPECT_EQ(radsim::call_names(), std::vector<std::string>{"aaa_server_normalize_ipv6_addr"});
}

// ---- statistics ----------------------------------------------------------------------

constexpr uint64_t big = 0x123456789abcdefull;  // 81985529216486895, above 2^32

TEST_F(dynauth, statistics_refused_on_standby_before_any_traffic) {
    for (radius_handler_fn handler : {aaa_server_radius_statistics, aaa_client_radius_statistics}) {
        const outcome result = command().on_standby().cmd_id(DYNAUTH_CMD_SHOW_CLIENT).run(handler);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "this command is supported on active sup only\n");
    }
    EXPECT_TRUE(radsim::call_log().empty());
}

TEST_F(dynauth, server_statistics) {
    EXPECT_EQ(command().run(aaa_server_radius_statistics).out, "radius dynamic author server not running\n");
    radsim::dynauth().server = server_record(0);
    radsim::dynauth().server_counters = {big, big, 1, 2, 3};
    // No port: the daemon says it is not running, whatever its counters.
    EXPECT_EQ(command().run(aaa_server_radius_statistics).out, "Dynamic Author server not-running/disabled \n");
    radsim::dynauth().server = server_record(3799);
    outcome result = command().cmd_id(DYNAUTH_CMD_SHOW_SERVER).run(aaa_server_radius_statistics);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "Dynamic Author server, port:3799\n"
              "\tCOA: Active-Sessions:81985529216486895\n"
              "\t     RQX: request sent:81985529216486895 Response received:1\n"
              "\t          response timeout:2 errors:3\n");
    result = command().cmd_id(DYNAUTH_CMD_CLEAR_SERVER).run(aaa_server_radius_statistics);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(radsim::dynauth().server_counters.rqx_requests_sent, 0u);
    radsim::inject_fault(message_call, 1, out_of_memory);
    result = command().run(aaa_server_radius_statistics);
    EXPECT_EQ(result.status, -1);
    EXPECT_EQ(result.out, "failed to get radius dynamic author server config with error(0x409d0009)\n");
}

TEST_F(dynauth, client_statistics) {
    radsim::dynauth().server = server_record(3799);
    radsim::dynauth().clients["nas1"] = client_record("nas1", "");
    radsim::dynauth().client_counters["nas1"] = {big, 1, 2, 3, 4, 5, 6, big};
    const auto show = [](uint32_t cmd_id) {
        return command().cmd_id(cmd_id).host(PARAM_DAC_HOST, "nas1", ADDR_KIND_HOSTNAME).run(
            aaa_client_radius_statistics);
    };
    EXPECT_EQ(show(DYNAUTH_CMD_SHOW_CLIENT).out,
              "Dynamic Author Client nas1\n"
              "\tCOA: requests:81985529216486895, transactions:1\n"
              "\t     retransmissions:2, active transactions:3\n"
              "\t     Ack responses:4, Nak reponses:5\n"
              "\t     invalid requests:6, errors:81985529216486895\n");
    // Another command id does not look for the host: no client has none.
    outcome result = show(0);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "configuration for  not present\n");
    result = show(DYNAUTH_CMD_CLEAR_CLIENT);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(radsim::dynauth().client_counters.count("nas1"), 0u);
    // A success without reply prints the request: the host, zero counters.
    radsim::inject_fault(message_call, 1, 0, fault_effect::null_block);
    EXPECT_EQ(show(DYNAUTH_CMD_SHOW_CLIENT).out.substr(0, 52), "Dynamic Author Client nas1\n\tCOA: requests:0, transac");
    radsim::inject_fault(message_call, 1, out_of_memory);
    result = show(DYNAUTH_CMD_SHOW_CLIENT);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "failed to get radius dynamic author client config with error(0x409d0009)\n");
}

}  // namespace
