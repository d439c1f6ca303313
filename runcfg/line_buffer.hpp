// Command lines built clause by clause in fixed buffers.  Each capacity is
// derived from the widest values the records can hold (a text field filled
// to the brim, ten-digit numbers), so every line fits by construction; the
// tests build the widest lines to prove the derivation tight.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "abi/radius_records.h"

namespace radius {

inline constexpr size_t number_chars = 10;  // 4294967295
inline constexpr size_t host_chars = sizeof(radius_server_cfg::host);
inline constexpr size_t server_key_chars = sizeof(radius_server_cfg::key);
inline constexpr size_t group_name_chars = sizeof(radius_group_cfg::name);

// "radius-server host H key 7 K auth-port N acct-port N authentication
// accounting timeout N retransmit N " and its NUL.
inline constexpr size_t server_line_capacity = (sizeof "radius-server host " - 1) + host_chars + 1 +
                                               (sizeof "key 7 " - 1) + server_key_chars + 1 +
                                               2 * ((sizeof "auth-port " - 1) + number_chars + 1) +
                                               (sizeof "authentication " - 1) + (sizeof "accounting " - 1) +
                                               (sizeof "timeout " - 1) + number_chars + 1 +
                                               (sizeof "retransmit " - 1) + number_chars + 1 + 1;

// "aaa group server radius G " and its NUL.
inline constexpr size_t group_line_capacity = (sizeof "aaa group server radius " - 1) + group_name_chars + 1 + 1;

// "server H " and its NUL.
inline constexpr size_t member_line_capacity = (sizeof "server " - 1) + host_chars + 1 + 1;

template <size_t Capacity>
class line_buffer {
public:
    line_buffer() { text_[0] = '\0'; }

    // Appends printf-formatted text.  Overflow would be a fault in the
    // capacity's derivation: asserted, and cut short rather than overrun.
    __attribute__((format(printf, 2, 3))) void append(const char *format, ...) {
        va_list args;
        va_start(args, format);
        const int written = std::vsnprintf(text_ + length_, Capacity - length_, format, args);
        va_end(args);
        assert(written >= 0 && static_cast<size_t>(written) < Capacity - length_);
        if (written > 0) length_ = std::min(length_ + static_cast<size_t>(written), Capacity - 1);
    }

    // Appends `text` as it is: cheaper than a format for the thousands of
    // member lines of a large configuration.  Overflow is asserted and cut
    // short, as above.
    void append_text(std::string_view text) {
        assert(text.size() < Capacity - length_);
        const size_t taken = std::min(text.size(), Capacity - 1 - length_);
        std::memcpy(text_ + length_, text.data(), taken);
        length_ += taken;
        text_[length_] = '\0';
    }

    const char *c_str() const { return text_; }
    size_t size() const { return length_; }

private:
    char text_[Capacity];  // only the text and its NUL are ever written
    size_t length_ = 0;
};

}  // namespace radius
