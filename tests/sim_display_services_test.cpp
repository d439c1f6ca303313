// The simulated services behind the displays and the generator: the AAA
// service's monitoring entries (absent, written, read back, forgotten at
// reset, the fixed service argument enforced) and the shell's output
// buffer (appends per call, handed over once).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "platform/aaa_service.h"
#include "platform/shell_output.h"
#include "tests/support/command.hpp"

namespace {

class sim_display_services : public radtest::handler_test {
protected:
    int32_t monitor_call(uint32_t op, aaa_server_monitor_cfg *entry, uint32_t service = AAA_MONITOR_SERVICE) {
        return cmi_aaa_server_monitor_config(radtest::test_session, service, op, entry, 2, &cmd_.info()->msg_ctx_a,
                                             &cmd_.info()->msg_ctx_b);
    }
    radtest::command cmd_;
};

TEST_F(sim_display_services, monitoring_entries_are_kept_by_server_id_until_reset) {
    aaa_server_monitor_cfg entry{};
    entry.server_id = 4;
    EXPECT_EQ(monitor_call(1, &entry), AAA_ERR_NO_MONITOR_ENTRY);
    entry.idle_time = 30;
    std::strcpy(entry.test_user, "probe");
    EXPECT_EQ(monitor_call(3, &entry), 0);
    aaa_server_monitor_cfg read{};
    read.server_id = 4;
    EXPECT_EQ(monitor_call(1, &read), 0);
    EXPECT_EQ(std::memcmp(&read, &entry, sizeof read), 0);
    read.server_id = AAA_MONITOR_GLOBAL_ID;
    EXPECT_EQ(monitor_call(1, &read), AAA_ERR_NO_MONITOR_ENTRY);
    EXPECT_EQ(monitor_call(4, &read), 0x409b0001) << "only read and write";
    EXPECT_EQ(radsim::call_log().back().args, "service=8450 op=4 mode=2 server_id=16777215");
    radsim::reset();
    EXPECT_TRUE(radsim::monitor_entries().empty());
}

TEST_F(sim_display_services, monitoring_calls_must_carry_the_fixed_service_argument) {
    aaa_server_monitor_cfg entry{};
    monitor_call(1, &entry, 8451);
    EXPECT_THAT(radsim::contract_violations(),
                ::testing::ElementsAre("cmi_aaa_server_monitor_config: service argument is not 8450"));
    radsim::reset();  // the violation was the point of the test
}

TEST_F(sim_display_services, the_shell_buffer_collects_each_call_and_is_taken_once) {
    EXPECT_EQ(vsh_buf_printf("radius-server timeout %d\n", 7), 24);
    vsh_buf_printf("%s\n", "radius-server host 10.0.0.1 ");
    EXPECT_EQ(radsim::take_shell_buffer(), "radius-server timeout 7\nradius-server host 10.0.0.1 \n");
    EXPECT_EQ(radsim::take_shell_buffer(), "");
    EXPECT_EQ(radsim::call_log().front().args, "radius-server timeout 7\n");
    vsh_buf_printf("left over\n");
    radsim::reset();
    EXPECT_EQ(radsim::take_shell_buffer(), "");
}

}  // namespace
