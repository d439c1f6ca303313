// The simulated switch against a real FreeRADIUS server on loopback (host
// build only).  One server runs for the whole suite; each test starts from
// a fresh switch and reads the statistics display's exact counters after
// its requests:
//   - accept, reject and accounting answered: the answers and the
//     successful and failed transactions;
//   - a wrong key: FreeRADIUS answers the Access-Request with a reject
//     signed with its own key, which radcli takes as a reject (it logs the
//     bad authenticator and gives no other sign), so the transaction
//     fails; the Accounting-Request it drops, so it times out;
//   - a port nobody listens on: every transmission times out, the server is
//     dead for the deadtime and alive again when the clock has passed it;
//   - a group whose first member is dead: the live member answers;
//   - monitoring: an idle server is probed with its test user;
//   - dynamic authorization: CoA and Disconnect requests sent with radclient
//     from a configured client, an unknown one and with a wrong key.
// Every request has a one-second timeout and at most two transmissions.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <regex>

#include "shell/session.hpp"
#include "sim/radsim.h"
#include "tests/support/freeradius.hpp"

namespace radius::shell {
namespace {

using radtest::freeradius_server;

class network : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = std::make_unique<freeradius_server>(); }
    static void TearDownTestSuite() { server_.reset(); }

    void SetUp() override {
        radsim::reset();
        radsim::load_factory_defaults();
    }
    void TearDown() override { radsim::reset(); }

    // Runs the lines; returns what they printed.
    std::string run(const std::vector<std::string> &lines) {
        radsim::stdout_capture capture;
        for (const std::string &line : lines) session_.run_line(line, true);
        return capture.finish();
    }

    static std::string server_line(const std::string &host, uint16_t auth_port, const std::string &key,
                                   const std::string &more = "") {
        return "radius-server host " + host + " key " + key + " auth-port " + std::to_string(auth_port) +
               " acct-port " + std::to_string(server_->acct_port()) + " timeout 1 retransmit 1" + more;
    }

    static std::string our_server(const std::string &host = "127.0.0.1") {
        return server_line(host, server_->auth_port(), freeradius_server::secret);
    }

    static inline std::unique_ptr<freeradius_server> server_;
    handler_library library_{RADSH_LIBRARY};
    session session_{library_, {}};
};

// The statistics block of one server, from its state line to its end.
std::string counters(const std::string &auth_failed, const std::string &auth_ok, const std::string &auth_sent,
                     const std::string &auth_timed_out, const std::string &acct_failed, const std::string &acct_ok,
                     const std::string &acct_sent, const std::string &acct_timed_out) {
    return "Authentication Statistics\n\tfailed transactions: " + auth_failed + "\n\tsucessfull transactions: " +
           auth_ok + "\n\trequests sent: " + auth_sent + "\n\trequests timed out: " + auth_timed_out +
           "\n\tresponses with no matching requests: 0\n\tresponses not processed: 0\n"
           "\tresponses containing errors: 0\n\nAccounting Statistics\n\tfailed transactions: " +
           acct_failed + "\n\tsucessfull transactions: " + acct_ok + "\n\trequests sent: " + acct_sent +
           "\n\trequests timed out: " + acct_timed_out +
           "\n\tresponses with no matching requests: 0\n\tresponses not processed: 0\n"
           "\tresponses containing errors: 0\n";
}

TEST_F(network, answers_and_counters_of_one_server) {
    struct row {
        std::string command, answer;
    };
    const row rows[] = {
        {"test aaa server radius 127.0.0.1 alice alice-pw", "user has been authenticated\n"},
        {"test aaa server radius 127.0.0.1 bob bob-pw", "user has been authenticated\n"},
        {"test aaa server radius 127.0.0.1 bob wrong-pw", "user has failed authentication\n"},
        {"test aaa server radius 127.0.0.1 nobody x", "user has failed authentication\n"},
        {"test aaa server radius 127.0.0.1 accounting alice", "accounting request has been answered\n"},
    };
    run({"configure", our_server(), "end"});
    for (const row &r : rows) EXPECT_EQ(run({r.command}), r.answer) << r.command;
    EXPECT_EQ(run({"show radius-server statistics 127.0.0.1"}),
              "Server is not monitored\n\n" + counters("2", "2", "4", "0", "0", "1", "1", "0"));
}

