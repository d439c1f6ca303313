// The command library, loaded with dlopen; handlers are bound by name with
// dlsym, as the switch's shell binds its grammar to the library.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace radius::shell {

// Finds a handler by name; null when there is none.
using handler_lookup = void *(*)(void *context, std::string_view name);

class handler_library {
public:
    // Loads `path` and binds every handler the command table names.  Throws
    // std::runtime_error with dlerror's text when the library cannot load.
    explicit handler_library(const std::string &path);

    // Binds through `lookup` instead of a loaded library (tests).
    handler_library(handler_lookup lookup, void *context);

    // The handler's address, or null when the library lacks it.
    void *find(std::string_view name) const;

    // Handler names the table uses and the library lacks, in table order.
    const std::vector<std::string> &missing() const { return missing_; }

    // The start-up report of missing handlers ("" when none is missing).
    std::string missing_report(const std::string &library_name) const;

private:
    struct closer {
        void operator()(void *handle) const;
    };

    void bind(handler_lookup lookup, void *context);

    std::unique_ptr<void, closer> library_;
    std::map<std::string, void *, std::less<>> bound_;
    std::vector<std::string> missing_;
};

// The library's default place: libradiuscmd.so in the build's top
// directory, the parent of the directory that holds this executable.
std::string default_library_path();

}  // namespace radius::shell
