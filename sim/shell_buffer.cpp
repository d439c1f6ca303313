// The shell's output buffer: where the running-configuration generator's
// plain text goes.  The shell (or a test) takes the text when the command
// is done.  While a capture is on (vsh_set_redir2buf), the text goes to
// the capture instead, which vsh_get_buf hands over.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/shell_output.h"
#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

std::string &shell_buffer() {
    static std::string instance;
    return instance;
}

struct capture {
    bool on = false;
    bool taken = false;  // vsh_get_buf was called: the capture must end now
    std::string text;
};

capture &current_capture() {
    static capture instance;
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

bool capture_active() { return current_capture().on; }

namespace detail {

void reset_shell_buffer() { shell_buffer().clear(); }

void reset_capture() { current_capture() = capture{}; }

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
    radsim::capture &capture = radsim::current_capture();
    if (!capture.on) {
        radsim::shell_buffer() += text;
        return;
    }
    if (capture.taken) radsim::detail::record_violation("vsh_buf_printf: printed between vsh_get_buf and vsh_reset_redir2buf");
    capture.text += text;
}

extern "C" void vsh_set_redir2buf(void) {
    radsim::detail::enter(__func__, "");
    radsim::capture &capture = radsim::current_capture();
    if (capture.on) radsim::detail::record_violation("vsh_set_redir2buf: the capture is already on");
    capture = radsim::capture{true, false, {}};
}

// A fault hands back no block, as when nothing was printed.
extern "C" char *vsh_get_buf(void) {
    const auto fault = radsim::detail::enter(__func__, "");
    radsim::capture &capture = radsim::current_capture();
    if (!capture.on) {
        radsim::detail::record_violation("vsh_get_buf: no capture is on");
        return nullptr;
    }
    capture.taken = true;
    if (fault || capture.text.empty()) return nullptr;
    char *block = static_cast<char *>(std::malloc(capture.text.size() + 1));
    if (block != nullptr) std::memcpy(block, capture.text.c_str(), capture.text.size() + 1);
    return block;
}

extern "C" void vsh_reset_redir2buf(void) {
    radsim::detail::enter(__func__, "");
    radsim::capture &capture = radsim::current_capture();
    if (!capture.on) radsim::detail::record_violation("vsh_reset_redir2buf: no capture is on");
    if (capture.on && !capture.taken) radsim::detail::record_violation("vsh_reset_redir2buf: the capture ended untaken");
    capture = radsim::capture{};
}
