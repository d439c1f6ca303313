// What only a whole radsh process shows: its peak memory over a long
// session, and its start-up.  Each runs radsh in a child, its standard
// output on /dev/null, and reads the child's peak resident set from wait4.
// Peak memory is set beside the same session with a thousandth of the
// commands (flat means a ratio near 1), start-up beside /bin/true.  Every
// child names its store: none may touch the user's default store file.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
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

// Runs argv with its standard output on `out`; the seconds it took and
// the child's peak resident set.  The peak counts what the child had before
// its exec too (posix_spawn shares this process's memory up to the exec),
// so a peak is measured through peak_of, which forks from a fresh, small
// copy of this program.
child_run run_child(std::vector<std::string> argv, const char *out = "/dev/null") {
    std::vector<char *> args;
    for (std::string &arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out, O_WRONLY | O_CREAT | O_TRUNC, 0600);
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

// The peak of argv alone, as the trampoline (peak_of_child) reports it.
child_run peak_of(const std::vector<std::string> &argv) {
    std::vector<std::string> trampoline{"/proc/self/exe", std::string(peak_option)};
    trampoline.insert(trampoline.end(), argv.begin(), argv.end());
    const std::string report = "/tmp/radbench_peak.txt";
    child_run run = run_child(trampoline, report.c_str());
    std::ifstream in(report);
    double kib = 0;
    if (!(in >> kib)) throw std::runtime_error("no peak from " + argv[0]);
    std::remove(report.c_str());
    run.peak_mib = kib / 1024.0;
    return run;
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

// The command line of radsh on `store` with `args`.
std::vector<std::string> radsh(const std::string &store, std::vector<std::string> args) {
    args.insert(args.begin(), {RADBENCH_RADSH, "--store", store});
    return args;
}

child_run replay_child(const std::string &file) { return peak_of(radsh(":memory:", {"-c", "copy " + file + " running-config"})); }

child_run display_child(const std::string &file) { return peak_of(radsh(":memory:", {file})); }

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
    for (auto _ : state) report_peaks(state, display_child(long_file), display_child(short_file));
    std::remove(long_file.c_str());
    std::remove(short_file.c_str());
}

// `radsh -c "show radius-server"` on `store`: in memory, or a store file
// that a first, untimed run creates and the timed ones open.
void start_up(benchmark::State &state, const std::string &store) {
    const std::vector<std::string> command = radsh(store, {"-c", "show radius-server"});
    run_child(command);
    double subject = 0;
    double baseline = 0;
    for (auto _ : state) {
        const child_run shell = run_child(command);
        state.SetIterationTime(shell.seconds);
        subject += shell.seconds;
        baseline += run_child({"/bin/true"}).seconds;
    }
    report_ratio(state, subject, baseline);
}

}  // namespace

int peak_of_child(char **argv) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execv(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) < 0) return 1;
    std::printf("%ld\n", usage.ru_maxrss);
    return 0;
}

void register_processes() {
    benchmark::RegisterBenchmark("peak_memory/replay_1M_lines", peak_of_replay)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("peak_memory/10k_displays", peak_of_displays)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("start_up/radsh_c", [](benchmark::State &state) { start_up(state, ":memory:"); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("start_up/radsh_c_store_file", [](benchmark::State &state) {
        start_up(state, "/tmp/radbench_start_up.db");
        for (const char *file : {".db", ".db-wal", ".db-shm", ".startup-config"}) {
            std::remove((std::string("/tmp/radbench_start_up") + file).c_str());
        }
    })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
}

}  // namespace radbench
