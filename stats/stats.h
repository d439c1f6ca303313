/*
 * Statistics and diagnostics: the AAA service's per-server statistics and
 * their clearing, the show-tech script, the debugging flag and the RADIUS
 * daemon's memory statistics.
 */
#ifndef RADIUSCMD_STATS_STATS_H
#define RADIUSCMD_STATS_STATS_H

#include <stddef.h>

#include "abi/radius_records.h"
#include "platform/shell_output.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Shows the statistics of the server named by parameter 21, or of every
 * server without it, one sent block per server.  0 on success (also when
 * there is no server); 1 after a message, or silently for a host parameter
 * of the wrong type. */
RADIUS_EXPORT int32_t show_radius_statistics(cmd_paraminfo *info);

/* Clears the statistics of the server named by parameter 21; without it,
 * does nothing and returns 0.  1 after a message on failure. */
RADIUS_EXPORT int32_t clear_radius_statistics(cmd_paraminfo *info);

/* Prints one server's statistics block from its wire record on `handle`,
 * sends it (the handle stays the caller's), and returns what cmd_prt_send
 * returned. */
RADIUS_EXPORT int32_t aaa_rserver_print_stats(cmd_out_handle *handle, const radius_server_stats *stats);

/* Writes "H hrs, M min, S sec" for `duration_ms` milliseconds (whole
 * seconds) into `buffer` of `size` bytes; returns what snprintf returns. */
RADIUS_EXPORT int radius_server_str_time(uint64_t duration_ms, char *buffer, size_t size);

/* Has the shell run the fixed show-tech script of RADIUS commands from a
 * temporary file that exists only during the call.  0 when the run
 * succeeded; 1 when the file could not be written or the run failed. */
RADIUS_EXPORT int32_t show_tech_radius(cmd_paraminfo *info);

/* Prints whether RADIUS debugging is on.  0, or 1 after the store's error
 * text (a flag never written is such an error) or on a standby
 * supervisor. */
RADIUS_EXPORT int32_t show_debug_radius_new(cmd_paraminfo *info);

/* Asks the RADIUS daemon to print its memory statistics, in the detailed
 * form with parameter 1007.  Always 0. */
RADIUS_EXPORT int32_t radius_cli_show_memstats(cmd_paraminfo *info);

#ifdef __cplusplus
}
#endif

#endif
