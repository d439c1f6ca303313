/*
 * Records exchanged between the command shell, this library and the RADIUS
 * daemon's configuration store.  Every record is a wire format shared with
 * components we do not build, so sizes and offsets are fixed and checked at
 * compile time (see the static_asserts at the end).  Integers are in the
 * processor's native byte order: big-endian on the switch.
 *
 * This header is C11 and C++ alike: a C shell or a C platform includes it.
 */
#ifndef RADIUSCMD_ABI_RADIUS_RECORDS_H
#define RADIUSCMD_ABI_RADIUS_RECORDS_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Marks the library's external interfaces; everything else is hidden. */
#define RADIUS_EXPORT __attribute__((visibility("default")))

/* ---- the parsed-command block ------------------------------------------ */

/* Value types of a cmd_param. */
#define PARAM_TYPE_TEXT 1u
#define PARAM_TYPE_U32 0x40100001u
#define PARAM_TYPE_HOST 0x40000008u

/* Address kinds of a host parameter (cmd_param.addr_kind). */
#define ADDR_KIND_IPV4 0x40000002u
#define ADDR_KIND_IPV6 0x40000004u
#define ADDR_KIND_HOSTNAME 8u

/* Bit of cmd_paraminfo.exec_flags set while saved configuration is applied. */
#define EXEC_FLAG_REPLAY 0x4u

/*
 * One parsed parameter.
 *   0 id   4 type   8 (unused, 8 bytes)   16 value   20 addr_kind
 * On a 64-bit host the pointer takes 8 bytes and addr_kind moves to 24.
 * value: text -> NUL-terminated string; PARAM_TYPE_U32 -> uint32_t *.
 */
typedef struct cmd_param {
    int32_t id;
    uint32_t type;
    uint8_t unused_8[8];
    void *value;
    uint32_t addr_kind;
} cmd_param;

/* Opaque request-context block; its address travels with store calls. */
typedef struct cmd_msg_ctx {
    uint8_t bytes[32];
} cmd_msg_ctx;

#define CMD_MAX_PARAMS 64

/*
 * The parsed-command block, filled by the shell and only read by handlers.
 *    0 param_count      12 no_form        16 session_word   20 submode_noop
 *   36 exec_noop        40 session_handle 44 cmd_id
 *  776 msg_ctx_a       808 msg_ctx_b     840 params[64]
 * 1096 is_active_sup  1144 exec_flags    (32-bit target)
 * On a 64-bit host params grows by 256 bytes: is_active_sup 1352,
 * exec_flags 1400.
 */
typedef struct cmd_paraminfo {
    uint8_t param_count;
    uint8_t unused_1[11];
    int32_t no_form;
    uint32_t session_word;
    int32_t submode_noop;
    uint8_t unused_24[12];
    int32_t exec_noop;
    uint32_t session_handle;
    uint32_t cmd_id;
    uint8_t unused_48[728];
    cmd_msg_ctx msg_ctx_a;
    cmd_msg_ctx msg_ctx_b;
    cmd_param *params[CMD_MAX_PARAMS];
    int32_t is_active_sup;
    uint8_t unused_after_sup[44];
    uint32_t exec_flags;
} cmd_paraminfo;

/* Every command handler: 0 on success, 1 (or a value its command documents)
 * on failure, after printing the reason. */
typedef int32_t (*radius_handler_fn)(cmd_paraminfo *info);

/* ---- RADIUS configuration records --------------------------------------- */

/* Shared-secret forms (key_type). */
#define RADIUS_KEY_CLEAR 0u
#define RADIUS_KEY_TYPE6 6u
#define RADIUS_KEY_TYPE7 7u

/* radius_server_cfg.addr_type */
#define RADIUS_ADDR_IPV4 1u
#define RADIUS_ADDR_IPV6 2u
#define RADIUS_ADDR_HOSTNAME 16u

#define RADIUS_DEFAULT_TIMEOUT 5u
#define RADIUS_DEFAULT_RETRANSMIT 1u
#define RADIUS_MAX_GROUP_MEMBERS 64

/*
 * Global settings, 356 bytes.
 *  0 deadtime  4 key_type  8 key[68]  76 timeout  80 retransmit
 * 84 server_count  88 group_count (both filled by the store on a read)
 * 92 reserved[4]  96 key6[260]
 */
typedef struct radius_global_cfg {
    uint32_t deadtime;
    uint32_t key_type;
    char key[68];
    uint32_t timeout;
    uint32_t retransmit;
    uint32_t server_count;
    uint32_t group_count;
    uint8_t reserved_92[4];
    char key6[260];
} radius_global_cfg;

