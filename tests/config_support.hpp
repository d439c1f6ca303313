// Helpers of the configuration-command tests: the key fields of a record as
// one comparable value, a seeded server, the call log as text, and refusals
// that must leave the store alone.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
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

inline void PrintTo(const key_fields &fields, std::ostream *os) {
    *os << "{type " << fields.type << " key '" << fields.key << "' key6 '" << fields.key6 << "'}";
}

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

// Seeds the running server `host` (IPv4, both roles) and returns it.
inline radius_server_cfg &seed_server(const std::string &host) {
    radius_server_cfg server{};
    host.copy(server.host, sizeof server.host - 1);
    server.addr_type = RADIUS_ADDR_IPV4;
    server.authentication = server.accounting = 1;
    radsim::store().server(RADIUS_OP_WRITE, &server);
    return radsim::store().running().servers.at(server.index);
}

// Every platform call so far as "name args".
inline std::vector<std::string> logged_calls() {
    std::vector<std::string> calls;
    for (const auto &call : radsim::call_log()) calls.push_back(call.name + " " + call.args);
    return calls;
}

// A command that must be refused: `build` seeds the store and fills the
// command; then the nth call of platform function `fault`, if any, fails.
struct refusal {
    const char *why;
    std::function<void(command &)> build;
    std::string out;  // exactly what is printed
    const char *fault = nullptr;
    unsigned nth = 1;
    int32_t code = 0x409d0008;
};

// Runs each row on a fresh switch: status 1, its text, and both copies of
// the store byte for byte as they were.
inline void expect_refusals(radius_handler_fn handler, std::initializer_list<refusal> rows) {
    for (const refusal &row : rows) {
        SCOPED_TRACE(row.why);
        radsim::reset();
        command cmd;
        row.build(cmd);
        if (row.fault != nullptr) radsim::inject_fault(row.fault, row.nth, row.code);
        const radsim::config_tables running = radsim::store().running();
        const std::optional<radsim::config_tables> pending = radsim::store().pending();
        const auto [status, out] = cmd.run(handler);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(out, row.out);
        EXPECT_EQ(radsim::store().running(), running);
        EXPECT_EQ(radsim::store().pending(), pending);
    }
}

}  // namespace radtest
