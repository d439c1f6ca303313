// The shared-secret routine of the dynamic-authorization commands and the
// numeric-key test that every key rule uses.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "frame/shared_key.h"
#include "frame/secret_text.hpp"

namespace {

using radius::secret_text;

// The caller's fields: `key` has 64 bytes we may write, `key6` 256.  A key
// of 64 characters fills `key` without a NUL; the callers' key fields are
// 68 bytes long and keep their tail zero, which terminates it.  `key6` has
// no such tail, so it keeps room for its NUL.
constexpr size_t key_used = 64;
constexpr size_t key_chars = 64;
constexpr size_t key6_used = 256;
constexpr size_t key6_chars = key6_used - 1;

struct key_fields {
    uint32_t *key_type;
    char *key;
    char *key6;
};

// Copies at most `max_chars` characters and zero-fills the rest of the
// `used` bytes.
void put_text(char *field, size_t used, size_t max_chars, const char *text) {
    const size_t length = strnlen(text, max_chars);
    std::memcpy(field, text, length);
    std::memset(field + length, 0, used - length);
}

// Leaves the record with form `type`, `text` in the field that form uses
// and the other field empty.
void store_key(key_fields &fields, uint32_t type, const char *text) {
    *fields.key_type = type;
    put_text(fields.key, key_used, key_chars, type == RADIUS_KEY_TYPE6 ? "" : text);
    put_text(fields.key6, key6_used, key6_chars, type == RADIUS_KEY_TYPE6 ? text : "");
}

void remove_key(key_fields &fields) { store_key(fields, RADIUS_KEY_CLEAR, ""); }

// A "no" form proves the user knows the secret: remove it when `given`
// matches `stored`.
int32_t remove_if_matching(key_fields &fields, const char *stored, const char *given, size_t chars) {
    if (std::strncmp(stored, given, chars) != 0) {
        std::puts("The key provided does not match with the configured key");
        return 1;
    }
    remove_key(fields);
    return 0;
}

int32_t refuse_no_previous_key() {
    std::puts("No previous key exist");
    return 1;
}

int32_t clear_key(key_fields &fields, bool no_key, const char *new_key) {
    const uint32_t stored = *fields.key_type;
    if (no_key && stored == RADIUS_KEY_TYPE6) {
        std::puts("key is type6 encrypted, Please use same command without specifying key i.e.");
        std::puts("'no server-key' instead of 'no server-key <key-name>'");
        return 1;
    }
    if (no_key && fields.key[0] == '\0') return refuse_no_previous_key();
    if (stored != RADIUS_KEY_CLEAR && stored != RADIUS_KEY_TYPE6) {
        const secret_text clear = radius::decrypt_type7(fields.key);
        if (clear == nullptr) {
            std::puts("Unable to decrypt existing key.");
            return 1;
        }
        put_text(fields.key, key_used, key_chars, clear.get());
    }
    if (no_key) return remove_if_matching(fields, fields.key, new_key, key_chars);
    if (is_all_numeric_key(new_key)) std::puts("warning: numeric key will not be encrypted");
    store_key(fields, RADIUS_KEY_CLEAR, new_key);
    return 0;
}

int32_t type7_key(key_fields &fields, bool no_key, const char *new_key) {
    const uint32_t stored = *fields.key_type;
    if (stored == RADIUS_KEY_TYPE6) {
        if (no_key) {
            std::puts("key is type6 encrypted, Please use same command without specifying key type and key i.e.");
            std::puts("'no server-key' instead of 'no server-key 7 <key-name>'");
            return 1;
        }
        store_key(fields, RADIUS_KEY_TYPE7, new_key);
        return 0;
    }
    if (no_key && fields.key[0] == '\0') return refuse_no_previous_key();
    if (stored == RADIUS_KEY_CLEAR) {
        const secret_text encrypted = radius::encrypt_type7(fields.key);
        if (encrypted == nullptr) {
            std::puts("Unable to encrypt existing key.");
            return 1;
        }
        put_text(fields.key, key_used, key_chars, encrypted.get());
    }
    if (no_key) return remove_if_matching(fields, fields.key, new_key, key_chars);
    store_key(fields, RADIUS_KEY_TYPE7, new_key);
    return 0;
}

int32_t type6_key(key_fields &fields, bool no_key, const char *new_key6) {
    if (*fields.key_type != RADIUS_KEY_TYPE6) {
        if (no_key) {
            std::puts("key is not type6 encrypted, Please use same command without specifying key type and key i.e.");
            std::puts("'no server-key' instead of 'no server-key 6 <key-name>'");
            return 1;
        }
    } else if (no_key) {
        if (fields.key6[0] == '\0') return refuse_no_previous_key();
        return remove_if_matching(fields, fields.key6, new_key6, key6_used);
    }
    store_key(fields, RADIUS_KEY_TYPE6, new_key6);
    return 0;
}

}  // namespace

extern "C" RADIUS_EXPORT int is_all_numeric_key(const char *text) {
    if (text == nullptr) return 1;
    for (; *text != '\0'; ++text) {
        if (std::isalpha(static_cast<unsigned char>(*text))) return 0;
    }
    return 1;
}

extern "C" RADIUS_EXPORT int32_t cfg_rad_shared_key(int32_t no_key, uint32_t given_type, uint32_t *key_type,
                                                    const char *new_key, char *key, const char *new_key6,
                                                    char *key6) {
    if (key_type == nullptr || new_key == nullptr || key == nullptr || new_key6 == nullptr || key6 == nullptr) {
        return 1;
    }
    key_fields fields{key_type, key, key6};
    switch (given_type) {
        case RADIUS_KEY_CLEAR:
            return clear_key(fields, no_key != 0, new_key);
        case RADIUS_KEY_TYPE7:
            return type7_key(fields, no_key != 0, new_key);
        case RADIUS_KEY_TYPE6:
            return type6_key(fields, no_key != 0, new_key6);
        default:
            return 1;
    }
}
