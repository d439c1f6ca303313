// What the three sets of key rules share: heap texts that hold a secret
// (our own copies of a stored key and the texts the key-encryption service
// hands back), the type-7 conversions of a stored key, and the key-form
// tokens of the command line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "abi/radius_records.h"
#include "abi/param_ids.h"

namespace radius {

// Wipes a secret and releases its block.  Blocks from the key-encryption
// service were malloc'd by the service and go back with free; our own
// copies come from new[] and go back with delete[].
struct secret_release {
    bool from_service = false;
    void operator()(char *text) const noexcept;
};

// A NUL-terminated secret on the heap, wiped before it is released.
using secret_text = std::unique_ptr<char, secret_release>;

// Our own copy of at most `max_chars` of `text`; null when the allocation
// fails (the caller prints its own message for that).
secret_text copy_secret(const char *text, size_t max_chars);

// The type-7 form of the clear `text`, or the clear form of the type-7
// `text`, from the key-encryption service.  Null when the service fails,
// hands back no block or hands back an empty text: the rules treat all of
// these alike.
secret_text encrypt_type7(const char *text);
secret_text decrypt_type7(const char *text);

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
