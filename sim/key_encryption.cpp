// The key-encryption service.  Our type-7 form is a position-keyed rotation
// over an alphabet of printable characters that are safe inside a command
// line; anything outside the alphabet passes unchanged.  It is reversible,
// printable, deterministic and keeps the length, so a type-7 key fits the
// same record field as its clear text.  The empty text has no partner of
// its own length, so it encrypts to a fixed one-character text.
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/key_encryption.h"
#include "sim/sim_internal.hpp"

namespace {

// Printable, no blank, and none of " ' ? \ | ! # which quote, ask for help,
// pipe or start comments on a command line.
constexpr std::string_view alphabet =
    "$%&()*+,-./0123456789:;<=>@ABCDEFGHIJKLMNOPQRSTUVWXYZ[]^_`abcdefghijklmnopqrstuvwxyz{}~";
constexpr char empty_text_form[] = "~";
constexpr uint32_t type7 = 7;
constexpr int32_t err_unsupported_type = 0x409d0001;

size_t shift_at(size_t position, size_t length) { return (position * 7 + length * 3 + 11) % alphabet.size(); }

std::string rotate(std::string_view text, bool forward) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        const size_t at = alphabet.find(out[i]);
        if (at == std::string_view::npos) continue;
        const size_t shift = shift_at(i, out.size());
        out[i] = alphabet[forward ? (at + shift) % alphabet.size()
                                  : (at + alphabet.size() - shift) % alphabet.size()];
    }
    return out;
}

// Hands `text` to the caller as a malloc'd block, or applies the fault.
int32_t hand_out(const std::string &text, const std::optional<radsim::detail::due_fault> &fault, char **out,
                 uint32_t *out_len) {
    *out = nullptr;
    *out_len = 0;
    if (fault && fault->effect == radsim::fault_effect::result_code) return fault->result;
    if (fault && fault->effect == radsim::fault_effect::null_block) {
        *out_len = static_cast<uint32_t>(text.size());
        return 0;
    }
    const std::string given = fault ? std::string() : text;
    *out = static_cast<char *>(std::malloc(given.size() + 1));
    if (*out == nullptr) return 0x409d0009;
    std::memcpy(*out, given.c_str(), given.size() + 1);
    *out_len = static_cast<uint32_t>(given.size());
    return 0;
}

}  // namespace

namespace radsim::detail {

std::string type7_form(const std::string &text) { return text.empty() ? std::string(empty_text_form) : rotate(text, true); }

std::optional<std::string> clear_key(uint32_t key_type, const char *key, size_t size) {
    const std::string_view text(key, strnlen(key, size));
    if (text.empty() || key_type == RADIUS_KEY_TYPE6) return std::nullopt;
    return key_type == RADIUS_KEY_TYPE7 ? rotate(text, false) : std::string(text);
}

}  // namespace radsim::detail

extern "C" int32_t radius_new_security_conf_encrypt(const char *text, uint32_t type, uint32_t, uint32_t,
                                                    char **out, uint32_t *out_len) {
    const auto fault = radsim::detail::enter(__func__, "type=" + std::to_string(type));
    if (out == nullptr || out_len == nullptr) return err_unsupported_type;
    if (text == nullptr || type != type7) {
        *out = nullptr;
        *out_len = 0;
        return err_unsupported_type;
    }
    return hand_out(radsim::detail::type7_form(text), fault, out, out_len);
}

extern "C" int32_t radius_new_security_conf_decrypt(const char *text, uint32_t text_len, uint32_t type, uint32_t,
                                                    uint32_t, char **out, uint32_t *out_len) {
    const auto fault = radsim::detail::enter(__func__, "type=" + std::to_string(type) +
                                                           " len=" + std::to_string(text_len));
    if (out == nullptr || out_len == nullptr) return err_unsupported_type;
    if (text == nullptr || type != type7 || text_len == 0) {
        *out = nullptr;
        *out_len = 0;
        return err_unsupported_type;
    }
    const std::string_view given(text, strnlen(text, text_len));
    return hand_out(rotate(given, false), fault, out, out_len);
}
