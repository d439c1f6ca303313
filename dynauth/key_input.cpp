#include "dynauth/key_input.hpp"

#include "abi/param_ids.h"
#include "frame/shared_key.h"
#include "frame/handler_frame.hpp"

namespace radius::dynauth {

namespace {

constexpr size_t key_chars = 64;
constexpr size_t key6_chars = 255;

// The shared-secret routine works on a u32 form word; ours may lie at an
// odd offset, so it goes through a local copy.
key_step apply_rule(key_input &input, key_fields fields) {
    uint32_t key_type = rad_da_get_u32(fields.key_type);
    const int32_t rc = cfg_rad_shared_key(input.no_key ? 1 : 0, input.given_type, &key_type, input.key, fields.key,
                                          input.key6, fields.key6);
    rad_da_set_u32(fields.key_type, key_type);
    return rc == 0 ? key_step::accepted : key_step::refused;
}

// Parameter 18: a key with no form token before it, so clear text.
key_step clear_key_text(const cmd_param &param, key_input &input, key_fields fields) {
    const char *text = param_text(param);
    if (text == nullptr || input.given_type == RADIUS_KEY_TYPE6) return key_step::refused;
    copy_text(input.key, text, key_chars);
    return apply_rule(input, fields);
}

// Parameter 50: the key text after a form token, which must have come.
key_step typed_key_text(const cmd_param &param, key_input &input, key_fields fields) {
    const char *text = param_text(param);
    if (text == nullptr) return key_step::refused;
    switch (input.given_type) {
        case RADIUS_KEY_TYPE7: copy_text(input.key, text, key_chars); break;
        case RADIUS_KEY_TYPE6: copy_text(input.key6, text, key6_chars); break;
        default: return key_step::refused;
    }
    return apply_rule(input, fields);
}

}  // namespace

key_step apply_key_param(const cmd_param &param, key_input &input, key_fields fields) {
    switch (param.id) {
        case PARAM_KEY_TYPE6: input.given_type = RADIUS_KEY_TYPE6; return key_step::accepted;
        case PARAM_KEY_TYPE7: input.given_type = RADIUS_KEY_TYPE7; return key_step::accepted;
        case PARAM_KEY_CLEAR: return clear_key_text(param, input, fields);
        case PARAM_KEY_TEXT: return typed_key_text(param, input, fields);
        default: return key_step::not_a_key;
    }
}

void remove_key(key_fields fields) {
    rad_da_set_u32(fields.key_type, RADIUS_KEY_CLEAR);
    clear_text(fields.key);
    clear_text(fields.key6);
}

}  // namespace radius::dynauth
