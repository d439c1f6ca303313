// radsh: the command shell.  Loads the command library, binds the command
// table to its handlers and runs commands on the simulated switch, whose
// configuration store persists in a database file unless told to keep it
// in memory.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <string>
#include <vector>

#include "shell/documents.hpp"
#include "shell/escaped_stdout.hpp"
#include "shell/line_input.hpp"
#include "shell/line_reader.hpp"
#include "shell/plugin.hpp"
#include "shell/reference.hpp"
#include "shell/session.hpp"
#include "shell/store_setup.hpp"
#include "sim/radsim.h"

namespace {

// The build tree's library where radsh runs from a build tree; installed,
// the library in the installation's library directory, by its path from
// radsh's own directory (no search that the environment could redirect).
std::string default_library() {
    std::string built = radius::shell::default_library_path();
    if (access(built.c_str(), F_OK) == 0) return built;
    std::error_code error;
    const std::filesystem::path directory = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    return (directory / RADSH_INSTALLED_LIBRARY).lexically_normal().string();
}

struct shell_options {
    std::string commands;
    std::string file;
    std::string library = default_library();
    bool json = false;
    bool standby = false;
    bool echo = false;
    bool typed = false;
    bool reference = false;
    std::string document;
    std::vector<std::string> fabric_peers;
    std::string user = "admin";
    radius::shell::store_request store;
};

void add_options(CLI::App &app, shell_options &options) {
    auto *commands = app.add_option("-c,--command", options.commands, "Run these commands, separated by ';', and exit")
                         ->type_name("COMMANDS");
    // FILE marks the options whose value the bash completion completes as a file name.
    app.add_option("file", options.file, "Run the commands of this file and exit")
        ->excludes(commands)
        ->type_name("FILE");
    app.add_option("--library", options.library, "The command library to load")
        ->capture_default_str()
        ->type_name("FILE");
    app.add_flag("--standby", options.standby, "Run as on the standby supervisor (is_active_sup 0)");
    app.add_flag("--json", options.json, "Render tagged output as JSON by default");
    app.add_flag("--echo", options.echo, "Print the prompt and each command read from a file or pipe before its output, and a status line after each command that failed");
    app.add_flag("--typed", options.typed,
                 "Read the commands of a file or pipe as typed at the terminal: a '?' that ends a line lists what may "
                 "come next instead of being part of a value");
    app.add_option("--fabric-peers", options.fabric_peers, "Peer switches of the simulated fabric that commits reach")
        ->delimiter(',');
    app.add_option("--user", options.user, "The user making changes: the owner of a distribution session they open")
        ->capture_default_str();
    app.add_flag("--reference", options.reference, "Print the command reference (Markdown) and exit");
    app.add_option("--document", options.document,
                   "Print a document and exit: radsh.1, radiuscmd.3 or radsh.bash-completion")
        ->check(CLI::IsMember(std::vector<std::string>(std::begin(radius::shell::document_names),
                                                       std::end(radius::shell::document_names))))
        ->type_name("NAME");
    app.set_version_flag("--version", "radsh " RADSH_VERSION, "Print the version and exit");
    app.add_option("--store", options.store.path,
                   "The configuration store's database file (default: radsh/config.db in $XDG_STATE_HOME, else in "
                   "~/.local/state), or :memory: to keep it in memory for this run");
    app.add_flag("--factory-reset", options.store.factory_reset,
                 "Erase the store and the startup configuration and start from factory defaults (asks first)");
    app.add_flag("--yes", options.store.assume_yes, "Do not ask before a factory reset");
    app.add_option("--store-wait", options.store.wait_ms,
                   "Milliseconds a command waits for another process's lock on the store before it fails")
        ->capture_default_str();
}

// A startup configuration that cannot be read to its end gives the store
// no first configuration: the unit is undone and the next start tries again.
struct startup_unreadable {};

// A store created afresh starts as a switch boots: factory defaults, then
// the startup configuration, as one unit, so that a process that dies
// before the end leaves it all to do again.  Asked again inside the unit,
// which holds the store's lock, because another shell may have done it.
bool initialize(radius::shell::session &s) {
    try {
        radsim::atomically([&s] {
            if (radsim::store_initialized()) return;
            radsim::load_factory_defaults();
            if (!s.apply_startup_config()) throw startup_unreadable();
        });
        return true;
    } catch (const radsim::store_error &error) {
        std::fprintf(stderr, "radsh: the store could not be given its first configuration: %s\n", error.what());
    } catch (const startup_unreadable &) {
        std::fputs("radsh: the store could not be given its first configuration: the startup configuration could "
                   "not be read\n",
                   stderr);
    }
    return false;
}

int run(const shell_options &options, radius::shell::session &s) {
    using namespace radius::shell;
    if (!options.commands.empty()) {
        return run_session(s, *make_list_source(split_commands(options.commands)), options.echo);
    }
    if (!options.file.empty()) {
        const opened_file file = open_regular_file(options.file);
        if (!file.failure.empty()) {
            std::fprintf(stderr, "radsh: %s\n", file.failure.c_str());
            return 2;
        }
        return run_session(s, *make_stream_source(file.fd.get(), options.file), options.echo);
    }
    // At a terminal every error was seen where it happened: the session
    // itself went well.
    if (isatty(STDIN_FILENO) != 0) {
        run_session(s, *make_terminal_source(s), false);
        return 0;
    }
    return run_session(s, *make_stream_source(STDIN_FILENO, "standard input"), options.echo);
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
    if (!options.document.empty()) {
        std::fputs(radius::shell::document(options.document, app).c_str(), stdout);
        return 0;
    }
    const std::unique_ptr<radius::shell::handler_library> library = load(options.library);
    if (!library) return 2;
    std::fputs(library->missing_report(options.library).c_str(), stderr);
    const std::optional<std::string> store = radius::shell::open_store(options.store);
    if (!store) return 2;
    radius::shell::escape_stdout();
    radsim::set_call_log(false);  // nothing here reads it, and it would grow with every command
    radsim::set_acting_user(options.user);
    for (const std::string &peer : options.fabric_peers) radsim::distribution().peers.push_back({peer, true, {}});
    radius::shell::session s(*library, {.json = options.json,
                                        .standby = options.standby,
                                        .startup_config = radius::shell::startup_config_path(*store),
                                        .typed = options.typed});
    // Scripts that the library has the shell run go through this session.
    radsim::set_script_runner([&s](const std::string &path) { return s.run_script(path); });
    if (!radsim::store_initialized() && !initialize(s)) return 2;
    return run(options, s);
}
