/*
 * Displays of the RADIUS global settings and the configured servers: two
 * shell handlers printing through the tagged output channel, and two plain
 * printers for other components.  Shared secrets show as "********".
 */
#ifndef RADIUSCMD_SHOW_SERVER_DISPLAY_H
#define RADIUSCMD_SHOW_SERVER_DISPLAY_H

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* "show radius-server": global settings, monitoring values and every server
 * in the store's order.  0 when the report was sent, 1 after a message. */
RADIUS_EXPORT int32_t security_show_radius(cmd_paraminfo *info);

/* The same report with the servers sorted by host, byte order.  0 when the
 * report was sent, 1 after a message. */
RADIUS_EXPORT int32_t security_show_radius_sorted(cmd_paraminfo *info);

/* Prints the global settings, the global monitoring values and the server
 * and group totals as plain text; the global key in clear only when
 * show_key is nonzero.  session_handle, mode and the context blocks go to
 * the store calls unchanged.  0; 1 when the monitoring read failed; -1 when
 * the global read failed. */
RADIUS_EXPORT int32_t show_radius_global(uint32_t session_handle, int32_t show_key, uint32_t mode,
                                         cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b);

/* Prints one server as plain text, writing the default ports it shows into
 * *server.  first is not looked at; the result carries no meaning. */
RADIUS_EXPORT int32_t radius_print_server_details(int32_t first, radius_server_cfg *server);

#ifdef __cplusplus
}
#endif

#endif
