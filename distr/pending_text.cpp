// The pending configuration as command text, and its difference from the
// running one.  Both render with the running-configuration generator; the
// difference captures each rendering through the shell and hands the two
// texts to the shell's comparison.
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "distr/distr.h"
#include "distr/running_config_text.hpp"
#include "frame/context.hpp"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"
#include "platform/shell_output.h"

namespace radius {

namespace {

constexpr uint32_t read_mode = 1;

struct free_text {
    void operator()(char *text) const { std::free(text); }
};

// A captured text, the caller's from vsh_get_buf on; null: nothing captured.
using captured_text = std::unique_ptr<char, free_text>;

// Distribution enabled and a pending configuration there to show; false
// after saying why not.  A missing pending copy shows the store's own text
// alone.
bool pending_configuration_exists(cmd_paraminfo *info) {
    const context store(info, read_mode);
    uint32_t enabled = 0;
    if (store.read_item_or_zero(RADIUS_ITEM_DISTRIBUTION, enabled) != 0) {
        std::puts("could not read qds enabled flag from pss");
        return false;
    }
    if (enabled == 0) {
        std::puts("RADIUS qds distribution not yet enabled");
        return false;
    }
    radius_global_cfg global{};
    const int32_t rc = store.read(global, store_copy::pending);
    if (rc == RADIUS_ERR_NO_PENDING) {
        print_error_radius(rc);
        return false;
    }
    if (rc != 0) {
        report_failure(rc, "could not retrieve RADIUS global configuration");
        return false;
    }
    return true;
}

// One rendering without keys or groups, with the capture on around the
// generator alone, so that no path leaves it on.
captured_text render_captured(cmd_paraminfo *info, int32_t pending, int32_t &rc) {
    vsh_set_redir2buf();
    rc = radius_new_pss_asciigen(info, pending, 0);
    captured_text text(vsh_get_buf());
    vsh_reset_redir2buf();
    return text;
}

}  // namespace

}  // namespace radius

extern "C" int32_t radius_new_qds_pending_asciigen(cmd_paraminfo *info) {
    if (!radius::pending_configuration_exists(info)) return 1;
    const int32_t rc = radius_new_pss_asciigen(info, 1, 1);
    if (rc == 0) return 0;
    radius::report_failure(rc, "could not read RADIUS pending configuration");
    return 1;
}

extern "C" int32_t radius_new_qds_diff_asciigen(cmd_paraminfo *info) {
    using namespace radius;
    if (!pending_configuration_exists(info)) return 1;
    int32_t rc = 0;
    captured_text running = render_captured(info, 0, rc);
    if (rc != 0) {
        report_failure(rc, "could not read RADIUS running configuration");
        return 1;
    }
    captured_text pending = render_captured(info, 1, rc);
    if (rc != 0) {
        report_failure(rc, "could not read RADIUS pending configuration");
        return 1;
    }
    if (running == nullptr && pending == nullptr) {
        print_error_radius(RADIUS_ERR_NO_PENDING);
        return 1;
    }
    vsh_diff(running.get(), pending.get());
    running.reset();
    pending.reset();
    return 0;
}
