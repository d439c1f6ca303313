// Fabric distribution against the simulated distribution service.  Plan:
// - the control commands: exec_noop and the standby refusal in their
//   order, "no" forms refused without a store call, the daemon's error
//   flag turning a 0 into status 1 (not for enable), every failure's lines;
// - the pending listing: pieces through the record's cursor, its failures;
// - the status displays: the last-operation reply (big-endian, released on
//   every path), its texts, the 502/503/other tag sets, the state lines;
// - the pending and difference texts: their refusals, the capture on every
//   path, the difference of an empty running configuration;
// - the service: a commit across peers, one or all unreachable, the owner,
//   and the running configuration a commit leaves equal to the pending
//   text shown before it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "abi/tags.h"
#include "distr/distr.h"
#include "distr/running_config_text.hpp"
#include "runcfg/running_config.h"  // beside the line above: the two declarations must agree
#include "platform/store_client.h"
#include "tests/support/group_seed.hpp"

namespace {

using radsim::fault_effect;
using radsim::store_copy;
using radtest::command;
using radtest::outcome;

constexpr char control_call[] = "cmi_radius_new_distr_control";
constexpr int32_t not_responding = 0x409d0008;
constexpr char not_responding_text[] = "RADIUS configuration store: daemon not responding\n";
constexpr char no_pending_text[] = "RADIUS configuration store: no pending configuration\n";

size_t calls_of(const std::string &name) {
    const auto names = radsim::call_names();
    return static_cast<size_t>(std::count(names.begin(), names.end(), name));
}

// Distribution on and a session of "admin" holding `hosts` as new servers.
void open_session_with(std::initializer_list<const char *> hosts) {
    radsim::seed_item(RADIUS_ITEM_DISTRIBUTION, 1);
    radsim::open_distribution_session();
    for (const char *host : hosts) radtest::seed_server(host, nullptr, store_copy::pending);
}

class distr : public radtest::report_test {
protected:
    std::vector<uint32_t> reported_tags() const {
        std::vector<uint32_t> tags;
        for (const radsim::report &sent : reports_) {
            for (const radsim::printed_piece &piece : sent.pieces) {
                for (const radsim::printed_value &value : piece.values) tags.push_back(value.tag);
            }
        }
        return tags;
    }

};

// ---- control commands ------------------------------------------------------------

struct control_row {
    const char *why;
    radius_handler_fn handler;
    std::function<void(command &)> arrange;
    int32_t status;
    std::string out;
    size_t requests;  // control calls made; with none, no platform call at all
};

void noop(command &cmd) { cmd.exec_noop(); }

TEST_F(distr, control_commands) {
    const control_row rows[] = {
        {"exec_noop: nothing at all", radius_qds_distr_enable, noop, 0, "", 0},
        {"exec_noop: nothing at all", radius_qds_distr_commit, noop, 0, "", 0},
        {"exec_noop: nothing at all", radius_qds_distr_abort, noop, 0, "", 0},
        {"exec_noop: nothing at all", radius_qds_distr_clear_session, noop, 0, "", 0},
        {"exec_noop: nothing at all", radius_qds_distr_show_pending, noop, 0, "", 0},
        {"exec_noop: nothing at all", radius_new_qds_session_status, noop, 0, "", 0},
        {"exec_noop: nothing at all", radius_new_qds_merge_status, noop, 0, "", 0},
        {"exec_noop: nothing at all", radius_qds_distr_show_internal, noop, 0, "", 0},
        {"the standby refusal comes before exec_noop", radius_qds_distr_clear_session,
         [](command &cmd) { cmd.exec_noop().on_standby(); }, 1, "this command is supported on active sup only\n", 0},
        {"commit has no \"no\" form", radius_qds_distr_commit, [](command &cmd) { cmd.no_form(); }, 1,
         "no option not allowed with this command\n", 0},
        {"abort has no \"no\" form", radius_qds_distr_abort, [](command &cmd) { cmd.no_form(); }, 1,
         "no option not allowed with this command\n", 0},
        {"clear ignores the \"no\" form", radius_qds_distr_clear_session,
         [](command &cmd) { open_session_with({"a"}); cmd.no_form(); }, 0, "", 1},
        {"a 0 with the error flag fails the commit", radius_qds_distr_commit,
         [](command &) { open_session_with({"a"}); radsim::distribution().refusal = "busy elsewhere"; }, 1,
         "busy elsewhere\n", 1},
        {"a 0 with the error flag fails the clear", radius_qds_distr_clear_session,
         [](command &) { radsim::distribution().refusal = "busy elsewhere"; }, 1, "busy elsewhere\n", 1},
        {"enable ignores the error flag", radius_qds_distr_enable,
         [](command &) { radsim::distribution().refusal = "busy elsewhere"; }, 0, "", 1},
        {"abort failing without a code says nothing", radius_qds_distr_abort,
         [](command &) { radsim::inject_fault(control_call, 1, -1); }, 1, "", 1},
        {"commit without a session", radius_qds_distr_commit,
         [](command &) { radsim::seed_item(RADIUS_ITEM_DISTRIBUTION, 1); }, 1,
         std::string(no_pending_text) + "could not commit RADIUS distribution \n", 1},
        {"abort without a session has no closing line", radius_qds_distr_abort,
         [](command &) { radsim::seed_item(RADIUS_ITEM_DISTRIBUTION, 1); }, 1, no_pending_text, 1},
        {"clear without a session", radius_qds_distr_clear_session, [](command &) {}, 1,
         std::string(no_pending_text) + "could not clear distribution session RADIUS  \n", 1},
        {"disable while a session is open", radius_qds_distr_enable,
         [](command &cmd) { open_session_with({"a"}); cmd.no_form(); }, 1,
         "Fabric distribution: a session is in progress\ncould not disable RADIUS distribution \n", 1},
        {"enable failing", radius_qds_distr_enable, [](command &) { radsim::inject_fault(control_call, 1, not_responding); },
         1, std::string(not_responding_text) + "could not enable RADIUS distribution \n", 1},
    };
    for (const control_row &row : rows) {
        SCOPED_TRACE(row.why);
        radsim::reset();
        command cmd;
        row.arrange(cmd);
        radsim::clear_call_log();
        const outcome result = cmd.run(row.handler);
        EXPECT_EQ(result.status, row.status);
        EXPECT_EQ(result.out, row.out);
        EXPECT_EQ(calls_of(control_call), row.requests);
        if (row.requests == 0) {
            EXPECT_TRUE(radsim::call_log().empty()) << "refused before any call";
        }
    }
}

TEST_F(distr, commit_reaching_every_peer_but_none_fails_with_the_daemon_text) {
    open_session_with({"a"});
    radsim::distribution().peers = {{"leaf-2", false, {}}, {"leaf-3", false, {}}};
    command cmd;
    const outcome result = cmd.run(radius_qds_distr_commit);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out,
              "Fabric distribution: a peer switch could not be reached\n"
              "no peer switch could be reached: leaf-2, leaf-3\n"
              "could not commit RADIUS distribution \n");
    EXPECT_TRUE(radsim::stored().pending.has_value()) << "a failed commit leaves the session open";
    EXPECT_EQ(radsim::distribution().last_op.result, DISTR_RESULT_FAIL);
}

