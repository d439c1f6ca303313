// Steps the statistics and diagnostics commands share.
#pragma once

#include <cstdint>

#include "abi/radius_records.h"

namespace radius {

// The first parameter with `id` in command-line order, or null.
const cmd_param *first_param(const cmd_paraminfo *info, int32_t id);

// True on the active supervisor; elsewhere prints why the command cannot
// run there and returns false.
bool on_active_sup(const cmd_paraminfo *info);

}  // namespace radius
