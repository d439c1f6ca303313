// The target build has no network side: radcli, nettle and a RADIUS server
// exist for the host only.  The AAA service sends no requests and probes
// nothing, the dynamic-authorization daemon listens nowhere, and the
// counters move only by test control.
#include "sim/sim_internal.hpp"

namespace radsim {

request_outcome authenticate(uint32_t, const std::string &, const std::string &) {
    return request_outcome::unavailable;
}

request_outcome account(uint32_t, const std::string &) { return request_outcome::unavailable; }

request_outcome authenticate_through_group(const radius_group_cfg &, const std::string &, const std::string &) {
    return request_outcome::unavailable;
}

namespace detail {

void probe_idle_servers() {}

void follow_dynauth_port(uint32_t) {}

}  // namespace detail
}  // namespace radsim
