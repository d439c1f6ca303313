// Helpers of the configuration-command tests: key fields as one value, keys as
// the shell gives them, a seeded server, the call log, and refusals.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "abi/param_ids.h"
#include "abi/radius_records.h"
#include "tests/support/group_seed.hpp"

namespace radtest {

constexpr char host[] = "10.0.0.1";

// The key fields (key_type, key, key6) of a global, server or
// dynamic-authorization record.
using key_fields = std::tuple<uint32_t, std::string, std::string>;

template <class Record>
key_fields key_fields_of(const Record &record) {
    return {record.key_type, std::string(record.key, strnlen(record.key, sizeof record.key)),
            std::string(record.key6, strnlen(record.key6, sizeof record.key6))};
}

template <class Record>
void set_key_fields(Record &record, const key_fields &fields) {
    const auto &[type, key, key6] = fields;
    record.key_type = type;
    std::memset(record.key, 0, sizeof record.key);
    std::memset(record.key6, 0, sizeof record.key6);
    key.copy(record.key, sizeof record.key - 1);
    key6.copy(record.key6, sizeof record.key6 - 1);
}


// The form a key is given in, valued as `key_type`.
enum class given : uint32_t { clear = 0, type7 = 7, type6 = 6 };

// A key as the shell gives it: the keyword `key` unless left out, then a
// clear text or a form token (7 or 6) and its text.
inline command &add_key(command &cmd, given form, const std::string &text, bool keyword = true) {
    if (keyword) cmd.keyword(PARAM_KEY);
    if (form == given::clear) return cmd.text(PARAM_KEY_CLEAR, text);
    return cmd.keyword(form == given::type7 ? 56 : 55).text(PARAM_KEY_TEXT, text);
}

inline command &on_host(command &cmd) { return cmd.host(PARAM_SERVER_HOST, host, ADDR_KIND_IPV4); }

// Seeds the running server `host` (IPv4, both roles) holding `keys`.
inline void seed_server(const key_fields &keys = {}) {
    radius_server_cfg server{};
    std::string(host).copy(server.host, sizeof server.host - 1);
    server.addr_type = RADIUS_ADDR_IPV4;
    server.authentication = server.accounting = 1;
    set_key_fields(server, keys);
    radsim::seed_server(server);
}

// Seeds the running global record holding `keys`, its other fields kept.
inline void seed_global_keys(const key_fields &keys) {
    radius_global_cfg global = radsim::stored().running.global;
    set_key_fields(global, keys);
    radsim::seed_global(global);
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

// Runs each row on a fresh switch: status 1, its text, and the store byte
// for byte as it was.
inline void expect_refusals(radius_handler_fn handler, std::initializer_list<refusal> rows) {
    for (const refusal &row : rows) {
        SCOPED_TRACE(row.why);
        radsim::reset();
        command cmd;
        row.build(cmd);
        if (row.fault != nullptr) radsim::inject_fault(row.fault, row.nth, row.code);
        const radsim::stored_config before = radsim::stored();
        const auto [status, out] = cmd.run(handler);
        EXPECT_EQ(status, 1);
        EXPECT_EQ(out, row.out);
        EXPECT_EQ(radsim::stored(), before);
    }
}

}  // namespace radtest
