// radsh at a terminal: a pseudo-terminal drives it as a user's keyboard
// would, so that the keys reach the line editor (or, in the build without
// one, the terminal's own line discipline) as they do for a user.  Covered:
// Ctrl-C drops the line being typed, Ctrl-Z returns to exec mode, Ctrl-D
// leaves a mode and ends the session only in exec mode with status 0, "?"
// in a submode lists the submode's words before configuration mode's, and
// the pager takes a long display until "terminal length 0", and a save over
// an existing file asks first.  Every wait is
// bounded; a shell that hangs fails the test instead of stalling it.
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "tests/support/radsh_process.hpp"

namespace {

// Long enough for the shell under the cross emulator.
constexpr auto patience = std::chrono::seconds(30);

class terminal_session : public ::testing::Test {
protected:
    void SetUp() override {
        // Marks every line the pager shows.
        setenv("PAGER", "sed s/^/paged:/", 1);
        child_ = forkpty(&terminal_, nullptr, nullptr, nullptr);
        ASSERT_GE(child_, 0);
        if (child_ == 0) radtest::exec_radsh({});
        ASSERT_TRUE(wait_for("switch# "));
    }

    void TearDown() override {
        if (child_ > 0 && !exited_) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
        if (terminal_ >= 0) close(terminal_);
    }

    // A control key goes to the line editor only once it has the terminal in
    // hand (no canonical mode), which may be a moment after the prompt shows;
    // typed before, the terminal's line discipline would read it.  The build
    // without a line editor keeps canonical mode: after a while, type anyway.
    void type_key(char key) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        termios mode{};
        while (tcgetattr(terminal_, &mode) == 0 && (mode.c_lflag & ICANON) != 0 &&
               std::chrono::steady_clock::now() < deadline) {
            usleep(10000);
        }
        type(std::string(1, key));
    }

    void type(const std::string &keys) {
        seen_.clear();
        ASSERT_EQ(write(terminal_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }

    // Reads until `text` was seen since the last type(); false at the deadline.
    bool wait_for(const std::string &text) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (seen_.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd ready{terminal_, POLLIN, 0};
            if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) return false;
            char buffer[4096];
            const ssize_t got = read(terminal_, buffer, sizeof buffer);
            if (got <= 0) return false;
            seen_.append(buffer, static_cast<size_t>(got));
        }
        return true;
    }

    // Types a line and waits for the prompt that follows its output.
    std::string run(const std::string &line, const std::string &prompt) {
        type(line + "\r");
        EXPECT_TRUE(wait_for(prompt)) << line << "\n" << seen_;
        return seen_;
    }

    // The exit status once the shell has ended, or -1 at the deadline.
    int exit_status() {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        int status = 0;
        while (waitpid(child_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) return -1;
            char buffer[256];
            if (read(terminal_, buffer, sizeof buffer) < 0) usleep(10000);
        }
        exited_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int terminal_ = -1;
    pid_t child_ = -1;
    bool exited_ = false;
    std::string seen_;
};

TEST_F(terminal_session, ctrl_c_drops_the_line_being_typed) {
    run("configure", "switch(config)# ");
    type("radius-server timeout 9");
    type_key('\x03');
    ASSERT_TRUE(wait_for("switch(config)# ")) << seen_;
    const std::string shown = run("do show running-config radius", "switch(config)# ");
    EXPECT_EQ(shown.find("timeout 9"), std::string::npos) << shown;
    EXPECT_NE(run("radius-server timeout 8", "switch(config)# ").find("switch(config)# "), std::string::npos);
    EXPECT_NE(run("do show running-config radius", "switch(config)# ").find("radius-server timeout 8"),
              std::string::npos)
        << seen_;
}

TEST_F(terminal_session, ctrl_z_returns_to_exec_mode_from_a_submode) {
    run("configure", "switch(config)# ");
    run("aaa group server radius G1", "switch(config-radius)# ");
    type_key('\x1a');
    EXPECT_TRUE(wait_for("switch# ")) << seen_;
}

TEST_F(terminal_session, ctrl_d_leaves_one_mode_at_a_time_and_ends_the_session_in_exec_mode) {
    run("configure", "switch(config)# ");
    run("aaa group server radius G1", "switch(config-radius)# ");
    run("radius-server timeout 61", "switch(config-radius)# ");  // a typo: the session still ends well
    type_key('\x04');
    ASSERT_TRUE(wait_for("switch(config)# ")) << seen_;
    type_key('\x04');
    ASSERT_TRUE(wait_for("switch# ")) << seen_;
    type_key('\x04');
    EXPECT_EQ(exit_status(), 0);
}

TEST_F(terminal_session, help_in_a_submode_lists_its_words_then_configuration_modes) {
    run("configure", "switch(config)# ");
    run("aaa group server radius G1", "switch(config-radius)# ");
    // The line editor answers "?" at once, the terminal's own line discipline
    // at the end of the line.
    type("?\r");
    ASSERT_TRUE(wait_for("radius-server")) << seen_;
    ASSERT_TRUE(wait_for("switch(config-radius)# ")) << seen_;
    const size_t own = seen_.find("rdeadtime");
    const size_t outer = seen_.find("radius-server");
    ASSERT_NE(own, std::string::npos) << seen_;
    EXPECT_LT(own, outer) << seen_;
}

TEST_F(terminal_session, a_display_longer_than_a_page_goes_through_the_pager_until_paging_is_off) {
    run("terminal length 3", "switch# ");
    EXPECT_NE(run("show radius-server", "switch# ").find("paged:"), std::string::npos) << seen_;
    EXPECT_EQ(run("show radius-server | no-more", "switch# ").find("paged:"), std::string::npos) << seen_;
    run("terminal length 0", "switch# ");
    const std::string shown = run("show radius-server", "switch# ");
    EXPECT_EQ(shown.find("paged:"), std::string::npos) << shown;
    EXPECT_NE(shown.find("retransmission count"), std::string::npos) << shown;
}

// The store this fixture's shell keeps is the user's own, which other cases
// read: the case saves without configuring anything.
TEST_F(terminal_session, a_save_over_an_existing_file_asks_and_overwrites_only_after_yes) {
    const radtest::temp_folder folder;
    const std::string file = folder.file("saved.cfg"), question = "Overwrite " + file + "? [y/N] ";
    radtest::write_text(file, "old\n");
    run("copy running-config " + file, question);
    EXPECT_NE(run("n", "switch# ").find("% Not saved: " + file + " was left as it is."), std::string::npos) << seen_;
    EXPECT_EQ(radtest::file_text(file), "old\n");
    run("copy running-config " + file, question);
    EXPECT_NE(run("y", "switch# ").find("Saved the running configuration to " + file + "."), std::string::npos)
        << seen_;
    EXPECT_NE(radtest::file_text(file), "old\n");
    // A new file needs no answer.
    const std::string fresh = folder.file("fresh.cfg");
    EXPECT_NE(run("copy running-config " + fresh, "switch# ").find("Saved the running configuration to " + fresh + "."),
              std::string::npos)
        << seen_;
}

}  // namespace
