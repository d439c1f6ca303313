#include "shell/param_block.hpp"

#include <algorithm>
#include <cstddef>

namespace radius::shell {

param_block::param_block(const std::vector<argument> &args, const call_settings &settings) {
    info_.no_form = settings.no_form ? 1 : 0;
    info_.session_handle = shell_session_handle;
    info_.cmd_id = settings.cmd_id;
    info_.is_active_sup = settings.active_sup ? 1 : 0;
    info_.exec_flags = settings.exec_flags;
    for (const argument &arg : args) {
        if (arg.id > 0 && info_.param_count < CMD_MAX_PARAMS) add(arg);
    }
}

void param_block::add(const argument &arg) {
    cmd_param &param = params_.emplace_back();
    param.id = arg.id;
    switch (arg.kind) {
        case slot::keyword: break;  // the id alone carries the meaning
        case slot::number:
            param.type = PARAM_TYPE_U32;
            param.value = &numbers_.emplace_back(arg.number);
            break;
        case slot::text:
        case slot::pattern:  // read by the shell, never passed on; as text if it were
            param.type = PARAM_TYPE_TEXT;
            param.value = texts_.emplace_back(arg.text).data();
            break;
        case slot::host:
            param.type = PARAM_TYPE_HOST;
            param.value = texts_.emplace_back(arg.text).data();
            param.addr_kind = arg.addr_kind;
            break;
    }
    info_.params[info_.param_count++] = &param;
}

std::vector<std::vector<argument>> split_for_handler(const std::vector<argument> &args, int32_t context_id) {
    std::vector<argument> context;
    std::vector<argument> rest;
    for (const argument &arg : args) {
        if (arg.id <= 0) continue;
        const bool leading = rest.empty() && context_id != no_param && arg.id == context_id;
        (leading ? context : rest).push_back(arg);
    }
    if (context.size() + rest.size() <= CMD_MAX_PARAMS) {
        context.insert(context.end(), rest.begin(), rest.end());
        return {context};
    }
    if (context.empty() || context.size() >= CMD_MAX_PARAMS) return {};
    const size_t room = CMD_MAX_PARAMS - context.size();
    std::vector<std::vector<argument>> calls;
    for (size_t start = 0; start < rest.size(); start += room) {
        std::vector<argument> call = context;
        call.insert(call.end(), rest.begin() + static_cast<std::ptrdiff_t>(start),
                    rest.begin() + static_cast<std::ptrdiff_t>(std::min(rest.size(), start + room)));
        calls.push_back(std::move(call));
    }
    return calls;
}

}  // namespace radius::shell
