// The store in a database file, as a switch's persistent store must behave:
// - a replay of 10,000 lines killed with SIGKILL at random lines leaves a
//   file that passes integrity_check and holds the state after a whole
//   prefix of the lines (each line is one transaction);
// - two shells share one file, each seeing the other's committed lines, and
//   a line that meets another process's lock waits, then fails whole;
// - a full disk fails the line whole and loses nothing committed;
// - files we must not write (read-only file or folder, not a database,
//   another program's database, damaged, a newer schema) are refused with a
//   clear message and left byte for byte as they were;
// - control bytes another program wrote into its texts reach the
//   terminal escaped;
// - a factory reset asks first; a store created afresh applies the saved
//   startup configuration.
// Every radsh here is a real process on a file in a temporary folder.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <iostream>
#include <random>
#include <sstream>

#include "shell/session.hpp"
#include "sim/radsim.h"
#include "tests/support/radsh_process.hpp"

namespace {

using radtest::file_text;
using radtest::temp_folder;
using radtest::write_text;

using radtest::last_line;
using radtest::ran;
using radtest::status_of;

// Runs radsh to its end with `input` on its standard input.
ran radsh(const temp_folder &folder, const std::vector<std::string> &args, const std::string &input = "",
          bool unprivileged = false) {
    return radtest::radsh(folder, {.args = args, .input = input, .in_child = unprivileged ? radtest::as_nobody : nullptr});
}

std::string sql_text(const std::string &path, const std::string &sql) {
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::string result;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const unsigned char *text = sqlite3_column_text(statement, 0);
            if (!result.empty()) result += '\n';
            if (text != nullptr) result += reinterpret_cast<const char *>(text);
        }
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

// ---- a killed replay ----------------------------------------------------------

// Servers, global settings, groups with their submode lines and monitoring
// entries, so that a prefix shows in every table.
std::vector<std::string> replay_lines(size_t count) {
    std::vector<std::string> lines{"configure"};
    for (size_t i = 1; lines.size() < count; ++i) {
        const std::string n = std::to_string(i), host = "10.1." + std::to_string(i / 5 % 16) + ".1";
        switch (i % 5) {
            case 0: lines.push_back("radius-server host " + host + " key k" + n + " timeout " + std::to_string(1 + i % 60)); break;
            case 1: lines.push_back("radius-server deadtime " + std::to_string(i % 1441)); break;
            case 2: lines.push_back("aaa group server radius g" + std::to_string(i % 7)); break;
            case 3: lines.push_back("rdeadtime " + std::to_string(i % 1441)); break;
            default: lines.push_back("radius-server host " + host + " test idle-time " + std::to_string(i % 1441)); break;
        }
    }
    return lines;
}

// Everything the store holds, as one number: equal stores, equal numbers.
size_t digest(const radsim::stored_config &c) {
    std::string bytes;
    auto add = [&bytes](const auto &record) { bytes.append(reinterpret_cast<const char *>(&record), sizeof record); };
    for (const radsim::config_tables *tables : {&c.running, c.pending ? &*c.pending : nullptr}) {
        if (tables == nullptr) continue;
        add(tables->global);
        for (const auto &[index, server] : tables->servers) add(server);
        for (const auto &[name, group] : tables->groups) add(group);
    }
    for (const auto &[item, value] : c.items) add(item), add(value);
    for (const auto &[id, entry] : c.monitor_entries) add(entry);
    return std::hash<std::string>{}(bytes);
}

// The store after each whole prefix of the first `count` lines, as a shell
// starting on a new store leaves it: [k] is the digest after k lines.  The
// lines run in this process, on SQLite's own memory (the same record
// encoding as a file).
std::vector<size_t> prefix_digests(const std::vector<std::string> &lines, size_t count) {
    radius::shell::handler_library library(RADSH_LIBRARY);
    radsim::reset();
    radsim::use_store_file(":memory:");
    radius::shell::session s(library, {});
    radsim::atomically([] { radsim::load_factory_defaults(); });
    std::vector<size_t> digests{digest(radsim::stored())};
    radsim::stdout_capture quiet;
    for (size_t line = 0; line < std::min(count, lines.size()); ++line) {
        s.run_line(lines[line], false);
        digests.push_back(digest(radsim::stored()));
    }
    quiet.finish();
    return digests;
}

// Starts radsh replaying `file`, reads its echo until `lines` lines have
// come, and kills it.  True when the kill found it still running.
bool replay_and_kill(const std::string &store, const std::string &file, size_t lines) {
    int pipe_ends[2];
    if (pipe(pipe_ends) != 0) return false;
    const pid_t child = fork();
    if (child == 0) {
        dup2(pipe_ends[1], 1);
        dup2(open("/dev/null", O_WRONLY), 2);
        close(pipe_ends[0]);
        radtest::exec_radsh({"--store", store, "--echo", file});
    }
    close(pipe_ends[1]);
    char buffer[4096];
    size_t seen = 0;
    for (ssize_t got; seen < lines && (got = read(pipe_ends[0], buffer, sizeof buffer)) > 0;) {
        seen += static_cast<size_t>(std::count(buffer, buffer + got, '\n'));
    }
    kill(child, SIGKILL);
    close(pipe_ends[0]);
    int wait_status = 0;
    waitpid(child, &wait_status, 0);
    return WIFSIGNALED(wait_status) && WTERMSIG(wait_status) == SIGKILL;
}

TEST(store_file, a_replay_killed_at_random_lines_leaves_a_whole_prefix) {
    const temp_folder folder;
    const std::vector<std::string> lines = replay_lines(10000);
    std::string text;
    for (const std::string &line : lines) text += line + "\n";
    write_text(folder.file("replay.cfg"), text);
    // Early points keep the run to seconds under the sanitizers, where the
    // shell takes about a millisecond a line; any point tests the same.  The
    // replay may run ahead of its echo we read by what the pipe holds.
    constexpr size_t last_kill = 1500, pipe_lead = 2000;
    const std::vector<size_t> digests = prefix_digests(lines, last_kill + pipe_lead);
    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    for (int point = 0; point < 4; ++point) {
        const size_t kill_at = std::uniform_int_distribution<size_t>(50, last_kill)(random);
        SCOPED_TRACE("seed " + std::to_string(seed) + ", killed after " + std::to_string(kill_at) + " echoed lines");
        const std::string store = folder.file("killed" + std::to_string(point) + ".db");
        ASSERT_TRUE(replay_and_kill(store, folder.file("replay.cfg"), kill_at)) << "the replay ended before the kill";
        EXPECT_EQ(sql_text(store, "PRAGMA integrity_check"), "ok");
        radsim::reset();
        radsim::use_store_file(store);
        const auto found = std::find(digests.begin(), digests.end(), digest(radsim::stored()));
        ASSERT_NE(found, digests.end()) << "the store holds no whole prefix of the lines";
        std::cout << "killed after " << kill_at << " echoed lines: the store holds the first "
                  << (found - digests.begin()) << " lines\n";
    }
    radsim::reset();
}

// ---- two shells ---------------------------------------------------------------

TEST(store_file, two_shells_writing_one_file_both_work_and_see_each_other) {
    const temp_folder folder;
    const std::string store = folder.file("shared.db");
    auto lines_of = [](const std::string &net) {
        std::string text = "configure\n";
        for (int i = 1; i <= 30; ++i) text += "radius-server host " + net + std::to_string(i) + "\nradius-server timeout " + std::to_string(i) + "\n";
        return text;
    };
    const temp_folder other;
    pid_t second = fork();
    if (second == 0) _exit(radsh(other, {"--store", store}, lines_of("10.3.0.")).status);
    const ran first = radsh(folder, {"--store", store}, lines_of("10.2.0."));
    int wait_status = 0;
    waitpid(second, &wait_status, 0);
    EXPECT_EQ(first.status, 0) << first.out;
    EXPECT_EQ(status_of(wait_status), 0);
    EXPECT_EQ(sql_text(store, "SELECT count(*) FROM servers WHERE copy = 'running'"), "60");
    EXPECT_EQ(sql_text(store, "PRAGMA integrity_check"), "ok");
}

TEST(store_file, a_line_that_meets_another_process_lock_waits_then_fails_whole) {
    const temp_folder folder;
    const std::string store = folder.file("locked.db");
    ASSERT_EQ(radsh(folder, {"--store", store, "-c", "configure; radius-server timeout 3"}).status, 0);
    sqlite3 *holder = nullptr;
    sqlite3_open(store.c_str(), &holder);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

    const auto start = std::chrono::steady_clock::now();
    const ran blocked = radsh(folder, {"--store", store, "--store-wait", "300", "--echo", "-c",
                                       "configure; radius-server timeout 9; end; show running-config radius"});
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(600)) << "two lines waited";
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.out, "switch# configure\n"
                           "switch(config)# radius-server timeout 9\n"
                           "% Not applied: the store " + store + " is locked by another process (waited 300 ms).\n"
                           "% Command failed.\n"
                           "switch(config)# end\n"
                           "switch# show running-config radius\n"
                           "% Not applied: the store " + store + " is locked by another process (waited 300 ms).\n"
                           "% Command failed.\n");
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    const ran after = radsh(folder, {"--store", store, "-c", "show running-config radius"});
    EXPECT_EQ(after.out, "radius-server timeout 3\n");
}

