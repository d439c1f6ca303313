#include "config/global_key_rules.hpp"

#include <cstdio>
#include <cstring>

#include "config/config_commands.h"
#include "frame/handler_frame.hpp"

namespace radius {

namespace {

// The most characters each form may put into the global record.
constexpr size_t clear_chars = 64;
constexpr size_t type7_chars = 67;
constexpr size_t type6_chars = 256;

// The "no" form of a given key names a key that must exist.
bool has_previous_key(const global_key_state &state, const radius_global_cfg &global) {
    if (state.no_form && global.key[0] == '\0') {
        std::puts("No previous global key exist.");
        return false;
    }
    return true;
}

bool refuse_mismatch() {
    std::puts("The key provided does not match with the configured key.");
    return false;
}

void remove_key(radius_global_cfg &global) {
    global.key_type = RADIUS_KEY_CLEAR;
    clear_text(global.key);
    clear_text(global.key6);
}

bool clear_key(const char *value, const global_key_state &state, radius_global_cfg &global) {
    if (state.distribution_enabled) std::puts("Global key configuration is exempted from QDS distribution");
    if (global.key_type == RADIUS_KEY_TYPE6) {
        std::puts("Internal error: a clear-text global key cannot replace a type6 global key. Please report this fault to the maintainers.");
        return false;
    }
    if (!has_previous_key(state, global)) return false;
    secret_text saved;
    // "Failed to allocate memory." ends no line.
    const saved_key_messages messages{"Failed to allocate memory.", "Unable to decrypt existing key."};
    if (!take_saved_key(global.key, sizeof global.key, global.key_type, RADIUS_KEY_CLEAR, messages, saved)) {
        return false;
    }
    copy_text(global.key, value, clear_chars);
    if (state.no_form) {
        if (!same_as_saved(global.key, saved)) return refuse_mismatch();
        clear_text(global.key);
    } else if (is_all_numeric_key(global.key)) {
        std::puts("warning: numeric key will not be encrypted");
    }
    global.key_type = RADIUS_KEY_CLEAR;
    clear_text(global.key6);
    return true;
}

void store_type6(const char *value, radius_global_cfg &global) {
    clear_text(global.key);
    copy_text(global.key6, value, type6_chars);
    global.key_type = RADIUS_KEY_TYPE6;
}

// A type-6 key given over a stored type-6 key: replaced, or removed by a
// "no" form that names it.
bool type6_over_type6(const char *value, const global_key_state &state, radius_global_cfg &global) {
    const secret_text stored = copy_secret(global.key6, sizeof global.key6);
    if (stored == nullptr) {
        std::printf("Failed to allocate memory.");  // ends no line
        return false;
    }
    if (!state.no_form) {
        store_type6(value, global);
        return true;
    }
    if (std::strncmp(value, stored.get(), type6_chars) != 0) {
        // Two lines in one text, the second ending none.
        std::printf("type6 shared secret provided does not match with the configured type6 secret.\n Please use 'show run radius' to get the type6 secret or use 'no radius-server key'");
        return false;
    }
    remove_key(global);
    return true;
}

// A type-7 key (or a key text without a form token) over a stored clear or
// type-7 key.  The "no" form compares in type-7 form.
bool type7_over_key(const char *value, const global_key_state &state, radius_global_cfg &global) {
    if (!has_previous_key(state, global)) return false;
    secret_text saved;
    // "Cannot allocate memory." ends no line.
    const saved_key_messages messages{"Cannot allocate memory.", "Unable to encrypt existing key."};
    if (!take_saved_key(global.key, sizeof global.key, global.key_type, RADIUS_KEY_TYPE7, messages, saved)) {
        return false;
    }
    copy_text(global.key, value, type7_chars);
    global.key_type = RADIUS_KEY_TYPE7;
    if (state.no_form) {
        if (!same_as_saved(global.key, saved)) return refuse_mismatch();
        global.key_type = RADIUS_KEY_CLEAR;
        clear_text(global.key);
    }
    return true;
}

bool key_text(const char *value, const global_key_state &state, radius_global_cfg &global) {
    const uint32_t given = state.tokens.given_type;
    const uint32_t stored = global.key_type;
    if (given == RADIUS_KEY_TYPE6 && stored == RADIUS_KEY_TYPE6) return type6_over_type6(value, state, global);
    if (given == RADIUS_KEY_TYPE6) {
        store_type6(value, global);
    } else if (stored == RADIUS_KEY_TYPE6) {
        copy_text(global.key, value, clear_chars);
        clear_text(global.key6);
        global.key_type = given;
    } else if (stored == RADIUS_KEY_CLEAR || stored == RADIUS_KEY_TYPE7) {
        return type7_over_key(value, state, global);
    }
    return true;
}

}  // namespace

bool apply_global_key(const cmd_param &param, global_key_state &state, radius_global_cfg &global) {
    if (take_key_token(param, state.no_form, state.tokens)) return true;
    const char *value = param_text(param);
    if (value == nullptr) return false;
    if (param.id == PARAM_KEY_CLEAR) return clear_key(value, state, global);
    return key_text(value, state, global);
}

void finish_global_key(const global_key_state &state, radius_global_cfg &global) {
    if (state.tokens.no_key) remove_key(global);
}

}  // namespace radius
