// How the shell reads and writes files, and what it shows of the lines it
// was given:
// - the bounded line reader: lines up to the bound, a longer one stops the
//   input with its number, a last line without a newline;
// - the secret mask: which words hide, and where a caret lands after them;
// - radsh as a process: a folder, a FIFO, a device or an unreadable
//   startup configuration is refused with its reason and a nonzero status,
//   never read (a FIFO never waits for a writer); /dev/zero on standard
//   input stops at once; a save replaces a link instead of following it,
//   never opens a name planted beside its target, and on a full disk or in
//   a folder it may not write says why and leaves the old file whole;
// Every radsh runs under a timer: a shell that hangs or reads without end
// fails its case instead of stalling the suite.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "shell/input_limits.hpp"
#include "shell/line_reader.hpp"
#include "shell/secret_mask.hpp"
#include "sim/radsim.h"
#include "tests/support/radsh_process.hpp"

namespace radius::shell {
namespace {

using radtest::as_nobody;
using radtest::file_text;
using radtest::last_line;
using radtest::temp_folder;
using radtest::write_text;

// ---- the reader --------------------------------------------------------------

struct read_outcome {
    std::vector<std::string> lines;
    std::string failure;
};

read_outcome read_all(const temp_folder &folder, const std::string &text) {
    write_text(folder.file("input"), text);
    opened_file opened = open_regular_file(folder.file("input"));
    line_reader reader(opened.fd.get(), "input");
    read_outcome out;
    while (const std::optional<std::string> line = reader.next()) out.lines.push_back(*line);
    out.failure = reader.failure();
    return out;
}

TEST(line_reader, reads_lines_up_to_the_bound_and_stops_at_a_longer_one) {
    const std::string longest(max_line_length, 'x');
    const std::string too_long = longest + "y";
    const std::string stopped = "line 2 of input is longer than " + std::to_string(max_line_length) +
                                " characters: input was read no further";
    struct row {
        const char *why;
        std::string text;
        std::vector<std::string> lines;
        std::string failure;
    };
    const row rows[] = {
        {"a last line without its newline still counts", "a\n\nb", {"a", "", "b"}, ""},
        {"nothing is no line", "", {}, ""},
        {"a line at the bound, across several reads", "a\n" + longest + "\nb\n", {"a", longest, "b"}, ""},
        // Bad: one character over the bound, even on the last line without a newline.
        {"over the bound, last", "a\n" + too_long, {"a"}, stopped},
        // Bad: what follows a refused line is not read, even short lines.
        {"over the bound, then more", "a\n" + too_long + "\nb\n", {"a"}, stopped},
    };
    const temp_folder folder;
    for (const row &r : rows) {
        const read_outcome got = read_all(folder, r.text);
        EXPECT_EQ(got.lines, r.lines) << r.why;
        EXPECT_EQ(got.failure, r.failure) << r.why;
    }
}

// ---- the mask ----------------------------------------------------------------

TEST(secret_mask, hides_the_word_after_a_secret_keyword_and_keeps_the_rest) {
    struct row {
        std::string line;
        mode in;
        std::string shown;
    };
    const row rows[] = {
        {"radius-server key S trailing", mode::configure, "radius-server key ******** trailing"},
        {"radius-server host h KEY 7 S timeout 5", mode::configure, "radius-server host h KEY 7 ******** timeout 5"},
        {"radius-server host h k 0 S", mode::configure, "radius-server host h k 0 ********"},
        // A key that is itself a digit is the secret; "5" is no form, so both go.
        {"radius-server key 4", mode::configure, "radius-server key ********"},
        {"radius-server key 7", mode::configure, "radius-server key 7"},  // a form without its key
        {"! the key is Secret", mode::configure, "! the key is Secret"},   // a comment runs nothing
        {"radius-server key 5 S", mode::configure, "radius-server key ******** ********"},
        {"radius-server test username u pas S", mode::configure, "radius-server test username u pas ********"},
        // The user "key" hides "password", which hides the password.
        {"radius-server test username key password S", mode::configure,
         "radius-server test username key ******** ********"},
        {"client h server-k 6 X9 vrf v", mode::dynamic_author, "client h server-k 6 ******** vrf v"},
        {"serv S", mode::dynamic_author, "serv ********"},
        // A group's member is no secret; "server-" can only start "server-key".
        {"server 10.0.0.1", mode::server_group, "server 10.0.0.1"},
        {"server- S", mode::server_group, "server- ********"},
        {"test aaa server radius h user S", mode::exec, "test aaa server radius h user ********"},
        {"do te aaa gr g user S extra", mode::configure, "do te aaa gr g user ******** ********"},
        {"show running-config radius all | include key", mode::exec, "show running-config radius all | include key"},
    };
    for (const row &r : rows) EXPECT_EQ(masked(r.line, r.in), r.shown) << r.line;
}

TEST(secret_mask, moves_an_offset_by_what_the_masks_before_it_changed) {
    const std::string line = "radius-server key ab x";  // "ab" at 18, "x" at 21
    const masked_line hidden(line, mode::configure);
    ASSERT_EQ(hidden.text(), "radius-server key ******** x");
    EXPECT_EQ(hidden.offset(14), 14u);  // before the mask
    EXPECT_EQ(hidden.offset(18), 18u);  // the masked word's start
    EXPECT_EQ(hidden.offset(19), 18u);  // inside it
    EXPECT_EQ(hidden.offset(21), 27u);  // after it, moved by 8 - 2
    EXPECT_EQ(hidden.offset(line.size()), hidden.text().size());
}

// ---- radsh as a process ------------------------------------------------------

using radtest::launch;
using radtest::radsh;
using radtest::ran;

const std::string memory[] = {"--store", ":memory:"};

std::vector<std::string> in_memory(std::vector<std::string> args) {
    args.insert(args.begin(), std::begin(memory), std::end(memory));
    return args;
}

TEST(radsh_input, what_cannot_be_read_is_refused_with_its_reason_and_a_nonzero_status) {
    const temp_folder folder;
    const std::string dir = folder.path().string(), fifo = folder.file("fifo");
    const std::string wide = folder.file("wide.cfg"), wide_commands = folder.file("wide.commands");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string wide_lines = "radius-server timeout 7\nradius-server key " + std::string(max_line_length, 'k') + "\n";
    write_text(wide, wide_lines);
    write_text(wide_commands, "configure\n" + wide_lines);
    const std::string bound = std::to_string(max_line_length);
    struct row {
        const char *why;
        launch how;
        int status;
        std::string out;  // its last line
        std::string err;  // its last line
    };
    const row rows[] = {
        {"a folder as the file of commands", {in_memory({dir})}, 2, "", "radsh: cannot read " + dir + ": Is a directory"},
        {"a FIFO as the file of commands", {in_memory({fifo})}, 2, "", "radsh: cannot read " + fifo + ": not a regular file"},
        {"a folder copied in", {in_memory({"-c", "copy " + dir + " running-config"})}, 1,
         "% Cannot read " + dir + ": Is a directory", ""},
        {"a device copied in", {in_memory({"-c", "copy /dev/zero running-config"})}, 1,
         "% Cannot read /dev/zero: not a regular file", ""},
        {"a FIFO copied in", {in_memory({"-c", "copy " + fifo + " running-config"})}, 1,
         "% Cannot read " + fifo + ": not a regular file", ""},
        // The short line before the long one is applied; the long one ends the file.
        {"a line too long in a file copied in", {in_memory({"-c", "copy " + wide + " running-config"})}, 1,
         "1 lines applied, 0 failed", ""},
        {"a line too long in the file of commands", {in_memory({"--echo", wide_commands})}, 1,
         "% Line 3 of " + wide_commands + " is longer than " + bound + " characters: " + wide_commands +
             " was read no further",
         ""},
        // Endless bytes without a newline: stopped at once, not when memory runs out.
        {"/dev/zero on standard input", {.args = in_memory({}), .input = "", .input_file = "/dev/zero", .seconds = 10}, 1,
         "% Line 1 of standard input is longer than " + bound + " characters: standard input was read no further", ""},
    };
    for (const row &r : rows) {
        const ran got = radsh(folder, r.how);
        EXPECT_EQ(got.status, r.status) << r.why << "\n" << got.out << got.err;
        EXPECT_EQ(last_line(got.out), r.out) << r.why;
        EXPECT_EQ(last_line(got.err), r.err) << r.why;
    }
}

TEST(radsh_input, a_startup_configuration_that_cannot_be_read_stops_the_start_and_is_tried_again) {
    if (!radsim::sqlite_backend_built()) GTEST_SKIP() << "a startup configuration needs the store in a file";
    const temp_folder folder;
    const std::string store = folder.file("switch.db"), startup = folder.file("switch.startup-config");
    std::filesystem::create_directory(startup);
    const ran refused = radsh(folder, {{"--store", store, "-c", "show running-config radius"}});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.out, "% Cannot read " + startup + ": Is a directory\n");
    EXPECT_EQ(last_line(refused.err), "radsh: the store could not be given its first configuration: the startup "
                                      "configuration could not be read");
    std::filesystem::remove(startup);
    write_text(startup, "radius-server timeout 9\n");
    EXPECT_EQ(radsh(folder, {{"--store", store, "-c", "show running-config radius"}}).out,
              "1 lines applied, 0 failed\nradius-server timeout 9\n");
}

// ---- saves -------------------------------------------------------------------

const std::string old_text = "radius-server timeout 3\n";

std::vector<std::string> save_to(const std::string &file) {
    return in_memory({"-c", "configure; radius-server timeout 9; end; copy running-config " + file});
}

TEST(radsh_save, a_link_is_replaced_and_a_name_planted_beside_the_target_is_never_opened) {
    const temp_folder folder;
    const std::string target = folder.file("elsewhere"), link = folder.file("saved.cfg");
    write_text(target, old_text);
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    // A name a save of old used for its temporary file, planted as a link.
    ASSERT_EQ(symlink(target.c_str(), (link + ".new").c_str()), 0);
    const ran saved = radsh(folder, {save_to(link)});
    EXPECT_EQ(saved.status, 0) << saved.out;
    EXPECT_EQ(file_text(target), old_text) << "the link was followed";
    struct stat status {};
    ASSERT_EQ(lstat(link.c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode)) << "the link was not replaced";
    EXPECT_NE(file_text(link).find("radius-server timeout 9\n"), std::string::npos);
    std::vector<std::string> left;
    for (const auto &entry : std::filesystem::directory_iterator(folder.path())) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"elsewhere", "saved.cfg", "saved.cfg.new", "stderr", "stdin", "stdout"}))
        << "a temporary file was left";
}

