#include <unistd.h>

#include <cstdio>

#include "sim/radsim.h"

namespace radsim {

// Swaps file descriptor 1 for a temporary file, so that puts, printf and
// anything else writing to the standard output lands in the capture.
stdout_capture::stdout_capture() {
    std::fflush(stdout);
    file_ = std::tmpfile();
    if (file_ == nullptr) return;
    saved_fd_ = dup(STDOUT_FILENO);
    dup2(fileno(file_), STDOUT_FILENO);
}

stdout_capture::~stdout_capture() { finish(); }

std::string stdout_capture::finish() {
    if (file_ == nullptr) return {};
    std::fflush(stdout);
    dup2(saved_fd_, STDOUT_FILENO);
    close(saved_fd_);
    std::string text;
    std::rewind(file_);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) text.append(buffer, n);
    std::fclose(file_);
    file_ = nullptr;
    return text;
}

}  // namespace radsim
