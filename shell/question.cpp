#include "shell/question.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace radius::shell {

bool answered_yes(const std::string &question) {
    std::fprintf(stderr, "%s [y/N] ", question.c_str());
    std::fflush(stderr);
    // Longer answers are no answer we know; only their end is waited for.
    constexpr size_t longest_answer = 16;
    std::string answer;
    for (char c = 0;;) {
        const ssize_t got = ::read(STDIN_FILENO, &c, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || c == '\n' || c == '\r') break;
        if (answer.size() <= longest_answer) answer.push_back(c);
    }
    while (!answer.empty() && answer.back() == ' ') answer.pop_back();
    return answer == "y" || answer == "yes";
}

}  // namespace radius::shell
