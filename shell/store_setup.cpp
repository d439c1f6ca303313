#include "shell/store_setup.hpp"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "shell/question.hpp"
#include "sim/radsim.h"

namespace radius::shell {

namespace {

// Only an absolute $XDG_STATE_HOME counts, as the base directory
// convention says.
std::filesystem::path state_folder() {
    const char *state_home = std::getenv("XDG_STATE_HOME");
    if (state_home != nullptr && state_home[0] == '/') return state_home;
    const char *home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return std::filesystem::path(home) / ".local" / "state";
    return {};
}

// A factory reset erases what a user configured: asked at a terminal,
// otherwise only with --yes.
bool confirmed(const std::string &store, const std::string &startup, bool assume_yes) {
    if (assume_yes) return true;
    if (isatty(STDIN_FILENO) == 0) {
        std::fputs("radsh: a factory reset asks first: add --yes to confirm it without a terminal\n", stderr);
        return false;
    }
    if (answered_yes("Erase the configuration store " + store + " and the startup configuration " + startup + "?")) {
        return true;
    }
    std::fputs("radsh: no factory reset: the store was left as it is\n", stderr);
    return false;
}

bool open_file(const std::string &path, const store_request &request) {
    const std::string startup = startup_config_path(path);
    if (request.factory_reset && !confirmed(path, startup, request.assume_yes)) return false;
    try {
        radsim::use_store_file(path, {.busy_timeout_ms = request.wait_ms, .erase = request.factory_reset});
    } catch (const radsim::store_error &error) {
        std::fprintf(stderr, "radsh: %s\n", error.what());
        return false;
    }
    std::error_code ignored;
    if (request.factory_reset) std::filesystem::remove(startup, ignored);
    return true;
}

}  // namespace

std::string default_store_path() {
    if (!radsim::sqlite_backend_built()) return memory_store;
    const std::filesystem::path folder = state_folder();
    if (folder.empty()) {
        std::fputs("radsh: no folder for the store: set XDG_STATE_HOME or HOME, or name a file with --store\n", stderr);
        return {};
    }
    std::error_code error;
    std::filesystem::create_directories(folder / "radsh", error);
    if (error) {
        std::fprintf(stderr, "radsh: cannot make the folder %s: %s\n", (folder / "radsh").c_str(), error.message().c_str());
        return {};
    }
    return (folder / "radsh" / "config.db").string();
}

std::string startup_config_path(const std::string &store) {
    if (store == memory_store) return {};
    return std::filesystem::path(store).replace_extension(".startup-config").string();
}

std::optional<std::string> open_store(const store_request &request) {
    const std::string path = request.path.empty() ? default_store_path() : request.path;
    if (path.empty()) return std::nullopt;
    if (path == memory_store) return path;  // the store starts in memory
    if (!open_file(path, request)) return std::nullopt;
    return path;
}

}  // namespace radius::shell
