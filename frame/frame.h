/*
 * The handler frame's exported routines and the RADIUS enable command.
 */
#ifndef RADIUSCMD_FRAME_FRAME_H
#define RADIUSCMD_FRAME_FRAME_H

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Prints the system-error text of `code` on a line of its own when the
 * code is above 0; 0 and negative codes print nothing. */
RADIUS_EXPORT void print_error_radius(int32_t code);

/* Prints `text` with every occurrence of `separator` removed, overwriting
 * the separators' first bytes in place.  Returns what the last printf
 * returned.  An empty separator prints the text unchanged. */
RADIUS_EXPORT int print_stderr_radius(char *text, const char *separator);

/* "radius enable": starts the RADIUS service; the "no" form writes 0 to the
 * daemon-enable item.  Returns 0, or 1 after printing the failure. */
RADIUS_EXPORT int32_t config_radius_enable(cmd_paraminfo *info);

#ifdef __cplusplus
}
#endif

#endif
