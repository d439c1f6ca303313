// How much one command line may hold.  A line is read, checked and parsed
// whole, so these bound the work and memory of every line, from a terminal,
// a pipe or a file alike; the README states them to the operator.
#pragma once

#include <cstddef>

namespace radius::shell {

// Four times the longest line the shell itself saves (a server with a
// 255-character host name, every option and a key); a longer line is
// refused whole, before any of it is parsed.
constexpr size_t max_line_length = 4096;

// Two words a group member for the most members a group holds (64), with
// room for the command words and a chain of filters.
constexpr size_t max_line_words = 256;

}  // namespace radius::shell
