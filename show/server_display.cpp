// The server displays.  The two tagged handlers print the same facts with
// different texts, tags, lengths and line order (other components parse
// each by its own tags), so each has its own row tables.
#include "show/server_display.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame/context.hpp"
#include "frame/handler_frame.hpp"
#include "frame/output.hpp"
#include "frame/service_ports.hpp"
#include "show/server_display_internal.hpp"

namespace radius {

namespace {

constexpr uint32_t unsorted_mode = 2;
constexpr uint32_t sorted_mode = 1;
constexpr size_t sorted_block_records = 64;

constexpr char servers_heading[] = "\nfollowing RADIUS servers are configured:\n";

// What the global lines show: the settings, the global monitoring entry
// (when the service has one) and the number of servers the walk found.
struct global_view {
    radius_global_cfg global{};
    aaa_server_monitor_cfg monitor{};
    bool monitor_read = false;
    uint32_t server_count = 0;
};

// Fills the default ports a display shows for the roles the server has.
void fill_shown_ports(const service_ports &ports, radius_server_cfg &server) {
    if (server.authentication != 0) ports.fill_auth(server.auth_port);
    if (server.accounting != 0) ports.fill_acct(server.acct_port);
}

// The global monitoring entry is always read with mode 1.
int32_t read_global_monitor(const context &store, aaa_server_monitor_cfg &monitor) {
    return store.with_mode(1).read_monitor(AAA_MONITOR_GLOBAL_ID, monitor);
}

std::array<display_row, 8> unsorted_global_rows(const global_view &view) {
    const radius_global_cfg &global = view.global;
    const aaa_server_monitor_cfg &monitor = view.monitor;
    return {{
        {global.key[0] != '\0', "Global RADIUS shared secret:%s\n", TAG_SRV_GLOBAL_SECRET, secret_mask, text_length(secret_mask)},
        {true, "retransmission count:%s\n", TAG_SRV_GLOBAL_RETRANSMIT, &global.retransmit, 4},
        {true, "timeout value:%s\n", TAG_SRV_GLOBAL_TIMEOUT, &global.timeout, 4},
        {true, "deadtime value:%s\n", TAG_SRV_GLOBAL_DEADTIME, &global.deadtime, 4},
        {view.monitor_read && monitor.idle_time != 0, "Global Idle Time:%s\n", TAG_SRV_GLOBAL_IDLE_TIME, &monitor.idle_time, 4},
        {view.monitor_read && monitor.test_user[0] != '\0', "Global Test Username:%s\n", TAG_SRV_GLOBAL_TEST_USER,
         monitor.test_user, field_text_length(monitor.test_user)},
        {view.monitor_read && monitor.test_password[0] != '\0', "Global Test Password:%s\n", TAG_SRV_GLOBAL_TEST_PASSWORD,
         monitor.test_password, field_text_length(monitor.test_password)},
        {true, "total number of servers:%s\n", TAG_SRV_COUNT, &view.server_count, 4},
    }};
}

std::array<display_row, 6> unsorted_server_rows(const radius_server_cfg &server) {
    return {{
        {true, "\t%s:\n", TAG_SRV_HOST, server.host, field_text_length(server.host)},
        {server.authentication != 0, "\t\tavailable for authentication on port:%s\n", TAG_SRV_AUTH_PORT, &server.auth_port, 4},
        {server.accounting != 0, "\t\tavailable for accounting on port:%s\n", TAG_SRV_ACCT_PORT, &server.acct_port, 4},
        {server.key[0] != '\0', "\t\tRADIUS shared secret:%s\n", TAG_SRV_SECRET, secret_mask_256, 256},
        {server.timeout != 0, "\t\ttimeout:%s\n", TAG_SRV_TIMEOUT, &server.timeout, 4},
        {server.retransmit != 0, "\t\tretries:%s\n", TAG_SRV_RETRANSMIT, &server.retransmit, 4},
    }};
}

std::array<display_row, 8> sorted_global_rows(const global_view &view) {
    const radius_global_cfg &global = view.global;
    const aaa_server_monitor_cfg &monitor = view.monitor;
    return {{
        {global.key[0] != '\0', "Global RADIUS shared secret:%s\n", TAG_SORTED_GLOBAL_SECRET, secret_mask_64, 64},
        {true, "timeout value:%s\n", TAG_SORTED_GLOBAL_TIMEOUT, &global.timeout, 4},
        {true, "retransmission count:%s\n", TAG_SORTED_GLOBAL_RETRANSMIT, &global.retransmit, 4},
        {true, "deadtime value:%s\n", TAG_SORTED_GLOBAL_DEADTIME, &global.deadtime, 4},
        {view.monitor_read && monitor.idle_time != 0, "Global Idle Time:%s\n", TAG_SORTED_GLOBAL_IDLE_TIME, &monitor.idle_time, 4},
        {view.monitor_read && monitor.test_user[0] != '\0', "Global Test Username:%s\n", TAG_SORTED_GLOBAL_TEST_USER,
         monitor.test_user, 32},
        {view.monitor_read && monitor.test_password[0] != '\0', "Global Test Password:%s\n", TAG_SORTED_GLOBAL_TEST_PASSWORD,
         monitor.test_password, 32},
        {true, "total number of servers:%s\n", TAG_SORTED_COUNT, &view.server_count, 4},
    }};
}

std::array<display_row, 6> sorted_server_rows(const radius_server_cfg &server) {
    return {{
        {true, "\t%s:\n", TAG_SORTED_HOST, server.host, 256},
        {server.authentication != 0, "\t\tavailable for authentication on port: %s\n", TAG_SORTED_AUTH_PORT,
         &server.auth_port, 4},
        {server.accounting != 0, "\t\tavailable for accounting on port: %s\n", TAG_SORTED_ACCT_PORT, &server.acct_port, 4},
        {server.key[0] != '\0', "\t\tRadius shared secret:%s\n", TAG_SORTED_SECRET, secret_mask_64, 64},
        {server.timeout != 0, "\t\ttimeout:%s\n", TAG_SORTED_TIMEOUT, &server.timeout, 4},
        {server.retransmit != 0, "\t\tretries:%s\n", TAG_SORTED_RETRANSMIT, &server.retransmit, 4},
    }};
}

// Reads the global record and the global monitoring entry; on failure
// prints why, releases the handle and returns false.
bool read_global_view(const context &store, output &out, global_view &view) {
    if (store.read(view.global) != 0) {
        std::puts("could not extract global RADIUS configuration");
        out.release_unsent();
        return false;
    }
    const int32_t rc = read_global_monitor(store, view.monitor);
    if (rc != 0 && rc != AAA_ERR_NO_MONITOR_ENTRY) {
        report_failure(rc, "could not retrieve RADIUS global server monitor configuration");
        out.release_unsent();
        return false;
    }
    view.monitor_read = rc == 0;
    return true;
}

// The sorted display's copy of every server: one heap block of 64 records,
// doubled whenever the store yields more, so that no configured server is
// left out of the list.  Server records may carry clear keys: the block is
// wiped before it is freed.
class server_block {
public:
    server_block()
        : records_(static_cast<radius_server_cfg *>(std::calloc(sorted_block_records, sizeof(radius_server_cfg)))) {
        if (records_ != nullptr) capacity_ = sorted_block_records;
    }
    ~server_block() {
        if (records_ != nullptr) explicit_bzero(records_, capacity_ * sizeof(radius_server_cfg));
        std::free(records_);
    }
    server_block(const server_block &) = delete;
    server_block &operator=(const server_block &) = delete;

