// What every benchmark shares: the command library loaded as the shell
// loads it, the largest configuration the store can hold, command lines
// turned into the blocks handlers receive, and figures set beside their
// baselines.
#pragma once

#include <benchmark/benchmark.h>

#include <time.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "shell/grammar.hpp"
#include "shell/param_block.hpp"
#include "shell/parser.hpp"
#include "shell/plugin.hpp"

namespace radbench {

// The build's libradiuscmd.so, loaded once.
const radius::shell::handler_library &library();

// The largest configuration: a global key and settings, the global
// monitoring entry, 64 servers with every option and a clear key, and 63
// groups (beside the default one) of 64 members each.  `explicit_ports`
// gives the servers the services' own ports written out instead of 0, the
// port every display must look up.
void seed_largest(bool explicit_ports = false);

// One command line, parsed as the shell parses it, ready to run again and
// again.  `context_line` is the configuration-mode line that enters the
// submode the command belongs to (its group name goes first).
class prepared {
public:
    prepared(std::string_view line, radius::shell::mode in_mode, std::string_view context_line = {});
    // Runs the bound handler in one request, as the shell does; its status.
    int32_t run() const;

private:
    const radius::shell::command_def *def_;
    bool no_form_;
    uint32_t cmd_id_;
    std::vector<radius::shell::argument> args_;
    void *handler_;
};

// One request of the simulated switch around platform calls made
// directly (the baselines): a parameter block whose session handle and
// context blocks the simulator expects on every call while it lives.
class request_scope {
public:
    request_scope();
    ~request_scope();
    request_scope(const request_scope &) = delete;
    request_scope &operator=(const request_scope &) = delete;

    uint32_t session() { return block_.info()->session_handle; }
    cmd_msg_ctx *ctx_a() { return &block_.info()->msg_ctx_a; }
    cmd_msg_ctx *ctx_b() { return &block_.info()->msg_ctx_b; }

private:
    radius::shell::param_block block_;
};

// Points the standard output at /dev/null while it lives: the handlers'
// messages and the running configuration must not mix with the report.
class quiet_stdout {
public:
    quiet_stdout();
    ~quiet_stdout();
    quiet_stdout(const quiet_stdout &) = delete;
    quiet_stdout &operator=(const quiet_stdout &) = delete;

private:
    int saved_ = -1;
};

// Reports delivered on the tagged channel are dropped: rendering them is
// the shell's part, measured with the replay and the child processes.
void drop_reports();

using clock = std::chrono::steady_clock;

inline double seconds_since(clock::time_point start) {
    return std::chrono::duration<double>(clock::now() - start).count();
}

// This thread's CPU time, in seconds.  Work done in this process is timed
// by it: the machine is shared, and wall time would count the others' work.
inline double cpu_seconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Sets the figure's baseline (seconds per iteration) and the ratio of the
// figure to it as counters of the benchmark.
void report_ratio(benchmark::State &state, double subject_seconds, double baseline_seconds);

// The saved running configuration of the largest configuration, as
// "copy running-config FILE" writes it: one command per line.
std::vector<std::string> largest_config_lines();

// A file of `count` configuration lines that all succeed when replayed in
// order: the saved configuration, then the removal of its groups and
// servers, again and again.  Returns the file's path (under /tmp).
std::string replay_file(size_t count);

#ifdef RADIUS_SQLITE_STORE
// Seconds of this thread's time that SQLite itself takes for `count`
// transactions of one row each (a record the size of a server's, replaced
// in a small table) on a new database at `path`, opened as the persistent
// store opens its file: the baseline of a replay on the store file.
double sqlite_transaction_seconds(const std::string &path, size_t count);
#endif

// The trampoline that measures a child's peak: `radius_bench --peak-of
// PROGRAM ARGS...` runs PROGRAM from a fresh, small process and prints
// its peak resident set in KiB.
inline constexpr std::string_view peak_option = "--peak-of";
int peak_of_child(char **argv);

}  // namespace radbench
