// What only a whole radsh process shows: its peak memory over a long
// session, and its start-up.  Each runs radsh in a child, its standard
// output on /dev/null, and reads the child's peak resident set from wait4.
// Peak memory is set beside the same session with a thousandth of the
// commands (flat means a ratio near 1), start-up beside /bin/true.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <stdexcept>

#include "bench/bench_support.hpp"

extern char **environ;

namespace radbench {

namespace {

struct child_run {
    double seconds;
    double peak_mib;
};

child_run run_child(std::vector<std::string> argv) {
    std::vector<char *> args;
    for (std::string &arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + argv[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return {seconds_since(start), static_cast<double>(usage.ru_maxrss) / 1024.0};
}

// A radsh session file: the largest configuration, then `displays` times
// the full running configuration.
std::string display_session(size_t displays) {
    const std::string path = "/tmp/radbench_displays_" + std::to_string(displays) + ".txt";
    std::ofstream out(path, std::ios::trunc);
    out << "configure\n";
    for (const std::string &line : largest_config_lines()) out << line << '\n';
    out << "end\n";
    for (size_t n = 0; n < displays; ++n) out << "show running-config radius all\n";
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

child_run replay_child(const std::string &file) { return run_child({RADBENCH_RADSH, "-c", "copy " + file + " running-config"}); }

// The peak of a long session against the same session kept short.
void report_peaks(benchmark::State &state, const child_run &long_run, const child_run &short_run) {
    state.SetIterationTime(long_run.seconds);
    state.counters["peak_MiB"] = long_run.peak_mib;
    state.counters["baseline_MiB"] = short_run.peak_mib;
    state.counters["ratio"] = long_run.peak_mib / short_run.peak_mib;
}

void peak_of_replay(benchmark::State &state) {
    const std::string long_file = replay_file(1000000);
    const std::string short_file = replay_file(1000);
    for (auto _ : state) report_peaks(state, replay_child(long_file), replay_child(short_file));
    std::remove(long_file.c_str());
    std::remove(short_file.c_str());
}

void peak_of_displays(benchmark::State &state) {
    const std::string long_file = display_session(10000);
    const std::string short_file = display_session(10);
    for (auto _ : state) report_peaks(state, run_child({RADBENCH_RADSH, long_file}), run_child({RADBENCH_RADSH, short_file}));
    std::remove(long_file.c_str());
    std::remove(short_file.c_str());
}

void start_up(benchmark::State &state) {
    double subject = 0;
    double baseline = 0;
    for (auto _ : state) {
        const child_run shell = run_child({RADBENCH_RADSH, "-c", "show radius-server"});
        state.SetIterationTime(shell.seconds);
        subject += shell.seconds;
        baseline += run_child({"/bin/true"}).seconds;
    }
    report_ratio(state, subject, baseline);
}

}  // namespace

void register_processes() {
    benchmark::RegisterBenchmark("peak_memory/replay_1M_lines", peak_of_replay)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("peak_memory/10k_displays", peak_of_displays)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("start_up/radsh_c", start_up)->UseManualTime()->Unit(benchmark::kMillisecond);
}

}  // namespace radbench
