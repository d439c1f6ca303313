// The command reference (docs/commands.md), generated from the table.
#pragma once

#include <string>

#include "shell/grammar.hpp"

namespace radius::shell {

// A command's syntax in the usual notation: [optional], {one | other},
// "..." for a clause that may repeat.
std::string syntax_of(const command_def &def);

// The whole reference, in Markdown.
std::string reference_markdown();

}  // namespace radius::shell
