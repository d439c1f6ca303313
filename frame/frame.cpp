// The frame's exported routines and the RADIUS enable command.
#include "frame/frame.h"

#include <cstdio>
#include <cstring>

#include "frame/context.hpp"
#include "frame/handler_frame.hpp"
#include "platform/system_services.h"

namespace {

constexpr uint32_t radius_service_number = 183;

}  // namespace

extern "C" RADIUS_EXPORT void print_error_radius(int32_t code) {
    if (code > 0) std::puts(syserr2str(code));
}

extern "C" RADIUS_EXPORT int print_stderr_radius(char *text, const char *separator) {
    const size_t separator_len = std::strlen(separator);
    char *cursor = text;
    // An empty separator would be found at the cursor forever; print as is.
    if (separator_len != 0) {
        for (char *found = std::strstr(cursor, separator); found != nullptr;
             found = std::strstr(cursor, separator)) {
            *found = '\0';
            std::printf("%s", cursor);
            cursor = found + separator_len;
        }
    }
    return std::printf("%s", cursor);
}

extern "C" RADIUS_EXPORT int32_t config_radius_enable(cmd_paraminfo *info) {
    if (info->no_form == 0) {
        const int32_t rc = sysmgr_cli_conditional_srv_start(info->session_handle, radius_service_number,
                                                            "radius", nullptr, 0, 0, 0);
        print_error_radius(rc);
        return rc == 0 ? 0 : 1;
    }
    const int32_t rc = radius::context(info, 1).write_item(RADIUS_ITEM_DAEMON, 0);
    if (rc != 0) {
        radius::report_failure(rc, "could not disable RADIUS daemon");
        return 1;
    }
    return 0;
}
