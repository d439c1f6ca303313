// Server statistics: the display of one server or of all, the clearing of
// one, the printer of one server's block and the library's duration text.
// The AAA service's record is big-endian whatever the processor: every
// multi-byte field is read through load_be32/load_be64, and a counter is
// decoded into a native word before the shell is given its address.
#include <cstdio>

#include "abi/big_endian.h"
#include "abi/param_ids.h"
#include "abi/tags.h"
#include "frame/handler_frame.hpp"
#include "platform/aaa_service.h"
#include "platform/store_client.h"
#include "platform/system_services.h"
#include "stats/stats.h"
#include "stats/stats_common.hpp"

namespace radius {

namespace {

constexpr size_t host_chars = 255;
constexpr uint32_t server_read_mode = 1;
constexpr uint32_t get_mode = 1;   // ops 1 (get) and 3 (clear)
constexpr uint32_t walk_mode = 2;  // op 2 (get next)

// The state values of the enumerated state field.
constexpr uint32_t state_alive = 1;
constexpr uint32_t state_dead = 2;
constexpr uint32_t state_not_monitored = 3;

using time_text = char[100];

// ---- platform calls: one small function per kind ------------------------

int32_t request_stats(cmd_paraminfo *info, uint32_t op, radius_server_stats *stats) {
    const uint32_t mode = op == STATS_OP_GETNEXT ? walk_mode : get_mode;
    return cmi_aaa_server_stats(info->session_handle, AAA_STATS_SERVICE, op, stats, mode, &info->msg_ctx_a,
                                &info->msg_ctx_b);
}

int32_t read_server_by_host(cmd_paraminfo *info, radius_server_cfg *server) {
    return cmi_radius_new_server_config(info->session_handle, RADIUS_OP_READ, server, server_read_mode,
                                        &info->msg_ctx_a, &info->msg_ctx_b);
}

bool normalize_ipv6(char *host) { return aaa_server_normalize_ipv6_addr(host) != 0; }

cmd_out_handle *open_output(cmd_paraminfo *info) { return cmd_paraminfo_to_rxhandle(info); }

void release_unsent_output(cmd_out_handle *handle) { cmd_paraminfo_to_rxhandle_free(handle); }

void print_value(cmd_out_handle *handle, const char *format, uint32_t tag, const void *value) {
    cmd_prt(handle, format, cmd_tuple(tag, value), nullptr);
}

void print_plain(cmd_out_handle *handle, const char *format) { cmd_prt(handle, format, nullptr); }

int32_t send_output(cmd_out_handle *handle) { return cmd_prt_send(handle); }

void duration_text(uint64_t duration, time_text &text) { aaa_server_str_time(duration, text, sizeof text); }

void report_stats_failure(int32_t rc) { std::printf("error retrieving stats: %s\n", syserr2str(rc)); }

// ---- the server a host parameter names -----------------------------------

// Puts the index of the server named by `host` into stats.server_id of a
// cleared record; false after the message (none for a parameter that is no
// host).
bool name_server(cmd_paraminfo *info, const cmd_param &host, radius_server_stats &stats) {
    stats = {};
    if (host.type != PARAM_TYPE_HOST) return false;
    radius_server_cfg server{};
    copy_text(server.host, static_cast<const char *>(host.value), host_chars);
    if (host.addr_kind == ADDR_KIND_IPV6 && !normalize_ipv6(server.host)) {
        std::puts("invalid ipv6 address");
        return false;
    }
    const int32_t rc = read_server_by_host(info, &server);
    if (rc == RADIUS_ERR_SERVER_NOT_FOUND) {
        std::puts("RADIUS server not found");
        return false;
    }
    if (rc != 0) {
        report_failure(rc, "could not retrieve RADIUS server configuration");
        return false;
    }
    store_be32(stats.server_id, server.index);
    return true;
}

// ---- one server's block -----------------------------------------------------

using counter_field = uint8_t (radius_server_stats::*)[4];

// One counter line of both blocks: the accounting block keeps its
// counters in another order, so each block names its own field.
struct counter_line {
    const char *format;
    counter_field auth;
    uint32_t auth_tag;
    counter_field acct;
    uint32_t acct_tag;
};

constexpr counter_line counter_lines[] = {
    {"\tfailed transactions: %s\n", &radius_server_stats::auth_failed, TAG_STATS_AUTH_FAILED,
     &radius_server_stats::acct_failed, TAG_STATS_ACCT_FAILED},
    // "sucessfull" is the published text.
    {"\tsucessfull transactions: %s\n", &radius_server_stats::auth_successful, TAG_STATS_AUTH_SUCCESSFUL,
     &radius_server_stats::acct_successful, TAG_STATS_ACCT_SUCCESSFUL},
    {"\trequests sent: %s\n", &radius_server_stats::auth_sent, TAG_STATS_AUTH_SENT, &radius_server_stats::acct_sent,
     TAG_STATS_ACCT_SENT},
    {"\trequests timed out: %s\n", &radius_server_stats::auth_timed_out, TAG_STATS_AUTH_TIMED_OUT,
     &radius_server_stats::acct_timed_out, TAG_STATS_ACCT_TIMED_OUT},
    {"\tresponses with no matching requests: %s\n", &radius_server_stats::auth_no_match, TAG_STATS_AUTH_NO_MATCH,
     &radius_server_stats::acct_no_match, TAG_STATS_ACCT_NO_MATCH},
    {"\tresponses not processed: %s\n", &radius_server_stats::auth_not_processed, TAG_STATS_AUTH_NOT_PROCESSED,
     &radius_server_stats::acct_not_processed, TAG_STATS_ACCT_NOT_PROCESSED},
    {"\tresponses containing errors: %s\n", &radius_server_stats::auth_errors, TAG_STATS_AUTH_ERRORS,
     &radius_server_stats::acct_errors, TAG_STATS_ACCT_ERRORS},
};

void print_counters(cmd_out_handle *handle, const radius_server_stats &stats, bool accounting) {
    for (const counter_line &line : counter_lines) {
        const uint32_t value = load_be32(stats.*(accounting ? line.acct : line.auth));
        print_value(handle, line.format, accounting ? line.acct_tag : line.auth_tag, &value);
    }
}

uint32_t state_value(const radius_server_stats &stats) {
    if (stats.monitored == 0) return state_not_monitored;
    return stats.server_state == RADIUS_STATS_STATE_ALIVE ? state_alive : state_dead;
}

// The three time texts.  A server without a previous state has no dead
// history worth showing either: the previous-state field decides both.
struct time_texts {
    time_text since{};
    time_text previous = "N/A";
    time_text dead = "N/A";
};

void fill_time_texts(const radius_server_stats &stats, time_texts &texts) {
    duration_text(load_be64(stats.time_in_state), texts.since);
    const uint64_t previous = load_be64(stats.time_in_prev_state);
    if (previous == 0) return;
    duration_text(previous, texts.previous);
    duration_text(load_be64(stats.time_dead_total), texts.dead);
}

void print_state(cmd_out_handle *handle, const radius_server_stats &stats, const time_texts &texts) {
    const uint32_t state = state_value(stats);
    if (stats.monitored == 0) {
        print_value(handle, "Server is %s\n", TAG_STATS_STATE, &state);
        return;
    }
    const uint32_t times_dead = load_be32(stats.times_dead);
    print_value(handle, "Server is %s ", TAG_STATS_STATE, &state);
    print_value(handle, "since %s\n\n", TAG_STATS_SINCE, texts.since);
    print_plain(handle, "Monitoring Statistics\n");
    print_value(handle, "\tTime in previous state: %s\n", TAG_STATS_TIME_IN_PREVIOUS_STATE, texts.previous);
    print_value(handle, "\tNumber of times dead: %s\n", TAG_STATS_TIMES_DEAD, &times_dead);
    print_value(handle, "\tTotal time in dead state: %s\n", TAG_STATS_TIME_DEAD_TOTAL, texts.dead);
}

// ---- the two commands ---------------------------------------------------------

// A sent block's handle is left to the shell, which reclaims it when the
// command ends; only a handle cut short is released here.
bool show_one(cmd_paraminfo *info, const cmd_param &host, cmd_out_handle *handle) {
    radius_server_stats stats;
    if (!name_server(info, host, stats)) {
        release_unsent_output(handle);
        return false;
    }
    const int32_t rc = request_stats(info, STATS_OP_GET, &stats);
    if (rc != 0) {
        report_stats_failure(rc);
        release_unsent_output(handle);
        return false;
    }
    aaa_rserver_print_stats(handle, &stats);
    return true;
}

// Each reply is the cursor of the next request.  Blocks sent before a
// failure stay delivered.
bool show_all(cmd_paraminfo *info, cmd_out_handle *handle) {
    radius_server_stats stats{};
    int32_t rc;
    while ((rc = request_stats(info, STATS_OP_GETNEXT, &stats)) == 0) aaa_rserver_print_stats(handle, &stats);
    if (rc == AAA_ERR_NO_MORE_STATS) return true;
    std::puts("could not retrieve RADIUS server configuration");
    release_unsent_output(handle);
    return false;
}

}  // namespace

}  // namespace radius

