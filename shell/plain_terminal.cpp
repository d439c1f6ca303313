// The terminal without libedit (the target build): a prompt and a line
// reader.  "?" at the end of a line still lists what may come next.
#include <cstdio>
#include <iostream>

#include "shell/line_input.hpp"

namespace radius::shell {

namespace {

class plain_terminal final : public line_source {
public:
    std::optional<std::string> read(const std::string &prompt) override {
        std::fputs(prompt.c_str(), stdout);
        std::fflush(stdout);
        std::string line;
        if (!std::getline(std::cin, line)) {
            std::fputc('\n', stdout);
            return std::nullopt;
        }
        return line;
    }
    bool shows_input() const override { return true; }
};

}  // namespace

std::unique_ptr<line_source> make_terminal_source(session &) { return std::make_unique<plain_terminal>(); }

}  // namespace radius::shell
