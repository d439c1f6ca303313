// What the sets of key rules share: the stored key taken in the form a rule
// compares it in, and the key-form tokens of the command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "frame/secret_text.hpp"

#include "abi/radius_records.h"
#include "abi/param_ids.h"

namespace radius {

// What a command prints when it cannot take its saved key; the texts differ
// from command to command.  `no_memory` is printed as it stands, without a
// newline; `no_conversion` as a line.
struct saved_key_messages {
    const char *no_memory;
    const char *no_conversion;
};

// Takes `saved`: the stored key (`key`, a field of `key_size` bytes in form
// `stored`) in form `wanted`, clear or type 7.  That is a copy when the key
// is stored in that form, and the service's conversion when it is stored in
// the other; any other stored form leaves `saved` null.  Returns false after
// printing the matching message when the copy or the conversion fails.
bool take_saved_key(const char *key, size_t key_size, uint32_t stored, uint32_t wanted,
                    const saved_key_messages &messages, secret_text &saved);

// Whether `key` is the text of `saved`; never when `saved` is null.
bool same_as_saved(const char *key, const secret_text &saved);

// The key-form tokens seen so far in one command.
struct key_tokens {
    uint32_t given_type = RADIUS_KEY_CLEAR;  // form of the key text that follows
    bool no_key = false;                     // the "no" form named the keyword `key`
};

// Whether `id` is one of the five key parameters.
bool is_key_param(int32_t id);

// Applies ids 54, 55 and 56 to `tokens`; returns false for any other id.
bool take_key_token(const cmd_param &param, bool no_form, key_tokens &tokens);

}  // namespace radius
