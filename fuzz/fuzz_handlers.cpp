// Parameter blocks into every handler.  The input's bytes choose the
// handler, the flag words of the block and up to twelve parameters (id,
// value type, value, address kind), over a switch holding a small
// configuration.  A handler may refuse anything; it may not crash, leak,
// read past what it was given, break the platform's calling contract, or
// change the store when a configuration command refuses.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstring>
#include <deque>
#include <string>

#include "abi/param_ids.h"
#include "config/config_commands.h"
#include "config/server_group.h"
#include "dynauth/dynauth.h"
#include "frame/frame.h"
#include "fuzz/fuzz_common.hpp"
#include "monitor/monitor.h"
#include "runcfg/running_config.h"
#include "show/group_display.h"
#include "show/server_display.h"
#include "sim/radsim.h"
#include "stats/stats.h"
#include "tests/support/small_switch.hpp"

namespace {

struct handler {
    radius_handler_fn call;
    bool keeps_store_on_refusal;  // a configuration command: a refusal writes nothing
};

int32_t generate(cmd_paraminfo *info) { return radius_new_pss_asciigen(info, info->cmd_id & 1, info->cmd_id & 2); }

const handler handlers[] = {
    {config_radius_enable, true},          {config_radius_global, true},
    {config_radius_server, true},          {config_radius_new_server_group, true},
    {config_global_server_monitor_params, true}, {config_aaa_server_monitor_params, true},
    {config_radius_dynamic_author_server, false}, {config_rad_das_global_info, false},
    {config_rad_dac_info, false},          {security_show_radius, true},
    {security_show_radius_sorted, true},   {show_radius_new, true},
    {show_aaa_monitor_config, true},       {show_radius_statistics, true},
    {clear_radius_statistics, true},       {show_debug_radius_new, true},
    {radius_cli_show_memstats, true},      {aaa_server_radius_statistics, false},
    {aaa_client_radius_statistics, false}, {generate, true},
};

const int32_t param_ids[] = {
    PARAM_ACCT_PORT, PARAM_AUTH_PORT, PARAM_ACCOUNTING, PARAM_AUTHENTICATION, PARAM_KEY_CLEAR, PARAM_AUX_FLAG,
    PARAM_RETRANSMIT, PARAM_SERVER_HOST, PARAM_TIMEOUT, PARAM_PAC, PARAM_KEY_TEXT, PARAM_VRF_NAME,
    PARAM_VRF_MANAGEMENT, PARAM_VRF_DEFAULT, PARAM_KEY, PARAM_KEY_TYPE6, PARAM_KEY_TYPE7, PARAM_DYNAMIC_AUTHOR,
    PARAM_DAS_PORT, PARAM_DAS_PORT_VALUE, PARAM_DAC_HOST, PARAM_DAC_VRF, PARAM_GROUP_NAME, PARAM_GROUP_SERVER,
    PARAM_TEST_USER, PARAM_IDLE_TIME, PARAM_DEADTIME, PARAM_TEST_PASSWORD, PARAM_DETAIL, 77,
};
const uint32_t value_types[] = {PARAM_TYPE_TEXT, PARAM_TYPE_U32, PARAM_TYPE_HOST, 0xa5a5a5a5};
const uint32_t address_kinds[] = {ADDR_KIND_IPV4, ADDR_KIND_IPV6, ADDR_KIND_HOSTNAME, 0xa5a5a5a5};

// A parameter block that owns what its parameters point to.
struct block {
    cmd_paraminfo info;
    std::array<cmd_param, CMD_MAX_PARAMS> params;
    std::deque<std::string> texts;
    std::deque<uint32_t> numbers;
};

void fill_param(FuzzedDataProvider &input, block &b, cmd_param &param) {
    std::memset(&param, 0xa5, sizeof param);
    param.id = input.PickValueInArray(param_ids);
    param.type = input.PickValueInArray(value_types);
    param.addr_kind = input.PickValueInArray(address_kinds);
    if (param.type == PARAM_TYPE_U32) {
        param.value = &b.numbers.emplace_back(input.ConsumeIntegral<uint32_t>());
    } else {
        // Texts up to past the longest field, so bounded copies are tried.
        param.value = b.texts.emplace_back(input.ConsumeRandomLengthString(300)).data();
    }
}

void fill_block(FuzzedDataProvider &input, block &b) {
    std::memset(&b.info, 0xa5, sizeof b.info);
    b.info.no_form = input.ConsumeBool() ? 1 : 0;
    b.info.session_word = 0;
    b.info.submode_noop = input.ConsumeIntegralInRange(0, 7) == 0 ? 1 : 0;
    b.info.exec_noop = input.ConsumeIntegralInRange(0, 7) == 0 ? 1 : 0;
    b.info.session_handle = 0x5e55;
    b.info.cmd_id = input.ConsumeIntegralInRange<uint32_t>(0, 12);
    b.info.is_active_sup = input.ConsumeIntegralInRange(0, 15) == 0 ? 0 : 1;
    b.info.exec_flags = input.ConsumeBool() ? EXEC_FLAG_REPLAY : 0;
    const uint8_t count = input.ConsumeIntegralInRange<uint8_t>(0, 12);
    b.info.param_count = count;
    for (uint8_t i = 0; i < count; ++i) {
        fill_param(input, b, b.params[i]);
        b.info.params[i] = &b.params[i];
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::prepare("fuzz_handlers");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FuzzedDataProvider input(data, size);
    radtest::seed_small_switch();
    const handler &chosen = input.PickValueInArray(handlers);
    block b;
    fill_block(input, b);
    const radsim::stored_config before = radsim::stored();
    radsim::begin_request(&b.info);
    const int32_t status = chosen.call(&b.info);
    radsim::end_request();
    fuzz::check_contract("fuzz_handlers");
    if (status != 0 && chosen.keeps_store_on_refusal && !(radsim::stored() == before)) {
        fuzz::fail("fuzz_handlers", "a refused command changed the store");
    }
    return 0;
}
