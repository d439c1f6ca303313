#include "shell/terminal_output.hpp"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace radius::shell {

namespace {

volatile std::sig_atomic_t interrupt_seen = 0;

void on_interrupt(int) { interrupt_seen = 1; }

// The screen's height less the prompt's line; 24 lines when unknown.
unsigned screen_page() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_row < 2) return 23;
    return static_cast<unsigned>(size.ws_row) - 1;
}

// The pager gets the text on its standard input; quitting it early closes
// the pipe, which must not end the shell (SIGPIPE ignored meanwhile).
void page(const std::string &text) {
    const char *pager = std::getenv("PAGER");
    const std::string command = pager != nullptr && *pager != '\0' ? pager : "less -FRX";
    std::fflush(stdout);
    struct sigaction ignore{};
    struct sigaction saved{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &saved);
    if (std::FILE *pipe = popen(command.c_str(), "w")) {
        std::fwrite(text.data(), 1, text.size(), pipe);
        pclose(pipe);
    } else {
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    sigaction(SIGPIPE, &saved, nullptr);
}

// Line by line, so that Ctrl-C stops a long display where it is.
void write_until_interrupted(const std::string &text) {
    size_t start = 0;
    while (start < text.size() && !interrupted()) {
        const size_t end = std::min(text.find('\n', start), text.size() - 1);
        std::fwrite(text.data() + start, 1, end + 1 - start, stdout);
        std::fflush(stdout);
        start = end + 1;
    }
    if (start < text.size()) std::fputs("^C\n", stdout);
}

}  // namespace

void catch_terminal_signals() {
    struct sigaction action{};
    action.sa_handler = on_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    struct sigaction ignore{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGTSTP, &ignore, nullptr);
}

bool interrupted() { return interrupt_seen != 0; }

void clear_interrupt() { interrupt_seen = 0; }

void show_on_terminal(const std::string &text, std::optional<unsigned> page_length) {
    const unsigned page_lines = page_length.value_or(screen_page());
    const auto lines = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
    if (page_lines != 0 && lines > page_lines && isatty(STDOUT_FILENO) != 0 && !interrupted()) {
        page(text);
    } else {
        write_until_interrupted(text);
    }
    std::fflush(stdout);
}

}  // namespace radius::shell
