// Shell lines into the parser and the session, over the real handlers.  The
// input is a list of lines (at most 64 of at most 512 bytes); each runs in
// one session as if typed, so modes, submodes, abbreviations, "?", "| json"
// and every handler's refusals are reached.  Lines that would copy files
// are left out: a fuzzer must not write where a path tells it to.
#include <dlfcn.h>

#include <string>
#include <string_view>
#include <variant>

#include "fuzz/fuzz_common.hpp"
#include "shell/parser.hpp"
#include "shell/plugin.hpp"
#include "shell/session.hpp"
#include "sim/radsim.h"

namespace {

using namespace radius::shell;

// The handlers are linked into this program and exported from it.
void *find_in_program(void *, std::string_view name) { return dlsym(RTLD_DEFAULT, std::string(name).c_str()); }

bool copies_files(std::string_view line) {
    for (const mode m : {mode::exec, mode::configure}) {
        const parse_result result = parse(line, m);
        const auto *command = std::get_if<parsed_command>(&result);
        if (command != nullptr &&
            (command->def->action == builtin::copy_in || command->def->action == builtin::copy_out)) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    fuzz::prepare("fuzz_shell");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const handler_library library(find_in_program, nullptr);
    radsim::reset();
    radsim::load_factory_defaults();
    session s(library, {.typed = true});
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    size_t start = 0;
    for (int lines = 0; lines < 64 && start < text.size() && !s.finished(); ++lines) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, std::min<size_t>(end - start, 512));
        start = end + 1;
        if (!copies_files(line)) s.run_line(line, false);
    }
    fuzz::check_contract("fuzz_shell");
    return 0;
}
