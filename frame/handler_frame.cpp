#include "frame/handler_frame.hpp"

#include <cstdio>

#include "frame/frame.h"

namespace radius {

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

void report_failure(int32_t code, const char *context) {
    print_error_radius(code);
    std::puts(context);
}

namespace {

template <class Record>
using store_call = int32_t (*)(uint32_t, uint32_t, Record *, uint32_t, cmd_msg_ctx *, cmd_msg_ctx *);

template <class Record>
int32_t read_current(store_call<Record> call, cmd_paraminfo *info, Record *cfg, uint32_t mode) {
    int32_t rc = call(info->session_handle, RADIUS_OP_READ_PENDING, cfg, mode, &info->msg_ctx_a,
                      &info->msg_ctx_b);
    if (rc == RADIUS_ERR_NO_PENDING) {
        rc = call(info->session_handle, RADIUS_OP_READ, cfg, mode, &info->msg_ctx_a,
                  &info->msg_ctx_b);
    }
    return rc;
}

}  // namespace

int32_t read_global_current(cmd_paraminfo *info, radius_global_cfg *cfg, uint32_t mode) {
    return read_current(&cmi_radius_new_global_config, info, cfg, mode);
}

int32_t read_server_current(cmd_paraminfo *info, radius_server_cfg *cfg, uint32_t mode) {
    return read_current(&cmi_radius_new_server_config, info, cfg, mode);
}

int32_t read_distribution_flag(cmd_paraminfo *info, uint32_t mode, uint32_t *enabled) {
    *enabled = 0;
    const int32_t rc =
        cmi_radius_new_enable_info_config(info->session_handle, RADIUS_OP_READ, RADIUS_ITEM_DISTRIBUTION,
                                          enabled, mode, &info->msg_ctx_a, &info->msg_ctx_b);
    if (rc == RADIUS_ERR_ITEM_NOT_PRESENT) {
        *enabled = 0;
        return 0;
    }
    return rc;
}

}  // namespace radius
