// The command reference (docs/commands.md), generated from the table.
#pragma once

#include <string>

#include "shell/grammar.hpp"

namespace radius::shell {

// A command's syntax in the usual notation: [optional], {one | other},
// "..." for a clause that may repeat.
std::string syntax_of(const command_def &def);

// What a shell command (no handler) does, in a sentence or two.
std::string builtin_text(builtin action);

// The modes in the order the documents describe them.
inline constexpr mode all_modes[] = {mode::exec, mode::configure, mode::server_group, mode::dynamic_author};

// The whole reference, in Markdown.
std::string reference_markdown();

}  // namespace radius::shell