TEST_F(distr, only_the_owner_commits_but_anyone_clears) {
    open_session_with({"a"});
    radsim::set_acting_user("bob");
    command commit;
    const outcome refused = commit.run(radius_qds_distr_commit);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "the session belongs to admin: only its owner may commit or abort it\n");
    command clear;
    EXPECT_EQ(clear.run(radius_qds_distr_clear_session).status, 0);
    EXPECT_FALSE(radsim::stored().pending.has_value());
    EXPECT_TRUE(radsim::stored().running.servers.empty()) << "clearing applies nothing";
    EXPECT_EQ(radsim::distribution().last_op.action, DISTR_ACTION_CLEAR);
}

// ---- the pending listing -----------------------------------------------------------

TEST_F(distr, pending_listing_in_three_pieces_takes_four_requests) {
    open_session_with({"a", "b", "c"});
    radsim::clear_call_log();
    command cmd;
    const outcome result = cmd.run(radius_qds_distr_show_pending);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out,
              "radius-server host a authentication accounting \n"
              "radius-server host b authentication accounting \n"
              "radius-server host c authentication accounting \n");
    EXPECT_EQ(calls_of(control_call), 4u);
}

TEST_F(distr, pending_listing_failures) {
    struct row {
        const char *why;
        std::function<void()> arrange;
        int32_t status;
        std::string out;
    };
    const row rows[] = {
        {"an empty pending configuration prints nothing", [] { open_session_with({}); }, 0, ""},
        {"the daemon's error text", [] {}, 1, "show pending radius error: distribution is not enabled\n"},
        {"a code after a piece: the piece stays",
         [] { open_session_with({"a", "b"}); radsim::inject_fault(control_call, 2, not_responding); }, 1,
         "radius-server host a authentication accounting \n"
         "radius_qds_distr_show_pending: cmi error 1084030984\n" +
             std::string(not_responding_text) + "could not show pending RADIUS configuration \n"},
        {"a failure without a code", [] { open_session_with({"a"}); radsim::inject_fault(control_call, 1, -7); }, 1,
         "could not show pending RADIUS configuration \n"},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.why);
        radsim::reset();
        r.arrange();
        command cmd;
        const outcome result = cmd.run(radius_qds_distr_show_pending);
        EXPECT_EQ(result.status, r.status);
        EXPECT_EQ(result.out, r.out);
    }
}

