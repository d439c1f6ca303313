// radsh as a real process (under the cross emulator where there is one),
// for the tests that need its exit status, its streams or its files.
// The including target defines RADSH_PATH and RADSH_EMULATOR.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/support/temp_folder.hpp"

namespace radtest {

struct ran {
    int status;  // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

struct launch {
    std::vector<std::string> args;
    std::string input = {};        // standard input's text, unless `input_file` is set
    std::string input_file = {};   // a file (or device) to read standard input from
    unsigned seconds = 60;         // the timer that ends a shell that hangs
    void (*in_child)() = nullptr;  // after the redirections, before radsh starts
};

inline int status_of(int wait_status) {
    return WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : 128 + WTERMSIG(wait_status);
}

// The emulator's words, then radsh's, then `args`.
[[noreturn]] inline void exec_radsh(const std::vector<std::string> &args) {
    std::vector<std::string> words;
    for (const char *word : {RADSH_EMULATOR}) {
        if (*word != '\0') words.emplace_back(word);
    }
    words.emplace_back(RADSH_PATH);
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char *> argv;
    for (std::string &word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

// Runs radsh to its end, its streams in files of `folder`.
inline ran radsh(const temp_folder &folder, const launch &how) {
    const std::string in = how.input_file.empty() ? folder.file("stdin") : how.input_file;
    const std::string out = folder.file("stdout"), err = folder.file("stderr");
    if (how.input_file.empty()) write_text(in, how.input);
    const pid_t child = fork();
    if (child == 0) {
        dup2(open(in.c_str(), O_RDONLY), 0);
        dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
        dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
        if (how.in_child != nullptr) how.in_child();
        alarm(how.seconds);
        exec_radsh(how.args);
    }
    int wait_status = 0;
    waitpid(child, &wait_status, 0);
    return {status_of(wait_status), file_text(out), file_text(err)};
}

// As root, file permissions do not stop a write: a case about them runs
// radsh as nobody.
inline void as_nobody() {
    if (geteuid() != 0) return;
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(126);
}

// The lines radsh prints on standard error about its library come first;
// a case compares what follows them.
inline std::string last_line(const std::string &text) {
    const size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) return {};
    const size_t start = text.rfind('\n', end);
    const size_t from = start == std::string::npos ? 0 : start + 1;
    return text.substr(from, end - from + 1);
}

}  // namespace radtest
