// The shared-key parameters of the dynamic-authorization server and client
// commands: one working state per command, applied to a record's key
// fields through the shared-secret routine of the key rules.
#pragma once

#include <cstdint>
#include <cstring>

#include "abi/dynauth_records.h"

namespace radius::dynauth {

// Wipes an object holding secrets when the command is done with it.
template <class T>
class wipe_on_exit {
public:
    explicit wipe_on_exit(T &target) : target_(target) {}
    ~wipe_on_exit() { explicit_bzero(&target_, sizeof target_); }
    wipe_on_exit(const wipe_on_exit &) = delete;
    wipe_on_exit &operator=(const wipe_on_exit &) = delete;

private:
    T &target_;
};

// What the key parameters of one command have said so far.  The texts are
// the values of parameters 18 and 50, kept until the next one replaces them.
struct key_input {
    char key[68] = {};   // a clear or type-7 key, at most 64 characters
    char key6[256] = {};  // a type-6 key, at most 255 characters
    uint32_t given_type = RADIUS_KEY_CLEAR;
    bool no_key = false;

    key_input() = default;
    key_input(const key_input &) = delete;
    key_input &operator=(const key_input &) = delete;
    ~key_input() { explicit_bzero(this, sizeof *this); }
};

// A record's key fields: its form word (a byte array, possibly at an odd
// offset), `key` (64 bytes used) and `key6` (256 bytes).
struct key_fields {
    rad_da_u32 &key_type;
    char (&key)[68];
    char (&key6)[256];
};

enum class key_step {
    not_a_key,  // the parameter is none of 55, 56, 18, 50
    accepted,
    refused,  // the command fails; the reason is printed, or there is none to print
};

// Applies parameter 55, 56, 18 or 50 to `fields`.  (54, the key keyword,
// also clears other flags in the client command, so each command takes it.)
key_step apply_key_param(const cmd_param &param, key_input &input, key_fields fields);

// The "no" form of the key keyword: the record keeps no key at all.
void remove_key(key_fields fields);

}  // namespace radius::dynauth
