// Helpers of the configuration-command tests: the key fields of a record as
// one comparable value, key parameters as the shell sends them, seeded
// servers, the type-7 form of a text, and failing allocations.
#pragma once

#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "frame/radius_records.h"
#include "tests/support/command.hpp"

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
    fields.key.copy(record.key, sizeof record.key - 1);
    fields.key6.copy(record.key6, sizeof record.key6 - 1);
}

// How a command gives its key: a clear text (id 18), or a form token (56 or
// 55) and its text (50); the keyword `key` (54) comes first when asked for.
enum class given { clear, type7, type6, keyword_only };

void add_key(command &cmd, given form, const std::string &text, bool keyword = true);

// Every platform call so far as "name args".
std::vector<std::string> logged_calls();

// Seeds an existing IPv4 server used for both roles; returns its index.
uint32_t seed_server(const std::string &host);

// The running server named `host`, or null.
radius_server_cfg *find_server(const std::string &host);

// The type-7 form of `clear`, from the simulated key-encryption service
// (the call is logged and consumes due faults like any other).
std::string type7_of(const std::string &clear);

// Makes the nth nothrow array allocation from now on fail, as it would with
// memory exhausted; 0 cancels.  The library's own copies of keys are such
// allocations.
void fail_nothrow_allocation(unsigned nth);

}  // namespace radtest
