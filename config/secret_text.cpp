#include "config/secret_text.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/key_encryption.h"

namespace radius {

namespace {

constexpr uint32_t type7 = RADIUS_KEY_TYPE7;

// Takes ownership of what the service handed back, whatever the result, so
// that a block that comes with a failure code is still released.
secret_text take_service_text(int32_t rc, char *out, uint32_t out_len) {
    secret_text text(out, secret_release{.from_service = true});
    if (rc != 0 || text == nullptr || out_len == 0 || text.get()[0] == '\0') return nullptr;
    return text;
}

}  // namespace

void secret_release::operator()(char *text) const noexcept {
    explicit_bzero(text, std::strlen(text));
    if (from_service) {
        std::free(text);
    } else {
        delete[] text;
    }
}

secret_text copy_secret(const char *text, size_t max_chars) {
    const size_t length = strnlen(text, max_chars);
    secret_text copy(new (std::nothrow) char[length + 1]);
    if (copy == nullptr) return nullptr;
    std::memcpy(copy.get(), text, length);
    copy.get()[length] = '\0';
    return copy;
}

secret_text encrypt_type7(const char *text) {
    char *out = nullptr;
    uint32_t out_len = 0;
    const int32_t rc = radius_new_security_conf_encrypt(text, type7, 0, 0, &out, &out_len);
    return take_service_text(rc, out, out_len);
}

secret_text decrypt_type7(const char *text) {
    char *out = nullptr;
    uint32_t out_len = 0;
    const auto text_len = static_cast<uint32_t>(std::strlen(text) + 1);
    const int32_t rc = radius_new_security_conf_decrypt(text, text_len, type7, 0, 0, &out, &out_len);
    return take_service_text(rc, out, out_len);
}

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
