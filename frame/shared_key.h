/*
 * The shared-secret routines that every command with a key uses: the
 * server host and global commands and the dynamic-authorization commands.
 */
#ifndef RADIUSCMD_FRAME_SHARED_KEY_H
#define RADIUSCMD_FRAME_SHARED_KEY_H

#include "abi/radius_records.h"

#ifdef __cplusplus
extern "C" {
#endif

/* 1 when no character of the NUL-terminated `text` is a letter (digits,
 * punctuation and blanks count as numeric; so do the empty text and a null
 * pointer), else 0. */
RADIUS_EXPORT int is_all_numeric_key(const char *text);

/*
 * Applies one key parameter to a record's key fields: `*key_type`, `key`
 * (64 bytes used) and `key6` (256 bytes).  `no_key` is nonzero in a "no"
 * form that names the keyword key; `given_type` is 0 (clear), 7 or 6;
 * `new_key` is the given text of forms 0 and 7, `new_key6` that of form 6.
 * Returns 0 when the fields were updated, 1 when the command must fail: the
 * reason has been printed, except for a null pointer or an unknown
 * `given_type`.  The caller owns every buffer; nothing is kept.
 */
RADIUS_EXPORT int32_t cfg_rad_shared_key(int32_t no_key, uint32_t given_type, uint32_t *key_type,
                                         const char *new_key, char *key, const char *new_key6, char *key6);

#ifdef __cplusplus
}
#endif

#endif
