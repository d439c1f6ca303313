#include "tests/config_support.hpp"

#include <cstdlib>
#include <memory>
#include <new>

#include "platform/key_encryption.h"

namespace radtest {

namespace {

unsigned allocations_until_failure = 0;

}  // namespace

void PrintTo(const key_fields &fields, std::ostream *os) {
    *os << "{type " << fields.type << " key '" << fields.key << "' key6 '" << fields.key6 << "'}";
}

std::string type7_of(const std::string &clear) {
    char *out = nullptr;
    uint32_t length = 0;
    radius_new_security_conf_encrypt(clear.c_str(), RADIUS_KEY_TYPE7, 0, 0, &out, &length);
    const std::unique_ptr<char, decltype(&std::free)> owned(out, &std::free);
    return owned ? std::string(owned.get()) : std::string();
}

void fail_nothrow_allocation(unsigned nth) { allocations_until_failure = nth; }

}  // namespace radtest

// Replaces the global nothrow array allocation of this test program.  It
// allocates through the ordinary operator new[], so that the matching
// delete[] releases it (and the sanitizers see a matched pair).
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
    if (radtest::allocations_until_failure != 0 && --radtest::allocations_until_failure == 0) return nullptr;
    try {
        return ::operator new[](size);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}
