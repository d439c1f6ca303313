#include "frame/secret_text.hpp"

#include <cstdlib>
#include <cstring>

#include "abi/radius_records.h"
#include "platform/key_encryption.h"

namespace radius {

namespace {

constexpr uint32_t type7 = RADIUS_KEY_TYPE7;

// Takes ownership of what the service handed back, whatever the result, so
// that a block that comes with a failure code is still released.
secret_text take_service_text(int32_t rc, char *out, uint32_t out_len) {
    secret_text text(out);
    if (rc != 0 || text == nullptr || out_len == 0 || text.get()[0] == '\0') return nullptr;
    return text;
}

}  // namespace

void secret_release::operator()(char *text) const noexcept {
    explicit_bzero(text, std::strlen(text));
    std::free(text);
}

secret_text copy_secret(const char *text, size_t max_chars) {
    const size_t length = strnlen(text, max_chars);
    secret_text copy(static_cast<char *>(std::malloc(length + 1)));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy.get(), text, length);
    copy.get()[length] = '\0';
    return copy;
}

secret_text encrypt_type7(const char *text) {
    char *out = nullptr;
    uint32_t out_len = 0;
    const int32_t rc = radius_new_security_conf_encrypt(text, type7, 0, 0, &out, &out_len);
    return take_service_text(rc, out, out_len);
}

secret_text decrypt_type7(const char *text) {
    char *out = nullptr;
    uint32_t out_len = 0;
    const auto text_len = static_cast<uint32_t>(std::strlen(text) + 1);
    const int32_t rc = radius_new_security_conf_decrypt(text, text_len, type7, 0, 0, &out, &out_len);
    return take_service_text(rc, out, out_len);
}

}  // namespace radius
