// What the display and generator tests share: reports collected from the
// tagged channel, flattened into rows that compare whole, and servers
// seeded straight into the simulated store.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/command.hpp"

namespace radtest {

// One cmd_prt call: its format and its value (if any) with tag and length.
struct printed_row {
    std::string format;
    uint32_t tag = 0;
    std::string value;
    uint32_t length = 0;
    bool operator==(const printed_row &) const = default;
};
void PrintTo(const printed_row &row, std::ostream *os);

// A server as the server host command creates it: both roles, no key.
radius_server_cfg new_server(const std::string &host);

// Writes the server through the store's own write, which assigns its index
// (into the pending copy while a session is open); returns the index.
uint32_t add_server(radius_server_cfg server);

// A handler's result, with the output handles it left open: the rules
// say which handlers release theirs.
struct display_outcome {
    int32_t status;
    std::string out;
    size_t handles_left_open;
};

class display_test : public handler_test {
protected:
    void SetUp() override;

    // Runs the handler as command::run does, counting the handles it left
    // open before the request ends (which releases them).
    static display_outcome run(command &cmd, radius_handler_fn handler);

    // Every cmd_prt of every report, in order.
    std::vector<printed_row> printed_rows() const;
    // The text of every report, in order.
    std::string reports_text() const;

    std::vector<radsim::report> reports_;
};

}  // namespace radtest
