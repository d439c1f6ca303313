// The dynamic-authorization server command and the dispatcher every
// dynamic-authorization configuration command enters through.  The server
// record is read, changed in command-line order and written back (or the
// server disabled) as the last step: a refused parameter writes nothing.
#include <cstdio>

#include "abi/param_ids.h"
#include "dynauth/dynauth.h"
#include "dynauth/key_input.hpp"
#include "dynauth/store_message.hpp"
#include "frame/context.hpp"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"

namespace radius::dynauth {

namespace {

// The distribution flag is read with the mode the store expects of it here.
constexpr uint32_t distribution_mode = 2;
constexpr uint32_t unused_word = 1;  // the wrappers' ignored argument

enum class step { go_on, done, refused };  // done: return 0 at once, writing nothing

struct server_walk {
    server_walk(cmd_paraminfo *command, rad_das_cfg &server, bool stored)
        : info(command), record(server), present(stored) {}

    cmd_paraminfo *info;
    rad_das_cfg &record;
    bool present;  // the store holds a server (it was not "not running")
    key_input keys;
    bool port_removal = false;
    bool disable = false;
    uint32_t remembered_port = 0;  // the record's port when the port keyword came
};

int32_t server_call(cmd_paraminfo *info, uint32_t op, rad_das_cfg *record) {
    return cmi_rad_das_config(info->session_handle, op, record, unused_word, &info->msg_ctx_a, &info->msg_ctx_b);
}

void note_distribution(cmd_paraminfo *info) {
    uint32_t enabled = 0;
    // Only a set flag matters; a failed read is not reported.
    context(info, distribution_mode).read_item_or_zero(RADIUS_ITEM_DISTRIBUTION, enabled);
    if (enabled != 0) std::puts("Note: dynamic authorization server configuration is exempted from QDS distribution");
}

step refuse(const char *message) {
    std::puts(message);
    return step::refused;
}

step port_value(const cmd_param &param, server_walk &walk) {
    uint32_t value = 0;
    if (!param_u32(param, &value)) return step::refused;
    if (!walk.port_removal) {
        rad_da_set_u32(walk.record.port, value);
        return step::go_on;
    }
    if (walk.remembered_port == 0) return refuse("server port is not configured, nothing to delete");
    if (walk.remembered_port != value) return refuse("the server port provided does not match with configured port");
    rad_da_set_u32(walk.record.port, 0);
    return step::go_on;
}

// The mode command itself acts only as the submode command on a server
// that is there: its plain form changes nothing, its "no" form disables.
step server_itself(server_walk &walk) {
    if (walk.info->cmd_id != DYNAUTH_CMD_SERVER_MODE || !walk.present) return step::go_on;
    if (walk.info->no_form == 0) return step::done;
    walk.disable = true;
    return step::go_on;
}

step server_param(const cmd_param &param, server_walk &walk) {
    const bool no_form = walk.info->no_form != 0;
    switch (param.id) {
        case PARAM_KEY: walk.keys.no_key = no_form; return step::go_on;
        case PARAM_DAS_PORT:
            walk.port_removal = no_form;
            walk.remembered_port = rad_da_get_u32(walk.record.port);
            return step::go_on;
        case PARAM_DAS_PORT_VALUE: return port_value(param, walk);
        case PARAM_DYNAMIC_AUTHOR: return server_itself(walk);
        default: break;
    }
    switch (apply_key_param(param, walk.keys, {walk.record.key_type, walk.record.key, walk.record.key6})) {
        case key_step::refused: return step::refused;
        default: return step::go_on;  // accepted, or an id this command passes over
    }
}

step walk_server_params(server_walk &walk) {
    step end = step::go_on;
    walk_params(walk.info, [&](const cmd_param &param) {
        end = server_param(param, walk);
        return end == step::go_on;
    });
    if (end != step::go_on) return end;
    if (walk.port_removal) rad_da_set_u32(walk.record.port, 0);
    if (walk.keys.no_key) remove_key({walk.record.key_type, walk.record.key, walk.record.key6});
    return step::go_on;
}

int32_t disable_server(cmd_paraminfo *info, rad_das_cfg &record) {
    const int32_t rc = server_call(info, RADIUS_OP_DELETE, &record);
    if (rc == RAD_DA_ERR_SERVER_NOT_RUNNING) {
        std::puts("radius dynamic author server not running, nothing to disable");
        return 0;
    }
    if (rc == 0) return 0;
    print_error_radius(rc);
    std::printf("failed to disable the radius dynamic author server config with error(%x)\n",
                static_cast<unsigned>(rc));
    return -1;
}

int32_t write_server(cmd_paraminfo *info, rad_das_cfg &record) {
    const int32_t rc = server_call(info, RADIUS_OP_WRITE, &record);
    if (rc == RAD_DA_ERR_SERVER_NOT_RUNNING) {
        std::puts("radius dynamic author server not running, could not update the server config");
        return 0;
    }
    if (rc == 0) return 0;
    print_error_radius(rc);
    std::printf("failed to update radius dynamic author server config with error(%x)\n", static_cast<unsigned>(rc));
    return -1;
}

}  // namespace

}  // namespace radius::dynauth

using namespace radius::dynauth;

extern "C" RADIUS_EXPORT int32_t config_rad_das_global_info(cmd_paraminfo *info) {
    rad_das_cfg record = new_record<rad_das_cfg>(RAD_DA_KIND_SERVER_CFG, info->cmd_id);
    const wipe_on_exit<rad_das_cfg> wipe(record);
    const int32_t rc = server_call(info, RADIUS_OP_READ, &record);
    if (rc == RAD_DA_ERR_SERVER_NOT_RUNNING && info->no_form != 0) {
        std::puts("radius dynamic author server not running, nothing to disable");
        return 0;
    }
    if (rc != 0 && rc != RAD_DA_ERR_SERVER_NOT_RUNNING) {
        print_error_radius(rc);
        std::printf("failed to get radius dynamic author server config with error(%x)\n", static_cast<unsigned>(rc));
        return -1;
    }
    if (info->param_count == 0) return write_server(info, record);
    server_walk walk(info, record, rc == 0);
    switch (walk_server_params(walk)) {
        case step::refused: return 1;
        case step::done: return 0;
        case step::go_on: break;
    }
    return walk.disable ? disable_server(info, record) : write_server(info, record);
}

extern "C" RADIUS_EXPORT int32_t config_radius_dynamic_author_server(cmd_paraminfo *info) {
    if (info->submode_noop != 0) return 0;
    if (info->cmd_id == DYNAUTH_CMD_SERVER_MODE) note_distribution(info);
    // The commands have said what went wrong; the shell gets 0 whatever
    // they return.
    if (info->cmd_id >= DYNAUTH_CMD_SERVER_MODE && info->cmd_id <= DYNAUTH_CMD_SERVER_KEY) {
        config_rad_das_global_info(info);
    } else if (info->cmd_id == DYNAUTH_CMD_CLIENT) {
        config_rad_dac_info(info);
    }
    return 0;
}
