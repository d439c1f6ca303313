// A yes-or-no question to the operator at the terminal, for what cannot be
// undone (erasing the store, overwriting a file).
#pragma once

#include <string>

namespace radius::shell {

// Prints `question` and " [y/N] " on standard error (which a capture of a
// command's output leaves on the terminal) and reads one answer from
// standard input, a byte at a time so that nothing typed after it is taken
// from the line editor.  True only for "y" or "yes".
bool answered_yes(const std::string &question);

}  // namespace radius::shell
