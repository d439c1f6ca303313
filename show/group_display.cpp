// The server-group display.  Everything is read from the running copy and
// printed through the tagged output channel; the report is sent only when
// every read succeeded, so a failure shows none of it.
#include "show/group_display.h"
#include "abi/param_ids.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "frame/context.hpp"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"
#include "frame/output.hpp"
#include "frame/service_ports.hpp"

namespace radius {
namespace {

constexpr uint32_t store_mode = 1;  // every store read of this display
constexpr size_t max_group_name = 255;

bool is_default_group(const radius_group_cfg &group) {
    return std::strncmp(group.name, "radius", sizeof group.name) == 0;
}

// One member line, in pieces so that each port carries its own tag.
void print_member(const output &out, const radius_server_cfg &server) {
    const auto host_length = static_cast<uint32_t>(strnlen(server.host, sizeof server.host - 1) + 1);
    out.print("\t\tserver: %s on", TAG_GRP_MEMBER_HOST, server.host, host_length);
    if (server.authentication != 0) {
        out.print(" auth-port %s", TAG_GRP_MEMBER_AUTH_PORT, &server.auth_port, 4);
        out.print(server.accounting != 0 ? ", " : " ");
    } else {
        out.print(" ");
    }
    if (server.accounting != 0) out.print("acct-port %s", TAG_GRP_MEMBER_ACCT_PORT, &server.acct_port, 4);
    out.print("\n");
}

// Prints the member lines.  A member the store no longer knows ends them
// without an error; any other failed read is reported and returned.  Port 0
// stands for the service's own port, whichever roles the server has.
int32_t print_members(const context &store, const output &out, const radius_group_cfg &group,
                      const service_ports &ports) {
    const int32_t count = std::clamp(group.member_count, 0, RADIUS_MAX_GROUP_MEMBERS);
    for (int32_t slot = 0; slot < count; ++slot) {
        radius_server_cfg server{};
        server.index = group.members[slot];
        const int32_t rc = store.read(server);
        if (rc == RADIUS_ERR_SERVER_NOT_FOUND) break;
        if (rc != 0) {
            report_failure(rc, "could not retrieve RADIUS server configuration");
            return rc;
        }
        ports.fill_defaults(server);
        print_member(out, server);
    }
    return 0;
}

int32_t print_group(const context &store, const output &out, const radius_group_cfg &group,
                    const radius_global_cfg &global, const service_ports &ports) {
    out.print("\tgroup %s:\n", TAG_GRP_NAME, group.name, sizeof group.name);
    if (is_default_group(group)) {
        out.print("\t\tserver: all configured radius servers\n");
    } else if (const int32_t rc = print_members(store, out, group, ports); rc != 0) {
        return rc;
    }
    // A group without a deadtime of its own follows the global one.
    const uint32_t deadtime = group.deadtime != 0 ? group.deadtime : global.deadtime;
    out.print("\t\tdeadtime is %s\n", TAG_GRP_DEADTIME, &deadtime, sizeof deadtime);
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
    if (rc == 0) return true;
    report_failure(rc, "could not retrieve RADIUS group configuration");
    return false;
}

// The shell keeps a handle once its report is sent.  A failed delivery has
// no other channel on which it could be told, so the display counts as shown.
int32_t show_one_group(const context &store, output &out, radius_group_cfg group, const radius_global_cfg &global) {
    const int32_t rc = store.read(group);
    if (rc != 0) {
        print_error_radius(rc);  // the store's text alone says the group is missing
        return 1;
    }
    if (print_group(store, out, group, global, service_ports::look_up()) != 0) return 1;
    out.send_and_keep();
    return 0;
}

int32_t show_all_groups(const context &store, output &out, const radius_global_cfg &global) {
    uint32_t count = 0;
    const int32_t counted = store.walk_groups([&](const radius_group_cfg &) {
        ++count;
        return true;
    });
    if (!group_walk_ended(counted)) return 1;
    out.print("total number of groups:%s\n", TAG_GRP_COUNT, &count, 4);
    if (count != 0) {
        out.print("\nfollowing RADIUS server groups are configured:\n");
        const service_ports ports = service_ports::look_up();
        bool printed = true;
        const int32_t rc = store.walk_groups([&](const radius_group_cfg &group) {
            printed = print_group(store, out, group, global, ports) == 0;
            return printed;
        });
        if (!printed || !group_walk_ended(rc)) return 1;
    }
    out.send_and_keep();
    return 0;
}

}  // namespace
}  // namespace radius

extern "C" RADIUS_EXPORT int32_t radius_print_server_group_details(cmd_paraminfo *info, cmd_out_handle *handle,
                                                                   radius_group_cfg group,
                                                                   radius_global_cfg global) {
    using namespace radius;
    return print_group(context(info, store_mode), output::borrowed(handle), group, global, service_ports::look_up());
}

extern "C" RADIUS_EXPORT int32_t show_radius_new(cmd_paraminfo *info) {
    using namespace radius;
    if (!on_active_sup(info)) return 1;
    output out = open_output(info, "received handler is NULL ");  // the trailing blank belongs to the text
    if (!out) return 1;
    radius_group_cfg group{};
    bool named = false;
    if (!take_group_name(info, &group, &named)) return 1;
    const context store(info, store_mode);
    radius_global_cfg global{};
    if (store.read(global) != 0) {
        std::puts("could not extract global RADIUS configuration");
        return 1;
    }
    return named ? show_one_group(store, out, group, global) : show_all_groups(store, out, global);
}
