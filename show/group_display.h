/*
 * The server-group display: one named group or every group, each with its
 * member servers, their ports and roles, and its deadtime.
 */
#ifndef RADIUSCMD_SHOW_GROUP_DISPLAY_H
#define RADIUSCMD_SHOW_GROUP_DISPLAY_H

#include "abi/radius_records.h"
#include "platform/shell_output.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Shows the group named by parameter 1000, or the number of groups and
 * then every group, through the tagged output channel.  Returns 0 when the
 * report was sent, 1 after printing the failure (nothing is sent then). */
RADIUS_EXPORT int32_t show_radius_new(cmd_paraminfo *info);

/* Prints one group on `handle`, reading its members with the store context
 * of `info`.  The records are the caller's copies, taken by value; the
 * global one supplies the deadtime of a group that has none.  Returns 0, or
 * the store's result when a member could not be read (after printing it). */
RADIUS_EXPORT int32_t radius_print_server_group_details(cmd_paraminfo *info, cmd_out_handle *handle,
                                                        radius_group_cfg group, radius_global_cfg global);

#ifdef __cplusplus
}
#endif

#endif
