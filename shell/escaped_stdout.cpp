#include "shell/escaped_stdout.hpp"

#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>

namespace radius::shell {

namespace {

std::FILE *unescaped = stdout;

bool is_control(unsigned char c) { return (c < 0x20 && c != '\t' && c != '\n') || c == 0x7f; }

// Everything or an error: stdio takes a short count for a failed write.
bool write_all(int fd, const char *data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

void append_escaped(std::string_view text, std::string &out) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (!is_control(byte)) {
            out += c;
            continue;
        }
        out += '^';
        out += static_cast<char>(byte ^ 0x40);
    }
}

// The descriptor is looked up on every write, not kept: a capture of the
// standard output swaps descriptor 1 under the stream.
ssize_t write_escaped(void *, const char *data, size_t size) {
    thread_local std::string escaped;
    escaped.clear();
    append_escaped({data, size}, escaped);
    return write_all(STDOUT_FILENO, escaped.data(), escaped.size()) ? static_cast<ssize_t>(size) : -1;
}

}  // namespace

void escape_stdout() {
    std::fflush(stdout);
    std::FILE *stream = fopencookie(nullptr, "w", cookie_io_functions_t{nullptr, write_escaped, nullptr, nullptr});
    if (stream == nullptr) return;
    setvbuf(stream, nullptr, isatty(STDOUT_FILENO) != 0 ? _IOLBF : _IOFBF, BUFSIZ);
    unescaped = stdout;
    stdout = stream;
}

std::FILE *terminal_stream() { return unescaped; }

}  // namespace radius::shell
