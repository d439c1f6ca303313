// Every handler's platform calls at the largest configuration, from the
// simulator's call log, against the fewest its contract allows for the same
// command: each row's minimum is counted from the handler's algorithm (the
// reads, walks, writes and output calls it must make), so a ratio above
// 1.00 is work the library adds.  Calls the log leaves out (cmd_prt and
// its argument records, syserr2str) are not counted on either side.
#include <cstdlib>
#include <map>

#include "bench/bench_support.hpp"
#include "sim/radsim.h"

namespace radbench {

namespace {

using radius::shell::mode;

constexpr uint32_t servers = 64;
constexpr uint32_t groups = 64;  // the default group and 63 of 64 members
constexpr uint32_t members = 64;

struct call_case {
    const char *name;
    const char *line;
    mode in_mode;
    uint32_t minimum;
    const char *context_line = "";
};

// The minimum of each row, from the handler's algorithm; "walk" is one
// read-next per record plus the one that ends the walk.
constexpr uint32_t server_walk = servers + 1;
constexpr uint32_t group_walk = groups + 1;
constexpr uint32_t member_reads = (groups - 1) * members;  // the default group lists none
constexpr uint32_t config_lines = 4 + servers + (groups - 1) * (members + 2);  // key, 3 settings; group, members, deadtime

const call_case call_cases[] = {
    // handle, global, monitoring entry, a counting walk and a printing walk, send, free
    {"security_show_radius", "show radius-server", mode::exec, 5 + 2 * server_walk},
    // handle, global, monitoring entry, one walk into the block, send
    {"security_show_radius_sorted", "show radius-server sorted", mode::exec, 4 + server_walk},
    // handle, global, a counting walk and a printing walk, each member, send
    {"show_radius_new/all", "show radius-server groups", mode::exec, 3 + 2 * group_walk + member_reads},
    // handle, global, the group, each member, send
    {"show_radius_new/one", "show radius-server groups G01", mode::exec, 4 + members},
    // handle, command id, two globals, the global key and each server's
    // encrypted, server walk, group walk, each member, one buffer call a line
    {"radius_new_pss_asciigen/all", "show running-config radius all", mode::exec,
     4 + 1 + server_walk + servers + group_walk + member_reads + config_lines},
    // the same with the lines on the tagged channel: one send instead
    {"radius_new_pss_asciigen/tagged", "show running-config radius all | json", mode::exec,
     4 + 1 + server_walk + servers + group_walk + member_reads + 1},
    // handle, command id, the global, server walk, 3 setting lines and a line a server
    {"radius_new_pss_asciigen/no_keys", "show running-config radius", mode::exec, 3 + server_walk + 3 + servers},
    // handle, the server, its monitoring entry, send, free
    {"show_aaa_monitor_config", "show radius-server monitoring 10.0.0.2", mode::exec, 5},
    // handle, statistics walk, one time text and one send a server
    {"show_radius_statistics/all", "show radius-server statistics", mode::exec, 1 + server_walk + 2 * servers},
    // handle, the server, its statistics, one time text, send
    {"show_radius_statistics/one", "show radius-server statistics 10.0.0.2", mode::exec, 5},
    // the server, the clearing request
    {"clear_radius_statistics", "clear radius-server statistics 10.0.0.2", mode::exec, 2},
    // the script's run (its commands are calls of their own)
    {"show_tech_radius", "show tech-support radius", mode::exec, 1},
    // item 0
    {"show_debug_radius_new", "show debug radius", mode::exec, 1},
    // the daemon's dump
    {"radius_cli_show_memstats", "show system internal radius mem-stats", mode::exec, 1},
    // one request to the daemon
    {"aaa_server_radius_statistics", "show aaa server radius statistics", mode::exec, 1},
    // the system manager's start
    {"config_radius_enable", "radius enable", mode::configure, 1},
    // pending read, running read, distribution flag, write
    {"config_radius_global/timeout", "radius-server timeout 9", mode::configure, 4},
    {"config_radius_global/key", "radius-server key 0 NewKey9", mode::configure, 4},
    // the global and the server, each pending then running, write
    {"config_radius_server", "radius-server host 10.0.0.2 key 0 Other2 auth-port 1700 timeout 20", mode::configure, 5},
    // distribution flag, the entry, write
    {"config_global_server_monitor_params", "radius-server test idle-time 3", mode::configure, 3},
    // distribution flag, the server, its entry, write
    {"config_aaa_server_monitor_params", "radius-server host 10.0.0.2 test idle-time 3", mode::configure, 4},
    // the group, which exists and is not changed: no write
    {"config_radius_new_server_group/enter", "aaa group server radius G01", mode::configure, 1},
    // the group, the server by host, write
    {"config_radius_new_server_group/no_server", "no server 10.0.0.2", mode::server_group, 3,
     "aaa group server radius G01"},
    // the group, write
    {"config_radius_new_server_group/deadtime", "rdeadtime 7", mode::server_group, 2, "aaa group server radius G01"},
    // distribution flag, the server's read and write through the daemon's message
    {"config_radius_dynamic_author_server/enter", "aaa server radius dynamic-author", mode::configure, 3},
    // read, write
    {"config_radius_dynamic_author_server/port", "port 3799", mode::dynamic_author, 2},
};

void run_calls(benchmark::State &state, const call_case &c) {
    const prepared command(c.line, c.in_mode, c.context_line);
    const quiet_stdout quiet;
    std::map<std::string, uint32_t> counted;
    int32_t status = 0;
    for (auto _ : state) {
        state.PauseTiming();
        seed_largest();
        radsim::set_script_runner([](const std::string &) { return true; });
        radsim::set_call_log(true);
        radsim::clear_call_log();
        state.ResumeTiming();
        status = command.run();
        state.PauseTiming();
        counted.clear();
        for (const radsim::platform_call &call : radsim::call_log()) ++counted[call.name];
        radsim::set_call_log(false);
        state.ResumeTiming();
    }
    uint32_t calls = 0;
    for (const auto &[name, count] : counted) calls += count;
    state.counters["status"] = status;
    state.counters["calls"] = calls;
    state.counters["minimum"] = c.minimum;
    state.counters["ratio"] = c.minimum != 0 ? static_cast<double>(calls) / c.minimum : 0;
    if (std::getenv("RADBENCH_CALLS") != nullptr) {
        std::string list;
        for (const auto &[name, count] : counted) list += " " + name + "=" + std::to_string(count);
        state.SetLabel(list);
    }
}

}  // namespace

void register_call_ratios() {
    for (const call_case &c : call_cases) {
        benchmark::RegisterBenchmark((std::string("calls/") + c.name).c_str(),
                                     [&c](benchmark::State &state) { run_calls(state, c); })
            ->Iterations(20)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace radbench
