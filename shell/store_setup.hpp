// Where the shell's configuration store lives and how it is opened at
// start-up: a database file in the user's state folder by default, another
// file, or memory; a factory reset on request.
#pragma once

#include <optional>
#include <string>

namespace radius::shell {

// The name that keeps the store in memory, as before the store persisted.
inline constexpr const char *memory_store = ":memory:";

struct store_request {
    std::string path;  // the database file, memory_store, or empty for the default
    bool factory_reset = false;
    bool assume_yes = false;  // do not ask before a factory reset
    unsigned wait_ms = 5000;  // how long a command waits for another process's lock
};

// The default store: radsh/config.db in $XDG_STATE_HOME, else in
// ~/.local/state; memory in a build without the persistent store.  Empty
// after saying on standard error why there is none.
std::string default_store_path();

// The saved startup configuration beside a store's file (config.db:
// config.startup-config); empty for the store in memory.
std::string startup_config_path(const std::string &store);

// Puts the simulated switch's store where `request` says.  Returns the
// store's path, or nothing after saying on standard error why it cannot.
std::optional<std::string> open_store(const store_request &request);

}  // namespace radius::shell
