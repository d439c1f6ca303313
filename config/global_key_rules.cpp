#include "config/global_key_rules.hpp"

#include <cstdio>

#include "config/config_commands.h"
#include "config/key_rules.hpp"
#include "frame/handler_frame.hpp"

namespace radius {

namespace {

// The most characters a clear key puts into the global record.
constexpr size_t clear_chars = 64;

// The type-6 mismatch is two lines in one text, the second ending none.
constexpr key_rule_terms global_terms{
    .over_type6_chars = clear_chars,
    .type7_chars = 67,
    .type6_compared = 256,
    .no_previous_key = "No previous global key exist.",
    .type6_no_memory = "Failed to allocate memory.",
    .type6_mismatch = "type6 shared secret provided does not match with the configured type6 secret.\n Please use 'show run radius' to get the type6 secret or use 'no radius-server key'",
};

bool clear_key(const char *value, const global_key_state &state, radius_global_cfg &global) {
    if (state.distribution_enabled) std::puts("Global key configuration is exempted from QDS distribution");
    if (global.key_type == RADIUS_KEY_TYPE6) {
        std::puts("Internal error: a clear-text global key cannot replace a type6 global key. Please report this fault to the maintainers.");
        return false;
    }
    if (!has_previous_key(state.no_form, global.key, global_terms.no_previous_key)) return false;
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

}  // namespace

bool apply_global_key(const cmd_param &param, global_key_state &state, radius_global_cfg &global) {
    if (take_key_token(param, state.no_form, state.tokens)) return true;
    const char *value = param_text(param);
    if (value == nullptr) return false;
    if (param.id == PARAM_KEY_CLEAR) return clear_key(value, state, global);
    return apply_key_text(value, state.tokens, state.no_form, global_terms, key_fields_of(global)) !=
           key_outcome::refused;
}

void finish_global_key(const global_key_state &state, radius_global_cfg &global) {
    if (state.tokens.no_key) remove_key(key_fields_of(global));
}

}  // namespace radius
