/*
 * System services of the switch that the library calls: the system-error
 * texts and the system manager.
 */
#ifndef RADIUSCMD_PLATFORM_SYSTEM_SERVICES_H
#define RADIUSCMD_PLATFORM_SYSTEM_SERVICES_H

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Readable text of a system-error code; never null, owned by the service. */
const char *syserr2str(int32_t code);

/* Starts service number `service` called `name` unless it already runs.
 * Returns 0, or a system-error code. */
int32_t sysmgr_cli_conditional_srv_start(uint32_t session_handle, uint32_t service,
                                         const char *name, void *arg, uint32_t arg_len,
                                         uint32_t flags, uint32_t timeout);

/* Feature manager: *status 1 when `feature` is enabled; *error nonzero when
 * the manager could not answer.  No result is promised: the two words say
 * it all. */
void fm_cmi_get_feature_status(uint32_t session_handle, const char *feature, cmd_msg_ctx *ctx_a,
                                  cmd_msg_ctx *ctx_b, uint32_t *status, uint32_t *error);

#ifdef __cplusplus
}
#endif

#endif
