/*
 * The RADIUS part of the running configuration as the command lines that
 * recreate it: global settings, servers, then server groups.
 */
#ifndef RADIUSCMD_RUNCFG_RUNNING_CONFIG_H
#define RADIUSCMD_RUNCFG_RUNNING_CONFIG_H

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Renders the running configuration, or with `pending` nonzero the pending
 * copy of an open distribution session; `full` nonzero adds the keys (in
 * type-7 form only) and the server groups.  Lines go out as tagged records
 * when the command being served is 500, else into the shell's output buffer.
 * Returns 0; 1 when there is no output handle or a key cannot be
 * encrypted; the store's result after printing it when a read fails. */
RADIUS_EXPORT int32_t radius_new_pss_asciigen(cmd_paraminfo *info, int32_t pending, uint32_t full);

#ifdef __cplusplus
}
#endif

#endif
