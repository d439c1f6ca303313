// The server-group command.  The group is read once, changed in memory
// parameter by parameter, and written or deleted as the very last step, so
// a refusal anywhere leaves the stored group exactly as it was.
#include "config/server_group.h"
#include "abi/param_ids.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <span>

#include "frame/context.hpp"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"

namespace radius {
namespace {

constexpr uint32_t store_mode = 2;  // every store call of this command
constexpr int32_t status_refused = 1;
constexpr int32_t status_write_failed = 255;

constexpr size_t max_group_name = 255;
constexpr size_t max_host_name = 255;

// One command's work on its group.
struct group_edit {
    cmd_paraminfo *info;
    context store;
    radius_group_cfg group{};
    bool existed = false;
    int32_t read_result = 0;    // reported when a deletion finds no group
    bool delete_group = false;  // a "no" form that names nothing inside the group
    bool changed = false;       // an existing group is written only when set
};

bool is_default_group(const radius_group_cfg &group) {
    return std::strncmp(group.name, "radius", sizeof group.name) == 0;
}

// The valid member slots.  A count outside 0..64 handed back by the store
// is clamped so that no slot past the array is ever touched.
std::span<uint32_t> members_of(radius_group_cfg &group) {
    const int32_t count = std::clamp(group.member_count, 0, RADIUS_MAX_GROUP_MEMBERS);
    return {group.members, static_cast<size_t>(count)};
}

// Copies the text of every group-name parameter into the record; false
// when one is not text.
bool take_group_name(const cmd_paraminfo *info, radius_group_cfg *group) {
    return walk_params(info, [group](const cmd_param &param) {
        if (param.id != PARAM_GROUP_NAME) return true;
        const char *name = param_text(param);
        if (name == nullptr) return false;
        copy_text(group->name, name, max_group_name);
        return true;
    });
}

bool read_group(group_edit &edit) {
    const radius_group_cfg named = edit.group;
    edit.read_result = edit.store.read(edit.group);
    if (edit.read_result == 0) {
        edit.existed = true;
        edit.group.name[sizeof edit.group.name - 1] = '\0';  // printed with %s in later messages
        return true;
    }
    if (edit.read_result == RADIUS_ERR_GROUP_NOT_FOUND) {
        edit.group = named;  // a new group starts from its name alone
        return true;
    }
    report_failure(edit.read_result, "could not retrieve RADIUS group configuration");
    return false;
}

// Fills the server's lookup key (host and addr_type) from a host parameter.
bool server_key_from_host(const cmd_param &param, radius_server_cfg *server) {
    const host_copy result = copy_server_host(param, *server, max_host_name);
    if (result == host_copy::unknown_kind) std::printf("Invalid host address");  // ends no line, as published
    return result == host_copy::named;
}

bool read_server(group_edit &edit, radius_server_cfg *server) {
    const int32_t rc = edit.store.read(*server);
    if (rc == 0) return true;
    if (rc == RADIUS_ERR_SERVER_NOT_FOUND) {
        std::puts("specified RADIUS server not found, first configure it using radius-server host ... and then retry");
    } else {
        report_failure(rc, "could not retrieve RADIUS server configuration");
    }
    return false;
}

bool remove_member(group_edit &edit, uint32_t index) {
    const std::span<uint32_t> members = members_of(edit.group);
    const auto found = std::find(members.begin(), members.end(), index);
    if (found == members.end()) {
        std::puts("server not present in server-group");
        return false;
    }
    std::copy(found + 1, members.end(), found);  // later members move down, order kept
    members.back() = 0;                          // the freed slot stays canonical
    edit.group.member_count = static_cast<int32_t>(members.size() - 1);
    edit.delete_group = false;
    edit.changed = true;
    return true;
}

bool add_member(group_edit &edit, uint32_t index) {
    const std::span<uint32_t> members = members_of(edit.group);
    // Duplicates are refused before capacity: a full group that already
    // holds the server says so rather than that it is full.
    if (std::find(members.begin(), members.end(), index) != members.end()) {
        std::puts("RADIUS group already contains the server");
        return false;
    }
    if (members.size() >= RADIUS_MAX_GROUP_MEMBERS) {
        std::puts("RADIUS group already contains maximum servers");
        return false;
    }
    edit.group.members[members.size()] = index;
    edit.group.member_count = static_cast<int32_t>(members.size() + 1);
    edit.changed = true;
    return true;
}

bool apply_server(group_edit &edit, const cmd_param &param) {
    // The default group stands for every configured server: it has no list.
    if (is_default_group(edit.group)) {
        std::puts("Not allowed to add or delete the server to this group");
        return false;
    }
    radius_server_cfg server{};
    if (!server_key_from_host(param, &server) || !read_server(edit, &server)) return false;
    return edit.info->no_form != 0 ? remove_member(edit, server.index) : add_member(edit, server.index);
}

bool apply_deadtime(group_edit &edit, const cmd_param &param) {
    uint32_t deadtime = 0;
    if (!param_u32(param, &deadtime)) return false;
    if (edit.info->no_form != 0) {
        deadtime = 0;  // back to "not set", whatever value the command carried
        edit.delete_group = false;
    }
    edit.group.deadtime = deadtime;
    edit.changed = true;
    return true;
}

// The vrf parameters store nothing; they only make the command a change of
// the group, so that their "no" form does not delete it.
bool apply_vrf(group_edit &edit, const cmd_param &param) {
    if (param.id == PARAM_VRF_NAME && param_text(param) == nullptr) return false;
    if (edit.info->no_form != 0) edit.delete_group = false;
    edit.changed = true;
    return true;
}

bool apply_param(group_edit &edit, const cmd_param &param) {
    switch (param.id) {
        case PARAM_VRF_NAME:
        case PARAM_VRF_MANAGEMENT:
        case PARAM_VRF_DEFAULT:
            return apply_vrf(edit, param);
        case PARAM_GROUP_SERVER:
            return apply_server(edit, param);
        case PARAM_DEADTIME:
            return apply_deadtime(edit, param);
        default:
            return true;  // the name, taken already, and ids of other commands
    }
}

int32_t delete_group(group_edit &edit) {
    if (!edit.existed) {
        print_error_radius(edit.read_result);
        std::printf("configuration for group %s not present\n", edit.group.name);
        return status_refused;
    }
    if (is_default_group(edit.group)) {
        std::puts("default group radius delete not allowed");
        return status_refused;
    }
    const int32_t rc = edit.store.remove(edit.group);
    if (rc != 0) {
        print_error_radius(rc);
        std::printf("configuration for group %s could not be removed\n", edit.group.name);
    }
    return 0;  // a failed deletion is reported, yet the command succeeds
}

int32_t write_group(group_edit &edit) {
    if (edit.existed && !edit.changed) return 0;  // entering an existing group
    const int32_t rc = edit.store.write(edit.group);
    if (rc == 0) return 0;
    if (rc == RADIUS_ERR_GROUP_TABLE_FULL) {
        std::puts("maximum number of RADIUS server groups already configured");
    } else {
        print_error_radius(rc);
        std::printf("configuration for group %s could not be updated\n", edit.group.name);
    }
    return status_write_failed;
}

}  // namespace
}  // namespace radius

extern "C" RADIUS_EXPORT int32_t config_radius_new_server_group(cmd_paraminfo *info) {
    using namespace radius;
    if (info->submode_noop != 0) return 0;
    group_edit edit{info, context(info, store_mode)};
    if (!take_group_name(info, &edit.group) || !read_group(edit)) return status_refused;
    edit.delete_group = info->no_form != 0;
    if (!walk_params(info, [&edit](const cmd_param &param) { return apply_param(edit, param); })) {
        return status_refused;
    }
    return edit.delete_group ? delete_group(edit) : write_group(edit);
}
