// The server-group display.  Everything is read from the running copy and
// printed through the tagged output channel; the report is sent only when
// every read succeeded, so a failure shows none of it.
#include "show/group_display.h"
#include "abi/param_ids.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "frame/frame.h"
#include "frame/handler_frame.hpp"
#include "platform/store_client.h"
#include "show/service_ports.hpp"

namespace radius {
namespace {

constexpr uint32_t store_mode = 1;  // every store read of this display
constexpr size_t max_group_name = 255;

// Releases the output handle on every path that does not send the report.
struct output_handle_releaser {
    void operator()(cmd_out_handle *handle) const { cmd_paraminfo_to_rxhandle_free(handle); }
};
using output_handle = std::unique_ptr<cmd_out_handle, output_handle_releaser>;

// Delivers the report.  The shell keeps a handle once its report is sent,
// so our ownership ends here.  A failed delivery has no other channel on
// which it could be told, so the display counts as shown.
int32_t send_report(output_handle handle) {
    cmd_prt_send(handle.get());
    static_cast<void>(handle.release());
    return 0;
}

int32_t group_call(cmd_paraminfo *info, uint32_t op, radius_group_cfg *group) {
    return cmi_radius_new_group_config(info->session_handle, op, group, store_mode, &info->msg_ctx_a,
                                       &info->msg_ctx_b);
}

bool is_default_group(const radius_group_cfg &group) {
    return std::strncmp(group.name, "radius", sizeof group.name) == 0;
}

// Port 0 stands for the service's well-known port.  Both are looked up,
// whichever roles the server has.
void fill_default_ports(radius_server_cfg *server) {
    fill_default_port(&server->auth_port, auth_service);
    fill_default_port(&server->acct_port, acct_service);
}

// One member line, in pieces so that each port carries its own tag.
void print_member(cmd_out_handle *handle, const radius_server_cfg &server) {
    cmd_prt_arg arg;
    const auto host_length = static_cast<uint32_t>(strnlen(server.host, sizeof server.host - 1) + 1);
    cmd_prt_arg_make(&arg, TAG_GRP_MEMBER_HOST, server.host, host_length);
    cmd_prt(handle, "\t\tserver: %s on", &arg, nullptr);
    if (server.authentication != 0) {
        cmd_prt_arg_make(&arg, TAG_GRP_MEMBER_AUTH_PORT, &server.auth_port, 4);
        cmd_prt(handle, " auth-port %s", &arg, nullptr);
        cmd_prt(handle, server.accounting != 0 ? ", " : " ");
    } else {
        cmd_prt(handle, " ");
    }
    if (server.accounting != 0) {
        cmd_prt_arg_make(&arg, TAG_GRP_MEMBER_ACCT_PORT, &server.acct_port, 4);
        cmd_prt(handle, "acct-port %s", &arg, nullptr);
    }
    cmd_prt(handle, "\n");
}

// Prints the member lines.  A member the store no longer knows ends them
// without an error; any other failed read is reported and returned.
int32_t print_members(cmd_paraminfo *info, cmd_out_handle *handle, const radius_group_cfg &group) {
    const int32_t count = std::clamp(group.member_count, 0, RADIUS_MAX_GROUP_MEMBERS);
    for (int32_t slot = 0; slot < count; ++slot) {
        radius_server_cfg server{};
        server.index = group.members[slot];
        const int32_t rc = cmi_radius_new_server_config(info->session_handle, RADIUS_OP_READ, &server,
                                                        store_mode, &info->msg_ctx_a, &info->msg_ctx_b);
        if (rc == RADIUS_ERR_SERVER_NOT_FOUND) break;
        if (rc != 0) {
            report_failure(rc, "could not retrieve RADIUS server configuration");
            return rc;
        }
        fill_default_ports(&server);
        print_member(handle, server);
    }
    return 0;
}

// Copies the text of a group-name parameter into the record and says
// whether there was one; false when one is not text.
bool take_group_name(const cmd_paraminfo *info, radius_group_cfg *group, bool *named) {
    return walk_params(info, [group, named](const cmd_param &param) {
        if (param.id != PARAM_GROUP_NAME) return true;
        const char *name = param_text(param);
        if (name == nullptr) return false;
        copy_text(group->name, name, max_group_name);
        *named = true;
        return true;
    });
}

// True when a group walk ran to its end; otherwise reports what broke it.
bool group_walk_ended(int32_t rc) {
    if (rc == RADIUS_ERR_NO_MORE_GROUPS) return true;
    report_failure(rc, "could not retrieve RADIUS group configuration");
    return false;
}

int32_t show_one_group(cmd_paraminfo *info, output_handle handle, radius_group_cfg group,
                       const radius_global_cfg &global) {
    const int32_t rc = group_call(info, RADIUS_OP_READ, &group);
    if (rc != 0) {
        print_error_radius(rc);  // the store's text alone says the group is missing
        return 1;
    }
    if (radius_print_server_group_details(info, handle.get(), group, global) != 0) return 1;
    return send_report(std::move(handle));
}

int32_t show_all_groups(cmd_paraminfo *info, output_handle handle, const radius_global_cfg &global) {
    radius_group_cfg group{};
    uint32_t count = 0;
    int32_t rc = 0;
    while ((rc = group_call(info, RADIUS_OP_READ_NEXT, &group)) == 0) ++count;
    if (!group_walk_ended(rc)) return 1;

    cmd_prt_arg arg;
    cmd_prt_arg_make(&arg, TAG_GRP_COUNT, &count, 4);
    cmd_prt(handle.get(), "total number of groups:%s\n", &arg, nullptr);
    if (count == 0) return send_report(std::move(handle));
    cmd_prt(handle.get(), "\nfollowing RADIUS server groups are configured:\n");
    group = radius_group_cfg{};
    while ((rc = group_call(info, RADIUS_OP_READ_NEXT, &group)) == 0) {
        if (radius_print_server_group_details(info, handle.get(), group, global) != 0) return 1;
    }
    if (!group_walk_ended(rc)) return 1;
    return send_report(std::move(handle));
}

}  // namespace
}  // namespace radius