TEST_F(network, wrong_key_fails_authentication_and_times_out_accounting) {
    run({"configure", server_line("127.0.0.1", server_->auth_port(), "not-the-secret"), "end"});
    EXPECT_EQ(run({"test aaa server radius 127.0.0.1 alice alice-pw"}), "user has failed authentication\n");
    EXPECT_EQ(run({"test aaa server radius 127.0.0.1 accounting alice"}), "server timed out\n");
    EXPECT_EQ(run({"show radius-server statistics 127.0.0.1"}),
              "Server is not monitored\n\n" + counters("1", "0", "1", "0", "1", "0", "2", "2"));
}

TEST_F(network, unreachable_port_times_out_then_dead_for_the_deadtime) {
    const uint16_t nobody = radtest::free_udp_port();
    run({"configure", server_line("127.0.0.1", nobody, "k"), "radius-server deadtime 1",
         "radius-server test idle-time 5", "end"});
    EXPECT_EQ(run({"simulate time 1000", "test aaa server radius 127.0.0.1 alice alice-pw"}), "server timed out\n");
    EXPECT_EQ(run({"simulate time 59999", "show radius-server statistics 127.0.0.1"}),
              "Server is dead since 00:00:59.999\n\nMonitoring Statistics\n\tTime in previous state: 00:00:01.000\n"
              "\tNumber of times dead: 1\n\tTotal time in dead state: 00:00:59.999\n\n" +
                  counters("1", "0", "2", "2", "0", "0", "0", "0"));
    EXPECT_EQ(run({"simulate time 1", "show radius-server statistics 127.0.0.1"}),
              "Server is alive since 00:00:00.000\n\nMonitoring Statistics\n\tTime in previous state: 00:01:00.000\n"
              "\tNumber of times dead: 1\n\tTotal time in dead state: 00:01:00.000\n\n" +
                  counters("1", "0", "2", "2", "0", "0", "0", "0"));
}

TEST_F(network, group_skips_its_dead_member) {
    const uint16_t nobody = radtest::free_udp_port();
    run({"configure", server_line("127.0.0.2", nobody, freeradius_server::secret), our_server(),
         "aaa group server radius G", "server 127.0.0.2", "server 127.0.0.1", "deadtime 3", "end"});
    // The first request waits out the silent member, the second skips it.
    EXPECT_EQ(run({"test aaa group G alice alice-pw", "test aaa group G alice alice-pw"}),
              "user has been authenticated\nuser has been authenticated\n");
    const std::string block = run({"show radius-server statistics"});
    EXPECT_NE(block.find("Server is not monitored\n\n" + counters("1", "0", "2", "2", "0", "0", "0", "0")),
              std::string::npos)
        << block;
    EXPECT_NE(block.find("Server is not monitored\n\n" + counters("0", "2", "2", "0", "0", "0", "0", "0")),
              std::string::npos)
        << block;
    EXPECT_EQ(run({"test aaa group G bob bad"}), "user has failed authentication\n");
    EXPECT_EQ(run({"simulate time 180000", "configure", "aaa group server radius G", "no server 127.0.0.1", "end",
                   "test aaa group G alice alice-pw"}),
              "server timed out\n");  // back from the dead after 3 minutes, and silent again
}

