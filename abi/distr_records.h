/*
 * Fabric distribution of the RADIUS configuration: the control record that
 * travels with cmi_radius_new_distr_control in both directions, and the
 * reply of the last-operation message of cmi_req_resp.
 *
 * C11 and C++ alike.
 */
#ifndef RADIUSCMD_ABI_DISTR_RECORDS_H
#define RADIUSCMD_ABI_DISTR_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What a control request addresses (radius_distr_ctrl.kind). */
#define DISTR_KIND_ENABLE 1u  /* op 3 enables distribution, op 4 disables it */
#define DISTR_KIND_SESSION 2u /* op 2 next pending piece, op 3 commit, op 4 abort */
#define DISTR_KIND_CLEAR 3u   /* op 3 releases the session */
#define DISTR_KIND_STATE 4u   /* op 1 reads the state text */
#define DISTR_KIND_MERGE 5u   /* op 1 reads the merge status text */

/* The modes of the control call: reading ops (1, 2) and changing ops (3, 4). */
#define DISTR_MODE_READ 1u
#define DISTR_MODE_CHANGE 2u

#define DISTR_TEXT_SIZE 2048

/*
 * The control record, 2054 bytes, all bytes: no alignment, no padding.
 *   0 reserved   1 kind   2 reserved[3]   5 err_flag   6 text[2048]
 * The requester zeroes it before its first request and sets kind; the
 * daemon fills err_flag and text and may write the reserved bytes, which
 * is how it keeps its place in the pending listing from reply to request.
 */
typedef struct radius_distr_ctrl {
    uint8_t reserved_0;
    uint8_t kind;
    uint8_t reserved_2[3];
    uint8_t err_flag; /* nonzero: text is an error message */
    char text[DISTR_TEXT_SIZE];
} radius_distr_ctrl;

/* The last-operation message of cmi_req_resp and its fixed words. */
#define DISTR_LAST_OP_MESSAGE 0x2114u
#define DISTR_LAST_OP_OP 1u
#define DISTR_LAST_OP_ARG_113 113u
#define DISTR_LAST_OP_ARG_4 4u

/* Action codes (last_action) and result codes (last_result). */
#define DISTR_ACTION_NONE 1u
#define DISTR_ACTION_ENABLE 2u
#define DISTR_ACTION_DISABLE 3u
#define DISTR_ACTION_COMMIT 4u
#define DISTR_ACTION_ABORT 5u
#define DISTR_ACTION_CLEAR 6u
#define DISTR_RESULT_NONE 1u
#define DISTR_RESULT_SUCCESS 2u
#define DISTR_RESULT_FAIL 3u
#define DISTR_RESULT_IN_PROGRESS 4u
#define DISTR_RESULT_PARTIAL_SUCCESS 5u

/* Output-handle command ids of the distribution status display, each with
 * its own tag set (abi/tags.h: TAG_DISTR_* and TAG_FABRIC_*). */
#define DISTR_CMD_STATUS 502u
#define DISTR_CMD_FABRIC_STATUS 503u

/* scope of a session bound to one VSAN. */
#define DISTR_SCOPE_VSAN 2u

/*
 * The last-operation reply, at least 36 bytes, allocated by the store and
 * released by the requester with free.  Every word is big-endian whatever
 * the processor and may sit at any address: read through load_be32
 * (abi/big_endian.h), never by casting.
 *   0 header[12] (not read)   12 last_action   16 scope   20 vsan_id
 *  24 last_result   28 failure_reason   32 time_stamp (seconds since 1970)
 */
typedef struct radius_distr_last_op {
    uint8_t header[12];
    uint8_t last_action[4];
    uint8_t scope[4];
    uint8_t vsan_id[4];
    uint8_t last_result[4];
    uint8_t failure_reason[4];
    uint8_t time_stamp[4];
} radius_distr_last_op;

RADIUS_STATIC_ASSERT(sizeof(radius_distr_ctrl) == 2054, "radius_distr_ctrl size");
RADIUS_CHECK_AT(radius_distr_ctrl, reserved_0, 0);
RADIUS_CHECK_AT(radius_distr_ctrl, kind, 1);
RADIUS_CHECK_AT(radius_distr_ctrl, reserved_2, 2);
RADIUS_CHECK_AT(radius_distr_ctrl, err_flag, 5);
RADIUS_CHECK_AT(radius_distr_ctrl, text, 6);

RADIUS_STATIC_ASSERT(sizeof(radius_distr_last_op) == 36, "radius_distr_last_op size");
RADIUS_CHECK_AT(radius_distr_last_op, header, 0);
RADIUS_CHECK_AT(radius_distr_last_op, last_action, 12);
RADIUS_CHECK_AT(radius_distr_last_op, scope, 16);
RADIUS_CHECK_AT(radius_distr_last_op, vsan_id, 20);
RADIUS_CHECK_AT(radius_distr_last_op, last_result, 24);
RADIUS_CHECK_AT(radius_distr_last_op, failure_reason, 28);
RADIUS_CHECK_AT(radius_distr_last_op, time_stamp, 32);

#ifdef __cplusplus
} /* extern "C" */

#include <type_traits>
static_assert(std::is_trivially_copyable_v<radius_distr_ctrl>);
static_assert(std::is_trivially_copyable_v<radius_distr_last_op>);
static_assert(alignof(radius_distr_last_op) == 1, "a reply may sit at any address");
#endif

#endif /* RADIUSCMD_ABI_DISTR_RECORDS_H */
