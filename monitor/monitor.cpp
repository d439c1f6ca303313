// The server-monitoring parameter commands.  Both read the entry, apply the
// parameters to it in command-line order and write it back as the last
// step, so a refused command leaves the stored entry as it was.
#include "monitor/monitor.h"
#include "abi/param_ids.h"

#include <cstdio>
#include <cstring>

#include "frame/context.hpp"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"

namespace radius {

namespace {

constexpr size_t test_text_chars = 31;
constexpr size_t host_name_chars = 255;

// The reads and writes of these commands use the modes the AAA service and
// the store expect of them: 2, except the per-server entry read (1).
constexpr uint32_t command_mode = 2;
constexpr uint32_t server_entry_read_mode = 1;

// Monitoring parameters stay on this switch: say so when the rest of the
// RADIUS configuration is distributed.  False after a message when the
// flag cannot be read.
bool distribution_notice(const context &store) {
    uint32_t enabled = 0;
    if (store.read_item_or_zero(RADIUS_ITEM_DISTRIBUTION, enabled) != 0) {
        std::puts("could not read qds enabled flag from pss");
        return false;
    }
    if (enabled != 0) std::puts("Server-monitoring parameter configuration is exempted from QDS distribution");
    return true;
}

// With check_types a value of another type than `type` refuses the
// parameter; a parameter without a value is always refused.
bool value_usable(const cmd_param &param, uint32_t type, bool check_types) {
    return param.value != nullptr && (!check_types || param.type == type);
}

template <size_t N>
bool apply_text(const cmd_param &param, bool no_form, bool check_types, char (&field)[N]) {
    if (!value_usable(param, PARAM_TYPE_TEXT, check_types)) return false;
    copy_text(field, static_cast<const char *>(param.value), test_text_chars);
    // The "no" form takes the value like the plain one, then empties it; the
    // whole field goes, so no old password stays behind the NUL.
    if (no_form) clear_text(field);
    return true;
}

bool apply_param(const cmd_param &param, bool no_form, bool check_types, aaa_server_monitor_cfg &entry) {
    switch (param.id) {
        case PARAM_IDLE_TIME:
            if (!value_usable(param, PARAM_TYPE_U32, check_types)) return false;
            std::memcpy(&entry.idle_time, param.value, sizeof entry.idle_time);
            if (no_form) entry.idle_time = 0;
            return true;
        case PARAM_TEST_USER:
            return apply_text(param, no_form, check_types, entry.test_user);
        case PARAM_TEST_PASSWORD:
            return apply_text(param, no_form, check_types, entry.test_password);
        default:
            return true;
    }
}

// Applies every monitoring parameter; false (silently) when one is refused.
bool apply_params(const cmd_paraminfo *info, bool check_types, aaa_server_monitor_cfg &entry) {
    return walk_params(info, [&](const cmd_param &param) {
        return apply_param(param, info->no_form != 0, check_types, entry);
    });
}

// Copies a host parameter into server.host; false after a message for an
// address that cannot name a server.  The server is looked up by host
// alone, so addr_type goes back to 0.
bool copy_host(const cmd_param &param, radius_server_cfg &server) {
    const host_copy result = copy_server_host(param, server, host_name_chars);
    server.addr_type = 0;
    if (result == host_copy::unknown_kind) std::puts("Invalid host address");
    return result == host_copy::named;
}

// Finds the server named by the last host parameter (by host: index and
// addr_type stay 0); false after a message.
bool read_named_server(const context &store, radius_server_cfg &server) {
    const bool copied = walk_params(store.info(), [&](const cmd_param &param) {
        return param.id != PARAM_SERVER_HOST || copy_host(param, server);
    });
    if (!copied) return false;
    const int32_t rc = store.read(server);
    if (rc != 0) {
        report_failure(rc, "could not retrieve server configuration");
        return false;
    }
    return true;
}

}  // namespace

}  // namespace radius

using namespace radius;

extern "C" RADIUS_EXPORT int32_t config_global_server_monitor_params(cmd_paraminfo *info) {
    const context store(info, command_mode);
    if (!distribution_notice(store)) return 1;
    aaa_server_monitor_cfg entry;
    int32_t rc = store.read_monitor(AAA_MONITOR_GLOBAL_ID, entry);
    if (rc != 0 && rc != AAA_ERR_NO_MONITOR_ENTRY) {
        report_failure(rc, "Error in reading global server monitor configuration.");
        return 1;
    }
    if (!apply_params(info, true, entry)) return 1;
    rc = store.write_monitor(entry);
    if (rc != 0) {
        report_failure(rc, "Global server monotor configuration could not be updated");  // sic
        return 1;
    }
    return 0;
}

extern "C" RADIUS_EXPORT int32_t config_aaa_server_monitor_params(cmd_paraminfo *info) {
    const context store(info, command_mode);
    radius_server_cfg server{};
    if (!distribution_notice(store)) return 1;
    if (!read_named_server(store, server)) return 1;
    aaa_server_monitor_cfg entry;
    int32_t rc = store.with_mode(server_entry_read_mode).read_monitor(server.index, entry);
    if (rc != 0 && rc != AAA_ERR_NO_MONITOR_ENTRY) {
        report_failure(rc, "please configure the server first.");
        return 1;
    }
    // The per-server command takes its values without looking at their type.
    if (!apply_params(info, false, entry)) return 1;
    rc = store.write_monitor(entry);
    if (rc != 0) {
        print_error_radius(rc);
        std::printf("configuration for %.*s could not be updated\n", static_cast<int>(strnlen(server.host, 256)),
                    server.host);
        return 1;
    }
    return 0;
}
