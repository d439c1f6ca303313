/*
 * The RADIUS server-group command: entering (and so creating) a group,
 * adding and removing its servers, its deadtime, and deleting it.
 */
#ifndef RADIUSCMD_CONFIG_SERVER_GROUP_H
#define RADIUSCMD_CONFIG_SERVER_GROUP_H

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Applies one server-group command to the group named by parameter 1000.
 * Returns 0 on success (and after a failed deletion, which it reports),
 * 1 when it refused before writing, 255 when writing the group failed.
 * Nothing is stored unless every parameter was accepted. */
RADIUS_EXPORT int32_t config_radius_new_server_group(cmd_paraminfo *info);

#ifdef __cplusplus
}
#endif

#endif
