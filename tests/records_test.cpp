// The records are wire formats: these tests look at the bytes themselves, so
// a wrong offset or a wrong byte order fails here on the build that has it.
// The target build must be big-endian; the host build little-endian.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "abi/radius_records.h"

namespace {

template <class Record>
std::vector<uint8_t> bytes_at(const Record &record, size_t offset, size_t count) {
    const auto *base = reinterpret_cast<const uint8_t *>(&record);
    return {base + offset, base + offset + count};
}

// The wire image of a u32 in the byte order this build is meant to have.
std::vector<uint8_t> wire_u32(uint32_t value) {
    std::vector<uint8_t> big = {uint8_t(value >> 24), uint8_t(value >> 16), uint8_t(value >> 8), uint8_t(value)};
    if (RADIUS_TARGET_BIG_ENDIAN) return big;
    return {big.rbegin(), big.rend()};
}

TEST(records, build_has_the_intended_byte_order) {
    const uint32_t probe = 0x01020304;
    uint8_t first = 0;
    std::memcpy(&first, &probe, 1);
    EXPECT_EQ(first, RADIUS_TARGET_BIG_ENDIAN ? 0x01 : 0x04);
}

TEST(records, integer_fields_sit_at_their_wire_offsets) {
    radius_server_cfg server{};
    radius_global_cfg global{};
    radius_group_cfg group{};
    cmd_paraminfo info{};
    const size_t growth = 64 * (sizeof(void *) - 4);  // the pointers of params on a 64-bit host
    const struct {
        const char *name;
        uint32_t *field;
        const void *record;
        size_t offset;
    } cases[] = {
        {"server.index", &server.index, &server, 0},
        {"server.addr_type", &server.addr_type, &server, 260},
        {"server.auth_port", &server.auth_port, &server, 332},
        {"server.accounting", &server.accounting, &server, 344},
        {"server.timeout", &server.timeout, &server, 356},
        {"server.retransmit", &server.retransmit, &server, 360},
        {"global.timeout", &global.timeout, &global, 76},
        {"global.group_count", &global.group_count, &global, 88},
        {"group.members[63]", &group.members[63], &group, 512},
        {"group.deadtime", &group.deadtime, &group, 524},
        {"info.exec_flags", &info.exec_flags, &info, 1144 + growth},
    };
    for (const auto &c : cases) {
        *c.field = 0x0a0b0c0d;
        const auto *base = static_cast<const uint8_t *>(c.record);
        EXPECT_EQ(std::vector<uint8_t>(base + c.offset, base + c.offset + 4), wire_u32(0x0a0b0c0d)) << c.name;
    }
}

TEST(records, texts_and_pointers_sit_at_their_wire_offsets) {
    radius_server_cfg server{};
    std::strcpy(server.key6, "six");
    EXPECT_EQ(bytes_at(server, 368, 4), (std::vector<uint8_t>{'s', 'i', 'x', 0}));
    radius_global_cfg global{};
    std::strcpy(global.key6, "g6");
    EXPECT_EQ(bytes_at(global, 96, 3), (std::vector<uint8_t>{'g', '6', 0}));

    cmd_paraminfo info{};
    cmd_param param{};
    info.params[63] = &param;
    void *last = nullptr;
    std::memcpy(&last, reinterpret_cast<const uint8_t *>(&info) + 840 + 63 * sizeof(void *), sizeof last);
    EXPECT_EQ(last, &param);
}

}  // namespace