TEST_F(network, monitoring_probes_an_idle_server) {
    const uint16_t nobody = radtest::free_udp_port();
    run({"configure", our_server(), server_line("127.0.0.3", nobody, "k"),
         "radius-server test idle-time 1 username alice password alice-pw", "end",
         "simulate radius-server 127.0.0.1 dead"});
    run({"simulate time 59999"});  // not idle long enough: no probe
    EXPECT_EQ(radsim::stored().running.servers.size(), 2u);
    const std::string before = run({"show radius-server statistics 127.0.0.1"});
    EXPECT_EQ(before.substr(0, before.find('\n')), "Server is dead since 00:00:59.999");
    run({"simulate time 1"});  // both probed: the answered one lives, the silent one dies
    const std::string after = run({"show radius-server statistics"});
    EXPECT_NE(after.find("Server is alive since 00:00:00.000\n"), std::string::npos) << after;
    EXPECT_NE(after.find(counters("0", "1", "1", "0", "0", "0", "0", "0")), std::string::npos) << after;
    EXPECT_NE(after.find("Server is dead since 00:00:00.000\n"), std::string::npos) << after;
    EXPECT_NE(after.find(counters("1", "0", "2", "2", "0", "0", "0", "0")), std::string::npos) << after;
}

// ---- dynamic authorization -------------------------------------------------------

// What came back to one radclient request of `kind` ("coa" or
// "disconnect") with `secret`: the answer's code and its Error-Cause, or
// "no reply".
std::string radclient(uint16_t port, const char *kind, const char *secret) {
    const std::string command = "echo 'User-Name = \"alice\"' | radclient -x -r 1 -t 1 127.0.0.1:" +
                                std::to_string(port) + " " + kind + " " + secret + " 2>&1";
    const std::unique_ptr<FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    char buffer[512];
    while (pipe && fgets(buffer, sizeof buffer, pipe.get()) != nullptr) out += buffer;
    std::smatch code, cause;
    if (!std::regex_search(out, code, std::regex("Received ([A-Za-z-]+) Id"))) return "no reply";
    std::regex_search(out, cause, std::regex("Error-Cause = ([A-Za-z-]+)"));
    return code[1].str() + " " + (cause.empty() ? std::string("without Error-Cause") : cause[1].str());
}

TEST_F(network, dynamic_authorization_answers_clients_with_a_nak) {
    const uint16_t port = radtest::free_udp_port();
    run({"configure", "aaa server radius dynamic-author", "port " + std::to_string(port), "server-key das-key",
         "client 127.0.0.2", "end"});
    // 127.0.0.1 is no client yet: silently dropped, counted nowhere.
    EXPECT_EQ(radclient(port, "coa", "client-key"), "no reply");
    run({"configure", "aaa server radius dynamic-author", "client 127.0.0.1 server-key client-key", "end"});
    EXPECT_EQ(radclient(port, "coa", "das-key"), "no reply");  // the client's own key counts
    EXPECT_EQ(radclient(port, "coa", "client-key"), "CoA-NAK Session-Context-Not-Found");
    EXPECT_EQ(radclient(port, "disconnect", "client-key"), "Disconnect-NAK Session-Context-Not-Found");
    EXPECT_EQ(run({"show aaa client radius statistics 127.0.0.1"}),
              "Dynamic Author Client 127.0.0.1\n\tCOA: requests:2, transactions:2\n"
              "\t     retransmissions:0, active transactions:0\n\t     Ack responses:0, Nak reponses:2\n"
              "\t     invalid requests:1, errors:0\n");
    EXPECT_EQ(run({"show aaa client radius statistics 127.0.0.2"}),
              "Dynamic Author Client 127.0.0.2\n\tCOA: requests:0, transactions:0\n"
              "\t     retransmissions:0, active transactions:0\n\t     Ack responses:0, Nak reponses:0\n"
              "\t     invalid requests:0, errors:0\n");
    run({"configure", "no aaa server radius dynamic-author", "end"});
    EXPECT_EQ(radclient(port, "coa", "client-key"), "no reply");  // the port is closed with the server
}

}  // namespace
}  // namespace radius::shell