    bool allocated() const { return records_ != nullptr; }
    size_t count() const { return count_; }
    radius_server_cfg *records() { return records_; }

    // Appends a copy of `server`; false when the block cannot grow.
    bool append(const radius_server_cfg &server) {
        if (count_ == capacity_ && !grow()) return false;
        records_[count_++] = server;
        return true;
    }

private:
    bool grow() {
        // A fresh block rather than realloc, so the old copy can be wiped.
        auto *larger = static_cast<radius_server_cfg *>(std::calloc(capacity_ * 2, sizeof(radius_server_cfg)));
        if (larger == nullptr) return false;
        std::memcpy(larger, records_, count_ * sizeof(radius_server_cfg));
        explicit_bzero(records_, capacity_ * sizeof(radius_server_cfg));
        std::free(records_);
        records_ = larger;
        capacity_ *= 2;
        return true;
    }

    radius_server_cfg *records_;
    size_t capacity_ = 0;
    size_t count_ = 0;
};

// Copies every server into the block; false after a message.
bool collect_servers(const context &store, server_block &block) {
    bool out_of_memory = false;
    const int32_t rc = store.walk_servers(store_copy::running, [&](const radius_server_cfg &server) {
        out_of_memory = !block.append(server);
        return !out_of_memory;
    });
    if (out_of_memory) {
        std::puts("could not allocate memmory");  // sic: the system's own text
        return false;
    }
    if (rc != 0) {
        report_failure(rc, "could not retrieve RADIUS server configuration");
        return false;
    }
    return true;
}

void print_sorted_servers(const output &out, server_block &block) {
    std::qsort(block.records(), block.count(), sizeof(radius_server_cfg), radius_server_host_cmp);
    out.print(servers_heading);
    const service_ports ports = service_ports::look_up();
    for (size_t i = 0; i < block.count(); ++i) {
        radius_server_cfg &server = block.records()[i];
        fill_shown_ports(ports, server);
        out.print(sorted_server_rows(server));
    }
}

int32_t count_servers(const context &store, uint32_t *count) {
    return store.walk_servers(store_copy::running, [&](const radius_server_cfg &) {
        ++*count;
        return true;
    });
}

int32_t print_unsorted_servers(const context &store, const output &out) {
    out.print(servers_heading);
    const service_ports ports = service_ports::look_up();
    return store.walk_servers(store_copy::running, [&](radius_server_cfg &server) {
        fill_shown_ports(ports, server);
        out.print(unsorted_server_rows(server));
        return true;
    });
}

template <size_t N>
int field_width(const char (&field)[N]) {
    return static_cast<int>(strnlen(field, N));
}

void print_global_key(const radius_global_cfg &global, int32_t show_key) {
    if (global.key[0] == '\0') return;
    if (show_key != 0) {
        std::printf("Global RADIUS shared secret:%.*s\n", field_width(global.key), global.key);
    } else {
        std::puts("Global RADIUS shared secret:********");
    }
}

void print_global_monitor(const aaa_server_monitor_cfg &monitor) {
    if (monitor.idle_time != 0) std::printf("Global Idle Time:%u\n", monitor.idle_time);
    if (monitor.test_user[0] != '\0') {
        std::printf("Global Test Username:%.*s\n", field_width(monitor.test_user), monitor.test_user);
    }
    if (monitor.test_password[0] != '\0') {
        std::printf("Global Test Password:%.*s\n", field_width(monitor.test_password), monitor.test_password);
    }
}

}  // namespace

int radius_server_host_cmp(const void *a, const void *b) {
    const auto *left = static_cast<const radius_server_cfg *>(a);
    const auto *right = static_cast<const radius_server_cfg *>(b);
    return std::strncmp(left->host, right->host, sizeof left->host);
}

}  // namespace radius