// A disk with room for 100 bytes more; a write past it fails with EFBIG
// instead of killing the process.
void small_disk() {
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{100, 100};
    setrlimit(RLIMIT_FSIZE, &limit);
}

TEST(radsh_save, a_failed_write_says_why_and_leaves_the_old_file_whole) {
    struct row {
        const char *why;
        void (*in_child)();
        mode_t folder_mode;
        const char *reason;
    };
    const row rows[] = {
        {"a full disk", small_disk, 0755, "File too large"},
        {"a folder radsh may not write", as_nobody, 0555, "Permission denied"},
    };
    for (const row &r : rows) {
        const temp_folder folder;
        const std::string file = folder.file("saved.cfg");
        write_text(file, old_text);
        chmod(folder.path().c_str(), r.folder_mode);
        // Longer than the disk's room: ten servers with keys.
        std::string lines = "configure";
        for (int i = 1; i <= 10; ++i) lines += "; radius-server host 10.0.0." + std::to_string(i) + " key k" + std::to_string(i);
        launch how{in_memory({"-c", lines + "; end; copy running-config " + file})};
        how.in_child = r.in_child;
        // The outputs go where nobody may write them.
        const temp_folder outputs;
        chmod(outputs.path().c_str(), 0777);
        const ran got = radsh(outputs, how);
        EXPECT_EQ(got.status, 1) << r.why;
        EXPECT_EQ(last_line(got.out), "% Cannot write " + file + ": " + r.reason) << r.why << "\n" << got.out;
        EXPECT_EQ(file_text(file), old_text) << r.why;
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1) << r.why << ": left files";
    }
}

}  // namespace
}  // namespace radius::shell
