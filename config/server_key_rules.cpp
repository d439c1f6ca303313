#include "config/server_key_rules.hpp"

#include <cstdio>

#include "config/config_commands.h"
#include "config/key_rules.hpp"
#include "frame/handler_frame.hpp"

namespace radius {

namespace {

// The most characters a key text may put into the server record.
constexpr size_t key_chars = 63;

// "Cannot allocate memory." ends no line.
constexpr char no_memory[] = "Cannot allocate memory.";

// The type-6 mismatch is two lines in one text, the second ending none.
constexpr key_rule_terms server_terms{
    .over_type6_chars = key_chars,
    .type7_chars = key_chars,
    .type6_compared = 64,
    .no_previous_key = "No previous server key exist.",
    .type6_no_memory = no_memory,
    .type6_mismatch = "type6 shared secret provided does not match with the configured type6 secret.\n Please use 'show run radius' to get the type6 secret or use 'no radius-server hostname <h> key'",
};

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
        if (!has_previous_key(state.no_form, server.key, "No previous server key exists.")) return false;
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

}  // namespace

bool apply_server_key(const cmd_param &param, server_key_state &state, radius_server_cfg &server) {
    if (take_key_token(param, state.no_form, state.tokens)) {
        if (state.tokens.no_key) state.named_setting = true;
        return true;
    }
    const char *value = param_text(param);
    if (value == nullptr) return false;
    if (param.id == PARAM_KEY_CLEAR) return clear_key(value, state, server);
    const key_outcome outcome = apply_key_text(value, state.tokens, state.no_form, server_terms, key_fields_of(server));
    if (outcome == key_outcome::removed) state.named_setting = true;
    return outcome != key_outcome::refused;
}

}  // namespace radius