extern "C" RADIUS_EXPORT int32_t radius_print_server_group_details(cmd_paraminfo *info, cmd_out_handle *handle,
                                                                   radius_group_cfg group,
                                                                   radius_global_cfg global) {
    using namespace radius;
    cmd_prt_arg arg;
    cmd_prt_arg_make(&arg, TAG_GRP_NAME, group.name, sizeof group.name);
    cmd_prt(handle, "\tgroup %s:\n", &arg, nullptr);
    if (is_default_group(group)) {
        cmd_prt(handle, "\t\tserver: all configured radius servers\n");
    } else if (const int32_t rc = print_members(info, handle, group); rc != 0) {
        return rc;
    }
    // A group without a deadtime of its own follows the global one.
    const uint32_t deadtime = group.deadtime != 0 ? group.deadtime : global.deadtime;
    cmd_prt_arg_make(&arg, TAG_GRP_DEADTIME, &deadtime, sizeof deadtime);
    cmd_prt(handle, "\t\tdeadtime is %s\n", &arg, nullptr);
    return 0;
}

extern "C" RADIUS_EXPORT int32_t show_radius_new(cmd_paraminfo *info) {
    using namespace radius;
    if (info->is_active_sup != 1) {
        std::puts("this command is supported on active sup only");
        return 1;
    }
    output_handle handle(cmd_paraminfo_to_rxhandle(info));
    if (!handle) {
        std::puts("received handler is NULL ");  // the trailing blank belongs to the text
        return 1;
    }
    radius_group_cfg group{};
    bool named = false;
    if (!take_group_name(info, &group, &named)) return 1;
    radius_global_cfg global{};
    if (cmi_radius_new_global_config(info->session_handle, RADIUS_OP_READ, &global, store_mode,
                                     &info->msg_ctx_a, &info->msg_ctx_b) != 0) {
        std::puts("could not extract global RADIUS configuration");
        return 1;
    }
    return named ? show_one_group(info, std::move(handle), group, global)
                 : show_all_groups(info, std::move(handle), global);
}
