/*
 * The switch's key-encryption service.  Both calls return 0 on success with
 * *out a heap block (release it with free) holding the converted text and
 * *out_len its length; a nonzero result, a null *out or a zero *out_len is
 * a failure.
 */
#ifndef RADIUSCMD_PLATFORM_KEY_ENCRYPTION_H
#define RADIUSCMD_PLATFORM_KEY_ENCRYPTION_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The type-`type` (7) form of the clear `text`. */
int32_t radius_new_security_conf_encrypt(const char *text, uint32_t type, uint32_t flags, uint32_t reserved,
                                         char **out, uint32_t *out_len);

/* The clear text of the type-`type` (7) `text`; text_len counts its NUL. */
int32_t radius_new_security_conf_decrypt(const char *text, uint32_t text_len, uint32_t type, uint32_t flags,
                                         uint32_t reserved, char **out, uint32_t *out_len);

#ifdef __cplusplus
}
#endif

#endif
