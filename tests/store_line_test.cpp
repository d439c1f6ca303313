// A command line is one change, on either store backend: a group line with
// more members than one parameter block carries reaches the handler in
// several calls, and a call that fails must undo the calls before it, in
// the records and in the distribution session alike.  A line run inside a
// unit of work (the lines of a startup configuration) undoes only itself.
// A database file is opened again to check what it holds, not what the
// process remembers.  Only the group command is ever split, which keeps the
// undo of the store's tables and session enough.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>

#include "shell/session.hpp"
#include "sim/radsim.h"
#include "tests/support/command.hpp"
#include "tests/support/temp_folder.hpp"

namespace radius::shell {
namespace {

enum class backend { memory, file };

void PrintTo(backend kind, std::ostream *os) { *os << (kind == backend::memory ? "memory" : "file"); }

const std::string not_found =
    "specified RADIUS server not found, first configure it using radius-server host ... and then retry\n";
const std::string not_member = "server not present in server-group\n";
const std::string undone = "% Nothing of this line was applied.\n";

// " server 10.1.0.first ... server 10.1.0.last", as a saved group line lists members.
std::string members(int first, int last) {
    std::string words;
    for (int i = first; i <= last; ++i) words += " server 10.1.0." + std::to_string(i);
    return words;
}

class store_line : public radtest::handler_test, public ::testing::WithParamInterface<backend> {
protected:
    void SetUp() override {
        handler_test::SetUp();
        if (GetParam() == backend::file) {
            if (!radsim::sqlite_backend_built()) GTEST_SKIP() << "this build keeps its store in memory";
            radsim::use_store_file(file_);
        }
        // The store's limit of 64 servers, all configured: no line can add one.
        radsim::atomically([] {
            radsim::load_factory_defaults();
            for (int i = 1; i <= 64; ++i) {
                radius_server_cfg server{};
                const std::string host = "10.1.0." + std::to_string(i);
                std::memcpy(server.host, host.data(), host.size());
                server.authentication = server.accounting = 1;
                radsim::seed_server(server);
            }
        });
        run("configure");
    }

    void TearDown() override {
        radsim::use_memory_store();  // closes the file before its folder goes
        handler_test::TearDown();
    }

    struct line_outcome {
        bool worked;
        std::string out;
    };

    line_outcome run(const std::string &line) {
        radsim::stdout_capture capture;
        const bool worked = session_.run_line(line, true);
        return {worked, capture.finish()};
    }

    // What the store holds, read back from the file when there is one.
    radsim::stored_config kept() {
        if (GetParam() == backend::file) radsim::use_store_file(file_);
        return radsim::stored();
    }

    radtest::temp_folder folder_;
    const std::string file_ = folder_.file("store.db");
    handler_library library_{RADSH_LIBRARY};
    session session_{library_, {}};
};

TEST_P(store_line, a_split_line_that_fails_keeps_none_of_its_calls) {
    ASSERT_TRUE(run("aaa group server radius lab server 10.1.0.64").worked);
    run("exit");
    const radsim::stored_config before = radsim::stored();
    const struct {
        const char *why;
        std::string line;
        std::string printed;
    } cases[] = {
        {"a new group whose 64th member is no server",
         "aaa group server radius half" + members(1, 63) + " server 10.9.9.9", not_found + undone},
        {"a group filled by the first call, its old member named again in the second",
         "aaa group server radius lab" + members(1, 64), "RADIUS group already contains the server\n" + undone},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        const line_outcome result = run(c.line);
        EXPECT_FALSE(result.worked);
        EXPECT_EQ(result.out, c.printed);
        EXPECT_EQ(session_.current_mode(), mode::configure) << "a failed line enters no submode";
    }
    EXPECT_EQ(kept(), before);
}

TEST_P(store_line, a_split_no_form_that_fails_on_its_last_member_removes_none) {
    const line_outcome whole = run("aaa group server radius whole" + members(1, 64));
    ASSERT_TRUE(whole.worked) << whole.out;
    EXPECT_EQ(radsim::stored().running.groups.at("whole").member_count, 64);
    run("exit");
    const radsim::stored_config before = radsim::stored();
    // 10.1.0.1 is gone by the time the second call asks for it again.
    const line_outcome result = run("no aaa group server radius whole" + members(1, 63) + " server 10.1.0.1");
    EXPECT_FALSE(result.worked);
    EXPECT_EQ(result.out, not_member + undone);
    EXPECT_EQ(kept(), before);
}

// The first call opens a distribution session; undoing the line closes it
// again, owner and all, and the shell does not announce it.
TEST_P(store_line, a_session_a_failed_line_opened_is_undone_with_it) {
    radsim::seed_item(RADIUS_ITEM_DISTRIBUTION, 1);
    const radsim::stored_config before = radsim::stored();
    const line_outcome result = run("aaa group server radius half" + members(1, 63) + " server 10.9.9.9");
    EXPECT_EQ(result.out, not_found + undone);
    EXPECT_EQ(radsim::session_owner(), "");
    EXPECT_EQ(kept(), before);
}

TEST_P(store_line, a_line_inside_a_unit_undoes_itself_and_not_what_came_before) {
    radsim::atomically([this] {
        EXPECT_TRUE(run("radius-server deadtime 7").worked);
        EXPECT_FALSE(run("aaa group server radius half" + members(1, 63) + " server 10.9.9.9").worked);
        EXPECT_TRUE(run("aaa group server radius after server 10.1.0.5").worked);
    });
    const radsim::stored_config after = kept();
    EXPECT_EQ(after.running.global.deadtime, 7u);
    EXPECT_FALSE(after.running.groups.contains("half"));
    ASSERT_TRUE(after.running.groups.contains("after"));
    EXPECT_EQ(after.running.groups.at("after").member_count, 1);
}

// Only a command whose calls all carry a context parameter can be split
// (more parameters without one are refused), and only the group command has
// one.  Its calls change nothing outside the store's tables and session,
// which the line's undo covers; a command that joins it here must undo
// whatever else it changes.
TEST(store_line_split, only_the_group_command_is_split) {
    for (const command_def &def : command_table()) {
        if (def.context_id == no_param) continue;
        EXPECT_EQ(def.handler, "config_radius_new_server_group") << "a split command whose undo is unproved";
    }
}

INSTANTIATE_TEST_SUITE_P(backends, store_line, ::testing::Values(backend::memory, backend::file),
                         [](const ::testing::TestParamInfo<backend> &info) { return ::testing::PrintToString(info.param); });

}  // namespace
}  // namespace radius::shell
