#include "config/server_key_rules.hpp"

#include <cstdio>
#include <cstring>

#include "config/config_commands.h"
#include "frame/handler_frame.hpp"

namespace radius {

namespace {

// The most characters a key text may put into the server record, and how
// much of a stored type-6 key a "no" form compares.
constexpr size_t key_chars = 63;
constexpr size_t type6_chars = 256;
constexpr size_t type6_compared = 64;

bool refuse_mismatch() {
    std::puts("The key provided does not match with the configured key.");
    return false;
}

void clear_key_fields(radius_server_cfg &server) {
    server.key_type = RADIUS_KEY_CLEAR;
    clear_text(server.key);
    clear_text(server.key6);
}

// "Cannot allocate memory." ends no line.
constexpr char no_memory[] = "Cannot allocate memory.";

bool clear_key(const char *value, server_key_state &state, radius_server_cfg &server) {
    const bool stored6 = server.key_type == RADIUS_KEY_TYPE6;
    secret_text saved;
    if (stored6 && state.no_form) {
        // The doubled blanks belong to the texts.
        std::puts("Key is type6 encrypted, Please use same command without specifying key  on command line i.e.");
        std::puts("'no radius-server hostname <h> key'  instead of 'no radius-server hostname <h> key <key-name>'");
        return false;
    }
    if (!stored6) {
        if (state.no_form && server.key[0] == '\0') {
            std::puts("No previous server key exists.");
            return false;
        }
        const saved_key_messages messages{no_memory, "Unable to decrypt existing srever key."};
        if (!take_saved_key(server.key, sizeof server.key, server.key_type, RADIUS_KEY_CLEAR, messages, saved)) {
            return false;
        }
    }
    copy_text(server.key, value, key_chars);
    if (state.no_form) {
        if (!same_as_saved(server.key, saved)) return refuse_mismatch();
        clear_text(server.key);
        state.named_setting = true;
    } else if (!stored6 && is_all_numeric_key(server.key)) {
        std::puts("warning: numeric key will not be encrypted");
    }
    server.key_type = RADIUS_KEY_CLEAR;
    clear_text(server.key6);
    return true;
}

void store_type6(const char *value, radius_server_cfg &server) {
    clear_text(server.key);
    copy_text(server.key6, value, type6_chars);
    server.key_type = RADIUS_KEY_TYPE6;
}

bool type6_over_type6(const char *value, server_key_state &state, radius_server_cfg &server) {
    const secret_text stored = copy_secret(server.key6, sizeof server.key6);
    if (stored == nullptr) {
        std::printf("%s", no_memory);
        return false;
    }
    if (!state.no_form) {
        store_type6(value, server);
        return true;
    }
    if (std::strncmp(value, stored.get(), type6_compared) != 0) {
        // Two lines in one text, the second ending none.
        std::printf("type6 shared secret provided does not match with the configured type6 secret.\n Please use 'show run radius' to get the type6 secret or use 'no radius-server hostname <h> key'");
        return false;
    }
    clear_key_fields(server);
    state.named_setting = true;
    return true;
}

// A type-7 key (or a key text without a form token) over a stored clear or
// type-7 key.  The "no" form compares in type-7 form.
bool type7_over_key(const char *value, server_key_state &state, radius_server_cfg &server) {
    if (state.no_form && server.key[0] == '\0') {
        std::puts("No previous server key exist.");
        return false;
    }
    secret_text saved;
    const saved_key_messages messages{no_memory, "Unable to encrypt existing key."};
    if (!take_saved_key(server.key, sizeof server.key, server.key_type, RADIUS_KEY_TYPE7, messages, saved)) {
        return false;
    }
    copy_text(server.key, value, key_chars);
    if (!state.no_form) {
        server.key_type = RADIUS_KEY_TYPE7;
        return true;
    }
    if (!same_as_saved(server.key, saved)) return refuse_mismatch();
    server.key_type = RADIUS_KEY_CLEAR;
    clear_text(server.key);
    state.named_setting = true;
    return true;
}

bool key_text(const char *value, server_key_state &state, radius_server_cfg &server) {
    const uint32_t given = state.tokens.given_type;
    const uint32_t stored = server.key_type;
    if (given == RADIUS_KEY_TYPE6 && stored == RADIUS_KEY_TYPE6) return type6_over_type6(value, state, server);
    if (given == RADIUS_KEY_TYPE6) {
        store_type6(value, server);
    } else if (stored == RADIUS_KEY_TYPE6) {
        copy_text(server.key, value, key_chars);
        clear_text(server.key6);
        server.key_type = given;
    } else if (stored == RADIUS_KEY_CLEAR || stored == RADIUS_KEY_TYPE7) {
        return type7_over_key(value, state, server);
    }
    return true;
}

}  // namespace

bool apply_server_key(const cmd_param &param, server_key_state &state, radius_server_cfg &server) {
    if (take_key_token(param, state.no_form, state.tokens)) {
        if (state.tokens.no_key) state.named_setting = true;
        return true;
    }
    const char *value = param_text(param);
    if (value == nullptr) return false;
    if (param.id == PARAM_KEY_CLEAR) return clear_key(value, state, server);
    return key_text(value, state, server);
}

}  // namespace radius
