/*
 * The RADIUS configuration commands of global settings and server hosts.
 */
#ifndef RADIUSCMD_CONFIG_CONFIG_COMMANDS_H
#define RADIUSCMD_CONFIG_CONFIG_COMMANDS_H

#include "abi/radius_records.h"
#include "frame/shared_key.h"

#ifdef __cplusplus
extern "C" {
#endif

/* "radius-server key | timeout | retransmit | deadtime" and their "no"
 * forms.  Returns 0, or 1 after printing the reason (silently for an
 * unknown parameter id or a value of the wrong type). */
RADIUS_EXPORT int32_t config_radius_global(cmd_paraminfo *info);

/* "radius-server host" and its "no" forms: creates or changes one server,
 * resets single settings, or removes the server.  Returns 0, or 1 after
 * printing the reason (silently for an unknown parameter id or a value of
 * the wrong type). */
RADIUS_EXPORT int32_t config_radius_server(cmd_paraminfo *info);

#ifdef __cplusplus
}
#endif

#endif
