// The wrappers of the dynamic-authorization configuration records and the
// one exchange every dynamic-authorization command goes through.
#include "dynauth/store_message.hpp"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "dynauth/dynauth.h"
#include "frame/context.hpp"

namespace radius::dynauth {

namespace {

struct free_reply {
    void operator()(void *block) const { std::free(block); }
};
using reply_block = std::unique_ptr<void, free_reply>;

// The length slot is the request's size going in; the store may change
// it, so it is never read afterwards.  The message has no mode word.
int32_t send_message(uint32_t session_handle, uint32_t op, void *record, uint32_t size, void **reply,
                     cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b) {
    uint32_t length = size;
    return context(session_handle, ctx_a, ctx_b, 0)
        .request_response(RAD_DA_MESSAGE, op, record, reply, &length, RAD_DA_ARG_113, RAD_DA_ARG_4);
}

}  // namespace

int32_t exchange_record(uint32_t session_handle, uint32_t op, void *record, uint32_t size, cmd_msg_ctx *ctx_a,
                        cmd_msg_ctx *ctx_b) {
    void *raw_reply = nullptr;
    const int32_t rc = send_message(session_handle, op, record, size, &raw_reply, ctx_a, ctx_b);
    // Ours from here, whatever the result.
    const reply_block reply(raw_reply);
    if (rc == 0 && reply != nullptr) std::memcpy(record, reply.get(), size);
    return rc;
}

}  // namespace radius::dynauth

using radius::dynauth::exchange_record;

extern "C" RADIUS_EXPORT int32_t cmi_rad_dac_config(uint32_t session_handle, uint32_t op, rad_dac_cfg *record,
                                                    uint32_t, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b) {
    return exchange_record(session_handle, op, record, sizeof *record, ctx_a, ctx_b);
}

extern "C" RADIUS_EXPORT int32_t cmi_rad_das_config(uint32_t session_handle, uint32_t op, rad_das_cfg *record,
                                                    uint32_t, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b) {
    return exchange_record(session_handle, op, record, sizeof *record, ctx_a, ctx_b);
}
