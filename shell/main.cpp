// radsh: the command shell.  Loads the command library, binds the command
// table to its handlers and runs commands on the simulated switch, which
// starts from its factory defaults.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "shell/line_input.hpp"
#include "shell/plugin.hpp"
#include "shell/reference.hpp"
#include "shell/session.hpp"
#include "sim/radsim.h"

namespace {

struct shell_options {
    std::string commands;
    std::string file;
    std::string library = radius::shell::default_library_path();
    bool json = false;
    bool standby = false;
    bool echo = false;
    bool reference = false;
};

void add_options(CLI::App &app, shell_options &options) {
    auto *commands = app.add_option("-c,--command", options.commands, "Run these commands, separated by ';', and exit");
    app.add_option("file", options.file, "Run the commands of this file and exit")->excludes(commands);
    app.add_option("--library", options.library, "The command library to load")->capture_default_str();
    app.add_flag("--standby", options.standby, "Run as on the standby supervisor (is_active_sup 0)");
    app.add_flag("--json", options.json, "Render tagged output as JSON by default");
    app.add_flag("--echo", options.echo, "Print the prompt and each command read from a file or pipe before its output, and a status line after each command that failed");
    app.add_flag("--reference", options.reference, "Print the command reference (Markdown) and exit");
}

int run(const shell_options &options, radius::shell::session &s) {
    using namespace radius::shell;
    if (!options.commands.empty()) {
        return run_session(s, *make_list_source(split_commands(options.commands)), options.echo);
    }
    if (!options.file.empty()) {
        std::ifstream in(options.file);
        if (!in) {
            std::fprintf(stderr, "radsh: cannot open %s\n", options.file.c_str());
            return 2;
        }
        return run_session(s, *make_stream_source(in), options.echo);
    }
    // At a terminal every error was seen where it happened: the session
    // itself went well.
    if (isatty(STDIN_FILENO) != 0) {
        run_session(s, *make_terminal_source(s), false);
        return 0;
    }
    return run_session(s, *make_stream_source(std::cin), options.echo);
}

std::unique_ptr<radius::shell::handler_library> load(const std::string &path) {
    try {
        return std::make_unique<radius::shell::handler_library>(path);
    } catch (const std::runtime_error &error) {
        std::fprintf(stderr, "radsh: cannot load the command library: %s\n", error.what());
        return nullptr;
    }
}

}  // namespace

int main(int argc, char **argv) {
    CLI::App app{"radsh: the RADIUS command shell on a simulated switch"};
    shell_options options;
    add_options(app, options);
    CLI11_PARSE(app, argc, argv);
    if (options.reference) {
        std::fputs(radius::shell::reference_markdown().c_str(), stdout);
        return 0;
    }
    const std::unique_ptr<radius::shell::handler_library> library = load(options.library);
    if (!library) return 2;
    std::fputs(library->missing_report(options.library).c_str(), stderr);
    radsim::load_factory_defaults();
    radius::shell::session s(*library, {.json = options.json, .standby = options.standby});
    // Scripts that the library has the shell run go through this session.
    radsim::set_script_runner([&s](const std::string &path) { return s.run_script(path); });
    return run(options, s);
}
