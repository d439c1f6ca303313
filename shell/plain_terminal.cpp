// The terminal without libedit (the target build): a prompt and a line
// reader on the terminal's own line editing.  "?" at the end of a line
// still lists what may come next.  The keys arrive as the terminal makes
// them: Ctrl-C and Ctrl-Z as signals that interrupt the read (the typed
// line is dropped with them), Ctrl-D on an empty line as the end of input.
#include <sys/select.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "shell/line_input.hpp"
#include "shell/terminal_output.hpp"

namespace radius::shell {

namespace {

volatile std::sig_atomic_t suspend_seen = 0;

void on_suspend(int) { suspend_seen = 1; }

class plain_terminal final : public line_source {
public:
    explicit plain_terminal(session &s) : session_(s) {
        s.use_terminal();
        catch_terminal_signals();
    }

    std::optional<std::string> read(const std::string &prompt) override {
        // Caught before the prompt shows: a key typed as soon as it does counts.
        const struct sigaction saved = catch_suspend();
        std::fputs(prompt.c_str(), stdout);
        std::fflush(stdout);
        const std::optional<std::string> line = read_line();
        sigaction(SIGTSTP, &saved, nullptr);
        return line;
    }

    bool shows_input() const override { return true; }

private:
    // Ctrl-Z while a line is read: a handler without SA_RESTART, so that the
    // read returns.
    static struct sigaction catch_suspend() {
        struct sigaction action{};
        struct sigaction saved{};
        action.sa_handler = on_suspend;
        sigemptyset(&action.sa_mask);
        sigaction(SIGTSTP, &action, &saved);
        return saved;
    }

    // Up to a newline; an interrupted read drops what was typed.
    std::optional<std::string> read_line() {
        for (;;) {
            if (const size_t end = pending_.find('\n'); end != std::string::npos) {
                std::string line = pending_.substr(0, end);
                pending_.erase(0, end + 1);
                return line;
            }
            if (!wait_for_input()) return interrupted_line();
            char buffer[512];
            const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (got > 0) {
                pending_.append(buffer, static_cast<size_t>(got));
            } else if (got < 0 && errno == EINTR) {
                return interrupted_line();
            } else {
                return end_of_input();
            }
        }
    }

    // False when Ctrl-C or Ctrl-Z came first, also before the wait began: the
    // two signals are held back from the test of their flags until pselect
    // lets them in, so that none slips between the test and the wait.
    static bool wait_for_input() {
        sigset_t held;
        sigset_t before;
        sigemptyset(&held);
        sigaddset(&held, SIGINT);
        sigaddset(&held, SIGTSTP);
        sigprocmask(SIG_BLOCK, &held, &before);
        bool ready = !interrupted() && suspend_seen == 0;
        if (ready) {
            fd_set input;
            FD_ZERO(&input);
            FD_SET(STDIN_FILENO, &input);
            ready = pselect(STDIN_FILENO + 1, &input, nullptr, nullptr, nullptr, &before) > 0;
        }
        sigprocmask(SIG_SETMASK, &before, nullptr);
        return ready;
    }

    // The terminal echoed the key ("^C", "^Z"); the line ends after it.
    std::string interrupted_line() {
        pending_.clear();
        std::fputc('\n', stdout);
        const bool suspended = suspend_seen != 0;
        suspend_seen = 0;
        clear_interrupt();
        return suspended ? suspend_line(session_) : std::string();
    }

    // Ctrl-D on an empty line; a line typed before it is run first.
    std::optional<std::string> end_of_input() {
        std::string line = pending_.empty() ? std::string(end_of_input_line) : pending_;
        pending_.clear();
        std::printf("%s\n", line == end_of_input_line ? end_of_input_line : "");
        return line;
    }

    session &session_;
    std::string pending_;
};

}  // namespace

std::unique_ptr<line_source> make_terminal_source(session &s) { return std::make_unique<plain_terminal>(s); }

}  // namespace radius::shell