// ---- bad storage ----------------------------------------------------------------

std::vector<std::string> run_lines(radius::shell::session &s, const std::vector<std::string> &lines) {
    std::vector<std::string> outputs;
    for (const std::string &line : lines) {
        radsim::stdout_capture capture;
        s.run_line(line, false);
        outputs.push_back(capture.finish());
    }
    return outputs;
}

TEST(store_file, a_full_disk_fails_the_line_whole_and_loses_nothing) {
    const temp_folder folder;
    const std::string store = folder.file("full.db");
    radius::shell::handler_library library(RADSH_LIBRARY);
    radsim::reset();
    radsim::use_store_file(store);
    const auto pages = std::stoul(sql_text(store, "PRAGMA page_count"));
    radsim::use_store_file(store, {.max_page_count = static_cast<uint32_t>(pages + 1)});
    radius::shell::session s(library, {});
    run_lines(s, {"configure"});
    const std::string key(63, 'k');
    radsim::stored_config before;
    std::string refusal;
    for (int i = 1; i <= 64 && refusal.empty(); ++i) {
        before = radsim::stored();
        const std::string out = run_lines(s, {"radius-server host 10.5.0." + std::to_string(i) + " key " + key})[0];
        if (!out.empty()) refusal = out;
    }
    EXPECT_EQ(last_line(refusal), "% Not applied: the store " + store +
                                      " is full (no room left on its disk, or its size limit reached).");
    EXPECT_EQ(radsim::stored(), before) << "the failed line changed the store";
    EXPECT_EQ(run_lines(s, {"radius-server timeout 9"})[0], "") << "a line that needs no room still works";
    radsim::reset();
    radsim::use_store_file(store);
    EXPECT_EQ(sql_text(store, "PRAGMA integrity_check"), "ok");
    before.running.global.timeout = 9;
    EXPECT_EQ(radsim::stored(), before);
    radsim::reset();
}

