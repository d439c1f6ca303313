// The key rules of the server host command: how the key parameters change
// one server record's key fields.
#pragma once

#include "config/secret_text.hpp"
#include "abi/radius_records.h"

namespace radius {

struct server_key_state {
    bool no_form = false;
    key_tokens tokens;
    // Set by the keyword `key` in the "no" form and by every "no" form that
    // named the stored key correctly: the command resets a setting and is
    // not the removal of the whole server.
    bool named_setting = false;
};

// Applies one key parameter (see is_key_param) to `server`.  Returns false
// when the command must fail: the reason has been printed, or nothing when
// the value has the wrong type.
bool apply_server_key(const cmd_param &param, server_key_state &state, radius_server_cfg &server);

}  // namespace radius
