// The global settings command: the global key, timeout, retransmission
// count and deadtime, by read, change and write of the global record.
#include <cstdio>

#include "config/config_commands.h"
#include "abi/param_ids.h"
#include "config/global_key_rules.hpp"
#include "frame/context.hpp"
#include "frame/handler_frame.hpp"

namespace {

using namespace radius;

constexpr uint32_t store_mode = 2;
constexpr uint32_t default_deadtime = 0;

// Sets a number of the record, or its default in the "no" form (where the
// value must still be a number).  False when the value is no number.
bool set_number(const cmd_param &param, bool no_form, uint32_t no_form_value, uint32_t &field) {
    uint32_t value = 0;
    if (!param_u32(param, &value)) return false;
    field = no_form ? no_form_value : value;
    return true;
}

bool apply_param(const cmd_param &param, global_key_state &keys, radius_global_cfg &global) {
    switch (param.id) {
        case PARAM_RETRANSMIT:
            return set_number(param, keys.no_form, RADIUS_DEFAULT_RETRANSMIT, global.retransmit);
        case PARAM_TIMEOUT:
            return set_number(param, keys.no_form, RADIUS_DEFAULT_TIMEOUT, global.timeout);
        case PARAM_DEADTIME:
            return set_number(param, keys.no_form, default_deadtime, global.deadtime);
        default:
            return is_key_param(param.id) && apply_global_key(param, keys, global);
    }
}

int32_t write_global(const context &store, radius_global_cfg &global) {
    const int32_t rc = store.write(global);
    if (rc != 0) {
        report_failure(rc, "could not configure RADIUS global configuration");
        return 1;
    }
    return 0;
}

}  // namespace

extern "C" RADIUS_EXPORT int32_t config_radius_global(cmd_paraminfo *info) {
    const context store(info, store_mode);
    radius_global_cfg global{};
    const int32_t rc = store.read_current(global);
    if (rc != 0) {
        report_failure(rc, "could not retrieve RADIUS global configuration");
        return 1;
    }
    global_key_state keys;
    keys.no_form = info->no_form != 0;
    uint32_t distribution = 0;
    if (store.read_item_or_zero(RADIUS_ITEM_DISTRIBUTION, distribution) != 0) {
        std::puts("could not read qds enabled flag from pss");
        return 1;
    }
    keys.distribution_enabled = distribution != 0;
    const bool applied =
        walk_params(info, [&](const cmd_param &param) { return apply_param(param, keys, global); });
    if (!applied) return 1;
    finish_global_key(keys, global);
    return write_global(store, global);
}
