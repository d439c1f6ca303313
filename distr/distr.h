/*
 * Fabric distribution of the RADIUS configuration: the control commands,
 * the status displays, and the pending and difference texts.  Every
 * handler returns 0, or 1 after printing why it failed.
 */
#ifndef RADIUSCMD_DISTR_DISTR_H
#define RADIUSCMD_DISTR_DISTR_H

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Enables distribution; the "no" form disables it. */
RADIUS_EXPORT int32_t radius_qds_distr_enable(cmd_paraminfo *info);
/* Commit and abort of the pending changes; their "no" forms are refused. */
RADIUS_EXPORT int32_t radius_qds_distr_commit(cmd_paraminfo *info);
RADIUS_EXPORT int32_t radius_qds_distr_abort(cmd_paraminfo *info);
/* Releases the distribution session (active supervisor only). */
RADIUS_EXPORT int32_t radius_qds_distr_clear_session(cmd_paraminfo *info);
/* Prints the daemon's pending configuration, piece by piece. */
RADIUS_EXPORT int32_t radius_qds_distr_show_pending(cmd_paraminfo *info);

/* Tagged displays: the last operation of the session, the merge status,
 * the distribution state with the last operation (commands 502 and 503
 * have tag sets of their own), and the daemon's internal state. */
RADIUS_EXPORT int32_t radius_new_qds_session_status(cmd_paraminfo *info);
RADIUS_EXPORT int32_t radius_new_qds_merge_status(cmd_paraminfo *info);
RADIUS_EXPORT int32_t radius_new_qds_distr_status(cmd_paraminfo *info);
RADIUS_EXPORT int32_t radius_qds_distr_show_internal(cmd_paraminfo *info);

/* The words of an action and of a result code; constant texts. */
RADIUS_EXPORT const char *qdsActionToString(uint32_t code);
RADIUS_EXPORT const char *qdsResultToString(int32_t code);

/* Display names of action codes 1..6 and result codes 1..5, at code - 1. */
RADIUS_EXPORT extern const char *const distr_action_names[6];
RADIUS_EXPORT extern const char *const distr_result_names[5];

/* The pending configuration as running-configuration text (keys and
 * groups included), and its difference from the running one (neither). */
RADIUS_EXPORT int32_t radius_new_qds_pending_asciigen(cmd_paraminfo *info);
RADIUS_EXPORT int32_t radius_new_qds_diff_asciigen(cmd_paraminfo *info);

#ifdef __cplusplus
}
#endif

#endif