// A listing that sends its record back zeroed would start over forever:
// the service says so and ends it.
TEST_F(distr, service_refuses_a_listing_restarted_by_a_zeroed_record) {
    open_session_with({"a", "b"});
    command cmd;
    radsim::begin_request(cmd.info());
    for (int i = 0; i < 2; ++i) {
        radius_distr_ctrl record{};
        record.kind = DISTR_KIND_SESSION;
        cmi_radius_new_distr_control(radtest::test_session, RADIUS_OP_READ_NEXT, &record, DISTR_MODE_READ,
                                     &cmd.info()->msg_ctx_a, &cmd.info()->msg_ctx_b);
        EXPECT_EQ(std::string(record.text).empty(), i == 1);
    }
    radsim::end_request();
    ASSERT_EQ(radsim::contract_violations().size(), 1u);
    radsim::reset();
}

// ---- status displays -------------------------------------------------------------

std::string ctime_text(uint32_t seconds) {
    const time_t when = static_cast<time_t>(seconds);
    char text[64] = {};
    ctime_r(&when, text);
    return std::string(text, std::strlen(text) - 1);
}

std::string last_action_lines(const std::string &time, const char *action, const char *result, const std::string &reason) {
    return "Last Action Time Stamp     : " + time + "\nLast Action                : " + action +
           "\nLast Action Result         : " + result + "\nLast Action Failure Reason : " + reason + "\n";
}

TEST_F(distr, session_status_texts) {
    constexpr uint32_t when = 1700000000;
    const std::string unreachable = "radius(0x409d0031)- Fabric distribution: a peer switch could not be reached";
    struct row {
        const char *why;
        radsim::distribution_last_op op;
        std::string report;
    };
    const row rows[] = {
        {"no action: no time, no result", {DISTR_ACTION_NONE, DISTR_RESULT_SUCCESS, 0, when, 0, 0},
         last_action_lines("None", "None", "None", "none")},
        {"a time of 0 is none", {DISTR_ACTION_COMMIT, DISTR_RESULT_SUCCESS, 0, 0, 0, 0},
         last_action_lines("None", "Commit", "Success", "none")},
        {"partial success shows its reason",
         {DISTR_ACTION_COMMIT, DISTR_RESULT_PARTIAL_SUCCESS, radsim::distr_err_peer_unreachable, when, 0, 0},
         last_action_lines(ctime_text(when), "Commit", "Partial Success", unreachable)},
        {"a session bound to a VSAN",
         {DISTR_ACTION_ABORT, DISTR_RESULT_FAIL, radsim::distr_err_peer_unreachable, when, DISTR_SCOPE_VSAN, 10},
         "Session Parameters for VSAN: 10\n-------------------------------\n" +
             last_action_lines(ctime_text(when), "Abort", "Fail", unreachable)},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.why);
        reports_.clear();
        radsim::distribution().last_op = r.op;
        command cmd;
        const outcome result = cmd.run(radius_new_qds_session_status);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(reports_text(), r.report);
        EXPECT_EQ(reported_tags(), std::vector<uint32_t>{TAG_DISTR_SESSION_STATUS});
        EXPECT_EQ(radsim::open_output_handles(), 0u) << "the session status frees its handle";
    }
}

