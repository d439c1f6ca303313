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

#include "config/secret_text.hpp"
#include "abi/radius_records.h"
#include "tests/support/command.hpp"

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

inline std::string type7_of(const char *clear) { return radius::encrypt_type7(clear).get(); }

// The form a key is given in, valued as `key_type`.
enum class given : uint32_t { clear = 0, type7 = 7, type6 = 6 };

// A key as the shell gives it: the keyword `key` (54) unless left out, then
// a clear text (18) or a form token (56 or 55) and its text (50).
inline command &add_key(command &cmd, given form, const std::string &text, bool keyword = true) {
    if (keyword) cmd.keyword(54);
    if (form == given::clear) return cmd.text(18, text);
    return cmd.keyword(form == given::type7 ? 56 : 55).text(50, text);
}

inline command &on_host(command &cmd) { return cmd.host(21, host, ADDR_KIND_IPV4); }

// Seeds the running server `host` (IPv4, both roles) and returns it.
inline radius_server_cfg &seed_server(const std::string &name = host) {
    radius_server_cfg server{};
    name.copy(server.host, sizeof server.host - 1);
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
