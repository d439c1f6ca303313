// Where the session's lines come from: a command list (-c), a file or
// standard input, or a terminal with line editing.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "shell/session.hpp"

namespace radius::shell {

class line_source {
public:
    virtual ~line_source() = default;
    // The next line, or nothing at the end of the input.  A terminal shows
    // `prompt` first.
    virtual std::optional<std::string> read(const std::string &prompt) = 0;
    // Whether the prompt and the typed line are on the screen already.
    virtual bool shows_input() const = 0;
    // Why the input ended before its end (a read error, a line too long);
    // empty when it ended well.
    virtual std::string failure() const { return {}; }
};

std::unique_ptr<line_source> make_list_source(std::vector<std::string> lines);
// The lines of `fd` (standard input or a file the caller keeps open), read
// with bounded memory (line_reader.hpp); `name` names it in messages.
std::unique_ptr<line_source> make_stream_source(int fd, std::string name);

// A reader's failure as the shell says it after "% ": "Cannot read F: R".
std::string as_sentence(std::string text);

// The terminal: line editing, history, "?" help and Tab completion with
// libedit where the build has it, else a plain prompt and line reader.
// Either way Ctrl-C discards the line being typed, Ctrl-Z reads as "end"
// outside exec mode, and Ctrl-D on an empty line reads as "exit".  Puts the
// session in terminal use (session::use_terminal) and catches the
// terminal's signals (terminal_output.hpp).
std::unique_ptr<line_source> make_terminal_source(session &s);

// What the keys that act on the mode read as, for the terminals.
std::string suspend_line(const session &s);  // Ctrl-Z: "end", or nothing in exec mode
inline constexpr const char *end_of_input_line = "exit";  // Ctrl-D on an empty line

// The commands of a -c argument: split at ';', trimmed.
std::vector<std::string> split_commands(const std::string &text);

// Runs every line of `source` until it ends or the session is finished.
// With `echo`, a line the source did not show is printed after its prompt,
// so that the output reads as a session, and a line that failed is followed
// by "% Command failed (status N)." (N: what its handler returned) or, when
// no handler ran, "% Command failed.".  Returns 0, or 1 when a line failed.
int run_session(session &s, line_source &source, bool echo);

}  // namespace radius::shell
