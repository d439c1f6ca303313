#include "frame/output.hpp"

#include <cstdio>

#include "frame/handler_frame.hpp"

namespace radius {

output::~output() {
    if (handle_ != nullptr && owned_) cmd_paraminfo_to_rxhandle_free(handle_);
}

void output::print(const char *text) const { cmd_prt(handle_, text, nullptr); }

void output::print(const char *format, uint32_t tag, const void *value, uint32_t length) const {
    cmd_prt_arg arg;
    cmd_prt_arg_make(&arg, tag, value, length);
    cmd_prt(handle_, format, &arg, nullptr);
}

void output::print_tuple(const char *format, uint32_t tag, const void *value) const {
    cmd_prt(handle_, format, cmd_tuple(tag, value), nullptr);
}

void output::print(std::span<const display_row> rows) const {
    for (const display_row &row : rows) {
        if (!row.shown) continue;
        if (row.value == nullptr) {
            print(row.format);
        } else {
            print(row.format, row.tag, row.value, row.length);
        }
    }
}

int32_t output::send_and_keep() {
    const int32_t result = cmd_prt_send(handle_);
    handle_ = nullptr;
    return result;
}

int32_t output::send_and_release() {
    const int32_t result = cmd_prt_send(handle_);
    cmd_req_handle_free(handle_);
    handle_ = nullptr;
    return result;
}

void output::release_unsent() {
    cmd_req_handle_free(handle_);
    handle_ = nullptr;
}

output open_output(cmd_paraminfo *info, const char *null_handle_message) {
    output out(info);
    if (!out) std::puts(null_handle_message);
    return out;
}

output open_tagged_display(cmd_paraminfo *info, const char *null_handle_message) {
    if (!on_active_sup(info)) return output::borrowed(nullptr);
    return open_output(info, null_handle_message);
}

}  // namespace radius
