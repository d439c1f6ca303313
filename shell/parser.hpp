// The one engine that matches a command line against the command table:
// it parses a line into a command with its arguments, lists what may come
// next for "?", and completes a partial keyword for Tab.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "shell/grammar.hpp"

namespace radius::shell {

// The characters that separate words (isspace in the C locale).  Of them,
// only the blank and the tab may stand inside a line that parse() takes;
// the others may only end it.
constexpr std::string_view blanks = " \t\n\v\f\r";

// One blank-separated word and where it starts in the line.
struct word {
    std::string_view text;
    size_t offset;
};

std::vector<word> split_words(std::string_view line);

// `line` without the blanks that end it.
std::string_view trim_right(std::string_view line);

// One value or keyword of the line, as the handler is to receive it.
struct argument {
    int32_t id;
    slot kind;
    std::string text = {};   // text and host values
    uint32_t number = 0;     // number values
    uint32_t addr_kind = 0;  // host values: ADDR_KIND_*
};

// One output filter after "|", applied to the display's lines in order.
enum class filter_kind : uint8_t {
    include,  // the lines that match `pattern`
    exclude,  // the lines that do not
    begin,    // from the first line that matches on
    count,    // the number of lines instead of the lines
};

struct filter_stage {
    filter_kind kind;
    std::string pattern = {};  // ECMAScript regular expression; searched, not anchored
};

struct parsed_command {
    const command_def *def;
    bool no_form = false;
    bool json = false;            // "| json" ended the line
    std::vector<argument> args;  // in command-line order
    std::vector<filter_stage> filters = {};
    bool no_more = false;  // "| no-more": never through the pager
    bool via_do = false;   // an exec command run from a configuration mode with "do"
};

enum class error_kind {
    invalid, out_of_range, too_long, ambiguous, incomplete, bad_pattern,
    line_too_long,   // longer than max_line_length; detail: the limit
    too_many_words,  // more than max_line_words; the caret at the first word too many
    control_byte,    // detail: the byte, as 0xNN
};

struct parse_error {
    error_kind kind;
    size_t offset;       // where the caret goes
    std::string detail;  // the expected range, length limit or ambiguous words
};

using parse_result = std::variant<parsed_command, parse_error>;

// Parses one line in mode `m`.  A line over the bounds of input_limits.hpp,
// or holding a control byte other than the tab, is refused whole before any
// word of it is matched.
parse_result parse(std::string_view line, mode m);

struct help_entry {
    std::string word;  // keyword, value placeholder or "<cr>"
    std::string help;
};

// For "?" typed after `line`: what may follow (when the line ends in a
// blank or is empty), or the words that complete its last, partial word.
std::variant<std::vector<help_entry>, parse_error> help(std::string_view line, mode m);

// The values a value slot may take that start with the prefix, for Tab.
using value_lister = std::function<std::vector<std::string>(value_source, std::string_view prefix)>;

// The keywords, and the values `values` lists, that complete the last
// word of `line` (Tab).
std::vector<std::string> completions(std::string_view line, mode m, const value_lister &values = {});

// The word a token shows in help and in the reference: keywords and
// placeholders as written, numbers as their range.
std::string display_word(const token &t);

// The addr_kind of a host word, or 0 when it is not a valid host.
uint32_t classify_host(std::string_view text);

}  // namespace radius::shell