/*
 * One server, 632 bytes.
 *   0 index  4 host[256]  260 addr_type  264 key_type  268 key[64]
 * 332 auth_port  336 acct_port  340 authentication  344 accounting
 * 348 aux_flag  352 reserved[4]  356 timeout  360 retransmit
 * 364 reserved[4]  368 key6[256]  624 reserved[8]
 * A lookup with a nonzero index finds the server by index, else by host.
 */
typedef struct radius_server_cfg {
    uint32_t index;
    char host[256];
    uint32_t addr_type;
    uint32_t key_type;
    char key[64];
    uint32_t auth_port;
    uint32_t acct_port;
    uint32_t authentication;
    uint32_t accounting;
    uint32_t aux_flag;
    uint8_t reserved_352[4];
    uint32_t timeout;
    uint32_t retransmit;
    uint8_t reserved_364[4];
    char key6[256];
    uint8_t reserved_624[8];
} radius_server_cfg;

/*
 * One server group, 528 bytes.
 *   0 reserved[4]  4 name[256]  260 members[64]  516 member_count
 * 520 reserved[4]  524 deadtime
 * members holds server indexes in the order of adding.
 */
typedef struct radius_group_cfg {
    uint8_t reserved_0[4];
    char name[256];
    uint32_t members[RADIUS_MAX_GROUP_MEMBERS];
    int32_t member_count;
    uint8_t reserved_520[4];
    uint32_t deadtime;
} radius_group_cfg;

/* One enable-info item: a single u32 addressed by its item number. */
typedef struct radius_enable_info {
    uint32_t value;
} radius_enable_info;

#define RADIUS_ITEM_DEBUG 0u        /* debugging on (nonzero) or off */
#define RADIUS_ITEM_DAEMON 1u       /* daemon enabled (nonzero) or not */
#define RADIUS_ITEM_DISTRIBUTION 2u /* fabric distribution enabled */

/* ---- per-server statistics of the AAA service ---------------------------- */

/*
 * One server's statistics, 131 bytes, as the AAA service sends them: packed,
 * every multi-byte field big-endian and unaligned whatever the processor, so
 * each is a byte array read through load_be32/load_be64 (abi/big_endian.h).
 *   0 server_id            4 server_state        5 monitored     6 unused
 *   7 time_in_state       15 time_in_prev_state 23 time_dead_total
 *  31 times_dead
 *  35 auth: sent  39 timed_out  43 not_processed  47 errors  51 unused
 *  55 no_match  59 successful  63 failed  67 unused[32]
 *  99 acct: sent  103 timed_out  107 errors  111 not_processed  115 no_match
 * 119 unused  123 failed  127 successful
 * The accounting block orders its counters differently from the
 * authentication block; the names say which is which.
 */
typedef struct radius_server_stats {
    uint8_t server_id[4];
    uint8_t server_state;
    uint8_t monitored;
    uint8_t unused_6;
    uint8_t time_in_state[8];
    uint8_t time_in_prev_state[8];
    uint8_t time_dead_total[8];
    uint8_t times_dead[4];
    uint8_t auth_sent[4];
    uint8_t auth_timed_out[4];
    uint8_t auth_not_processed[4];
    uint8_t auth_errors[4];
    uint8_t unused_51[4];
    uint8_t auth_no_match[4];
    uint8_t auth_successful[4];
    uint8_t auth_failed[4];
    uint8_t unused_67[32];
    uint8_t acct_sent[4];
    uint8_t acct_timed_out[4];
    uint8_t acct_errors[4];
    uint8_t acct_not_processed[4];
    uint8_t acct_no_match[4];
    uint8_t unused_119[4];
    uint8_t acct_failed[4];
    uint8_t acct_successful[4];
} radius_server_stats;

/* server_state of a server that answers; every other value means dead. */
#define RADIUS_STATS_STATE_ALIVE 2u

/* The statistics call: its fixed first argument, its ops and the code that
 * ends a walk. */
#define AAA_STATS_SERVICE 0x2101u
#define STATS_OP_GET 1u
#define STATS_OP_GETNEXT 2u
#define STATS_OP_CLEAR 3u
#define AAA_ERR_NO_MORE_STATS ((int32_t)0x409b001c)

/* ---- configuration store: op codes and the result codes callers test ---- */

#define RADIUS_OP_READ 1u
#define RADIUS_OP_READ_NEXT 2u
#define RADIUS_OP_WRITE 3u
#define RADIUS_OP_DELETE 4u
#define RADIUS_OP_READ_PENDING 5u
#define RADIUS_OP_READ_NEXT_PENDING 6u

