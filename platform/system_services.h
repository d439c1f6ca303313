/*
 * System services of the switch that the library calls: the system-error
 * texts, the system manager, the feature manager and the debug dump
 * service.
 */
#ifndef RADIUSCMD_PLATFORM_SYSTEM_SERVICES_H
#define RADIUSCMD_PLATFORM_SYSTEM_SERVICES_H

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Readable text of a system-error code; never null, owned by the service. */
const char *syserr2str(int32_t code);

/* Name of the facility that a system-error code belongs to; never null,
 * owned by the service. */
const char *syserr2fac(int32_t code);

/* Starts service number `service` called `name` unless it already runs.
 * Returns 0, or a system-error code. */
int32_t sysmgr_cli_conditional_srv_start(uint32_t session_handle, uint32_t service,
                                         const char *name, void *arg, uint32_t arg_len,
                                         uint32_t flags, uint32_t timeout);

/* Feature manager: *status 1 when `feature` is enabled; *error nonzero when
 * the manager could not answer.  No result is promised: the two words say
 * it all. */
void fm_cmi_get_feature_status(uint32_t session_handle, const char *feature, cmd_msg_ctx *ctx_a,
                                  cmd_msg_ctx *ctx_b, uint32_t *status, uint32_t *error);

/* Where a debug dump request goes: a daemon's address and service number,
 * native byte order. */
typedef struct sdwrap_destination {
    uint32_t address;
    uint32_t service;
} sdwrap_destination;

/* The arguments of a memory-statistics dump, 16 bytes, native byte order:
 * reserved (0), detail (1 for the detailed form), kind (5), mask (all ones). */
typedef struct memstats_dump_args {
    uint32_t reserved;
    uint32_t detail;
    uint32_t kind;
    uint32_t mask;
} memstats_dump_args;

RADIUS_STATIC_ASSERT(sizeof(sdwrap_destination) == 8, "sdwrap_destination size");
RADIUS_STATIC_ASSERT(sizeof(memstats_dump_args) == 16, "memstats_dump_args size");
RADIUS_CHECK_AT(memstats_dump_args, detail, 4);
RADIUS_CHECK_AT(memstats_dump_args, kind, 8);
RADIUS_CHECK_AT(memstats_dump_args, mask, 12);

/* Asks the daemon at `destination` to run its dump routine `routine` with
 * `args` (`args_len` bytes); the daemon prints the dump on the terminal.
 * No result is promised. */
void sdwrap_debug_dump(uint32_t session_handle, const sdwrap_destination *destination, const void *args,
                          uint32_t args_len, const char *routine, uint32_t detail, int32_t timeout);

#ifdef __cplusplus
}
#endif

#endif
