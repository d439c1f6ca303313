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

// The output handle of one report, owned from the moment the shell hands
// it over.  A report ends in one of two ways, named by what happens to the
// handle: send_and_keep() delivers it and leaves the handle to the shell;
// send_and_release() delivers it and frees the handle.  A handle still owned
// when the object goes is released unsent with cmd_paraminfo_to_rxhandle_free;
// release_unsent() does the same with cmd_req_handle_free, for the displays
// whose failures free it that way.  (The 16-byte argument records of the
// values live in print() alone: cmd_prt takes their address, never a result
// of cmd_prt_arg_make.)
class output {
public:
    explicit output(cmd_paraminfo *info) : handle_(cmd_paraminfo_to_rxhandle(info)) {}
    // A handle another component hands over for printing only: not ours.
    static output borrowed(cmd_out_handle *handle) { return output(handle, false); }
    ~output();
    output(output &&other) noexcept : handle_(other.handle_), owned_(other.owned_) { other.handle_ = nullptr; }
    output(const output &) = delete;
    output &operator=(const output &) = delete;
    output &operator=(output &&) = delete;

    explicit operator bool() const { return handle_ != nullptr; }
    cmd_out_handle *get() const { return handle_; }
    uint32_t command_id() const { return cmd_req_cmdId_getnext(handle_); }

    // A format without values.
    void print(const char *text) const;
    // A format with one "%s", for `length` bytes at `value` under `tag`.
    void print(const char *format, uint32_t tag, const void *value, uint32_t length) const;
    // A format with one "%s", for the value at `value` as the shell's
    // cmd_tuple takes it: the tag's type fixes its length.
    void print_tuple(const char *format, uint32_t tag, const void *value) const;
    // The shown rows in order, each through one cmd_prt call.
    void print(std::span<const display_row> rows) const;

    // Both return cmd_prt_send's result, which only the shell understands.
    int32_t send_and_keep();
    int32_t send_and_release();
    void release_unsent();
    // Leaves the handle to the shell as it is: what was printed on it went
    // out another way (sent by a printer this handle was lent to, or, for
    // the plain generator, written to the shell's buffer instead).
    void leave_to_shell() { handle_ = nullptr; }

private:
    output(cmd_out_handle *handle, bool owned) : handle_(handle), owned_(owned) {}

    cmd_out_handle *handle_;
    bool owned_ = true;
};

// The command's output handle; an empty output after printing
// `null_handle_message` when the shell has none.
output open_output(cmd_paraminfo *info, const char *null_handle_message);

// The active-supervisor check and the output handle of a tagged display;
// an empty output after printing why (`null_handle_message` when the shell
// has no handle).
output open_tagged_display(cmd_paraminfo *info, const char *null_handle_message);

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
