// The distribution service's entry points for the other simulated services.
#pragma once

#include <vector>

#include "sim/sim_internal.hpp"

namespace radsim::detail {

// The last-operation reply as the store hands it over: 40 bytes, the
// record's 36 and a tail the caller must not read.
std::vector<unsigned char> last_operation_reply();

}  // namespace radsim::detail
