// cmd_prt_arg_make fills the caller's record and promises no result.  It is
// defined apart from the platform header, which declares it void, so that
// at the binary level it hands back a pointer to nothing: a caller that
// passes "its result" to cmd_prt, as if it were the record, is caught there
// instead of printing by luck.
#include <cstdint>

#include "sim/sim_internal.hpp"

extern "C" void *cmd_prt_arg_make(void *arg, uint32_t tag, const void *value, uint32_t length) {
    radsim::detail::fill_prt_arg(arg, tag, value, length);
    return reinterpret_cast<void *>(static_cast<uintptr_t>(0x5a5a5a58u));
}
