// The feature manager: which optional features of the switch are enabled.
// The shell turns them on and off, since the switch's own feature manager
// is not ours to simulate in full.
#include <set>

#include "platform/system_services.h"
#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

std::set<std::string> &enabled_features() {
    static std::set<std::string> features;
    return features;
}

}  // namespace

void set_feature(const std::string &name, bool enabled) {
    if (enabled) {
        enabled_features().insert(name);
    } else {
        enabled_features().erase(name);
    }
}

bool feature_enabled(const std::string &name) { return enabled_features().contains(name); }

namespace detail {
void reset_features() { enabled_features().clear(); }
}  // namespace detail

}  // namespace radsim

// status: 1 enabled, 2 disabled.  A fault sets *error to its code.
extern "C" void fm_cmi_get_feature_status(uint32_t session_handle, const char *feature, cmd_msg_ctx *ctx_a,
                                             cmd_msg_ctx *ctx_b, uint32_t *status, uint32_t *error) {
    const std::string name = feature == nullptr ? "" : feature;
    const auto fault = radsim::detail::enter(__func__, "feature=" + name);
    radsim::detail::check_session(__func__, session_handle);
    radsim::detail::check_context(__func__, ctx_a, ctx_b);
    if (status == nullptr || error == nullptr) {
        radsim::detail::record_violation("fm_cmi_get_feature_status: no status or error word");
        return;
    }
    if (fault) {
        *error = static_cast<uint32_t>(fault->result);
        return;
    }
    *status = radsim::feature_enabled(name) ? 1 : 2;
}
