// The parsed-command block a handler receives, built from a parsed line.
// The block owns every value its parameters point to.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "abi/radius_records.h"
#include "shell/parser.hpp"

namespace radius::shell {

// The session handle every command of this shell carries (any nonzero
// value: the platform only checks that handlers pass it on).
constexpr uint32_t shell_session_handle = 0x52414431;

struct call_settings {
    bool no_form = false;
    bool active_sup = true;
    uint32_t exec_flags = 0;
    uint32_t cmd_id = 0;
};

class param_block {
public:
    // `args` in command-line order; only ids above zero become parameters.
    // At most CMD_MAX_PARAMS of them (see split_for_handler).
    param_block(const std::vector<argument> &args, const call_settings &settings);
    param_block(const param_block &) = delete;
    param_block &operator=(const param_block &) = delete;

    cmd_paraminfo *info() { return &info_; }

private:
    void add(const argument &arg);

    // One slot per parameter, in place: the values' addresses hold for the
    // block's life, and a short text needs no allocation.
    cmd_paraminfo info_{};
    std::array<cmd_param, CMD_MAX_PARAMS> params_{};
    std::array<uint32_t, CMD_MAX_PARAMS> numbers_{};
    std::array<std::string, CMD_MAX_PARAMS> texts_;
};

// The handler's parameters of a command (ids above zero), split into calls
// of at most CMD_MAX_PARAMS.  When there are more, every call repeats the
// leading parameters whose id is `context_id` (the group name of a long
// member list); without a context id, an empty list means "too many".
std::vector<std::vector<argument>> split_for_handler(std::vector<argument> args, int32_t context_id);

}  // namespace radius::shell
