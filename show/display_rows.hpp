// Tagged displays as data: each report line is a row saying when it is
// printed, its format, the tag and length of its value, and one loop prints
// the rows that apply.  The lengths are part of the report format: the
// shell copies exactly that many bytes of each value.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

#include "platform/shell_output.h"

namespace radius {

struct display_row {
    bool shown;
    const char *format;  // one "%s" for the value, or none when value is null
    uint32_t tag;
    const void *value;   // read when the row is printed
    uint32_t length;
};

// The active-supervisor check and the output handle of a tagged display;
// null after printing why (`null_handle_message` when the shell has no
// handle).
cmd_out_handle *open_tagged_display(cmd_paraminfo *info, const char *null_handle_message);

// Prints the shown rows in order, each through one cmd_prt call.
void print_rows(cmd_out_handle *handle, std::span<const display_row> rows);

// The mask shown for a configured secret, in the buffer sizes that the
// displays' lengths promise.
inline constexpr char secret_mask[] = "********";
inline constexpr char secret_mask_64[64] = "********";
inline constexpr char secret_mask_256[256] = "********";

// strlen + 1 of a record's text field, never more than the field holds (a
// field filled to the brim has no NUL of its own).
template <size_t N>
uint32_t field_text_length(const char (&field)[N]) {
    return static_cast<uint32_t>(std::min(strnlen(field, N) + 1, N));
}

inline uint32_t text_length(const char *text) { return static_cast<uint32_t>(std::strlen(text) + 1); }

}  // namespace radius
