#include "shell/line_input.hpp"

#include <cctype>
#include <cstdio>

#include "shell/line_reader.hpp"
#include "shell/secret_mask.hpp"
#include "sim/radsim.h"

namespace radius::shell {

namespace {

class list_source final : public line_source {
public:
    explicit list_source(std::vector<std::string> lines) : lines_(std::move(lines)) {}
    std::optional<std::string> read(const std::string &) override {
        if (next_ == lines_.size()) return std::nullopt;
        return lines_[next_++];
    }
    bool shows_input() const override { return false; }

private:
    std::vector<std::string> lines_;
    size_t next_ = 0;
};

class stream_source final : public line_source {
public:
    stream_source(int fd, std::string name) : reader_(fd, std::move(name)) {}
    std::optional<std::string> read(const std::string &) override { return reader_.next(); }
    bool shows_input() const override { return false; }
    std::string failure() const override { return reader_.failure(); }

private:
    line_reader reader_;
};

// Runs a line read from a file or pipe and closes it, when it failed, with
// a status line of its own, so that a refusal that printed nothing still
// shows where it happened.  Its output is held until the line is done: a
// message may end no line, and the next prompt or the status line must
// start one.
bool run_and_report(session &s, const std::string &line, bool shown) {
    radsim::stdout_capture capture;
    const bool worked = s.run_line(line, shown);
    const std::string printed = capture.finish();
    std::fwrite(printed.data(), 1, printed.size(), stdout);
    if (!printed.empty() && printed.back() != '\n') std::fputc('\n', stdout);
    if (worked) return true;
    if (const std::optional<int32_t> status = s.last_status()) {
        std::printf("%% Command failed (status %d).\n", static_cast<int>(*status));
    } else {
        std::puts("% Command failed.");
    }
    return false;
}

}  // namespace

std::string suspend_line(const session &s) { return s.current_mode() == mode::exec ? std::string() : "end"; }

std::unique_ptr<line_source> make_list_source(std::vector<std::string> lines) {
    return std::make_unique<list_source>(std::move(lines));
}

std::unique_ptr<line_source> make_stream_source(int fd, std::string name) {
    return std::make_unique<stream_source>(fd, std::move(name));
}

std::string as_sentence(std::string text) {
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

// Each command starts at its first non-blank, so that an echo shows it as
// typed at a prompt.
std::vector<std::string> split_commands(const std::string &text) {
    std::vector<std::string> commands;
    const std::string_view all = text;
    size_t start = all.find_first_not_of(blanks);
    while (start < all.size()) {
        const size_t end = std::min(all.find(';', start), all.size());
        const std::string_view command = trim_right(all.substr(start, end - start));
        if (!command.empty()) commands.emplace_back(command);
        start = all.find_first_not_of(blanks, end + 1);
    }
    return commands;
}

int run_session(session &s, line_source &source, bool echo) {
    bool failed = false;
    while (!s.finished()) {
        const std::string prompt = s.prompt();
        const std::optional<std::string> line = source.read(prompt);
        if (!line) break;
        const bool echoed = echo && !source.shows_input() && line->find_first_not_of(blanks) != std::string::npos;
        if (echoed) std::printf("%s%s\n", prompt.c_str(), masked(*line, s.current_mode()).c_str());
        const bool shown = echoed || source.shows_input();
        failed = !(echo ? run_and_report(s, *line, shown) : s.run_line(*line, shown)) || failed;
    }
    if (const std::string failure = source.failure(); !failure.empty()) {
        std::printf("%% %s\n", as_sentence(failure).c_str());
        failed = true;
    }
    std::fflush(stdout);
    return failed ? 1 : 0;
}

}  // namespace radius::shell
