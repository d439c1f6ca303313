/*
 * Big-endian integers at any address: the AAA service's records put them
 * at odd offsets.  Going through bytes rather than casting a pointer keeps
 * the access legal on a processor that traps on misaligned words and gives
 * the same value whatever the processor's own byte order.
 *
 * C11 and C++ alike.
 */
#ifndef RADIUSCMD_ABI_BIG_ENDIAN_H
#define RADIUSCMD_ABI_BIG_ENDIAN_H

#include <stdint.h>
#include <string.h>

static inline uint32_t load_be32(const uint8_t field[4]) {
    uint8_t b[4];
    memcpy(b, field, sizeof b);
    return ((uint32_t)b[0] << 24) | ((uint32_t)b[1] << 16) | ((uint32_t)b[2] << 8) | (uint32_t)b[3];
}

static inline uint64_t load_be64(const uint8_t field[8]) {
    return ((uint64_t)load_be32(field) << 32) | load_be32(field + 4);
}

static inline void store_be32(uint8_t field[4], uint32_t value) {
    const uint8_t b[4] = {(uint8_t)(value >> 24), (uint8_t)(value >> 16), (uint8_t)(value >> 8), (uint8_t)value};
    memcpy(field, b, sizeof b);
}

static inline void store_be64(uint8_t field[8], uint64_t value) {
    store_be32(field, (uint32_t)(value >> 32));
    store_be32(field + 4, (uint32_t)value);
}

#endif
