// The manual pages and the bash completion, generated from the shell's
// options and its command table, as the command reference is: what the
// documents share with the program cannot drift from it.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <string_view>

namespace radius::shell {

// The documents `radsh --document NAME` prints, kept as docs/NAME.
inline constexpr std::string_view document_names[] = {"radsh.1", "radiuscmd.3", "radsh.bash-completion"};

// The document `name` for the shell whose options `app` defines; empty for
// a name that is not among document_names.
std::string document(std::string_view name, const CLI::App &app);

// ---- the pieces, one file each ---------------------------------------------

// radsh(1) and radiuscmd(3), in roff with the man macros.
std::string radsh_manual(const CLI::App &app);
std::string library_manual();

// A bash completion script for radsh's options.
std::string bash_completion(const CLI::App &app);

// The options of `app` a user may type, in definition order (positionals
// left out), and whether an option takes a value.
std::vector<const CLI::Option *> named_options(const CLI::App &app);
bool takes_value(const CLI::Option &option);

// Text that roff prints as given: backslashes escaped, hyphens as the
// minus sign a command line needs, `code` (Markdown) in bold, and no
// control character at the start of a line.
std::string roff(std::string_view text);

}  // namespace radius::shell
