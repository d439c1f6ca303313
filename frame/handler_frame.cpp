#include "frame/handler_frame.hpp"

#include <cstdio>

#include "frame/frame.h"
#include "platform/aaa_service.h"

namespace radius {

const cmd_param *first_param(const cmd_paraminfo *info, int32_t id) {
    const cmd_param *found = nullptr;
    walk_params(info, [&](const cmd_param &param) {
        if (param.id == id) found = &param;
        return found == nullptr;
    });
    return found;
}

bool on_active_sup(const cmd_paraminfo *info) {
    if (info->is_active_sup == 1) return true;
    std::puts("this command is supported on active sup only");
    return false;
}

bool param_u32(const cmd_param &param, uint32_t *out) {
    if (param.type != PARAM_TYPE_U32 || param.value == nullptr) return false;
    std::memcpy(out, param.value, sizeof *out);
    return true;
}

const char *param_text(const cmd_param &param) {
    if (param.type != PARAM_TYPE_TEXT) return nullptr;
    return static_cast<const char *>(param.value);
}

void copy_text(char *dst, size_t dst_size, const char *src, size_t max_chars) {
    if (dst_size == 0) return;
    size_t len = 0;
    if (src != nullptr) {
        const size_t limit = max_chars < dst_size - 1 ? max_chars : dst_size - 1;
        while (len < limit && src[len] != '\0') ++len;
        std::memcpy(dst, src, len);
    }
    std::memset(dst + len, 0, dst_size - len);
}

host_copy copy_server_host(const cmd_param &param, radius_server_cfg &server, size_t max_host_name) {
    const auto *text = static_cast<const char *>(param.value);
    switch (param.addr_kind) {
        case ADDR_KIND_IPV4:
            copy_text(server.host, text, 16);
            server.addr_type = RADIUS_ADDR_IPV4;
            return host_copy::named;
        case ADDR_KIND_IPV6:
            copy_text(server.host, text, 46);
            server.addr_type = RADIUS_ADDR_IPV6;
            if (aaa_server_normalize_ipv6_addr(server.host) != 0) return host_copy::named;
            std::puts("invalid ipv6 address");
            return host_copy::bad_ipv6;
        case ADDR_KIND_HOSTNAME:
            copy_text(server.host, text, max_host_name);
            server.addr_type = RADIUS_ADDR_HOSTNAME;
            return host_copy::named;
        default:
            return host_copy::unknown_kind;
    }
}

void report_failure(int32_t code, const char *context) {
    print_error_radius(code);
    std::puts(context);
}

}  // namespace radius
