// The output filters after "|": include, exclude, begin and count, applied
// in order to the lines of a display, as text or as the tagged reports
// that "| json" renders.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shell/parser.hpp"
#include "sim/radsim.h"

namespace radius::shell {

// The text with every stage applied.  A last line without its newline is a
// line too; "count" leaves the number of lines and a newline.
std::string filter_text(std::string_view text, std::span<const filter_stage> stages);

// The reports with the stages applied to the lines of their text form: a
// line is the run of pieces up to one whose text ends a line, kept or
// dropped whole with the values it carries.  "count" does not apply here.
std::vector<radsim::report> filter_reports(const std::vector<radsim::report> &reports,
                                           std::span<const filter_stage> stages);

bool counts_lines(std::span<const filter_stage> stages);

}  // namespace radius::shell
