/*
 * Dynamic authorization (change of authorization): the four records that
 * travel in the configuration store's request-response message, byte for
 * byte.  Integers are in the processor's native byte order.
 *
 * Every record opens with three words: hdr_constant (always 1), rec_kind
 * (one of RAD_DA_KIND_*) and cmd_id (the command's cmd_id, copied).  Bytes
 * 12..1047 and every reserved range belong to the daemon: zero in a record
 * built from scratch, carried over unchanged by a read-modify-write.
 *
 * C11 and C++ alike.
 */
#ifndef RADIUSCMD_ABI_DYNAUTH_RECORDS_H
#define RADIUSCMD_ABI_DYNAUTH_RECORDS_H

#include <stdint.h>
#include <string.h>

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The store message that carries all four records, and its fixed words. */
#define RAD_DA_MESSAGE 287745u /* 0x46401 */
#define RAD_DA_ARG_113 113u
#define RAD_DA_ARG_4 4u

#define RAD_DA_HDR_CONSTANT 1u
#define RAD_DA_KIND_SERVER_CFG 1u
#define RAD_DA_KIND_CLIENT_CFG 2u
#define RAD_DA_KIND_SERVER_STATS 3u
#define RAD_DA_KIND_CLIENT_STATS 4u

/* Results the callers test; any other nonzero result is a failure. */
#define RAD_DA_ERR_SERVER_NOT_RUNNING ((int32_t)0x409d002a)
#define RAD_DA_ERR_NO_CLIENT ((int32_t)0x409d002b)
#define RAD_DA_ERR_CLIENT_TABLE_FULL ((int32_t)0x409d002c)

/*
 * The configuration records are sent at their exact sizes (1398 and 1674),
 * which no 4-byte alignment allows, and the client record is byte-packed
 * with its words at odd offsets.  So their words are byte arrays (the
 * structs need no alignment and have no padding) read and written through
 * rad_da_get_u32 / rad_da_set_u32, which copy instead of casting: a u32
 * load from an odd address faults or is slow on some processors.
 */
typedef uint8_t rad_da_u32[4];

static inline uint32_t rad_da_get_u32(const rad_da_u32 field) {
    uint32_t value;
    memcpy(&value, field, sizeof value);
    return value;
}

static inline void rad_da_set_u32(rad_da_u32 field, uint32_t value) { memcpy(field, &value, sizeof value); }

/*
 * The switch's dynamic-authorization server, 1398 bytes (rec_kind 1).
 *    0 hdr_constant   4 rec_kind   8 cmd_id   12 reserved[1036]
 * 1048 port (0: none)   1052 key_type (0, 6, 7)   1056 key[68] (64 used)
 * 1124 key6[256]   1380 reserved[18]
 */
typedef struct rad_das_cfg {
    rad_da_u32 hdr_constant;
    rad_da_u32 rec_kind;
    rad_da_u32 cmd_id;
    uint8_t reserved_12[1036];
    rad_da_u32 port;
    rad_da_u32 key_type;
    char key[68];
    char key6[256];
    uint8_t reserved_1380[18];
} rad_das_cfg;

/*
 * One dynamic-authorization client, 1674 bytes (rec_kind 2), byte-packed.
 *    0 hdr_constant   4 rec_kind   8 cmd_id   12 reserved[1041]
 * 1053 addr_type (1 IPv4, 2 IPv6, 16 host name)   1057 host[256] (the key)
 * 1313 key_type   1317 key[68] (64 used)   1385 key6[256]   1641 vrf[33]
 */
typedef struct rad_dac_cfg {
    rad_da_u32 hdr_constant;
    rad_da_u32 rec_kind;
    rad_da_u32 cmd_id;
    uint8_t reserved_12[1041];
    rad_da_u32 addr_type;
    char host[256];
    rad_da_u32 key_type;
    char key[68];
    char key6[256];
    char vrf[33];
} rad_dac_cfg;

/*
 * The statistics block of the server (bytes 1048..1095 of rad_das_stats).
 *  0 running (0: not running or disabled)  4 port  8 coa_active_sessions
 * 16 rqx_requests_sent  24 rqx_responses_received  32 rqx_response_timeouts
 * 40 rqx_errors
 */
typedef struct rad_das_stats_block {
    uint32_t running;
    uint32_t port;
    uint64_t coa_active_sessions;
    uint64_t rqx_requests_sent;
    uint64_t rqx_responses_received;
    uint64_t rqx_response_timeouts;
    uint64_t rqx_errors;
} rad_das_stats_block;

/* The server's statistics, 1096 bytes (rec_kind 3); stats at 1048. */
typedef struct rad_das_stats {
    uint32_t hdr_constant;
    uint32_t rec_kind;
    uint32_t cmd_id;
    uint8_t reserved_12[1036];
    rad_das_stats_block stats;
} rad_das_stats;

/*
 * The statistics block of one client (bytes 1048..1375 of rad_dac_stats).
 *   0 reserved[4]  4 host[256]  260 reserved[4]  264 coa_requests
 * 272 coa_transactions  280 coa_retransmissions  288 coa_active_transactions
 * 296 coa_ack_responses  304 coa_nak_responses  312 coa_invalid_requests
 * 320 coa_errors
 */
typedef struct rad_dac_stats_block {
    uint8_t reserved_0[4];
    char host[256];
    uint8_t reserved_260[4];
    uint64_t coa_requests;
    uint64_t coa_transactions;
    uint64_t coa_retransmissions;
    uint64_t coa_active_transactions;
    uint64_t coa_ack_responses;
    uint64_t coa_nak_responses;
    uint64_t coa_invalid_requests;
    uint64_t coa_errors;
} rad_dac_stats_block;