// The reply is the caller's on every path; LeakSanitizer sees the block a
// failing request leaves behind.
TEST_F(distr, last_operation_failures) {
    struct row {
        const char *why;
        radius_handler_fn handler;
        fault_effect effect;
        std::string out;
    };
    const row rows[] = {
        {"failing request: silent", radius_new_qds_session_status, fault_effect::result_code, ""},
        {"no reply", radius_new_qds_session_status, fault_effect::null_block, "unable to get last op status\n"},
        {"failing request: silent", radius_new_qds_distr_status, fault_effect::result_code, ""},
        {"no reply", radius_new_qds_distr_status, fault_effect::null_block, "unable to get last op status\n"},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.why);
        reports_.clear();
        radsim::inject_fault("cmi_req_resp", 1, not_responding, r.effect);
        command cmd;
        const outcome result = cmd.run(r.handler);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, r.out);
        EXPECT_TRUE(reports_.empty()) << "nothing is sent";
        EXPECT_EQ(calls_of("cmd_paraminfo_to_rxhandle_free"), 1u);
        radsim::clear_call_log();
    }
}

TEST_F(distr, distribution_status_tag_sets_by_command) {
    const std::vector<uint32_t> tags_502 = {TAG_DISTR_DISTRIBUTION, TAG_DISTR_SESSION_ONGOING, TAG_DISTR_SESSION_OWNER,
                                            TAG_DISTR_SESSION_DB,   TAG_DISTR_LAST_OPERATION,    TAG_DISTR_LAST_OPERATION_STATUS};
    const std::vector<uint32_t> tags_503 = {TAG_FABRIC_DISTRIBUTION,  TAG_FABRIC_SESSION_ONGOING,
                                            TAG_FABRIC_SESSION_OWNER, TAG_FABRIC_SESSION_DB,
                                            TAG_FABRIC_LAST_OPERATION, TAG_FABRIC_LAST_OPERATION_STATUS};
    struct row {
        uint32_t command_id;
        std::vector<uint32_t> tags;
    };
    const row rows[] = {{502, tags_502}, {503, tags_503}, {500, std::vector<uint32_t>(6, 0)}, {0, std::vector<uint32_t>(6, 0)}};
    for (const row &r : rows) {
        SCOPED_TRACE(r.command_id);
        reports_.clear();
        radsim::set_command_id(r.command_id);
        command cmd;
        EXPECT_EQ(cmd.run(radius_new_qds_distr_status).status, 0);
        EXPECT_EQ(reported_tags(), r.tags);
    }
}

// Lines split at runs of newlines; a value is all after the first colon.
TEST_F(distr, state_lines) {
    radsim::distribution().state_text = "Dist: on\n\n\nSession:yes: really\nno colon here\n";
    radsim::distribution().last_op = {DISTR_ACTION_COMMIT, DISTR_RESULT_PARTIAL_SUCCESS, radsim::distr_err_peer_unreachable,
                                      1, 0, 0};
    command status;
    const outcome shown = status.run(radius_new_qds_distr_status);
    EXPECT_EQ(reports_text(),
              "distribution :  on\nsession ongoing: yes: really\nsession owner: \nsession db: \n\n"
              "last operation: commit\nlast operation status: invalid result code\n");
    EXPECT_EQ(shown.out, "") << "partial success has no failure line";
    reports_.clear();
    command internal;
    EXPECT_EQ(internal.run(radius_qds_distr_show_internal).status, 0);
    EXPECT_EQ(reports_text(), "distribution :  on\nsession ongoing: yes: really\nsession db: \nMerge status: \n\n");
}

