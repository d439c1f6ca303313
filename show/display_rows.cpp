#include "show/display_rows.hpp"

#include <cstdio>

namespace radius {

cmd_out_handle *open_tagged_display(cmd_paraminfo *info, const char *null_handle_message) {
    if (info->is_active_sup != 1) {
        std::puts("this command is supported on active sup only");
        return nullptr;
    }
    cmd_out_handle *handle = cmd_paraminfo_to_rxhandle(info);
    if (handle == nullptr) std::puts(null_handle_message);
    return handle;
}

void print_rows(cmd_out_handle *handle, std::span<const display_row> rows) {
    for (const display_row &row : rows) {
        if (!row.shown) continue;
        if (row.value == nullptr) {
            cmd_prt(handle, row.format, nullptr);
            continue;
        }
        cmd_prt_arg arg;
        cmd_prt_arg_make(&arg, row.tag, row.value, row.length);
        cmd_prt(handle, row.format, &arg, nullptr);
    }
}

}  // namespace radius
