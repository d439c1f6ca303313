// The last-operation request and its reply.
#include "distr/last_operation.hpp"

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "abi/big_endian.h"
#include "abi/distr_records.h"
#include "frame/context.hpp"

namespace radius {

namespace {

struct free_block {
    void operator()(void *block) const { std::free(block); }
};

}  // namespace

// The reply block is the caller's whatever the result, so it is owned
// from the call on.
std::optional<last_operation> fetch_last_operation(cmd_paraminfo *info) {
    void *reply_slot = nullptr;
    uint32_t length = 0;
    const int32_t rc = context(info, DISTR_MODE_READ)
                           .request_response(DISTR_LAST_OP_MESSAGE, DISTR_LAST_OP_OP, nullptr, &reply_slot, &length,
                                             DISTR_LAST_OP_ARG_113, DISTR_LAST_OP_ARG_4);
    const std::unique_ptr<void, free_block> reply(reply_slot);
    if (rc != 0) return std::nullopt;
    if (reply == nullptr) {
        std::puts("unable to get last op status");
        return std::nullopt;
    }
    const auto *bytes = static_cast<const uint8_t *>(reply.get());
    const auto word = [bytes](size_t offset) { return load_be32(bytes + offset); };
    return last_operation{word(offsetof(radius_distr_last_op, last_action)),
                          word(offsetof(radius_distr_last_op, scope)),
                          word(offsetof(radius_distr_last_op, vsan_id)),
                          word(offsetof(radius_distr_last_op, last_result)),
                          word(offsetof(radius_distr_last_op, failure_reason)),
                          word(offsetof(radius_distr_last_op, time_stamp))};
}

}  // namespace radius
