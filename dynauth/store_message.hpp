// The dynamic-authorization message of the configuration store, shared by
// the configuration wrappers and the statistics commands.
#pragma once

#include <cstdint>
#include <type_traits>

#include "abi/dynauth_records.h"

namespace radius::dynauth {

// Sends `record` (`size` bytes, header words as the caller left them) with
// `op`.  On success a reply, when the store left one, replaces the whole
// record; on failure the record stays as sent.  The reply is released
// whatever the result.  Returns the store's result.
int32_t exchange_record(uint32_t session_handle, uint32_t op, void *record, uint32_t size, cmd_msg_ctx *ctx_a,
                        cmd_msg_ctx *ctx_b);

// A record built from scratch: zero-filled, with the header of `kind` and
// the command's cmd_id.  The configuration records hold their words as
// byte arrays (see abi/dynauth_records.h), the statistics records as u32.
template <class Record>
Record new_record(uint32_t kind, uint32_t cmd_id) {
    Record record{};
    if constexpr (std::is_array_v<decltype(record.rec_kind)>) {
        rad_da_set_u32(record.hdr_constant, RAD_DA_HDR_CONSTANT);
        rad_da_set_u32(record.rec_kind, kind);
        rad_da_set_u32(record.cmd_id, cmd_id);
    } else {
        record.hdr_constant = RAD_DA_HDR_CONSTANT;
        record.rec_kind = kind;
        record.cmd_id = cmd_id;
    }
    return record;
}

}  // namespace radius::dynauth
