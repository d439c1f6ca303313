// The output filters after "|": include, exclude, begin and count, applied
// in order to the lines of a display, as text or as the tagged reports
// that "| json" renders.
#pragma once

#include <functional>
#include <regex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shell/parser.hpp"
#include "sim/radsim.h"

namespace radius::shell {

// The stages' verdicts on a stream of lines, one line after another, each
// stage seeing only the lines the stages before it kept.  "begin"
// remembers its first match across the stream; "count" keeps every line
// (it counts instead, where the text form is printed).
class line_filter {
public:
    explicit line_filter(std::span<const filter_stage> stages);
    // Whether `line`, without its newline, is kept.
    bool keeps(const std::string &line);

private:
    struct stage {
        filter_kind kind;
        std::regex pattern;
        bool begun = false;
    };
    std::vector<stage> stages_;
};

// The text with every stage applied.  A last line without its newline is a
// line too; "count" leaves the number of lines and a newline.
std::string filter_text(std::string_view text, std::span<const filter_stage> stages);

// Passes the pieces of `sent` that `filter` keeps to `kept`, in order.  A
// line is the run of pieces up to one whose text ends a line, kept or
// dropped whole with the values it carries; a report's last pieces are a
// line even without a newline.
void for_each_kept_piece(const radsim::report &sent, line_filter &filter,
                         const std::function<void(const radsim::printed_piece &)> &kept);

bool counts_lines(std::span<const filter_stage> stages);

}  // namespace radius::shell
