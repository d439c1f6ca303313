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
    const uint32_t slot_index = info_.param_count;
    cmd_param &param = params_[slot_index];
    param.id = arg.id;
    switch (arg.kind) {
        case slot::keyword: break;  // the id alone carries the meaning
        case slot::number:
            param.type = PARAM_TYPE_U32;
            numbers_[slot_index] = arg.number;
            param.value = &numbers_[slot_index];
            break;
        case slot::text:
        case slot::pattern:  // read by the shell, never passed on; as text if it were
            param.type = PARAM_TYPE_TEXT;
            param.value = texts_[slot_index].assign(arg.text).data();
            break;
        case slot::host:
            param.type = PARAM_TYPE_HOST;
            param.value = texts_[slot_index].assign(arg.text).data();
            param.addr_kind = arg.addr_kind;
            break;
    }
    info_.params[info_.param_count++] = &param;
}

std::vector<std::vector<argument>> split_for_handler(std::vector<argument> args, int32_t context_id) {
    std::erase_if(args, [](const argument &arg) { return arg.id <= 0; });
    std::vector<std::vector<argument>> calls;
    if (args.size() <= CMD_MAX_PARAMS) {
        calls.push_back(std::move(args));
        return calls;
    }
    const auto first_rest = std::find_if(args.begin(), args.end(), [context_id](const argument &arg) {
        return context_id == no_param || arg.id != context_id;
    });
    const std::vector<argument> context(args.begin(), first_rest);
    const std::vector<argument> rest(first_rest, args.end());
    if (context.empty() || context.size() >= CMD_MAX_PARAMS) return {};
    const size_t room = CMD_MAX_PARAMS - context.size();
    for (size_t start = 0; start < rest.size(); start += room) {
        std::vector<argument> call = context;
        call.insert(call.end(), rest.begin() + static_cast<std::ptrdiff_t>(start),
                    rest.begin() + static_cast<std::ptrdiff_t>(std::min(rest.size(), start + room)));
        calls.push_back(std::move(call));
    }
    return calls;
}

}  // namespace radius::shell
