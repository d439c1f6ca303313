// The server host command: creates or changes one server, resets single
// settings of it, or removes it, by read, change and write of its record.
#include <cstdio>

#include "config/config_commands.h"
#include "abi/param_ids.h"
#include "config/server_key_rules.hpp"
#include "frame/context.hpp"
#include "frame/frame.h"
#include "frame/handler_frame.hpp"

namespace {

using namespace radius;

constexpr uint32_t store_mode = 2;

// The most characters of each kind of host name the record takes.
constexpr size_t hostname_chars = 253;

struct server_command {
    cmd_paraminfo *info;
    context store;
    radius_global_cfg global{};
    radius_server_cfg server{};
    int32_t read_result = 0;  // 0: the server exists; server-not-found: it is new
    bool remove_all = false;  // a "no" form that names the server and no setting of it
    bool auth_named = false;
    bool acct_named = false;
    server_key_state keys{};
};

bool is_new(const server_command &cmd) { return cmd.read_result != 0; }

bool name_server(const cmd_param &param, radius_server_cfg &server) {
    const host_copy result = copy_server_host(param, server, hostname_chars);
    if (result == host_copy::unknown_kind) std::puts("Invalid host address ");  // the trailing blank belongs to the text
    return result == host_copy::named;
}

bool read_server(server_command &cmd) {
    const bool named = walk_params(cmd.info, [&](const cmd_param &param) {
        return param.id != PARAM_SERVER_HOST || name_server(param, cmd.server);
    });
    if (!named) return false;
    cmd.read_result = cmd.store.read_current(cmd.server);
    if (cmd.read_result == RADIUS_ERR_SERVER_NOT_FOUND) {
        cmd.server.authentication = 0;  // the roles are settled after the walk
        cmd.server.accounting = 0;
        return true;
    }
    if (cmd.read_result != 0) report_failure(cmd.read_result, "could not retrieve RADIUS configuration");
    return cmd.read_result == 0;
}

// Saved configuration being applied skips the check, so that a replay does
// not depend on the order in which features come up.
bool pac_allowed(const context &store) {
    if ((store.info()->exec_flags & EXEC_FLAG_REPLAY) != 0) return true;
    if (store.feature_enabled("rqx") && store.feature_enabled("dot1x")) return true;
    std::puts("Make sure RQX & DOT1X are enabled before enabling pac");
    return false;
}

// A number of the record, or 0 (not set) in the "no" form, where the value
// must still be a number.  False when it is not.
bool set_number(server_command &cmd, const cmd_param &param, uint32_t &field) {
    uint32_t value = 0;
    if (!param_u32(param, &value)) return false;
    field = cmd.keys.no_form ? 0 : value;
    return true;
}

bool apply_key(server_command &cmd, const cmd_param &param) {
    if (!is_key_param(param.id) || !apply_server_key(param, cmd.keys, cmd.server)) return false;
    if (cmd.keys.named_setting) cmd.remove_all = false;
    return true;
}

// Every id but the host and the key parameters names a single setting.
bool apply_param(server_command &cmd, const cmd_param &param) {
    radius_server_cfg &server = cmd.server;
    const bool no_form = cmd.keys.no_form;
    if (param.id == PARAM_SERVER_HOST) return true;  // named before the read
    if (!is_key_param(param.id)) cmd.remove_all = false;
    switch (param.id) {
        case PARAM_ACCT_PORT: return set_number(cmd, param, server.acct_port);
        case PARAM_AUTH_PORT: return set_number(cmd, param, server.auth_port);
        case PARAM_TIMEOUT: return set_number(cmd, param, server.timeout);
        case PARAM_RETRANSMIT: return set_number(cmd, param, server.retransmit);
        case PARAM_ACCOUNTING:
            cmd.acct_named = true;
            if (no_form) server.accounting = 0;
            return true;
        case PARAM_AUTHENTICATION:
            cmd.auth_named = true;
            if (no_form) server.authentication = 0;
            return true;
        case PARAM_AUX_FLAG:
            server.aux_flag = no_form ? 0 : 1;
            return true;
        case PARAM_PAC: return no_form || pac_allowed(cmd.store);
        default: return apply_key(cmd, param);
    }
}

int32_t refuse_not_present(const server_command &cmd) {
    print_error_radius(cmd.read_result);
    std::printf("configuration for %s not present\n", cmd.server.host);
    return 1;
}

// A failed removal is reported, yet the command does not fail.
int32_t remove_server(server_command &cmd) {
    if (is_new(cmd)) return refuse_not_present(cmd);
    const int32_t rc = cmd.store.remove(cmd.server);
    if (rc != 0) {
        print_error_radius(rc);
        std::printf("configuration for %s could not be removed\n", cmd.server.host);
    }
    return 0;
}

// The "no" form that resets single settings may not leave a server that
// serves neither authentication nor accounting.  A named role is 0 by now,
// so that is the case when a role was named and both are 0.
bool settle_no_form(server_command &cmd) {
    radius_server_cfg &server = cmd.server;
    if (cmd.keys.tokens.no_key) {
        server.key_type = RADIUS_KEY_CLEAR;
        clear_text(server.key);
        clear_text(server.key6);
    }
    const bool role_named = cmd.auth_named || cmd.acct_named;
    if (!role_named || server.authentication != 0 || server.accounting != 0) return true;
    if ((cmd.info->exec_flags & EXEC_FLAG_REPLAY) != 0) return true;
    std::puts("As this operation causes both accounting and authentication to be disabled for the server, it is denied.");
    return false;
}

// A named role is turned on; a new server named with no role serves both.
void settle_roles(server_command &cmd) {
    radius_server_cfg &server = cmd.server;
    if (cmd.auth_named) server.authentication = 1;
    if (cmd.acct_named) server.accounting = 1;
    if (!cmd.auth_named && !cmd.acct_named && is_new(cmd)) {
        server.authentication = 1;
        server.accounting = 1;
    }
}

// Only the `key` fields count for the missing-key warning: a key held in
// type-6 form alone does not silence it, as the displays and the running
// configuration look at `key` alone too.
int32_t write_server(server_command &cmd) {
    const int32_t rc = cmd.store.write(cmd.server);
    if (rc == RADIUS_ERR_SERVER_TABLE_FULL) {
        std::puts("maximum number of RADIUS servers already configured");
        return 1;
    }
    if (rc != 0) {
        print_error_radius(rc);
        std::printf("configuration for %s could not be updated\n", cmd.server.host);
        return 1;
    }
    if (cmd.server.key[0] == '\0' && cmd.global.key[0] == '\0') {
        std::puts("warning: no key is configured for the host");
    }
    return 0;
}

int32_t finish(server_command &cmd) {
    if (cmd.remove_all) return remove_server(cmd);
    if (cmd.keys.no_form) {
        if (is_new(cmd)) return refuse_not_present(cmd);
        if (!settle_no_form(cmd)) return 1;
    } else {
        settle_roles(cmd);
    }
    return write_server(cmd);
}

}  // namespace

extern "C" RADIUS_EXPORT int32_t config_radius_server(cmd_paraminfo *info) {
    server_command cmd{.info = info, .store = context(info, store_mode)};
    const int32_t rc = cmd.store.read_current(cmd.global);
    if (rc != 0) {
        report_failure(rc, "could not retrieve RADIUS global configuration");
        return 1;
    }
    if (!read_server(cmd)) return 1;
    cmd.keys.no_form = info->no_form != 0;
    cmd.remove_all = cmd.keys.no_form;
    const bool applied = walk_params(info, [&](const cmd_param &param) { return apply_param(cmd, param); });
    return applied ? finish(cmd) : 1;
}
