#include "stats/stats_common.hpp"

#include <cstdio>

#include "frame/handler_frame.hpp"

namespace radius {

const cmd_param *first_param(const cmd_paraminfo *info, int32_t id) {
    const cmd_param *found = nullptr;
    walk_params(info, [&](const cmd_param &param) {
        if (param.id == id) found = &param;
        return found == nullptr;
    });
    return found;
}

bool on_active_sup(const cmd_paraminfo *info) {
    if (info->is_active_sup == 1) return true;
    std::puts("this command is supported on active sup only");
    return false;
}

}  // namespace radius
