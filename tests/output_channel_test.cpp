// The shell's tagged output channel as the simulator renders it: text of the
// formats, values taken when printed, tags kept per value, delivery per
// send, and the handle rules (released handles must not be used).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/shell_output.h"
#include "tests/support/command.hpp"

namespace {

using ::testing::ElementsAre;

class output_channel : public radtest::handler_test {
protected:
    void SetUp() override {
        handler_test::SetUp();
        radsim::set_report_sink([this](const radsim::report &sent) { reports_.push_back(sent); });
        radsim::begin_request(cmd_.info());
        handle_ = cmd_paraminfo_to_rxhandle(cmd_.info());
        ASSERT_NE(handle_, nullptr);
    }
    void TearDown() override {
        radsim::end_request();
        handler_test::TearDown();
    }

    radtest::command cmd_;
    cmd_out_handle *handle_ = nullptr;
    std::vector<radsim::report> reports_;
};

TEST_F(output_channel, values_render_by_type_and_are_taken_at_the_call) {
    cmd_prt_arg arg;
    uint32_t number = 3;
    char buffer[256] = "********";
    cmd_prt_arg_make(&arg, TAG_SRV_GLOBAL_RETRANSMIT, &number, 4);
    cmd_prt(handle_, "retransmission count:%s\n", &arg);
    number = 7;  // the same record and value reused for the next line
    cmd_prt_arg_make(&arg, TAG_SRV_GLOBAL_TIMEOUT, &number, 4);
    cmd_prt(handle_, "timeout value:%s\n", &arg, nullptr);
    cmd_prt_arg_make(&arg, TAG_SRV_SECRET, buffer, 256);
    cmd_prt(handle_, "\t\tRADIUS shared secret:%s\n", &arg);
    cmd_prt(handle_, "\nfollowing RADIUS servers are configured:\n");
    cmd_prt(handle_, "%s%%\n", cmd_tuple(TAG_STATS_TIMES_DEAD, &number));
    uint32_t state = 3;
    cmd_prt(handle_, "Server is %s\n", cmd_tuple(TAG_STATS_STATE, &state));
    cmd_prt_send(handle_);

    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].text(),
              "retransmission count:3\ntimeout value:7\n\t\tRADIUS shared secret:********\n"
              "\nfollowing RADIUS servers are configured:\n7%\nServer is not monitored\n");
    const auto &pieces = reports_[0].pieces;
    ASSERT_EQ(pieces.size(), 6u);
    EXPECT_EQ(pieces[0].values[0].tag, static_cast<uint32_t>(TAG_SRV_GLOBAL_RETRANSMIT));
    EXPECT_EQ(pieces[2].values[0].text, "********");
    EXPECT_TRUE(pieces[3].values.empty());
}

TEST_F(output_channel, string_length_bounds_the_value) {
    cmd_prt_arg arg;
    const char host[] = {'a', 'b', 'c', 'd'};  // no NUL within the length given
    cmd_prt_arg_make(&arg, TAG_SRV_HOST, host, 3);
    cmd_prt(handle_, "\t%s:\n", &arg);
    cmd_prt_send(handle_);
    EXPECT_EQ(reports_.at(0).text(), "\tabc:\n");
}

TEST_F(output_channel, each_send_delivers_what_was_printed_since_the_last) {
    cmd_prt(handle_, "one\n");
    cmd_prt_send(handle_);
    cmd_prt(handle_, "two\n");
    cmd_prt_send(handle_);
    ASSERT_EQ(reports_.size(), 2u);
    EXPECT_EQ(reports_[0].text(), "one\n");
    EXPECT_EQ(reports_[1].text(), "two\n");
}

// The channel hands a handle's buffers on to the next command's handle: a
// report kept from one command must not change, nor leak into the next.
TEST_F(output_channel, buffers_reused_by_the_next_command_leave_kept_reports_alone) {
    const uint32_t first = 1;
    const uint32_t second = 2;
    cmd_prt_arg arg;
    cmd_prt_arg_make(&arg, TAG_SRV_TIMEOUT, &first, 4);
    cmd_prt(handle_, "first:%s\n", &arg);
    cmd_prt_send(handle_);
    radsim::end_request();

    radsim::begin_request(cmd_.info());
    cmd_out_handle *next = cmd_paraminfo_to_rxhandle(cmd_.info());
    cmd_prt_arg_make(&arg, TAG_SRV_RETRANSMIT, &second, 4);
    cmd_prt(next, "second:%s\n", &arg);
    cmd_prt_send(next);

    ASSERT_EQ(reports_.size(), 2u);
    EXPECT_EQ(reports_[0].text(), "first:1\n");
    EXPECT_EQ(reports_[1].text(), "second:2\n");
    ASSERT_EQ(reports_[1].pieces.size(), 1u);
    EXPECT_EQ(reports_[1].pieces[0].values[0].tag, static_cast<uint32_t>(TAG_SRV_RETRANSMIT));
}

TEST_F(output_channel, released_handles_are_refused_and_reported) {
    cmd_req_handle_free(handle_);
    EXPECT_EQ(radsim::open_output_handles(), 0u);
    cmd_prt(handle_, "late\n");
    EXPECT_TRUE(reports_.empty());
    EXPECT_THAT(radsim::contract_violations(), ElementsAre("cmd_prt: output handle used after release"));
    radsim::reset();  // the violation was the point of the test
}

// What cmd_prt refuses for a "%s": anything but a record the channel filled
// and that still holds what was put in it.
TEST_F(output_channel, only_records_the_channel_filled_are_printed) {
    // The call form of a library that took cmd_prt_arg_make's "result" for
    // the record: the contract promises no result.
    using make_with_result = cmd_prt_arg *(*)(cmd_prt_arg *, uint32_t, const void *, uint32_t);
    const auto make = reinterpret_cast<make_with_result>(reinterpret_cast<void (*)()>(&cmd_prt_arg_make));
    const uint32_t number = 3;
    cmd_prt_arg arg;
    cmd_prt(handle_, "%s\n", make(&arg, TAG_SRV_GLOBAL_RETRANSMIT, &number, 4));

    cmd_prt_arg_make(&arg, TAG_SRV_GLOBAL_TIMEOUT, &number, 4);
    cmd_prt_arg copy = arg;  // the same bytes elsewhere are no record of the channel's
    cmd_prt(handle_, "%s\n", &copy);

    cmd_prt_arg *tuple = cmd_tuple(TAG_STATS_TIMES_DEAD, &number);
    cmd_prt(handle_, "%s\n", tuple);
    cmd_prt(handle_, "%s\n", tuple);  // a tuple serves one cmd_prt

    cmd_prt(handle_, "%s\n", nullptr);
    cmd_prt_send(handle_);

    EXPECT_EQ(reports_.at(0).text(), "<invalid>\n<invalid>\n3\n<invalid>\n<invalid>\n");
    EXPECT_EQ(radsim::contract_violations().size(), 4u);
    radsim::reset();  // the violations were the point of the test
}

TEST_F(output_channel, default_sink_writes_the_text_to_stdout) {
    radsim::set_report_sink(nullptr);
    cmd_prt(handle_, "plain\n");
    radsim::stdout_capture capture;
    cmd_prt_send(handle_);
    EXPECT_EQ(capture.finish(), "plain\n");
}

}  // namespace
