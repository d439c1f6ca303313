// Secrets never go back out: wherever the shell shows a line it was given
// (an echo, a refused line above its caret, a replay's report, the history),
// the values of keys and passwords show as "********".  Lines that did not
// parse are masked too, so the rule reads words, not a parse: it masks a
// word too many rather than one too few.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/grammar.hpp"

namespace radius::shell {

inline constexpr std::string_view secret_mask = "********";

class masked_line {
public:
    // `line` typed in mode `m`, which decides what "server" abbreviates.
    masked_line(std::string_view line, mode m);

    const std::string &text() const { return text_; }
    // Where `offset` of the original line lies in text(): a position inside
    // a masked word moves to the start of its mask.
    size_t offset(size_t original) const;

private:
    std::string text_;
    std::vector<std::pair<size_t, size_t>> masked_;  // (offset, length) of each masked word in the original
};

inline std::string masked(std::string_view line, mode m) { return masked_line(line, m).text(); }

}  // namespace radius::shell