struct refused_file {
    const char *name;
    std::function<void(const temp_folder &, const std::string &store)> make;
    const char *message;  // what radsh says, @ standing for the store's path
    bool unprivileged = false;
};

void make_store(const temp_folder &folder, const std::string &store) {
    ASSERT_EQ(radsh(folder, {"--store", store, "-c", "configure; radius-server host 10.0.0.1 key secret"}).status, 0);
}

// A page of the servers table written over with bytes no page starts with.
void damage(const temp_folder &folder, const std::string &store) {
    make_store(folder, store);
    const long page = std::stol(sql_text(store, "SELECT rootpage FROM sqlite_master WHERE name = 'servers'"));
    std::fstream file(store, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp((page - 1) * 4096);
    file << std::string(4096, '\x5a');
}

const refused_file refused_files[] = {
    {"text", [](const temp_folder &, const std::string &store) { write_text(store, "radius-server timeout 5\n"); },
     "@ is not a database; it was left as it is"},
    // Another program's tables: never taken for an empty store.
    {"foreign", [](const temp_folder &, const std::string &store) { sql_text(store, "CREATE TABLE t (x)"); },
     "@ is a database of another program, not a configuration store; it was left as it is"},
    {"damaged", damage, "the store @ is damaged (Page 4: btreeInitPage() returns error code 11); it was left as it is"},
    {"newer", [](const temp_folder &folder, const std::string &store) {
         make_store(folder, store);
         sql_text(store, "PRAGMA user_version = 2");
     }, "the store @ has schema version 2, newer than this program knows (1); it was left as it is"},
    {"read-only file", [](const temp_folder &folder, const std::string &store) {
         make_store(folder, store);
         chmod(store.c_str(), 0444);
     }, "the store @ cannot be written (a read-only file or folder); it was left as it is", true},
    {"read-only folder", [](const temp_folder &folder, const std::string &store) {
         make_store(folder, store);
         chown(store.c_str(), 65534, 65534);
         chmod(folder.path().c_str(), 0555);
     }, "the store @ cannot be written (a read-only file or folder); it was left as it is", true},
};

TEST(store_file, storage_that_cannot_serve_is_refused_with_a_reason_and_left_as_it_was) {
    for (const refused_file &row : refused_files) {
        SCOPED_TRACE(row.name);
        const temp_folder folder;
        chmod(folder.path().c_str(), 0755);  // nobody reaches the store
        const std::string store = folder.file("store.db");
        row.make(folder, store);
        const std::string bytes = file_text(store);
        const ran refused = radsh(folder, {"--store", store, "-c", "configure; radius-server timeout 9"}, "", row.unprivileged);
        EXPECT_EQ(refused.status, 2);
        EXPECT_EQ(refused.out, "");
        std::string message = row.message;
        message.replace(message.find('@'), 1, store);
        EXPECT_EQ(last_line(refused.err), "radsh: " + message);
        EXPECT_TRUE(file_text(store) == bytes) << "the file changed";
    }
}

// Another program wrote control bytes into the file's texts: the displays
// show them in caret notation, and no byte the terminal would obey (ESC,
// BEL, CR, DEL, ...) reaches the standard output.
TEST(store_file, control_bytes_in_stored_texts_reach_the_terminal_escaped) {
    const temp_folder folder;
    const std::string store = folder.file("store.db");
    ASSERT_EQ(radsh(folder, {"--store", store, "-c", "configure; aaa group server radius g1"}).status, 0);
    sql_text(store, "UPDATE server_groups SET name = 'a' || char(27) || '[2J' || char(7, 13, 127) || 'b' "
                    "WHERE name = 'g1'");
    const ran shown = radsh(folder, {"--store", store, "-c", "show radius-server groups; show running-config radius all; "
                                                              "show radius-server groups | include a"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("\tgroup a^[[2J^G^M^?b:\n"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("aaa group server radius a^[[2J^G^M^?b \n"), std::string::npos) << shown.out;
    for (const char c : shown.out) {
        const auto byte = static_cast<unsigned char>(c);
        EXPECT_TRUE(byte == '\t' || byte == '\n' || (byte >= 0x20 && byte != 0x7f)) << "byte " << int(byte) << " in output";
    }
}

// ---- start-up -----------------------------------------------------------------

TEST(store_file, a_factory_reset_asks_and_a_fresh_store_applies_the_startup_configuration) {
    const temp_folder folder;
    const std::string store = folder.file("switch.db");
    ASSERT_EQ(radsh(folder, {"--store", store, "-c", "configure; radius-server host 10.0.0.1; end; write memory; "
                                                      "configure; radius-server timeout 9"}).status, 0);
    EXPECT_EQ(file_text(folder.file("switch.startup-config")), "radius-server host 10.0.0.1 authentication accounting \n");

    const ran unasked = radsh(folder, {"--store", store, "--factory-reset", "-c", "show running-config radius"});
    EXPECT_EQ(unasked.status, 2);
    EXPECT_EQ(last_line(unasked.err), "radsh: a factory reset asks first: add --yes to confirm it without a terminal");
    EXPECT_EQ(radsh(folder, {"--store", store, "-c", "show running-config radius"}).out,
              "radius-server timeout 9\nradius-server host 10.0.0.1 authentication accounting \n");

    // The store lost (say, its disk replaced): a new one starts from the startup configuration.
    // (The warning and the summary are the startup configuration's own, as its line is applied.)
    std::filesystem::remove(store);
    EXPECT_EQ(radsh(folder, {"--store", store, "-c", "show running-config radius"}).out,
              "warning: no key is configured for the host\n1 lines applied, 0 failed\n"
              "radius-server host 10.0.0.1 authentication accounting \n");

    const ran reset = radsh(folder, {"--store", store, "--factory-reset", "--yes", "-c",
                                     "show running-config radius; show radius-server groups"});
    EXPECT_EQ(reset.out, "total number of groups:1\n\nfollowing RADIUS server groups are configured:\n"
                         "\tgroup radius:\n\t\tserver: all configured radius servers\n\t\tdeadtime is 0\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file("switch.startup-config")));
}

}  // namespace