TEST_F(distr, failed_operation_line_goes_to_the_terminal) {
    radsim::distribution().last_op = {DISTR_ACTION_COMMIT, DISTR_RESULT_FAIL, radsim::distr_err_peer_unreachable, 1, 0, 0};
    command cmd;
    EXPECT_EQ(cmd.run(radius_new_qds_distr_status).out,
              "last operation failed due to: Fabric distribution: a peer switch could not be reached\n");
    EXPECT_NE(reports_text().find("last operation status: failed\n"), std::string::npos);
}

TEST_F(distr, state_and_merge_failures) {
    struct row {
        const char *why;
        radius_handler_fn handler;
        int32_t code;
        std::string out;
    };
    const std::string state_closing = "could not show  RADIUS qds state \n";
    const std::string merge_closing = "could not show  RADIUS qds merge status \n";
    const row rows[] = {
        {"state, with a code", radius_new_qds_distr_status, not_responding,
         "radius_qds_distr_show_internal: cmi error 1084030984\n" + std::string(not_responding_text) + state_closing},
        {"internal state, without a code", radius_qds_distr_show_internal, -3, state_closing},
        {"merge, with a code", radius_new_qds_merge_status, not_responding,
         "cmi error 1084030984\n" + std::string(not_responding_text) + merge_closing},
        {"merge, without a code", radius_new_qds_merge_status, -3, merge_closing},
    };
    for (const row &r : rows) {
        SCOPED_TRACE(r.why);
        radsim::inject_fault(control_call, 1, r.code);
        command cmd;
        const outcome result = cmd.run(r.handler);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, r.out);
        EXPECT_TRUE(reports_.empty());
    }
}

TEST_F(distr, code_words) {
    const std::vector<std::string> actions = {"invalid action", "none", "enable", "disable", "commit", "abort", "clear",
                                              "invalid action"};
    for (uint32_t code = 0; code < actions.size(); ++code) EXPECT_EQ(qdsActionToString(code), actions[code]) << code;
    const std::vector<std::string> results = {"invalid result code", "none", "success", "failed", "inProgress",
                                              "invalid result code"};
    for (int32_t code = 0; code < static_cast<int32_t>(results.size()); ++code) {
        EXPECT_EQ(qdsResultToString(code), results[static_cast<size_t>(code)]) << code;
    }
    EXPECT_STREQ(qdsResultToString(-1), "invalid result code");
    EXPECT_STREQ(distr_action_names[5], "Clear");
    EXPECT_STREQ(distr_result_names[4], "Partial Success");
}

// ---- pending and difference texts --------------------------------------------------

// A text handler refused: status 1, the text said, and `check` holds.
struct text_refusal {
    const char *why;
    std::function<void()> arrange;
    std::string out;
};

template <size_t N>
void expect_refusals(radius_handler_fn handler, const text_refusal (&rows)[N], const std::function<void()> &check) {
    for (const text_refusal &r : rows) {
        SCOPED_TRACE(r.why);
        radsim::reset();
        r.arrange();
        command cmd;
        const outcome result = cmd.run(handler);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, r.out);
        check();
    }
}

TEST_F(distr, text_refusals) {
    const text_refusal rows[] = {
        {"the flag never written", [] {}, "RADIUS qds distribution not yet enabled\n"},
        {"the flag off", [] { radsim::seed_item(RADIUS_ITEM_DISTRIBUTION, 0); }, "RADIUS qds distribution not yet enabled\n"},
        {"the flag unreadable", [] { radsim::inject_fault("cmi_radius_new_enable_info_config", 1, not_responding); },
         "could not read qds enabled flag from pss\n"},
        {"no pending copy: the store's text alone", [] { radsim::seed_item(RADIUS_ITEM_DISTRIBUTION, 1); }, no_pending_text},
        {"the pending global unreadable",
         [] { open_session_with({}); radsim::inject_fault("cmi_radius_new_global_config", 1, not_responding); },
         std::string(not_responding_text) + "could not retrieve RADIUS global configuration\n"},
    };
    for (radius_handler_fn handler : {radius_new_qds_pending_asciigen, radius_new_qds_diff_asciigen}) {
        expect_refusals(handler, rows,
                        [] { EXPECT_EQ(calls_of("radius_new_pss_asciigen") + calls_of("vsh_set_redir2buf"), 0u); });
    }
}

