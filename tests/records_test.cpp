// The records' sizes and offsets are checked where they are declared, at
// compile time on every build; what a compiler cannot check is that the
// build has the byte order it is meant for: big-endian on the target,
// little-endian on the host.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace {

TEST(records, build_has_the_intended_byte_order) {
    const uint32_t probe = 0x01020304;
    uint8_t first = 0;
    std::memcpy(&first, &probe, 1);
    EXPECT_EQ(first, RADIUS_TARGET_BIG_ENDIAN ? 0x01 : 0x04);
}

}  // namespace
