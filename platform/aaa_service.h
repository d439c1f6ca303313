/*
 * The AAA service: server monitoring entries, per-server statistics, its
 * duration texts and address normalisation.
 */
#ifndef RADIUSCMD_PLATFORM_AAA_SERVICE_H
#define RADIUSCMD_PLATFORM_AAA_SERVICE_H

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

#define AAA_MONITOR_GLOBAL_ID 0x00ffffffu
#define AAA_MONITOR_SERVICE 8450u /* fixed second argument of the monitoring call */
#define AAA_ERR_NO_MONITOR_ENTRY ((int32_t)0x409b001a)

/*
 * Monitoring entry of one server (server_id = its index) or the global one
 * (AAA_MONITOR_GLOBAL_ID), 72 bytes, host byte order.
 *  0 server_id  4 idle_time  8 test_user[32]  40 test_password[32]
 */
typedef struct aaa_server_monitor_cfg {
    uint32_t server_id;
    uint32_t idle_time;
    char test_user[32];
    char test_password[32];
} aaa_server_monitor_cfg;

RADIUS_STATIC_ASSERT(sizeof(aaa_server_monitor_cfg) == 72, "aaa_server_monitor_cfg size");
RADIUS_CHECK_AT(aaa_server_monitor_cfg, server_id, 0);
RADIUS_CHECK_AT(aaa_server_monitor_cfg, idle_time, 4);
RADIUS_CHECK_AT(aaa_server_monitor_cfg, test_user, 8);
RADIUS_CHECK_AT(aaa_server_monitor_cfg, test_password, 40);

/* op 1 reads the entry named by server_id, op 3 writes it.  Returns 0,
 * AAA_ERR_NO_MONITOR_ENTRY, or a system-error code. */
int32_t cmi_aaa_server_monitor_config(uint32_t session_handle, uint32_t service, uint32_t op,
                                      aaa_server_monitor_cfg *cfg, uint32_t mode, cmd_msg_ctx *ctx_a,
                                      cmd_msg_ctx *ctx_b);

/* Per-server statistics (radius_server_stats, big-endian wire record).
 * `service` is AAA_STATS_SERVICE.  STATS_OP_GET (mode 1) fills the record
 * of the server whose server_id it carries; STATS_OP_GETNEXT (mode 2)
 * replaces it by the next server's, a zero-filled record yielding the
 * first; STATS_OP_CLEAR (mode 1) clears the named server's statistics.
 * Returns 0, AAA_ERR_NO_MORE_STATS at the end of a walk, or a system-error
 * code. */
int32_t cmi_aaa_server_stats(uint32_t session_handle, uint32_t service, uint32_t op, radius_server_stats *stats,
                             uint32_t mode, cmd_msg_ctx *ctx_a, cmd_msg_ctx *ctx_b);

/* Writes the service's NUL-terminated text of a duration field of
 * radius_server_stats (in the service's own unit) into `buffer` of `size`
 * (100) bytes.  No result is promised. */
void aaa_server_str_time(uint64_t duration, char *buffer, uint32_t size);

/* Rewrites the IPv6 address text in place in its normal form (at most 46
 * bytes with the NUL); returns 0 when the text is no IPv6 address. */
int32_t aaa_server_normalize_ipv6_addr(char *address);

#ifdef __cplusplus
}
#endif

#endif
