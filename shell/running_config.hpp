// The running configuration beyond the library's generator: the lines
// other components of the switch render for their own part, and notes on
// what a save cannot keep.
#pragma once

#include <string>

#include "sim/radsim.h"

namespace radius::shell {

// What follows the generator's lines: the AAA service's monitoring
// settings, the dynamic-authorization daemon's lines, then a comment line
// for each setting that a save loses.  Secrets (keys, test passwords) and
// the notes about them with `full` ("all") only, as the generator does.
std::string appended_config_lines(bool full);

// `lines` as the tagged lines the generator sends for "| json".
radsim::report running_config_report(const std::string &lines);

}  // namespace radius::shell
