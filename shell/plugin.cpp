#include "shell/plugin.hpp"

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include "shell/grammar.hpp"

namespace radius::shell {

namespace {

void *symbol_of(void *library, std::string_view name) { return dlsym(library, std::string(name).c_str()); }

}  // namespace

void handler_library::closer::operator()(void *handle) const { dlclose(handle); }

handler_library::handler_library(const std::string &path) {
    // RTLD_NOW: a platform call the simulator lacks fails here, clearly,
    // rather than in the middle of a command.  RTLD_NODELETE: like the
    // switch, the shell never unloads its command library, whose own C++
    // runtime keeps start-up allocations for the life of the process.
    library_.reset(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE));
    if (!library_) {
        const char *reason = dlerror();
        throw std::runtime_error(reason != nullptr ? reason : "cannot load " + path);
    }
    bind(&symbol_of, library_.get());
}

handler_library::handler_library(handler_lookup lookup, void *context) { bind(lookup, context); }

void handler_library::bind(handler_lookup lookup, void *context) {
    for (const command_def &def : command_table()) {
        if (def.shape == call_shape::builtin || bound_.contains(def.handler)) continue;
        void *address = lookup(context, def.handler);
        bound_.emplace(std::string(def.handler), address);
        if (address == nullptr) missing_.emplace_back(def.handler);
    }
}

void *handler_library::find(std::string_view name) const {
    const auto found = bound_.find(name);
    return found == bound_.end() ? nullptr : found->second;
}

std::string handler_library::missing_report(const std::string &library_name) const {
    if (missing_.empty()) return {};
    std::string report = "radsh: " + library_name + " lacks " + std::to_string(missing_.size()) +
                         (missing_.size() == 1 ? " handler" : " handlers") + "; these commands will fail:";
    for (const std::string &name : missing_) report += " " + name;
    return report + "\n";
}

std::string default_library_path() {
    constexpr char library_name[] = "libradiuscmd.so";
    std::error_code error;
    const std::filesystem::path shell_dir = std::filesystem::read_symlink("/proc/self/exe", error).parent_path();
    // Without a directory above the executable's, the loader's search path decides.
    if (error || !shell_dir.has_relative_path()) return library_name;
    return (shell_dir.parent_path() / library_name).string();
}

}  // namespace radius::shell
