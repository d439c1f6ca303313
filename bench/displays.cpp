// The generator and the displays at the largest configuration, each timed
// in the same loop as the bare platform work its contract cannot avoid:
// the store reads it must make, the keys it must encrypt and the one
// lookup of the services' ports per command, with nothing printed.  The
// ratio is what the library and the output channel add.
#include <netdb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include "bench/bench_support.hpp"
#include "platform/aaa_service.h"
#include "platform/key_encryption.h"
#include "platform/store_client.h"
#include "sim/radsim.h"

namespace radbench {

namespace {

using radius::shell::mode;

constexpr int32_t store_ok = 0;

// The store calls of one request, with its session handle and context blocks.
class bare_request {
public:
    int32_t global(radius_global_cfg &cfg, uint32_t mode) {
        return cmi_radius_new_global_config(scope_.session(), 1, &cfg, mode, scope_.ctx_a(), scope_.ctx_b());
    }
    int32_t server(uint32_t op, radius_server_cfg &cfg, uint32_t mode) {
        return cmi_radius_new_server_config(scope_.session(), op, &cfg, mode, scope_.ctx_a(), scope_.ctx_b());
    }
    int32_t group(uint32_t op, radius_group_cfg &cfg) {
        return cmi_radius_new_group_config(scope_.session(), op, &cfg, 1, scope_.ctx_a(), scope_.ctx_b());
    }
    int32_t global_monitor() {
        aaa_server_monitor_cfg monitor{};
        monitor.server_id = AAA_MONITOR_GLOBAL_ID;
        return cmi_aaa_server_monitor_config(scope_.session(), 8450, 1, &monitor, 1, scope_.ctx_a(), scope_.ctx_b());
    }
    // Every server, in the store's order: the number read.
    size_t walk_servers(uint32_t mode, bool encrypt_keys) {
        radius_server_cfg server{};
        size_t count = 0;
        while (this->server(2, server, mode) == store_ok) {
            ++count;
            if (encrypt_keys) encrypt(server.key);
        }
        return count;
    }

    static void encrypt(const char *key) {
        char *out = nullptr;
        uint32_t length = 0;
        if (radius_new_security_conf_encrypt(key, 7, 0, 0, &out, &length) == 0) std::free(out);
    }

private:
    request_scope scope_;
};

// The services' ports, which every one of these commands looks up once
// whether or not a server keeps port 0 (each lookup reads the services
// database).
void look_up_ports() {
    benchmark::DoNotOptimize(getservbyname("radius", "udp"));
    benchmark::DoNotOptimize(getservbyname("radacct", "udp"));
}

// Each server's members read by index, for every group but the default one.
void read_members(bare_request &request, const radius_group_cfg &group) {
    if (std::strncmp(group.name, "radius", sizeof group.name) == 0) return;
    for (int32_t slot = 0; slot < group.member_count; ++slot) {
        radius_server_cfg member{};
        member.index = group.members[slot];
        request.server(1, member, 1);
    }
}

void walk_groups(bare_request &request, bool read_members_too) {
    radius_group_cfg group{};
    while (request.group(2, group) == store_ok) {
        if (read_members_too) read_members(request, group);
    }
}

// The ports, two global reads (the settings and the running key), every
// server read and its key encrypted, every group and each member read.
void bare_generator() {
    bare_request request;
    radius_global_cfg settings{};
    radius_global_cfg running{};
    look_up_ports();
    request.global(settings, 1);
    request.global(running, 1);
    bare_request::encrypt(running.key);
    request.walk_servers(1, true);
    walk_groups(request, true);
}

// The ports, the global record and monitoring entry, a counting walk and a
// printing walk.
void bare_servers(uint32_t store_mode, int walks) {
    look_up_ports();
    bare_request request;
    radius_global_cfg global{};
    request.global(global, store_mode);
    request.global_monitor();
    for (int walk = 0; walk < walks; ++walk) request.walk_servers(store_mode, false);
}

// The ports, the global record, a counting walk of the groups and a
// printing walk that reads each member.
void bare_groups() {
    look_up_ports();
    bare_request request;
    radius_global_cfg global{};
    request.global(global, 1);
    walk_groups(request, false);
    walk_groups(request, true);
}

struct display_case {
    const char *name;
    const char *line;
    bool explicit_ports;
    void (*bare)();
};

const display_case display_cases[] = {
    {"generator_text", "show running-config radius all", false, bare_generator},
    {"generator_tagged", "show running-config radius all | json", false, bare_generator},
    {"servers", "show radius-server", false, [] { bare_servers(2, 2); }},
    {"servers_sorted", "show radius-server sorted", false, [] { bare_servers(1, 1); }},
    {"groups_explicit_ports", "show radius-server groups", true, bare_groups},
    {"groups_default_ports", "show radius-server groups", false, bare_groups},
};

// Seconds per display with explicit ports, for the default-ports row after it.
double explicit_ports_seconds = 0;

void run_display(benchmark::State &state, const display_case &c) {
    seed_largest(c.explicit_ports);
    const prepared display(c.line, mode::exec);
    const quiet_stdout quiet;
    double subject = 0;
    double baseline = 0;
    for (auto _ : state) {
        const double start = cpu_seconds();
        if (display.run() != 0) state.SkipWithError("the display failed");
        radsim::take_shell_buffer();
        const double seconds = cpu_seconds() - start;
        state.SetIterationTime(seconds);
        subject += seconds;
        const double bare_start = cpu_seconds();
        c.bare();
        baseline += cpu_seconds() - bare_start;
    }
    report_ratio(state, subject, baseline);
    const double per_display = subject / static_cast<double>(state.iterations());
    if (c.explicit_ports) explicit_ports_seconds = per_display;
    if (!c.explicit_ports && explicit_ports_seconds > 0 && std::string_view(c.name) == "groups_default_ports") {
        state.counters["vs_explicit_ports"] = per_display / explicit_ports_seconds;
    }
}

}  // namespace

void register_displays() {
    for (const display_case &c : display_cases) {
        benchmark::RegisterBenchmark((std::string("display/") + c.name).c_str(),
                                     [&c](benchmark::State &state) { run_display(state, c); })
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace radbench
