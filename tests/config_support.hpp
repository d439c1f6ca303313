// Helpers of the configuration-command tests: the key fields of a record as
// one comparable value, the type-7 form of a text, and failing allocations.
#pragma once

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>

#include "frame/radius_records.h"

namespace radtest {

// The three key fields of a global, server or dynamic-authorization record.
struct key_fields {
    uint32_t type = RADIUS_KEY_CLEAR;
    std::string key;
    std::string key6;
    bool operator==(const key_fields &) const = default;
};

void PrintTo(const key_fields &fields, std::ostream *os);

template <class Record>
key_fields key_fields_of(const Record &record) {
    return {record.key_type, std::string(record.key, strnlen(record.key, sizeof record.key)),
            std::string(record.key6, strnlen(record.key6, sizeof record.key6))};
}

template <class Record>
void set_key_fields(Record &record, const key_fields &fields) {
    record.key_type = fields.type;
    std::memset(record.key, 0, sizeof record.key);
    std::memset(record.key6, 0, sizeof record.key6);
    std::memcpy(record.key, fields.key.data(), std::min(fields.key.size(), sizeof record.key - 1));
    std::memcpy(record.key6, fields.key6.data(), std::min(fields.key6.size(), sizeof record.key6 - 1));
}

// The type-7 form of `clear`, from the simulated key-encryption service
// (the call is logged like any other).
std::string type7_of(const std::string &clear);

// Makes the nth nothrow array allocation from now on fail, as it would with
// memory exhausted; 0 cancels.  The library's own copies of keys are such
// allocations.
void fail_nothrow_allocation(unsigned nth);

}  // namespace radtest
