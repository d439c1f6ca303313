/*
 * Server monitoring: the idle time, test user and test password that the
 * AAA service uses to probe RADIUS servers, globally and per server, and
 * the display of one server with its monitoring values.
 */
#ifndef RADIUSCMD_MONITOR_MONITOR_H
#define RADIUSCMD_MONITOR_MONITOR_H

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Sets or, in the "no" form, clears the global monitoring parameters.
 * 0 on success; 1 after a message, or silently for a parameter of the
 * wrong type.  The stored entry changes only when every step succeeded. */
RADIUS_EXPORT int32_t config_global_server_monitor_params(cmd_paraminfo *info);

/* The same for the entry of one configured server, named by its host
 * (parameter 21); values are taken without looking at their type.  0 on
 * success; 1 after a message, or silently for a parameter without a value. */
RADIUS_EXPORT int32_t config_aaa_server_monitor_params(cmd_paraminfo *info);

/* Shows one configured server with its monitoring values through the
 * tagged output channel; the secrets show as "********".  0 when the report
 * was sent or no host was given, 1 on failure. */
RADIUS_EXPORT int32_t show_aaa_monitor_config(cmd_paraminfo *info);

#ifdef __cplusplus
}
#endif

#endif
