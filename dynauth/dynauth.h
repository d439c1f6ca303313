/*
 * Dynamic authorization: the switch's dynamic-authorization server and its
 * table of clients, their commands and their statistics.  Every message is
 * printed as plain text on the standard output.
 */
#ifndef RADIUSCMD_DYNAUTH_DYNAUTH_H
#define RADIUSCMD_DYNAUTH_DYNAUTH_H

#include "abi/dynauth_records.h"
#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Move one configuration record through the store: op 1 reads (a client by
 * its host), 3 writes, 4 removes the client or disables the server.  On
 * success the store's reply, when there is one, replaces the whole record;
 * on failure the record stays as sent.  `ignored` is not used.  Return the
 * store's result; print nothing. */
RADIUS_EXPORT int32_t cmi_rad_dac_config(uint32_t session_handle, uint32_t op, rad_dac_cfg *record,
                                         uint32_t ignored, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b);
RADIUS_EXPORT int32_t cmi_rad_das_config(uint32_t session_handle, uint32_t op, rad_das_cfg *record,
                                         uint32_t ignored, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b);

/* Every dynamic-authorization configuration command: the server (cmd_id
 * 1..3) and the client (4) commands.  Always returns 0; the commands have
 * printed what went wrong. */
RADIUS_EXPORT int32_t config_radius_dynamic_author_server(cmd_paraminfo *info);

/* The server command: 0 on success and after the "not running" notes, 1
 * when a parameter is refused, -1 when a store call fails. */
RADIUS_EXPORT int32_t config_rad_das_global_info(cmd_paraminfo *info);

/* The client command: 0 on success, 1 when a parameter is refused or a
 * write or removal fails, -1 when the first read fails. */
RADIUS_EXPORT int32_t config_rad_dac_info(cmd_paraminfo *info);

/* Copies the host parameter at 1-based `index` into `buffer` (256 bytes or
 * more) and its address type (1, 2, 16) through `addr_type` unless null.
 * 0 when the host is accepted; 1 otherwise, after a message where the
 * address itself is at fault. */
RADIUS_EXPORT int32_t get_host_from_cli(cmd_paraminfo *info, uint32_t index, uint32_t *addr_type, char *buffer);

/* The server's statistics (cmd_id 7: the update request, silent on
 * success).  0 on success, 1 on a standby supervisor, -1 when the store
 * fails or the server is not running. */
RADIUS_EXPORT int32_t aaa_server_radius_statistics(cmd_paraminfo *info);

/* One client's statistics, named by parameter 59 (cmd_id 8: the update
 * request, silent on success).  0 on success and for an unknown client, 1
 * on failure. */
RADIUS_EXPORT int32_t aaa_client_radius_statistics(cmd_paraminfo *info);

/* Print a statistics block; a null block prints nothing. */
RADIUS_EXPORT void print_das_statistics(const rad_das_stats_block *block);
RADIUS_EXPORT void print_dac_statistics(const rad_dac_stats_block *block);

#ifdef __cplusplus
}
#endif

#endif
