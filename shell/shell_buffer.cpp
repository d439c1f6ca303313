// The plain path of the running configuration: the generator writes into
// the shell's output buffer (vsh_buf_printf), which the simulated platform
// keeps and hands over through radsim::take_shell_buffer.  That call is
// bound weakly so the shell also links against a simulator without the
// buffer; the generator cannot run there either (its library would not load),
// so the empty text is never shown in place of a configuration.
#include <string>

#include "shell/session.hpp"

namespace radsim {
[[gnu::weak]] std::string take_shell_buffer();
}

namespace radius::shell {

std::string take_plain_output() { return &radsim::take_shell_buffer != nullptr ? radsim::take_shell_buffer() : ""; }

}  // namespace radius::shell
