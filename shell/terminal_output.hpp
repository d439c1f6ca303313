// A command's output on the user's terminal: through a pager when it is
// longer than a page, else written line by line until Ctrl-C interrupts it.
#pragma once

#include <optional>
#include <string>

namespace radius::shell {

// From now on Ctrl-C (SIGINT) outside the line editor interrupts the
// display being written instead of ending the shell, and Ctrl-Z (SIGTSTP)
// never suspends it.  For interactive sessions only.
void catch_terminal_signals();

// Whether Ctrl-C came since the last clear_interrupt().
bool interrupted();
void clear_interrupt();

// Writes `text` to the standard output.  `page_length`: lines of a page,
// nothing for the screen's height, 0 for no paging.  A text of more lines
// than a page goes to $PAGER (else "less -FRX") when the standard output is
// a terminal.
void show_on_terminal(const std::string &text, std::optional<unsigned> page_length);

}  // namespace radius::shell
