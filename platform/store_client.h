/*
 * The RADIUS daemon's configuration store, as its client library offers it.
 * Every call returns 0 or a system-error code (print it with
 * print_error_radius).  mode goes to the store uninterpreted.  ctx_a and
 * ctx_b are the addresses of the calling command's msg_ctx_a and msg_ctx_b.
 */
#ifndef RADIUSCMD_PLATFORM_STORE_CLIENT_H
#define RADIUSCMD_PLATFORM_STORE_CLIENT_H

#include "abi/distr_records.h"
#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The global record; op 1 read, 3 write, 5 read pending. */
int32_t cmi_radius_new_global_config(uint32_t session_handle, uint32_t op, radius_global_cfg *cfg,
                                     uint32_t mode, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b);

/* One server, named by index (nonzero) or host; ops 1-6. */
int32_t cmi_radius_new_server_config(uint32_t session_handle, uint32_t op, radius_server_cfg *cfg,
                                     uint32_t mode, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b);

/* One server group, named by name; ops 1-6. */
int32_t cmi_radius_new_group_config(uint32_t session_handle, uint32_t op, radius_group_cfg *cfg,
                                    uint32_t mode, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b);

/* One enable-info item; ops 1 (read) and 3 (write) only. */
int32_t cmi_radius_new_enable_info_config(uint32_t session_handle, uint32_t op, uint32_t item,
                                          uint32_t *value, uint32_t mode, cmd_msg_ctx *ctx_a,
                                          cmd_msg_ctx *ctx_b);

/* One fabric-distribution request about record->kind (abi/distr_records.h):
 * op 1 read, 2 next piece, 3 apply, 4 undo; mode 1 with ops 1 and 2, 2 with
 * ops 3 and 4.  On 0 the store has filled err_flag and text; a positive
 * result is a system-error code, a negative one a failure without one. */
int32_t cmi_radius_new_distr_control(uint32_t session_handle, uint32_t op, radius_distr_ctrl *record,
                                     uint32_t mode, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b);

/*
 * One request-response message of the store.  `*reply` must be null on
 * entry; whatever the result, the store may leave a malloc'd reply block
 * there, which the caller owns and releases with free.  `*length` is set
 * by the caller to the request's size; its value afterwards is not defined.
 * `arg_113` and `arg_4` are fixed words of the message contract.  Returns 0
 * or a store result code.
 */
int32_t cmi_req_resp(uint32_t message, uint32_t op, void *request, void **reply, uint32_t *length,
                     cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b, uint32_t arg_113, uint32_t session_handle,
                     uint32_t arg_4);

#ifdef __cplusplus
}
#endif

#endif