#define RADIUS_ERR_SERVER_NOT_FOUND ((int32_t)0x409d0002)
#define RADIUS_ERR_GROUP_NOT_FOUND ((int32_t)0x409d0003)
#define RADIUS_ERR_NO_MORE_SERVERS ((int32_t)0x409d0004)
#define RADIUS_ERR_NO_MORE_GROUPS ((int32_t)0x409d0005)
#define RADIUS_ERR_SERVER_TABLE_FULL ((int32_t)0x409d0006)
#define RADIUS_ERR_GROUP_TABLE_FULL ((int32_t)0x409d0007)
#define RADIUS_ERR_ITEM_NOT_PRESENT ((int32_t)0x409d000d)
#define RADIUS_ERR_NO_PENDING ((int32_t)0x409d0021)

/* ---- layout checks ------------------------------------------------------ */

#ifdef __cplusplus
#define RADIUS_STATIC_ASSERT static_assert
#else
#define RADIUS_STATIC_ASSERT _Static_assert
#endif

#define RADIUS_CHECK_AT(rec, field, off) \
    RADIUS_STATIC_ASSERT(offsetof(rec, field) == (off), #rec "." #field " offset")

/* The growth of the pointer fields on a 64-bit host. */
#define RADIUS_PTR_GROWTH (sizeof(void *) - 4u)

RADIUS_STATIC_ASSERT(sizeof(void *) == 4 || sizeof(void *) == 8, "32- or 64-bit only");

RADIUS_CHECK_AT(cmd_param, id, 0);
RADIUS_CHECK_AT(cmd_param, type, 4);
RADIUS_CHECK_AT(cmd_param, unused_8, 8);
RADIUS_CHECK_AT(cmd_param, value, 16);
RADIUS_CHECK_AT(cmd_param, addr_kind, 20 + RADIUS_PTR_GROWTH);

RADIUS_CHECK_AT(cmd_paraminfo, param_count, 0);
RADIUS_CHECK_AT(cmd_paraminfo, no_form, 12);
RADIUS_CHECK_AT(cmd_paraminfo, session_word, 16);
RADIUS_CHECK_AT(cmd_paraminfo, submode_noop, 20);
RADIUS_CHECK_AT(cmd_paraminfo, exec_noop, 36);
RADIUS_CHECK_AT(cmd_paraminfo, session_handle, 40);
RADIUS_CHECK_AT(cmd_paraminfo, cmd_id, 44);
RADIUS_CHECK_AT(cmd_paraminfo, msg_ctx_a, 776);
RADIUS_CHECK_AT(cmd_paraminfo, msg_ctx_b, 808);
RADIUS_CHECK_AT(cmd_paraminfo, params, 840);
RADIUS_CHECK_AT(cmd_paraminfo, is_active_sup, 1096 + 64 * RADIUS_PTR_GROWTH);
RADIUS_CHECK_AT(cmd_paraminfo, exec_flags, 1144 + 64 * RADIUS_PTR_GROWTH);
RADIUS_STATIC_ASSERT(sizeof(cmd_paraminfo) >= 1148 + 64 * RADIUS_PTR_GROWTH, "cmd_paraminfo size");

RADIUS_STATIC_ASSERT(sizeof(radius_global_cfg) == 356, "radius_global_cfg size");
RADIUS_CHECK_AT(radius_global_cfg, deadtime, 0);
RADIUS_CHECK_AT(radius_global_cfg, key_type, 4);
RADIUS_CHECK_AT(radius_global_cfg, key, 8);
RADIUS_CHECK_AT(radius_global_cfg, timeout, 76);
RADIUS_CHECK_AT(radius_global_cfg, retransmit, 80);
RADIUS_CHECK_AT(radius_global_cfg, server_count, 84);
RADIUS_CHECK_AT(radius_global_cfg, group_count, 88);
RADIUS_CHECK_AT(radius_global_cfg, reserved_92, 92);
RADIUS_CHECK_AT(radius_global_cfg, key6, 96);

RADIUS_STATIC_ASSERT(sizeof(radius_server_cfg) == 632, "radius_server_cfg size");
RADIUS_CHECK_AT(radius_server_cfg, index, 0);
RADIUS_CHECK_AT(radius_server_cfg, host, 4);
RADIUS_CHECK_AT(radius_server_cfg, addr_type, 260);
RADIUS_CHECK_AT(radius_server_cfg, key_type, 264);
RADIUS_CHECK_AT(radius_server_cfg, key, 268);
RADIUS_CHECK_AT(radius_server_cfg, auth_port, 332);
RADIUS_CHECK_AT(radius_server_cfg, acct_port, 336);
RADIUS_CHECK_AT(radius_server_cfg, authentication, 340);
RADIUS_CHECK_AT(radius_server_cfg, accounting, 344);
RADIUS_CHECK_AT(radius_server_cfg, aux_flag, 348);
RADIUS_CHECK_AT(radius_server_cfg, reserved_352, 352);
RADIUS_CHECK_AT(radius_server_cfg, timeout, 356);
RADIUS_CHECK_AT(radius_server_cfg, retransmit, 360);
RADIUS_CHECK_AT(radius_server_cfg, reserved_364, 364);
RADIUS_CHECK_AT(radius_server_cfg, key6, 368);
RADIUS_CHECK_AT(radius_server_cfg, reserved_624, 624);

RADIUS_STATIC_ASSERT(sizeof(radius_group_cfg) == 528, "radius_group_cfg size");
RADIUS_CHECK_AT(radius_group_cfg, reserved_0, 0);
RADIUS_CHECK_AT(radius_group_cfg, name, 4);
RADIUS_CHECK_AT(radius_group_cfg, members, 260);
RADIUS_CHECK_AT(radius_group_cfg, member_count, 516);
RADIUS_CHECK_AT(radius_group_cfg, reserved_520, 520);
RADIUS_CHECK_AT(radius_group_cfg, deadtime, 524);

RADIUS_STATIC_ASSERT(sizeof(radius_enable_info) == 4, "radius_enable_info size");
RADIUS_CHECK_AT(radius_enable_info, value, 0);

RADIUS_STATIC_ASSERT(sizeof(radius_server_stats) == 131, "radius_server_stats size");
RADIUS_CHECK_AT(radius_server_stats, server_id, 0);
RADIUS_CHECK_AT(radius_server_stats, server_state, 4);
RADIUS_CHECK_AT(radius_server_stats, monitored, 5);
RADIUS_CHECK_AT(radius_server_stats, unused_6, 6);
RADIUS_CHECK_AT(radius_server_stats, time_in_state, 7);
RADIUS_CHECK_AT(radius_server_stats, time_in_prev_state, 15);
RADIUS_CHECK_AT(radius_server_stats, time_dead_total, 23);
RADIUS_CHECK_AT(radius_server_stats, times_dead, 31);
RADIUS_CHECK_AT(radius_server_stats, auth_sent, 35);
RADIUS_CHECK_AT(radius_server_stats, auth_timed_out, 39);
RADIUS_CHECK_AT(radius_server_stats, auth_not_processed, 43);
RADIUS_CHECK_AT(radius_server_stats, auth_errors, 47);
RADIUS_CHECK_AT(radius_server_stats, unused_51, 51);
RADIUS_CHECK_AT(radius_server_stats, auth_no_match, 55);
RADIUS_CHECK_AT(radius_server_stats, auth_successful, 59);
RADIUS_CHECK_AT(radius_server_stats, auth_failed, 63);
RADIUS_CHECK_AT(radius_server_stats, unused_67, 67);
RADIUS_CHECK_AT(radius_server_stats, acct_sent, 99);
RADIUS_CHECK_AT(radius_server_stats, acct_timed_out, 103);
RADIUS_CHECK_AT(radius_server_stats, acct_errors, 107);
RADIUS_CHECK_AT(radius_server_stats, acct_not_processed, 111);
RADIUS_CHECK_AT(radius_server_stats, acct_no_match, 115);
RADIUS_CHECK_AT(radius_server_stats, unused_119, 119);
RADIUS_CHECK_AT(radius_server_stats, acct_failed, 123);
RADIUS_CHECK_AT(radius_server_stats, acct_successful, 127);

#ifdef __cplusplus
} /* extern "C" */

#include <type_traits>
static_assert(std::is_trivially_copyable_v<cmd_param>);
static_assert(std::is_trivially_copyable_v<cmd_paraminfo>);
static_assert(std::is_trivially_copyable_v<radius_global_cfg>);
static_assert(std::is_trivially_copyable_v<radius_server_cfg>);
static_assert(std::is_trivially_copyable_v<radius_group_cfg>);
static_assert(std::is_trivially_copyable_v<radius_server_stats>);
static_assert(std::is_standard_layout_v<cmd_paraminfo>);
#endif

#endif /* RADIUSCMD_ABI_RADIUS_RECORDS_H */
