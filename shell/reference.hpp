// The command reference (docs/commands.md), generated from the table.
#pragma once

#include <string>

#include "shell/grammar.hpp"

namespace radius::shell {

// A command's syntax in the usual notation: [optional], {one | other},
// "..." for a clause that may repeat.
std::string syntax_of(const command_def &def);

// What a command does in a sentence or two: a shell command's action, or
// the handler it calls (Markdown).
std::string summary_of(const command_def &def);

// The modes in the order the documents describe them.
inline constexpr mode all_modes[] = {mode::exec, mode::configure, mode::server_group, mode::dynamic_author};

// The whole reference, in Markdown.
std::string reference_markdown();

}  // namespace radius::shell
