// Renderers of the tagged output channel: a report prints as the text of
// its formats, or as JSON with a named field per tag.  Both take the same
// stream of reports; a command never chooses between two code paths.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "shell/parser.hpp"
#include "sim/radsim.h"

namespace radius::shell {

class report_renderer {
public:
    virtual ~report_renderer() = default;
    // A report the handler sent.
    virtual void add(const radsim::report &sent) = 0;
    // The command is done: print what is still held back.
    virtual void finish() = 0;
};

// Prints each report's text on the standard output as it arrives, in
// order with what the handler prints itself.
std::unique_ptr<report_renderer> make_text_renderer();

// Holds the command's reports and prints them as one JSON document when the
// command is done (nothing when no report was sent), with the output
// filters applied to the lines of their text form first.
std::unique_ptr<report_renderer> make_json_renderer(std::span<const filter_stage> filters = {});

// The JSON document of a command's reports, indented, ending in a newline.
// Running-configuration lines lose the blanks that end them.
std::string json_of(const std::vector<radsim::report> &reports);

}  // namespace radius::shell
