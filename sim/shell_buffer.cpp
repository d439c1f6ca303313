// The shell's output buffer: where the running-configuration generator's
// plain text goes.  The shell (or a test) takes the text when the command
// is done.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/shell_output.h"
#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

std::string &shell_buffer() {
    static std::string instance;
    return instance;
}

}  // namespace

// A copy, so that the buffer keeps its room: the next command's text is
// appended without growing it again.
std::string take_shell_buffer() {
    std::string text(shell_buffer());
    shell_buffer().clear();
    return text;
}

namespace detail {

void reset_shell_buffer() { shell_buffer().clear(); }

}  // namespace detail
}  // namespace radsim

// Each call appends its formatted text and logs it, so a test can tell one
// line per call from several lines in one call.  A line is formatted once
// into a stack buffer; only a longer text is formatted again on the heap.
extern "C" void vsh_buf_printf(const char *format, ...) {
    char line[512];
    std::string longer;
    std::string_view text;
    if (format != nullptr) {
        va_list args;
        va_start(args, format);
        va_list again;
        va_copy(again, args);
        const int length = std::vsnprintf(line, sizeof line, format, args);
        if (length >= static_cast<int>(sizeof line)) {
            longer.resize(static_cast<size_t>(length));
            std::vsnprintf(longer.data(), longer.size() + 1, format, again);
            text = longer;
        } else if (length > 0) {
            text = std::string_view(line, static_cast<size_t>(length));
        }
        va_end(again);
        va_end(args);
    }
    const auto fault = radsim::detail::enter(__func__, text);
    if (fault) return;  // the text is lost, as a failing buffer would lose it
    radsim::shell_buffer() += text;
}
