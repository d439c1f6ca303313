#include "config/secret_text.hpp"

#include <cstdio>
#include <cstring>

namespace radius {

bool take_saved_key(const char *key, size_t key_size, uint32_t stored, uint32_t wanted,
                    const saved_key_messages &messages, secret_text &saved) {
    if (stored != RADIUS_KEY_CLEAR && stored != RADIUS_KEY_TYPE7) return true;
    if (stored == wanted) {
        saved = copy_secret(key, key_size);
        if (saved == nullptr) std::printf("%s", messages.no_memory);
    } else {
        saved = wanted == RADIUS_KEY_CLEAR ? decrypt_type7(key) : encrypt_type7(key);
        if (saved == nullptr) std::puts(messages.no_conversion);
    }
    return saved != nullptr;
}

bool same_as_saved(const char *key, const secret_text &saved) {
    return saved != nullptr && std::strcmp(key, saved.get()) == 0;
}

bool is_key_param(int32_t id) {
    return id == PARAM_KEY_CLEAR || id == PARAM_KEY_TEXT || id == PARAM_KEY || id == PARAM_KEY_TYPE6 ||
           id == PARAM_KEY_TYPE7;
}

bool take_key_token(const cmd_param &param, bool no_form, key_tokens &tokens) {
    switch (param.id) {
        case PARAM_KEY:
            if (no_form) tokens.no_key = true;
            return true;
        case PARAM_KEY_TYPE6:
            tokens.given_type = RADIUS_KEY_TYPE6;
            return true;
        case PARAM_KEY_TYPE7:
            tokens.given_type = RADIUS_KEY_TYPE7;
            return true;
        default:
            return false;
    }
}

}  // namespace radius
