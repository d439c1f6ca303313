// The display of one server with its monitoring values.  Secrets never
// show: a configured shared secret and any test password print as the mask.
#include <array>
#include <cstdio>

#include "frame/handler_frame.hpp"
#include "abi/param_ids.h"
#include "monitor/monitor.h"
#include "monitor/monitor_entry.hpp"
#include "platform/aaa_service.h"
#include "show/display_rows.hpp"
#include "show/service_ports.hpp"

namespace radius {

namespace {

constexpr size_t host_chars = 255;
constexpr uint32_t read_mode = 1;

// Shown when the entry has no test user: the service probes with this name.
constexpr char default_test_user[] = "test";

const cmd_param *first_host_param(const cmd_paraminfo *info) {
    const cmd_param *host = nullptr;
    walk_params(info, [&](const cmd_param &param) {
        if (param.id == PARAM_SERVER_HOST) host = &param;
        return host == nullptr;
    });
    return host;
}

// Reads the server named by `host` and its monitoring entry; false after a
// message (silently for a parameter that is no host address).
bool read_server_and_entry(cmd_paraminfo *info, const cmd_param &host, radius_server_cfg &server,
                           aaa_server_monitor_cfg &entry) {
    if (host.type != PARAM_TYPE_HOST) return false;
    copy_text(server.host, static_cast<const char *>(host.value), host_chars);
    if (host.addr_kind == ADDR_KIND_IPV6 && aaa_server_normalize_ipv6_addr(server.host) == 0) {
        std::puts("invalid ipv6 address");
        return false;
    }
    int32_t rc = cmi_radius_new_server_config(info->session_handle, RADIUS_OP_READ, &server, read_mode,
                                              &info->msg_ctx_a, &info->msg_ctx_b);
    if (rc == RADIUS_ERR_SERVER_NOT_FOUND) {
        std::puts("RADIUS server not found");
        return false;
    }
    if (rc == 0) {
        rc = read_monitor_entry(info->session_handle, server.index, read_mode, &entry, &info->msg_ctx_a,
                                &info->msg_ctx_b);
        if (rc == AAA_ERR_NO_MONITOR_ENTRY) rc = 0;
    }
    if (rc != 0) {
        report_failure(rc, "could not retrieve RADIUS server configuration");
        return false;
    }
    return true;
}

std::array<display_row, 9> monitor_rows(const radius_server_cfg &server, const aaa_server_monitor_cfg &entry) {
    const char *test_user = entry.test_user[0] != '\0' ? entry.test_user : default_test_user;
    const uint32_t test_user_length =
        entry.test_user[0] != '\0' ? field_text_length(entry.test_user) : text_length(default_test_user);
    return {{
        {true, "\t%s:\n", TAG_MON_HOST, server.host, field_text_length(server.host)},
        {server.authentication != 0, "\t\tavailable for authentication on port:%s\n", TAG_MON_AUTH_PORT,
         &server.auth_port, 4},
        {server.accounting != 0, "\t\tavailable for accounting on port:%s\n", TAG_MON_ACCT_PORT, &server.acct_port, 4},
        {server.key[0] != '\0', "\t\tRADIUS shared secret:%s\n", TAG_MON_SECRET, secret_mask_256, 256},
        {server.timeout != 0, "\t\ttimeout:%s\n", TAG_MON_TIMEOUT, &server.timeout, 4},
        {server.retransmit != 0, "\t\tretries:%s\n", TAG_MON_RETRANSMIT, &server.retransmit, 4},
        {true, "\t\tidle time:%s\n", TAG_MON_IDLE_TIME, &entry.idle_time, 4},
        {true, "\t\ttest user:%s\n", TAG_MON_TEST_USER, test_user, test_user_length},
        {true, "\t\ttest password:%s\n", TAG_MON_TEST_PASSWORD, secret_mask, text_length(secret_mask)},
    }};
}

}  // namespace

}  // namespace radius

using namespace radius;

extern "C" RADIUS_EXPORT int32_t show_aaa_monitor_config(cmd_paraminfo *info) {
    cmd_out_handle *handle = open_tagged_display(info, "received handle NULL.");
    if (handle == nullptr) return 1;
    const cmd_param *host = first_host_param(info);
    if (host == nullptr) {
        // Nothing to show is no failure.
        cmd_req_handle_free(handle);
        return 0;
    }
    radius_server_cfg server{};
    aaa_server_monitor_cfg entry{};
    if (!read_server_and_entry(info, *host, server, entry)) {
        cmd_req_handle_free(handle);
        return 1;
    }
    fill_default_port(&server.auth_port, auth_service);
    fill_default_port(&server.acct_port, acct_service);
    print_rows(handle, monitor_rows(server, entry));
    cmd_prt_send(handle);
    cmd_req_handle_free(handle);
    return 0;
}
