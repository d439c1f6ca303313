// The records are wire formats: these tests look at the bytes themselves, so
// a wrong offset or a wrong byte order fails here on the build that has it.
// The target build must be big-endian; the host build little-endian.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "frame/radius_records.h"

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

struct field_case {
    const char *name;
    size_t offset;
    uint32_t radius_server_cfg::*field;
};

TEST(records, server_fields_sit_at_their_wire_offsets) {
    const field_case cases[] = {
        {"index", 0, &radius_server_cfg::index},
        {"addr_type", 260, &radius_server_cfg::addr_type},
        {"key_type", 264, &radius_server_cfg::key_type},
        {"auth_port", 332, &radius_server_cfg::auth_port},
        {"acct_port", 336, &radius_server_cfg::acct_port},
        {"authentication", 340, &radius_server_cfg::authentication},
        {"accounting", 344, &radius_server_cfg::accounting},
        {"aux_flag", 348, &radius_server_cfg::aux_flag},
        {"timeout", 356, &radius_server_cfg::timeout},
        {"retransmit", 360, &radius_server_cfg::retransmit},
    };
    for (const field_case &c : cases) {
        radius_server_cfg server{};
        server.*c.field = 0x0a0b0c0d;
        EXPECT_EQ(bytes_at(server, c.offset, 4), wire_u32(0x0a0b0c0d)) << c.name;
    }
}

TEST(records, global_record_image) {
    radius_global_cfg global{};
    global.deadtime = 10;
    global.key_type = RADIUS_KEY_TYPE7;
    std::strcpy(global.key, "k");
    global.timeout = 5;
    global.retransmit = 1;
    std::strcpy(global.key6, "six");
    EXPECT_EQ(bytes_at(global, 0, 4), wire_u32(10));
    EXPECT_EQ(bytes_at(global, 4, 4), wire_u32(7));
    EXPECT_EQ(bytes_at(global, 8, 2), (std::vector<uint8_t>{'k', 0}));
    EXPECT_EQ(bytes_at(global, 76, 4), wire_u32(5));
    EXPECT_EQ(bytes_at(global, 80, 4), wire_u32(1));
    EXPECT_EQ(bytes_at(global, 96, 4), (std::vector<uint8_t>{'s', 'i', 'x', 0}));
}

TEST(records, group_record_image) {
    radius_group_cfg group{};
    std::strcpy(group.name, "g");
    group.members[0] = 3;
    group.members[63] = 9;
    group.member_count = 2;
    group.deadtime = 7;
    EXPECT_EQ(bytes_at(group, 4, 2), (std::vector<uint8_t>{'g', 0}));
    EXPECT_EQ(bytes_at(group, 260, 4), wire_u32(3));
    EXPECT_EQ(bytes_at(group, 512, 4), wire_u32(9));
    EXPECT_EQ(bytes_at(group, 516, 4), wire_u32(2));
    EXPECT_EQ(bytes_at(group, 524, 4), wire_u32(7));
}

TEST(records, parsed_command_block_offsets) {
    cmd_paraminfo info{};
    cmd_param param{};
    info.params[63] = &param;
    info.is_active_sup = 1;
    info.exec_flags = EXEC_FLAG_REPLAY;
    const size_t growth = 64 * (sizeof(void *) - 4);
    void *last = nullptr;
    std::memcpy(&last, reinterpret_cast<const uint8_t *>(&info) + 840 + 63 * sizeof(void *), sizeof last);
    EXPECT_EQ(last, &param);
    EXPECT_EQ(bytes_at(info, 1096 + growth, 4), wire_u32(1));
    EXPECT_EQ(bytes_at(info, 1144 + growth, 4), wire_u32(4));
}

}  // namespace
