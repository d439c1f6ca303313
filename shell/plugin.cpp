#include "shell/plugin.hpp"

#include <dlfcn.h>
#include <unistd.h>

#include <stdexcept>

#include "shell/grammar.hpp"

namespace radius::shell {

namespace {

void *symbol_of(void *library, std::string_view name) { return dlsym(library, std::string(name).c_str()); }

}  // namespace

void handler_library::closer::operator()(void *handle) const { dlclose(handle); }

handler_library::handler_library(const std::string &path) {
    // RTLD_NOW: a platform call the simulator lacks fails here, clearly,
    // rather than in the middle of a command.
    library_.reset(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL));
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

namespace {

// The directory that holds this executable, with a trailing '/'; empty
// when it cannot be told.
std::string executable_directory() {
    char buffer[4096];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) return {};
    const std::string exe(buffer, static_cast<size_t>(length));
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

}  // namespace

std::string default_library_path() {
    const std::string directory = executable_directory();
    // A build tree: the library is in the build's top directory.
    const size_t parent = directory.size() < 2 ? std::string::npos : directory.rfind('/', directory.size() - 2);
    if (parent != std::string::npos) {
        std::string built = directory.substr(0, parent + 1) + "libradiuscmd.so";
        if (access(built.c_str(), F_OK) == 0) return built;
    }
    // Installed: the library directory beside radsh's own, by a path rather
    // than the loader's search, so that nothing in the environment can put
    // another library in its place.
    return directory + RADSH_INSTALLED_LIBRARY;
}

}  // namespace radius::shell
