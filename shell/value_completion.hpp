// The values Tab offers for a value slot: the configured groups and
// servers of the simulated switch, and the files of the file system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "shell/grammar.hpp"

namespace radius::shell {

// The values of `source` that start with `prefix`, sorted.  A directory
// ends in '/', so that Tab goes on into it.
std::vector<std::string> list_values(value_source source, std::string_view prefix);

}  // namespace radius::shell
