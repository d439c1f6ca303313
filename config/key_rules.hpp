// What the key rules of the global settings command and of the server host
// command share.  Both records carry the same three key fields and both
// commands treat a key text after a form token alike; they differ only in
// field limits and message texts, which each command passes in as its
// key_rule_terms.
#pragma once

#include <cstddef>
#include <cstdint>

#include "config/secret_text.hpp"

namespace radius {

// The key fields of one record, borrowed for one call.
struct key_fields {
    uint32_t &key_type;
    char *key;
    size_t key_size;
    char *key6;
    size_t key6_size;
};

template <class Record>
key_fields key_fields_of(Record &record) {
    return {record.key_type, record.key, sizeof record.key, record.key6, sizeof record.key6};
}

// Where one command's rules differ from the other's.
struct key_rule_terms {
    size_t over_type6_chars;      // most characters of a key in form 0 or 7 that replaces a type-6 key
    size_t type7_chars;           // most characters of a key in form 0 or 7 that replaces a clear or type-7 key
    size_t type6_compared;        // how much of a stored type-6 key the "no" form compares
    const char *no_previous_key;  // printed as a line
    const char *type6_no_memory;  // printed without a newline
    const char *type6_mismatch;   // printed as it stands; it ends no line
};

// How one key parameter left the record.
enum class key_outcome {
    refused,  // the command must fail; the reason has been printed
    changed,
    removed,  // a "no" form named the stored key correctly
};

// The "no" form of a given key names a key that must exist: false, after
// printing `message` as a line, when `key` is empty.
bool has_previous_key(bool no_form, const char *key, const char *message);

// Prints that the "no" form named another key than the stored one; false.
bool refuse_mismatch();

// Empties both key fields and sets the clear form.
void remove_key(key_fields fields);

// Applies a key text that follows a form token (or none) to the record's
// key fields, by the given form and the stored one.
key_outcome apply_key_text(const char *value, const key_tokens &tokens, bool no_form, const key_rule_terms &terms,
                           key_fields fields);

}  // namespace radius
