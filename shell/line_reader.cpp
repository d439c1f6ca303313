#include "shell/line_reader.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "shell/input_limits.hpp"

namespace radius::shell {

file_descriptor::~file_descriptor() {
    if (fd_ >= 0) ::close(fd_);
}

file_descriptor &file_descriptor::operator=(file_descriptor &&other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

namespace {

opened_file refused(const std::string &path, int error, const char *reason = nullptr) {
    return {file_descriptor(), "cannot read " + path + ": " + (reason != nullptr ? reason : std::strerror(error)), error};
}

}  // namespace

// O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it is
// dropped again once the file is known to be regular, where it means nothing.
opened_file open_regular_file(const std::string &path) {
    file_descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) return refused(path, errno);
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0) return refused(path, errno);
    if (S_ISDIR(status.st_mode)) return refused(path, EISDIR);
    if (!S_ISREG(status.st_mode)) return refused(path, 0, "not a regular file");
    if (::fcntl(fd.get(), F_SETFL, O_RDONLY) != 0) return refused(path, errno);
    return {std::move(fd), {}, 0};
}

// One read's worth more; false at the end of the input or on an error.
bool line_reader::fill() {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        if (got > 0) {
            pending_.append(buffer, static_cast<size_t>(got));
            return true;
        }
        if (got == 0) {
            at_end_ = true;
            return false;
        }
        if (errno == EINTR) continue;
        failure_ = "cannot read " + name_ + ": " + std::strerror(errno);
        return false;
    }
}

std::optional<std::string> line_reader::next() {
    while (failure_.empty()) {
        const size_t newline = pending_.find('\n', scanned_);
        const size_t length = newline == std::string::npos ? pending_.size() : newline;
        if (length > max_line_length) {
            ++line_number_;
            failure_ = "line " + std::to_string(line_number_) + " of " + name_ + " is longer than " +
                       std::to_string(max_line_length) + " characters: " + name_ + " was read no further";
            pending_.clear();
            return std::nullopt;
        }
        if (newline != std::string::npos || (at_end_ && !pending_.empty())) {
            std::string line = pending_.substr(0, length);
            pending_.erase(0, newline == std::string::npos ? length : newline + 1);
            scanned_ = 0;
            ++line_number_;
            return line;
        }
        scanned_ = pending_.size();
        if (at_end_ || !fill()) {
            if (!at_end_ || pending_.empty()) return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace radius::shell