using namespace radius;

extern "C" RADIUS_EXPORT int32_t aaa_rserver_print_stats(cmd_out_handle *handle, const radius_server_stats *stats) {
    time_texts texts;
    fill_time_texts(*stats, texts);
    print_state(handle, *stats, texts);
    print_plain(handle, "\nAuthentication Statistics\n");
    print_counters(handle, *stats, false);
    print_plain(handle, "\nAccounting Statistics\n");
    print_counters(handle, *stats, true);
    return send_output(handle);
}

extern "C" RADIUS_EXPORT int radius_server_str_time(uint64_t duration_ms, char *buffer, size_t size) {
    const uint64_t seconds = duration_ms / 1000;
    return std::snprintf(buffer, size, "%d hrs, %d min, %d sec", static_cast<int>(seconds / 3600),
                         static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

extern "C" RADIUS_EXPORT int32_t show_radius_statistics(cmd_paraminfo *info) {
    if (!on_active_sup(info)) return 1;
    cmd_out_handle *handle = open_output(info);
    if (handle == nullptr) {
        std::puts("receive handler NULL ");  // the trailing blank is part of the text
        return 1;
    }
    const cmd_param *host = first_param(info, PARAM_SERVER_HOST);
    const bool shown = host != nullptr ? show_one(info, *host, handle) : show_all(info, handle);
    return shown ? 0 : 1;
}

extern "C" RADIUS_EXPORT int32_t clear_radius_statistics(cmd_paraminfo *info) {
    if (!on_active_sup(info)) return 1;
    const cmd_param *host = first_param(info, PARAM_SERVER_HOST);
    if (host == nullptr) return 0;
    radius_server_stats stats;
    if (!name_server(info, *host, stats)) return 1;
    const int32_t rc = request_stats(info, STATS_OP_CLEAR, &stats);
    if (rc != 0) {
        report_stats_failure(rc);
        return 1;
    }
    return 0;
}
