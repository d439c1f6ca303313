// Reading the lines of a file or pipe with bounded memory: every place the
// shell reads lines from a stream (standard input, a file of commands, a
// replayed configuration, a script, the startup configuration) goes through
// line_reader, so that no input, however long its lines (/dev/zero), makes
// the shell hold more than one line's bound and one read's worth of bytes.
#pragma once

#include <optional>
#include <string>

namespace radius::shell {

// A file descriptor the holder closes.
class file_descriptor {
public:
    explicit file_descriptor(int fd = -1) : fd_(fd) {}
    ~file_descriptor();
    file_descriptor(file_descriptor &&other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    file_descriptor &operator=(file_descriptor &&other) noexcept;
    file_descriptor(const file_descriptor &) = delete;
    file_descriptor &operator=(const file_descriptor &) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// `path` opened for reading, or why it cannot be read: only a regular file
// may be.  A FIFO, a device or a folder is refused before a byte is read
// (a FIFO without a writer does not even hold the open up).
struct opened_file {
    file_descriptor fd;
    std::string failure;  // "cannot read PATH: REASON"; empty when `fd` is open
    int error = 0;        // the errno behind `failure`, 0 when it has none
};
opened_file open_regular_file(const std::string &path);

class line_reader {
public:
    // Reads `fd`, which stays the caller's; `name` names it in messages.
    line_reader(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}

    // The next line without its newline (a last line may lack one), or
    // nothing at the end of the input and after a failure: a read error, or
    // a line longer than max_line_length, which stops the reading there.
    std::optional<std::string> next();

    // Why the reading stopped before the end; empty when it did not.
    const std::string &failure() const { return failure_; }
    // The number of the last line returned (or refused), from 1.
    unsigned line_number() const { return line_number_; }

private:
    bool fill();

    int fd_;
    std::string name_;
    std::string pending_;  // read but not yet returned; never much longer than one line's bound
    size_t scanned_ = 0;   // bytes of pending_ known to hold no newline
    bool at_end_ = false;
    unsigned line_number_ = 0;
    std::string failure_;
};

}  // namespace radius::shell
