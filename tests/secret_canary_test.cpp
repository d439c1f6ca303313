// Secrets never show where they are not published.  A unique canary sits in
// every key and password slot the shell can fill: the global key, server
// keys in each form, the monitoring passwords, the dynamic-authorization
// server key and client keys in each form, and the passwords of test
// requests.  Each canary, and the type-7 form of each clear one, is then
// searched for in everything the shell prints: every display as text and
// JSON, the running and pending configuration, the saved file and the
// startup configuration, show tech-support, output with debugging on, the
// echo of each line, the history, refused lines (invalid, ambiguous, "?"),
// a replayed file's failures, and each configuration line and display run
// again with each platform call it makes failing in turn.  A canary may show
// only where an exception below publishes it, and every exception must be
// met at least once, so that the list cannot go stale.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>

#include "shell/line_input.hpp"
#include "shell/session.hpp"
#include "sim/radsim.h"
#include "tests/support/command.hpp"
#include "tests/support/temp_folder.hpp"

namespace radius::shell {
namespace {

struct canary {
    const char *slot;
    std::string text;
    bool clear;  // stored in clear, so its type-7 form is a secret too
};

const canary canaries[] = {
    {"global key", "CanaryGlobalKey", true},
    {"server key", "CanaryServerKey", true},
    {"server key, form 0", "CanaryServerKey0", true},
    {"server key, form 7", "Canary7ServerKey", false},
    {"server key, form 6", "Canary6ServerKey", false},
    {"global test password", "CanaryMonitorGlobal", false},
    {"server test password", "CanaryMonitorServer", false},
    {"dynamic-authorization server key", "CanaryDasKey", true},
    {"client key", "CanaryClientKey", true},
    {"client key, form 7", "Canary7ClientKey", false},
    {"client key, form 6", "Canary6ClientKey", false},
    {"test request password", "CanaryTestPassword", false},
    {"group test request password", "CanaryGroupPassword", false},
};

// Typed in configuration mode, in this order; the last two run in exec mode.
const char *const configuration[] = {
    "radius-server key CanaryGlobalKey",
    "radius-server host 10.0.0.1 key CanaryServerKey timeout 1 retransmit 0",
    "radius-server host 10.0.0.2 key 0 CanaryServerKey0",
    "radius-server host 10.0.0.3 key 7 Canary7ServerKey",
    "radius-server host 10.0.0.4 key 6 Canary6ServerKey",
    "radius-server test idle-time 5 username probe password CanaryMonitorGlobal",
    "radius-server host 10.0.0.1 test username u1 password CanaryMonitorServer",
    "aaa group server radius g1 server 10.0.0.1",
    "aaa server radius dynamic-author",
    "server-key CanaryDasKey",
    "client 10.1.1.1 server-key CanaryClientKey",
    "client 10.1.1.2 server-key 7 Canary7ClientKey vrf management",
    "client 10.1.1.3 server-key 6 Canary6ClientKey",
    "end",
};
const char *const test_requests[] = {
    "test aaa server radius 10.0.0.9 probe CanaryTestPassword",
    "test aaa group g2 probe CanaryGroupPassword",
};

const char *const displays[] = {
    "show radius-server", "show radius-server sorted", "show radius-server groups", "show radius-server groups g1",
    "show radius-server monitoring 10.0.0.1", "show running-config radius", "show running-config radius all",
    "show radius-server statistics", "show radius-server statistics 10.0.0.1", "show debug radius",
    "show radius-server directed-request", "show aaa server radius statistics",
    "show aaa client radius statistics 10.1.1.1", "show radius distribution status", "show radius session status",
    "show radius merge status", "show system internal radius distribution", "show system internal radius mem-stats",
    "show system internal radius event-history msgs", "show system internal radius event-history errors",
    "show tech-support radius", "show startup-config radius",
};

// Where a secret is published, by name.  `outputs` are the names under
// which the sweep files what it saw; `slots` the canaries' slots; `type7`:
// the type-7 form of a clear canary, not its clear text.
struct exception {
    const char *name;
    std::set<std::string> outputs;
    std::set<std::string> slots;
    bool type7;
};

// The saved configuration: everything that recreates the switch.
const std::set<std::string> saved_forms = {
    "show running-config radius all",  "show running-config radius all | json", "saved file",
    "show startup-config radius", "show startup-config radius | json", "show tech-support radius",
    "show radius pending"};
const std::set<std::string> keys_in_type7 = {"global key", "server key", "server key, form 0", "server key, form 7",
                                             "dynamic-authorization server key", "client key", "client key, form 7"};

const exception exceptions[] = {
    {"the running configuration with keys saves every key in type-7 form", saved_forms, keys_in_type7, true},
    {"keys typed in type-7 form are saved as typed", saved_forms, {"server key, form 7", "client key, form 7"}, false},
    {"monitoring passwords are saved as the test command takes them", saved_forms,
     {"global test password", "server test password"}, false},
    {"the dynamic-authorization daemon saves its type-6 keys", saved_forms, {"client key, form 6"}, false},
    {"show radius-server prints the global test password as stored",
     {"show radius-server", "show radius-server | json", "show radius-server sorted",
      "show radius-server sorted | json"},
     {"global test password"},
     false},
};

class secret_canaries : public radtest::handler_test {
protected:
    void SetUp() override {
        handler_test::SetUp();
        radsim::load_factory_defaults();
        radsim::set_script_runner([this](const std::string &path) { return session_.run_script(path); });
    }
    void TearDown() override {
        radsim::set_script_runner(nullptr);
        handler_test::TearDown();
    }

