// The key rules of the global settings command: how the key parameters
// change the global record's key fields.
#pragma once

#include "config/secret_text.hpp"
#include "abi/radius_records.h"

namespace radius {

struct global_key_state {
    bool no_form = false;
    bool distribution_enabled = false;  // fabric distribution of the configuration is on
    key_tokens tokens;
};

// Applies one key parameter (see is_key_param) to `global`.  Returns false
// when the command must fail: the reason has been printed, or nothing when
// the value has the wrong type.
bool apply_global_key(const cmd_param &param, global_key_state &state, radius_global_cfg &global);

// After the last parameter: a "no" form that named the keyword `key` removes
// the key, whatever the key parameters did.
void finish_global_key(const global_key_state &state, radius_global_cfg &global);

}  // namespace radius
