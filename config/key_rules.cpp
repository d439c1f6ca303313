#include "config/key_rules.hpp"

#include <cstdio>
#include <cstring>

#include "frame/handler_frame.hpp"

namespace radius {

namespace {

// The most characters a type-6 key puts into either record.
constexpr size_t type6_chars = 256;

void empty(char *field, size_t size) { std::memset(field, 0, size); }

void store_type6(const char *value, key_fields fields) {
    empty(fields.key, fields.key_size);
    copy_text(fields.key6, fields.key6_size, value, type6_chars);
    fields.key_type = RADIUS_KEY_TYPE6;
}

// A type-6 key given over a stored type-6 key: replaced, or removed by a
// "no" form that names it.
key_outcome type6_over_type6(const char *value, bool no_form, const key_rule_terms &terms, key_fields fields) {
    const secret_text stored = copy_secret(fields.key6, fields.key6_size);
    if (stored == nullptr) {
        std::printf("%s", terms.type6_no_memory);
        return key_outcome::refused;
    }
    if (!no_form) {
        store_type6(value, fields);
        return key_outcome::changed;
    }
    if (std::strncmp(value, stored.get(), terms.type6_compared) != 0) {
        std::printf("%s", terms.type6_mismatch);
        return key_outcome::refused;
    }
    remove_key(fields);
    return key_outcome::removed;
}

// A type-7 key (or a key text without a form token) over a stored clear or
// type-7 key.  The "no" form compares in type-7 form.
key_outcome type7_over_key(const char *value, bool no_form, const key_rule_terms &terms, key_fields fields) {
    if (!has_previous_key(no_form, fields.key, terms.no_previous_key)) return key_outcome::refused;
    secret_text saved;
    // "Cannot allocate memory." ends no line.
    const saved_key_messages messages{"Cannot allocate memory.", "Unable to encrypt existing key."};
    if (!take_saved_key(fields.key, fields.key_size, fields.key_type, RADIUS_KEY_TYPE7, messages, saved)) {
        return key_outcome::refused;
    }
    copy_text(fields.key, fields.key_size, value, terms.type7_chars);
    if (!no_form) {
        fields.key_type = RADIUS_KEY_TYPE7;
        return key_outcome::changed;
    }
    if (!same_as_saved(fields.key, saved)) {
        refuse_mismatch();
        return key_outcome::refused;
    }
    fields.key_type = RADIUS_KEY_CLEAR;
    empty(fields.key, fields.key_size);
    return key_outcome::removed;
}

}  // namespace

bool has_previous_key(bool no_form, const char *key, const char *message) {
    if (no_form && key[0] == '\0') {
        std::puts(message);
        return false;
    }
    return true;
}

bool refuse_mismatch() {
    std::puts("The key provided does not match with the configured key.");
    return false;
}

void remove_key(key_fields fields) {
    fields.key_type = RADIUS_KEY_CLEAR;
    empty(fields.key, fields.key_size);
    empty(fields.key6, fields.key6_size);
}

key_outcome apply_key_text(const char *value, const key_tokens &tokens, bool no_form, const key_rule_terms &terms,
                           key_fields fields) {
    const uint32_t given = tokens.given_type;
    const uint32_t stored = fields.key_type;
    if (given == RADIUS_KEY_TYPE6 && stored == RADIUS_KEY_TYPE6) return type6_over_type6(value, no_form, terms, fields);
    if (given == RADIUS_KEY_TYPE6) {
        store_type6(value, fields);
    } else if (stored == RADIUS_KEY_TYPE6) {
        copy_text(fields.key, fields.key_size, value, terms.over_type6_chars);
        empty(fields.key6, fields.key6_size);
        fields.key_type = given;
    } else if (stored == RADIUS_KEY_CLEAR || stored == RADIUS_KEY_TYPE7) {
        return type7_over_key(value, no_form, terms, fields);
    }
    return key_outcome::changed;
}

}  // namespace radius
