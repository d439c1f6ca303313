// The last distribution operation as the daemon reports it, shared by the
// session status and the distribution status displays.
#pragma once

#include <cstdint>
#include <optional>

#include "abi/radius_records.h"

namespace radius {

struct last_operation {
    uint32_t action;
    uint32_t scope;
    uint32_t vsan_id;
    uint32_t result;
    uint32_t failure_reason;
    uint32_t time_stamp;
};

// Asks the store for the last operation and reads the big-endian reply.
// The reply block is freed on every path.  Nothing when the request failed
// (no message) or the reply is missing (after "unable to get last op status").
std::optional<last_operation> fetch_last_operation(cmd_paraminfo *info);

}  // namespace radius
