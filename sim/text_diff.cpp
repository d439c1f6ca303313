// The shell's comparison of two texts, vsh_diff: a unified difference of
// their lines, computed by the dtl library.
#include <dtl/dtl.hpp>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "platform/shell_output.h"
#include "sim/sim_internal.hpp"

namespace {

std::vector<std::string> lines_of(const char *text) {
    std::vector<std::string> lines;
    if (text == nullptr) return lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string described(const char *text) { return text == nullptr ? "(null)" : std::to_string(std::strlen(text)); }

}  // namespace

// The hunks alone: the two texts have no names here.  Equal texts print
// nothing.
extern "C" void vsh_diff(const char *before, const char *after) {
    const auto fault = radsim::detail::enter(__func__, "before=" + described(before) + " after=" + described(after));
    if (fault) return;
    dtl::Diff<std::string> diff(lines_of(before), lines_of(after));
    diff.compose();
    diff.composeUnifiedHunks();
    std::ostringstream out;
    diff.printUnifiedFormat(out);
    std::fputs(out.str().c_str(), stdout);
}
