// Replay of saved configuration: the shell applying a file with "copy FILE
// running-config" (grammar, parameter block, handler, store).
//
// In memory, against a raw parse-and-insert loop over the same file, which
// splits each line and writes its record straight into the store: the
// ratio is what the shell and the handlers add to the store's own work.
//
// On a store file, each replayed line is one transaction of the persistent
// store, against as many single-row transactions of SQLite itself on a
// file in the same folder (sqlite_rate.cpp): the ratio is what the shell,
// the handlers and the store's schema add to the cost of a commit.
#include <array>
#include <charconv>
#include <cstring>
#include <fstream>

#include "bench/bench_support.hpp"
#include "platform/store_client.h"
#include "shell/session.hpp"
#include "sim/radsim.h"

namespace radbench {

namespace {

using radius::shell::mode;

constexpr uint32_t op_read = 1;
constexpr uint32_t op_write = 3;
constexpr uint32_t op_delete = 4;

template <size_t N>
void put_text(char (&field)[N], std::string_view text) {
    std::memset(field, 0, N);
    text.copy(field, N - 1);
}

uint32_t number(std::string_view text) {
    uint32_t value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

// The raw loop: the fewest steps that put a saved line's record in the
// store, with no grammar, no handler and no checks.
class raw_loader {
public:
    void load(std::string_view line) {
        std::array<std::string_view, 24> words{};
        size_t count = 0;
        for (size_t start = line.find_first_not_of(' '); start != std::string_view::npos && count < words.size();
             start = line.find_first_not_of(' ', start)) {
            const size_t end = std::min(line.find(' ', start), line.size());
            words[count++] = line.substr(start, end - start);
            start = end;
        }
        if (count >= 3 && words[0] == "radius-server") return global_or_server(words, count);
        if (count == 5 && words[0] == "aaa") return start_group(words[4]);
        if (count == 2 && words[0] == "server") return add_member(words[1]);
        if (count == 2 && words[0] == "rdeadtime") return group_deadtime(number(words[1]));
        if (count == 6 && words[0] == "no" && words[1] == "aaa") return remove_group(words[5]);
        if (count == 4 && words[0] == "no") return remove_server(words[3]);
    }

private:
    void global_or_server(const std::array<std::string_view, 24> &words, size_t count) {
        if (words[1] == "host") return server(words, count);
        if (words[1] == "key") {
            put_text(global_.key, words[3]);
            global_.key_type = 7;
        } else if (words[1] == "timeout") {
            global_.timeout = number(words[2]);
        } else if (words[1] == "retransmit") {
            global_.retransmit = number(words[2]);
        } else if (words[1] == "deadtime") {
            global_.deadtime = number(words[2]);
        }
        cmi_radius_new_global_config(scope_.session(), op_write, &global_, 2, scope_.ctx_a(), scope_.ctx_b());
    }

    void server(const std::array<std::string_view, 24> &words, size_t count) {
        radius_server_cfg cfg{};
        put_text(cfg.host, words[2]);
        for (size_t i = 3; i < count; ++i) {
            if (words[i] == "key") {
                cfg.key_type = 7;
                put_text(cfg.key, words[i += 2]);
            } else if (words[i] == "authentication") {
                cfg.authentication = 1;
            } else if (words[i] == "accounting") {
                cfg.accounting = 1;
            } else if (words[i] == "timeout") {
                cfg.timeout = number(words[++i]);
            } else if (words[i] == "retransmit") {
                cfg.retransmit = number(words[++i]);
            } else if (words[i] == "auth-port") {
                cfg.auth_port = number(words[++i]);
            } else if (words[i] == "acct-port") {
                cfg.acct_port = number(words[++i]);
            }
        }
        cmi_radius_new_server_config(scope_.session(), op_write, &cfg, 2, scope_.ctx_a(), scope_.ctx_b());
    }

    void start_group(std::string_view name) {
        group_ = radius_group_cfg{};
        put_text(group_.name, name);
        cmi_radius_new_group_config(scope_.session(), op_write, &group_, 2, scope_.ctx_a(), scope_.ctx_b());
    }

    void add_member(std::string_view host) {
        radius_server_cfg member{};
        put_text(member.host, host);
        if (cmi_radius_new_server_config(scope_.session(), op_read, &member, 1, scope_.ctx_a(), scope_.ctx_b()) != 0) return;
        group_.members[group_.member_count++ % RADIUS_MAX_GROUP_MEMBERS] = member.index;
        cmi_radius_new_group_config(scope_.session(), op_write, &group_, 2, scope_.ctx_a(), scope_.ctx_b());
    }

    void group_deadtime(uint32_t deadtime) {
        group_.deadtime = deadtime;
        cmi_radius_new_group_config(scope_.session(), op_write, &group_, 2, scope_.ctx_a(), scope_.ctx_b());
    }

    void remove_group(std::string_view name) {
        radius_group_cfg cfg{};
        put_text(cfg.name, name);
        cmi_radius_new_group_config(scope_.session(), op_delete, &cfg, 2, scope_.ctx_a(), scope_.ctx_b());
    }

    void remove_server(std::string_view host) {
        radius_server_cfg cfg{};
        put_text(cfg.host, host);
        cmi_radius_new_server_config(scope_.session(), op_delete, &cfg, 2, scope_.ctx_a(), scope_.ctx_b());
    }

    request_scope scope_;
    radius_global_cfg global_{};
    radius_group_cfg group_{};
};

void raw_replay(const std::string &path) {
    std::ifstream in(path);
    raw_loader loader;
    for (std::string line; std::getline(in, line);) loader.load(line);
}

void fresh_switch() {
    radsim::reset();
    radsim::load_factory_defaults();
    drop_reports();
}

// The store on a new database file, given its factory defaults as the
// shell gives them to a store created afresh.
void fresh_store_file(const std::string &path) {
    radsim::reset();
    radsim::use_store_file(path, {.erase = true});
    radsim::atomically([] { radsim::load_factory_defaults(); });
    drop_reports();
}

// Seconds of this thread's time that the shell takes to replay `copy_line`.
double shell_replay_seconds(const std::string &copy_line, benchmark::State &state) {
    radius::shell::session shell(library(), {});
    const double start = cpu_seconds();
    if (!shell.run_line(copy_line, false)) state.SkipWithError("a replayed line failed");
    return cpu_seconds() - start;
}

void report_rate(benchmark::State &state, size_t lines, double subject) {
    state.counters["lines_per_s"] =
        benchmark::Counter(static_cast<double>(lines) * static_cast<double>(state.iterations()) / subject);
}

void run_replay(benchmark::State &state) {
    const auto lines = static_cast<size_t>(state.range(0));
    const std::string path = replay_file(lines);
    const std::string copy_line = "copy " + path + " running-config";
    const quiet_stdout quiet;
    double subject = 0;
    double baseline = 0;
    for (auto _ : state) {
        fresh_switch();
        const double seconds = shell_replay_seconds(copy_line, state);
        state.SetIterationTime(seconds);
        subject += seconds;
        fresh_switch();
        const double raw_start = cpu_seconds();
        raw_replay(path);
        baseline += cpu_seconds() - raw_start;
    }
    report_ratio(state, subject, baseline);
    report_rate(state, lines, subject);
    std::remove(path.c_str());
}

#ifdef RADIUS_SQLITE_STORE
void remove_database(const std::string &path) {
    for (const char *suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path + suffix).c_str());
}

void run_replay_on_file(benchmark::State &state) {
    const auto lines = static_cast<size_t>(state.range(0));
    const std::string path = replay_file(lines);
    const std::string copy_line = "copy " + path + " running-config";
    const std::string store = "/tmp/radbench_store.db";
    const std::string scratch = "/tmp/radbench_rate.db";
    const quiet_stdout quiet;
    double subject = 0;
    double baseline = 0;
    for (auto _ : state) {
        fresh_store_file(store);
        const double seconds = shell_replay_seconds(copy_line, state);
        state.SetIterationTime(seconds);
        subject += seconds;
        radsim::use_memory_store();
        remove_database(scratch);
        baseline += sqlite_transaction_seconds(scratch, lines);
    }
    fresh_switch();
    remove_database(store);
    remove_database(scratch);
    report_ratio(state, subject, baseline);
    report_rate(state, lines, subject);
    std::remove(path.c_str());
}
#endif

// 1k, 10k and 100k lines of `run`.
void register_sizes(const char *name, void (*run)(benchmark::State &)) {
    benchmark::RegisterBenchmark(name, run)->Arg(1000)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(
        benchmark::kMillisecond);
}

}  // namespace

void register_replays() {
    register_sizes("replay/memory", run_replay);
#ifdef RADIUS_SQLITE_STORE
    register_sizes("replay/sqlite", run_replay_on_file);
#endif
}

}  // namespace radbench
