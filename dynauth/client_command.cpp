// The dynamic-authorization client command.  The client named by its host
// is read, changed in command-line order and written back, or removed, as
// the last step; a refused parameter writes nothing.  A keyword's flag
// applies to the parameters after it only.
#include <cstdio>
#include <cstring>

#include "abi/param_ids.h"
#include "dynauth/client_host.hpp"
#include "dynauth/dynauth.h"
#include "dynauth/key_input.hpp"
#include "dynauth/store_message.hpp"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"

namespace radius::dynauth {

namespace {

constexpr uint32_t unused_word = 1;  // the wrappers' ignored argument
constexpr size_t vrf_chars = 32;     // the 33-byte field keeps its NUL
constexpr size_t vrf_compared = 33;

struct client_walk {
    client_walk(cmd_paraminfo *command, rad_dac_cfg &client) : info(command), record(client) {}

    cmd_paraminfo *info;
    rad_dac_cfg &record;
    key_input keys;
    char vrf[33] = {};
    bool remove_client = false;
    bool vrf_removal = false;
};

// The host as printed: a reply could fill the field to its end.
int host_width(const rad_dac_cfg &record) { return static_cast<int>(strnlen(record.host, sizeof record.host)); }

int32_t client_call(cmd_paraminfo *info, uint32_t op, rad_dac_cfg *record) {
    return cmi_rad_dac_config(info->session_handle, op, record, unused_word, &info->msg_ctx_a, &info->msg_ctx_b);
}

// The record's host fields; the address type lies at an odd offset, so it
// goes through a local copy.  False after the parser's message.
bool take_hosts(cmd_paraminfo *info, rad_dac_cfg &record) {
    uint32_t addr_type = rad_da_get_u32(record.addr_type);
    const bool taken = take_client_hosts(info, &addr_type, record.host);
    rad_da_set_u32(record.addr_type, addr_type);
    return taken;
}

// Sets the record's vrf to `name`, or in a removal clears it once `name`
// proves to be the configured one.
bool apply_vrf(client_walk &walk, const char *name) {
    if (!walk.vrf_removal) {
        copy_text(walk.record.vrf, name, vrf_chars);
        return true;
    }
    if (walk.record.vrf[0] == '\0') {
        std::puts("vrf name is not configured, nothing to disable");
        return false;
    }
    if (std::strncmp(walk.record.vrf, name, vrf_compared) != 0) {
        std::puts("The vrf name provided does not match with the configured vrf");
        return false;
    }
    clear_text(walk.record.vrf);
    return true;
}

bool vrf_name(const cmd_param &param, client_walk &walk) {
    const char *text = param_text(param);
    if (text == nullptr) return false;
    copy_text(walk.vrf, text, vrf_chars);
    return apply_vrf(walk, walk.vrf);
}

bool client_param(const cmd_param &param, client_walk &walk) {
    const bool no_form = walk.info->no_form != 0;
    switch (param.id) {
        case PARAM_DAC_HOST: walk.remove_client = no_form; return true;
        case PARAM_DAC_VRF:
            walk.remove_client = false;
            walk.vrf_removal = no_form;
            return true;
        case PARAM_KEY:
            walk.remove_client = false;
            walk.keys.no_key = no_form;
            return true;
        case PARAM_VRF_NAME: return vrf_name(param, walk);
        case PARAM_VRF_MANAGEMENT: return apply_vrf(walk, "management");
        case PARAM_VRF_DEFAULT: return apply_vrf(walk, "default");
        default: break;
    }
    return apply_key_param(param, walk.keys, {walk.record.key_type, walk.record.key, walk.record.key6}) !=
           key_step::refused;
}

int32_t remove_client(cmd_paraminfo *info, rad_dac_cfg &record) {
    if (client_call(info, RADIUS_OP_DELETE, &record) == 0) return 0;
    std::printf("configuration for %.*s could not be removed\n", host_width(record), record.host);
    return 1;
}

int32_t write_client(cmd_paraminfo *info, rad_dac_cfg &record) {
    const int32_t rc = client_call(info, RADIUS_OP_WRITE, &record);
    if (rc == 0) return 0;
    if (rc == RAD_DA_ERR_CLIENT_TABLE_FULL) {
        // sic: no blank between "clients" and "already"
        std::puts("maximum number of RADIUS dynamic authorization clientsalready configured");
        return 1;
    }
    print_error_radius(rc);
    std::printf("configuration for %.*s could not be updated\n", host_width(record), record.host);
    return 1;
}

// The last step once every parameter was accepted.
int32_t finish_client(client_walk &walk) {
    if (walk.remove_client) return remove_client(walk.info, walk.record);
    if (walk.vrf_removal) {
        if (walk.keys.no_key) return remove_client(walk.info, walk.record);
        clear_text(walk.record.vrf);
    } else if (walk.keys.no_key) {
        remove_key({walk.record.key_type, walk.record.key, walk.record.key6});
    }
    return write_client(walk.info, walk.record);
}

}  // namespace

}  // namespace radius::dynauth

using namespace radius::dynauth;

extern "C" RADIUS_EXPORT int32_t config_rad_dac_info(cmd_paraminfo *info) {
    rad_dac_cfg record = new_record<rad_dac_cfg>(RAD_DA_KIND_CLIENT_CFG, info->cmd_id);
    const wipe_on_exit<rad_dac_cfg> wipe(record);
    if (!take_hosts(info, record)) return 1;
    const int32_t rc = client_call(info, RADIUS_OP_READ, &record);
    if (rc != 0 && rc != RAD_DA_ERR_NO_CLIENT) {
        std::printf("failed to get radius dynamic author client config with error(%x)\n", static_cast<unsigned>(rc));
        return -1;
    }
    if (rc == RAD_DA_ERR_NO_CLIENT && info->no_form != 0) {
        std::printf("configuration for %.*s not present\n", host_width(record), record.host);
        return 1;
    }
    if (info->param_count == 0) return write_client(info, record);
    client_walk walk(info, record);
    if (!radius::walk_params(info, [&](const cmd_param &param) { return client_param(param, walk); })) return 1;
    return finish_client(walk);
}
