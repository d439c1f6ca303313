// Heap texts that hold a secret: our own copies of a stored key and the
// texts the key-encryption service hands back, each wiped before release,
// and the type-7 conversions between them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace radius {

// Wipes a secret and releases its block with free: the key-encryption
// service's blocks are malloc'd, and so are our own copies (the library
// uses no operator new, which would bring the C++ runtime's exception
// support along).
struct secret_release {
    void operator()(char *text) const noexcept;
};

// A NUL-terminated secret on the heap, wiped before it is released.
using secret_text = std::unique_ptr<char, secret_release>;

// Our own copy of at most `max_chars` of `text`; null when the allocation
// fails (the caller prints its own message for that).
secret_text copy_secret(const char *text, size_t max_chars);

// The type-7 form of the clear `text`, or the clear form of the type-7
// `text`, from the key-encryption service.  Null when the service fails,
// hands back no block or hands back an empty text: every caller treats
// these alike.
secret_text encrypt_type7(const char *text);
secret_text decrypt_type7(const char *text);

}  // namespace radius