    // Runs `line` as a file or pipe gives it (not shown before), filing
    // what it printed under `output`.
    void run(const std::string &line, const std::string &output) {
        radsim::stdout_capture capture;
        session_.run_line(line, false);
        seen_[output] += capture.finish();
    }
    void run_echoed(const std::vector<std::string> &lines, const std::string &output) {
        radsim::stdout_capture capture;
        run_session(session_, *make_list_source(lines), true);
        seen_[output] += capture.finish();
    }
    void configure(const std::string &output) {
        run_echoed({"configure"}, output);
        run_echoed({std::begin(configuration), std::end(configuration)}, output);
        run_echoed({std::begin(test_requests), std::end(test_requests)}, output);
    }
    void refuse_every_line();
    void replay_failures();
    void every_call_failing();
    void sweep_displays(const std::string &suffix);

    std::set<std::string> check() const;

    const radtest::temp_folder folder_;
    handler_library library_{RADSH_LIBRARY};
    session session_{library_, {.startup_config = folder_.file("startup-config")}};
    std::map<std::string, std::string> seen_;  // output name: everything printed there
    size_t faulted_runs_ = 0;
};

// Each line with a word that spoils it after its secret: refused whole and
// echoed above the caret; an ambiguous word, whose report repeats the line;
// "?" for help, whose error repeats it too.
void secret_canaries::refuse_every_line() {
    run("configure", "refused lines");
    for (const char *spoiler : {" trailing-garbage", " a", " ?"}) {
        for (const char *line : configuration) {
            run(line + std::string(spoiler), "refused lines");
            if (std::string(line) == "aaa server radius dynamic-author") run("exit", "refused lines");
        }
    }
    run("end", "refused lines");
    for (const char *line : test_requests) run(line + std::string(" trailing-garbage"), "refused lines");
}

void secret_canaries::replay_failures() {
    const std::string file = folder_.file("spoiled.cfg");
    std::FILE *out = std::fopen(file.c_str(), "w");
    ASSERT_NE(out, nullptr);
    for (const char *line : configuration) std::fprintf(out, "%s trailing-garbage\n", line);
    std::fclose(out);
    run("copy " + file + " running-config", "replay failures");
}

// Each line run again with each platform call it makes failing, in its
// first call, as an error code and as a null block.  (A fault the line
// does not reach this time waits for a later line: more failures, no fewer.)
// A display's output is filed under its name, where its exceptions apply.
void secret_canaries::every_call_failing() {
    struct faulted {
        const char *enter;  // the mode the line runs in
        std::string line;
        std::string output;
    };
    std::vector<faulted> lines;
    for (const char *line : configuration) lines.push_back({"configure", line, "failing configuration lines"});
    for (const char *line : displays) lines.push_back({"end", line, line});
    for (const faulted &f : lines) {
        run(f.enter, "mode changes");
        if (f.line.starts_with("server-key") || f.line.starts_with("client")) {
            run("aaa server radius dynamic-author", "mode changes");
        }
        radsim::clear_call_log();
        run(f.line, f.output);
        std::set<std::string> calls;
        for (const radsim::platform_call &call : radsim::call_log()) calls.insert(call.name);
        for (const std::string &call : calls) {
            for (const radsim::fault_effect effect : {radsim::fault_effect::result_code, radsim::fault_effect::null_block}) {
                radsim::inject_fault(call, 1, 0x409d0008, effect);
                run(f.line, f.output);
                ++faulted_runs_;
            }
        }
    }
    run("end", "mode changes");
}

void secret_canaries::sweep_displays(const std::string &suffix) {
    for (const char *display : displays) {
        const std::string line = display + suffix;
        run(line, line);
    }
}

// The outputs and exceptions where each canary was seen against the list;
// returns the names of the exceptions met.
std::set<std::string> secret_canaries::check() const {
    std::set<std::string> met;
    for (const canary &c : canaries) {
        std::vector<std::pair<std::string, bool>> forms{{c.text, false}};
        if (c.clear) forms.emplace_back(radtest::type7_of(c.text).value_or(""), true);
        for (const auto &[form, type7] : forms) {
            EXPECT_FALSE(form.empty()) << c.slot << ": no type-7 form";
            for (const auto &[output, text] : seen_) {
                if (text.find(form) == std::string::npos) continue;
                const exception *published = nullptr;
                for (const exception &e : exceptions) {
                    if (e.outputs.contains(output) && e.slots.contains(c.slot) && e.type7 == type7) published = &e;
                }
                if (published != nullptr) {
                    met.insert(published->name);
                    continue;
                }
                const size_t at = text.find(form);
                const size_t from = at < 60 ? 0 : at - 60;
                ADD_FAILURE() << "the " << c.slot << (type7 ? " in type-7 form" : "") << " shows in " << output
                              << ": ..." << text.substr(from, at - from + form.size() + 20) << "...";
            }
        }
    }
    return met;
}

TEST_F(secret_canaries, show_only_where_published) {
    configure("echo of the configuration");
    sweep_displays("");
    sweep_displays(" | json");
    run("copy running-config " + folder_.file("saved.cfg"), "saving");
    seen_["saved file"] = radtest::file_text(folder_.file("saved.cfg"));
    run("write memory", "saving");
    run("show startup-config radius", "show startup-config radius");
    run("show history", "show history");
    run("debug radius", "debugging on");
    configure("debugging on");
    sweep_displays("");
    run("no debug radius", "debugging on");
    run("configure", "pending");
    run("radius distribute", "pending");
    run("radius-server timeout 7", "pending");
    run("show radius pending", "show radius pending");
    run("show radius pending-diff", "show radius pending-diff");
    run("radius abort", "pending");
    run("no radius distribute", "pending");
    run("end", "pending");
    refuse_every_line();
    replay_failures();
    every_call_failing();

    size_t searched = 0;
    for (const auto &[output, text] : seen_) searched += text.size();
    const std::set<std::string> met = check();
    for (const exception &e : exceptions) EXPECT_TRUE(met.contains(e.name)) << "never met: " << e.name;
    std::printf("%zu canaries in %zu forms searched in %zu outputs (%zu bytes, %zu runs with a failing call)\n",
                std::size(canaries),
                std::size(canaries) + std::count_if(std::begin(canaries), std::end(canaries),
                                                    [](const canary &c) { return c.clear; }),
                seen_.size(), searched, faulted_runs_);
}

}  // namespace
}  // namespace radius::shell
