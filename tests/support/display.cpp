#include "tests/support/display.hpp"

#include <algorithm>
#include <cstring>

namespace radtest {

void PrintTo(const printed_row &row, std::ostream *os) {
    *os << "{" << ::testing::PrintToString(row.format) << ", 0x" << std::hex << row.tag << std::dec << ", "
        << ::testing::PrintToString(row.value) << ", " << row.length << "}";
}

radius_server_cfg new_server(const std::string &host) {
    radius_server_cfg server{};
    std::memcpy(server.host, host.data(), std::min(host.size(), sizeof server.host));
    server.authentication = 1;
    server.accounting = 1;
    return server;
}

uint32_t add_server(radius_server_cfg server) {
    EXPECT_EQ(radsim::store().server(RADIUS_OP_WRITE, &server), 0) << server.host;
    return server.index;
}

void display_test::SetUp() {
    handler_test::SetUp();
    radsim::set_report_sink([this](const radsim::report &sent) { reports_.push_back(sent); });
}

display_outcome display_test::run(command &cmd, radius_handler_fn handler) {
    radsim::begin_request(cmd.info());
    radsim::stdout_capture capture;
    const int32_t status = handler(cmd.info());
    std::string out = capture.finish();
    const size_t left_open = radsim::open_output_handles();
    radsim::end_request();
    return {status, std::move(out), left_open};
}

std::vector<printed_row> display_test::printed_rows() const {
    std::vector<printed_row> rows;
    for (const radsim::report &sent : reports_) {
        for (const radsim::printed_piece &piece : sent.pieces) {
            printed_row row;
            row.format = piece.format;
            if (!piece.values.empty()) {
                row.tag = piece.values[0].tag;
                row.value = piece.values[0].text;
                row.length = piece.values[0].length;
            }
            rows.push_back(row);
        }
    }
    return rows;
}

std::string display_test::reports_text() const {
    std::string text;
    for (const radsim::report &sent : reports_) text += sent.text();
    return text;
}

}  // namespace radtest
