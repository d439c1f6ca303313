// The display of one server with its monitoring values.  Secrets never
// show: a configured shared secret and any test password print as the mask.
#include <array>
#include <cstdio>

#include "abi/param_ids.h"
#include "frame/context.hpp"
#include "frame/handler_frame.hpp"
#include "frame/output.hpp"
#include "frame/service_ports.hpp"
#include "monitor/monitor.h"

namespace radius {

namespace {

constexpr size_t host_chars = 255;
constexpr uint32_t read_mode = 1;

// Shown when the entry has no test user: the service probes with this name.
constexpr char default_test_user[] = "test";

// Reads the server named by `host` and its monitoring entry; false after a
// message (silently for a parameter that is no host address).
bool read_server_and_entry(const context &store, const cmd_param &host, radius_server_cfg &server,
                           aaa_server_monitor_cfg &entry) {
    if (host.type != PARAM_TYPE_HOST) return false;
    copy_text(server.host, static_cast<const char *>(host.value), host_chars);
    if (host.addr_kind == ADDR_KIND_IPV6 && aaa_server_normalize_ipv6_addr(server.host) == 0) {
        std::puts("invalid ipv6 address");
        return false;
    }
    int32_t rc = store.read(server);
    if (rc == RADIUS_ERR_SERVER_NOT_FOUND) {
        std::puts("RADIUS server not found");
        return false;
    }
    if (rc == 0) {
        rc = store.read_monitor(server.index, entry);
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
    output out = open_tagged_display(info, "received handle NULL.");
    if (!out) return 1;
    const cmd_param *host = first_param(info, PARAM_SERVER_HOST);
    if (host == nullptr) {
        // Nothing to show is no failure.
        out.release_unsent();
        return 0;
    }
    radius_server_cfg server{};
    aaa_server_monitor_cfg entry{};
    if (!read_server_and_entry(context(info, read_mode), *host, server, entry)) {
        out.release_unsent();
        return 1;
    }
    const service_ports ports = service_ports::look_up();
    ports.fill_defaults(server);
    out.print(monitor_rows(server, entry));
    out.send_and_release();
    return 0;
}
