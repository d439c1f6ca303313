// Server statistics: the display of one server or of all, the clearing of
// one, the printer of one server's block and the library's duration text.
// The AAA service's record is big-endian whatever the processor: every
// multi-byte field is read through load_be32/load_be64, and a counter is
// decoded into a native word before the shell is given its address.
#include <cstdio>

#include "abi/big_endian.h"
#include "abi/param_ids.h"
#include "abi/tags.h"
#include "frame/context.hpp"
#include "frame/handler_frame.hpp"
#include "frame/output.hpp"
#include "platform/aaa_service.h"
#include "platform/system_services.h"
#include "stats/stats.h"

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
    if (host.addr_kind == ADDR_KIND_IPV6 && aaa_server_normalize_ipv6_addr(server.host) == 0) {
        std::puts("invalid ipv6 address");
        return false;
    }
    const int32_t rc = context(info, server_read_mode).read(server);
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

void print_counters(const output &out, const radius_server_stats &stats, bool accounting) {
    for (const counter_line &line : counter_lines) {
        const uint32_t value = load_be32(stats.*(accounting ? line.acct : line.auth));
        out.print_tuple(line.format, accounting ? line.acct_tag : line.auth_tag, &value);
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

void print_state(const output &out, const radius_server_stats &stats, const time_texts &texts) {
    const uint32_t state = state_value(stats);
    if (stats.monitored == 0) {
        out.print_tuple("Server is %s\n", TAG_STATS_STATE, &state);
        return;
    }
    const uint32_t times_dead = load_be32(stats.times_dead);
    out.print_tuple("Server is %s ", TAG_STATS_STATE, &state);
    out.print_tuple("since %s\n\n", TAG_STATS_SINCE, texts.since);
    out.print("Monitoring Statistics\n");
    out.print_tuple("\tTime in previous state: %s\n", TAG_STATS_TIME_IN_PREVIOUS_STATE, texts.previous);
    out.print_tuple("\tNumber of times dead: %s\n", TAG_STATS_TIMES_DEAD, &times_dead);
    out.print_tuple("\tTotal time in dead state: %s\n", TAG_STATS_TIME_DEAD_TOTAL, texts.dead);
}

// ---- the two commands ---------------------------------------------------------

// A sent block's handle is left to the shell, which reclaims it when the
// command ends; only a handle cut short is released here.
bool show_one(cmd_paraminfo *info, const cmd_param &host, output &out) {
    radius_server_stats stats;
    if (!name_server(info, host, stats)) return false;
    const int32_t rc = context(info, get_mode).server_stats(STATS_OP_GET, stats);
    if (rc != 0) {
        report_stats_failure(rc);
        return false;
    }
    aaa_rserver_print_stats(out.get(), &stats);
    out.leave_to_shell();
    return true;
}

// Each reply is the cursor of the next request.  Blocks sent before a
// failure stay delivered.
bool show_all(cmd_paraminfo *info, output &out) {
    const context aaa(info, walk_mode);
    radius_server_stats stats{};
    int32_t rc;
    while ((rc = aaa.server_stats(STATS_OP_GETNEXT, stats)) == 0) aaa_rserver_print_stats(out.get(), &stats);
    if (rc != AAA_ERR_NO_MORE_STATS) {
        std::puts("could not retrieve RADIUS server configuration");
        return false;
    }
    out.leave_to_shell();
    return true;
}

}  // namespace

}  // namespace radius

using namespace radius;

extern "C" RADIUS_EXPORT int32_t aaa_rserver_print_stats(cmd_out_handle *handle, const radius_server_stats *stats) {
    output out = output::borrowed(handle);
    time_texts texts;
    fill_time_texts(*stats, texts);
    print_state(out, *stats, texts);
    out.print("\nAuthentication Statistics\n");
    print_counters(out, *stats, false);
    out.print("\nAccounting Statistics\n");
    print_counters(out, *stats, true);
    return out.send_and_keep();
}

extern "C" RADIUS_EXPORT int radius_server_str_time(uint64_t duration_ms, char *buffer, size_t size) {
    const uint64_t seconds = duration_ms / 1000;
    return std::snprintf(buffer, size, "%d hrs, %d min, %d sec", static_cast<int>(seconds / 3600),
                         static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

extern "C" RADIUS_EXPORT int32_t show_radius_statistics(cmd_paraminfo *info) {
    if (!on_active_sup(info)) return 1;
    output out = open_output(info, "receive handler NULL ");  // the trailing blank is part of the text
    if (!out) return 1;
    const cmd_param *host = first_param(info, PARAM_SERVER_HOST);
    const bool shown = host != nullptr ? show_one(info, *host, out) : show_all(info, out);
    return shown ? 0 : 1;
}

extern "C" RADIUS_EXPORT int32_t clear_radius_statistics(cmd_paraminfo *info) {
    if (!on_active_sup(info)) return 1;
    const cmd_param *host = first_param(info, PARAM_SERVER_HOST);
    if (host == nullptr) return 0;
    radius_server_stats stats;
    if (!name_server(info, *host, stats)) return 1;
    const int32_t rc = context(info, get_mode).server_stats(STATS_OP_CLEAR, stats);
    if (rc != 0) {
        report_stats_failure(rc);
        return 1;
    }
    return 0;
}