/* One client's statistics, 1376 bytes (rec_kind 4); stats at 1048. */
typedef struct rad_dac_stats {
    uint32_t hdr_constant;
    uint32_t rec_kind;
    uint32_t cmd_id;
    uint8_t reserved_12[1036];
    rad_dac_stats_block stats;
} rad_dac_stats;

RADIUS_STATIC_ASSERT(sizeof(rad_das_cfg) == 1398, "rad_das_cfg size");
RADIUS_CHECK_AT(rad_das_cfg, hdr_constant, 0);
RADIUS_CHECK_AT(rad_das_cfg, rec_kind, 4);
RADIUS_CHECK_AT(rad_das_cfg, cmd_id, 8);
RADIUS_CHECK_AT(rad_das_cfg, reserved_12, 12);
RADIUS_CHECK_AT(rad_das_cfg, port, 1048);
RADIUS_CHECK_AT(rad_das_cfg, key_type, 1052);
RADIUS_CHECK_AT(rad_das_cfg, key, 1056);
RADIUS_CHECK_AT(rad_das_cfg, key6, 1124);
RADIUS_CHECK_AT(rad_das_cfg, reserved_1380, 1380);

RADIUS_STATIC_ASSERT(sizeof(rad_dac_cfg) == 1674, "rad_dac_cfg size");
RADIUS_CHECK_AT(rad_dac_cfg, hdr_constant, 0);
RADIUS_CHECK_AT(rad_dac_cfg, rec_kind, 4);
RADIUS_CHECK_AT(rad_dac_cfg, cmd_id, 8);
RADIUS_CHECK_AT(rad_dac_cfg, reserved_12, 12);
RADIUS_CHECK_AT(rad_dac_cfg, addr_type, 1053);
RADIUS_CHECK_AT(rad_dac_cfg, host, 1057);
RADIUS_CHECK_AT(rad_dac_cfg, key_type, 1313);
RADIUS_CHECK_AT(rad_dac_cfg, key, 1317);
RADIUS_CHECK_AT(rad_dac_cfg, key6, 1385);
RADIUS_CHECK_AT(rad_dac_cfg, vrf, 1641);

RADIUS_STATIC_ASSERT(sizeof(rad_das_stats_block) == 48, "rad_das_stats_block size");
RADIUS_CHECK_AT(rad_das_stats_block, running, 0);
RADIUS_CHECK_AT(rad_das_stats_block, port, 4);
RADIUS_CHECK_AT(rad_das_stats_block, coa_active_sessions, 8);
RADIUS_CHECK_AT(rad_das_stats_block, rqx_requests_sent, 16);
RADIUS_CHECK_AT(rad_das_stats_block, rqx_responses_received, 24);
RADIUS_CHECK_AT(rad_das_stats_block, rqx_response_timeouts, 32);
RADIUS_CHECK_AT(rad_das_stats_block, rqx_errors, 40);

RADIUS_STATIC_ASSERT(sizeof(rad_das_stats) == 1096, "rad_das_stats size");
RADIUS_CHECK_AT(rad_das_stats, hdr_constant, 0);
RADIUS_CHECK_AT(rad_das_stats, rec_kind, 4);
RADIUS_CHECK_AT(rad_das_stats, cmd_id, 8);
RADIUS_CHECK_AT(rad_das_stats, reserved_12, 12);
RADIUS_CHECK_AT(rad_das_stats, stats, 1048);

RADIUS_STATIC_ASSERT(sizeof(rad_dac_stats_block) == 328, "rad_dac_stats_block size");
RADIUS_CHECK_AT(rad_dac_stats_block, reserved_0, 0);
RADIUS_CHECK_AT(rad_dac_stats_block, host, 4);
RADIUS_CHECK_AT(rad_dac_stats_block, reserved_260, 260);
RADIUS_CHECK_AT(rad_dac_stats_block, coa_requests, 264);
RADIUS_CHECK_AT(rad_dac_stats_block, coa_transactions, 272);
RADIUS_CHECK_AT(rad_dac_stats_block, coa_retransmissions, 280);
RADIUS_CHECK_AT(rad_dac_stats_block, coa_active_transactions, 288);
RADIUS_CHECK_AT(rad_dac_stats_block, coa_ack_responses, 296);
RADIUS_CHECK_AT(rad_dac_stats_block, coa_nak_responses, 304);
RADIUS_CHECK_AT(rad_dac_stats_block, coa_invalid_requests, 312);
RADIUS_CHECK_AT(rad_dac_stats_block, coa_errors, 320);

RADIUS_STATIC_ASSERT(sizeof(rad_dac_stats) == 1376, "rad_dac_stats size");
RADIUS_CHECK_AT(rad_dac_stats, hdr_constant, 0);
RADIUS_CHECK_AT(rad_dac_stats, rec_kind, 4);
RADIUS_CHECK_AT(rad_dac_stats, cmd_id, 8);
RADIUS_CHECK_AT(rad_dac_stats, reserved_12, 12);
RADIUS_CHECK_AT(rad_dac_stats, stats, 1048);

#ifdef __cplusplus
} /* extern "C" */

#include <type_traits>
static_assert(std::is_trivially_copyable_v<rad_das_cfg> && alignof(rad_das_cfg) == 1);
static_assert(std::is_trivially_copyable_v<rad_dac_cfg> && alignof(rad_dac_cfg) == 1);
static_assert(std::is_trivially_copyable_v<rad_das_stats>);
static_assert(std::is_trivially_copyable_v<rad_dac_stats>);
#endif

#endif /* RADIUSCMD_ABI_DYNAUTH_RECORDS_H */