// Groups come from the running configuration, their members by host
// from the pending one.
TEST_F(distr, pending_text_has_keys_and_groups) {
    radius_server_cfg keyed{};
    std::strcpy(keyed.host, "r");
    std::strcpy(keyed.key, "t38OI");
    keyed.key_type = RADIUS_KEY_TYPE7;
    keyed.authentication = 1;
    radsim::seed_server(keyed);
    open_session_with({"a"});
    radtest::seed_group("G1", {1});
    command cmd;
    EXPECT_EQ(cmd.run(radius_new_qds_pending_asciigen).status, 0);
    EXPECT_EQ(radsim::take_shell_buffer(),
              "radius-server host r key 7 t38OI authentication \n"
              "radius-server host a authentication accounting \naaa group server radius G1 \nserver r \n");
}

TEST_F(distr, difference_from_an_empty_running_configuration) {
    open_session_with({"a"});
    command cmd;
    const outcome result = cmd.run(radius_new_qds_diff_asciigen);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "@@ -1,0 +1,1 @@\n+radius-server host a authentication accounting \n");
    const auto &log = radsim::call_log();
    const auto diff = std::find_if(log.begin(), log.end(), [](const auto &call) { return call.name == "vsh_diff"; });
    ASSERT_NE(diff, log.end());
    EXPECT_EQ(diff->args, "before=(null) after=48");
}

TEST_F(distr, difference_failures) {
    const text_refusal rows[] = {
        {"both texts empty", [] { open_session_with({}); }, no_pending_text},
        // The third global read is the pending rendering's: the running
        // text captured before it must be released.
        {"the pending rendering fails",
         [] { open_session_with({"a"}); radtest::seed_server("r");
              radsim::inject_fault("cmi_radius_new_global_config", 3, not_responding); },
         std::string(not_responding_text) + "could not retrieve RADIUS global configuration\n" + not_responding_text +
             "could not read RADIUS pending configuration\n"},
        {"the running rendering fails",
         [] { open_session_with({"a"}); radsim::inject_fault("cmi_radius_new_global_config", 2, not_responding); },
         std::string(not_responding_text) + "could not retrieve RADIUS global configuration\n" + not_responding_text +
             "could not read RADIUS running configuration\n"},
    };
    expect_refusals(radius_new_qds_diff_asciigen, rows, [] {
        EXPECT_EQ(calls_of("vsh_diff"), 0u);
        EXPECT_FALSE(radsim::capture_active());
    });
}

// ---- the service across the fabric -------------------------------------------------

TEST_F(distr, commit_with_one_peer_unreachable_is_a_partial_success) {
    open_session_with({"a", "b"});
    radsim::distribution().peers = {{"leaf-2", true, {}}, {"leaf-3", false, {}}};
    command listing;
    const std::string pending_text = listing.run(radius_qds_distr_show_pending).out;
    command commit;
    EXPECT_EQ(commit.run(radius_qds_distr_commit).status, 0);

    const radsim::stored_config after = radsim::stored();
    EXPECT_FALSE(after.pending.has_value());
    EXPECT_EQ(radsim::find_fabric_peer("leaf-2")->running, after.running);
    EXPECT_FALSE(radsim::find_fabric_peer("leaf-3")->running.has_value());
    const radsim::distribution_last_op &op = radsim::distribution().last_op;
    EXPECT_EQ(op.action, DISTR_ACTION_COMMIT);
    EXPECT_EQ(op.result, DISTR_RESULT_PARTIAL_SUCCESS);
    EXPECT_EQ(op.failure_reason, radsim::distr_err_peer_unreachable);

    command running;
    EXPECT_EQ(radius_new_pss_asciigen(running.info(), 0, 1), 0);
    EXPECT_EQ(radsim::take_shell_buffer(), pending_text) << "the running configuration is the pending text shown";
}

}  // namespace