using namespace radius;

extern "C" RADIUS_EXPORT int32_t security_show_radius(cmd_paraminfo *info) {
    output out = open_tagged_display(info, "received handle NULL.");
    if (!out) return 1;
    const context store(info, unsorted_mode);
    global_view view;
    if (!read_global_view(store, out, view)) return 1;
    if (const int32_t rc = count_servers(store, &view.server_count); rc != 0) {
        report_failure(rc, "could not retrieve RADIUS server configuration");
        out.release_unsent();
        return 1;
    }
    out.print(unsorted_global_rows(view));
    int32_t status = 0;
    if (view.server_count != 0) {
        if (const int32_t rc = print_unsorted_servers(store, out); rc != 0) {
            // The lines printed so far still reach the user.
            report_failure(rc, "could not retrieve RADIUS server configuration");
            status = 1;
        }
    }
    out.send_and_release();
    return status;
}

extern "C" RADIUS_EXPORT int32_t security_show_radius_sorted(cmd_paraminfo *info) {
    output out = open_tagged_display(info, "received handle NULL");
    if (!out) return 1;
    const context store(info, sorted_mode);
    global_view view;
    if (!read_global_view(store, out, view)) return 1;
    server_block block;
    if (!block.allocated()) {
        std::puts("could not allocate memmory");  // sic: the system's own text
        out.release_unsent();
        return 1;
    }
    if (!collect_servers(store, block)) {
        out.release_unsent();
        return 1;
    }
    view.server_count = static_cast<uint32_t>(block.count());
    out.print(sorted_global_rows(view));
    if (block.count() != 0) print_sorted_servers(out, block);
    // The shell releases the handle of a sent report itself.
    out.send_and_keep();
    return 0;
}

extern "C" RADIUS_EXPORT int32_t show_radius_global(uint32_t session_handle, int32_t show_key, uint32_t mode,
                                                    cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b) {
    const context store(session_handle, ctx_a, ctx_b, mode);
    radius_global_cfg global{};
    if (store.read(global) != 0) {
        std::puts("could not extract global RADIUS configuration");
        return -1;
    }
    aaa_server_monitor_cfg monitor{};
    const int32_t rc = read_global_monitor(store, monitor);
    if (rc != 0 && rc != AAA_ERR_NO_MONITOR_ENTRY) {
        report_failure(rc, "could not retrieve RADIUS global server monitor configuration");
        explicit_bzero(global.key, sizeof global.key);
        return 1;
    }
    print_global_key(global, show_key);
    explicit_bzero(global.key, sizeof global.key);
    std::printf("retransmission count: %u\n", global.retransmit);
    std::printf("timeout value       : %u\n", global.timeout);
    std::printf("deadtime value      : %u\n", global.deadtime);
    if (rc == 0) print_global_monitor(monitor);
    std::printf("Total number of servers: %u\n", global.server_count);
    std::printf("Total number of groups : %u\n", global.group_count);
    return 0;
}

extern "C" RADIUS_EXPORT int32_t radius_print_server_details(int32_t, radius_server_cfg *server) {
    if (server == nullptr) return 1;
    fill_shown_ports(service_ports::look_up(), *server);
    std::printf("\t%.*s:\n", field_width(server->host), server->host);
    if (server->authentication != 0) std::printf("\t\tavailable for authentication on port:%u\n", server->auth_port);
    if (server->accounting != 0) std::printf("\t\tavailable for accounting on port:%u\n", server->acct_port);
    if (server->key[0] != '\0') std::puts("\t\tRADIUS shared secret:********");
    if (server->timeout != 0) std::printf("\t\ttimeout:%u\n", server->timeout);
    if (server->retransmit != 0) std::printf("\t\tretries:%u\n", server->retransmit);
    return 0;
}
