// What the shell prints reaches the operator's terminal with its control
// bytes made visible: a display prints texts from the store (group names,
// user names, keys), and whatever put a control byte there (a store file
// another program wrote, a daemon with a fault), the terminal must show it,
// not obey it.  Tab and newline are a display's own layout and pass.
#pragma once

#include <cstdio>

namespace radius::shell {

// From here on, everything written to stdout (by the shell, the library's
// handlers and the simulated platform alike) reaches file descriptor 1
// with each control byte but tab and newline in caret notation (ESC as
// ^[, DEL as ^?).
void escape_stdout();

// The stream line editing draws on: its own control sequences are meant
// for the terminal, so they go to file descriptor 1 as they are.
std::FILE *terminal_stream();

}  // namespace radius::shell
