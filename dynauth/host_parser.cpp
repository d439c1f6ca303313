// The host of a dynamic-authorization client, as typed: the text is the
// key of the daemon's client table, so it is checked but kept as given
// (IPv6 addresses excepted, which are normalised so that every spelling
// names one client).
#include <cstdio>
#include <cstring>

#include "abi/param_ids.h"
#include "dynauth/client_host.hpp"
#include "dynauth/dynauth.h"
#include "frame/handler_frame.hpp"
#include "platform/aaa_service.h"

namespace {

using radius::copy_text;

constexpr size_t host_buffer = 256;  // the caller's buffer holds at least this
constexpr size_t ipv4_chars = 16;
constexpr size_t ipv6_chars = 46;
constexpr size_t host_name_chars = host_buffer - 1;  // longer names are shortened

// The platform call: rewrites the address in its normal form; false when
// the text is no IPv6 address.
bool normalize_ipv6(char *address) { return aaa_server_normalize_ipv6_addr(address) != 0; }

int32_t refuse_kind() {
    std::puts("Invalid host address ");  // the trailing blank is part of the message
    return 1;
}

void set_type(uint32_t *addr_type, uint32_t type) {
    if (addr_type != nullptr) *addr_type = type;
}

int32_t take_ipv4(const char *text, uint32_t *addr_type, char *buffer) {
    set_type(addr_type, RADIUS_ADDR_IPV4);
    copy_text(buffer, host_buffer, text, ipv4_chars);
    // Compared as text: "000.0.0.0" is not caught here, as published.
    if (std::strcmp(buffer, "0.0.0.0") == 0 || std::strcmp(buffer, "255.255.255.255") == 0) {
        std::puts("0.0.0.0 or 255.255.255.255 address is not allowed");
        return 1;
    }
    return 0;
}

// The normaliser writes every spelling of the all-zero and all-ones
// addresses alike, so two comparisons catch them all.
int32_t take_ipv6(const char *text, uint32_t *addr_type, char *buffer) {
    set_type(addr_type, RADIUS_ADDR_IPV6);
    copy_text(buffer, host_buffer, text, ipv6_chars);
    if (!normalize_ipv6(buffer)) {
        std::puts("invalid ipv6 address");
        return 1;
    }
    if (std::strcmp(buffer, "::") == 0 || std::strcmp(buffer, "ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff") == 0) {
        std::puts(":: or 0:0:0:0:0:0:0:0 or ffff:ffff:ffff:ffff:ffff:ffff:ffff:ffff address is not allowed");
        return 1;
    }
    return 0;
}

}  // namespace

extern "C" RADIUS_EXPORT int32_t get_host_from_cli(cmd_paraminfo *info, uint32_t index, uint32_t *addr_type,
                                                   char *buffer) {
    if (info == nullptr || buffer == nullptr || index > info->param_count || index > CMD_MAX_PARAMS) return 1;
    if (index == 0) return refuse_kind();
    const cmd_param *param = info->params[index - 1];
    if (param == nullptr) return 1;
    const auto *text = static_cast<const char *>(param->value);
    switch (param->addr_kind) {
        case ADDR_KIND_IPV4:
            return text == nullptr ? 1 : take_ipv4(text, addr_type, buffer);
        case ADDR_KIND_IPV6:
            return text == nullptr ? 1 : take_ipv6(text, addr_type, buffer);
        case ADDR_KIND_HOSTNAME:
            if (text == nullptr) return 1;
            set_type(addr_type, RADIUS_ADDR_HOSTNAME);
            copy_text(buffer, host_buffer, text, host_name_chars);
            return 0;
        default:
            return refuse_kind();
    }
}

namespace radius::dynauth {

bool take_client_hosts(cmd_paraminfo *info, uint32_t *addr_type, char *buffer) {
    for (unsigned i = 0; i < info->param_count && i < CMD_MAX_PARAMS; ++i) {
        const cmd_param *param = info->params[i];
        if (param == nullptr || param->id != PARAM_DAC_HOST) continue;
        if (get_host_from_cli(info, i + 1, addr_type, buffer) != 0) return false;
    }
    return true;
}

}  // namespace radius::dynauth
