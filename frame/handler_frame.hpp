// Steps every handler shares: the parameter walk, typed access to parameter
// values, bounded text copies into records, and the two-line failure report.
#pragma once

#include <cstdint>
#include <cstring>

#include "abi/radius_records.h"

namespace radius {

// Calls visit(param) for each parameter in command-line order.  param_count
// is read again after every parameter, as the shell contract asks.  The walk
// stops early when visit returns false; returns whether it ran to the end.
template <class Visit>
bool walk_params(const cmd_paraminfo *info, Visit &&visit) {
    for (unsigned i = 0; i < info->param_count && i < CMD_MAX_PARAMS; ++i) {
        const cmd_param *param = info->params[i];
        if (param != nullptr && !visit(*param)) return false;
    }
    return true;
}

// The first parameter with `id` among the first param_count, or null.
const cmd_param *first_param(const cmd_paraminfo *info, int32_t id);

// True on the active supervisor; elsewhere prints "this command is
// supported on active sup only" and returns false.
bool on_active_sup(const cmd_paraminfo *info);

// The value of an integer parameter; false when its type is not u32.
bool param_u32(const cmd_param &param, uint32_t *out);

// The text of a text parameter; null when its type is not text.
const char *param_text(const cmd_param &param);

// Copies at most `max_chars` of `src` into `dst`, always NUL-terminated
// within `dst_size`, and zero-fills the rest so stored records stay
// byte-for-byte canonical.
void copy_text(char *dst, size_t dst_size, const char *src, size_t max_chars);

template <size_t N>
void copy_text(char (&dst)[N], const char *src, size_t max_chars) {
    copy_text(dst, N, src, max_chars);
}

template <size_t N>
void clear_text(char (&dst)[N]) {
    std::memset(dst, 0, N);
}

// How a host parameter named a server.
enum class host_copy { named, bad_ipv6, unknown_kind };

// Copies a host parameter into server.host by its address kind (IPv4 at
// most 16 characters, IPv6 at most 46 and then normalised in place, a host
// name at most `max_host_name`) and sets addr_type.  A bad IPv6 address
// prints "invalid ipv6 address"; an unknown kind prints nothing, since each
// command words that refusal its own way.
host_copy copy_server_host(const cmd_param &param, radius_server_cfg &server, size_t max_host_name);

// print_error_radius(code), then `context` as a line: the two-line form.
void report_failure(int32_t code, const char *context);

}  // namespace radius
