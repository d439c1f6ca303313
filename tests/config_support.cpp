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

void add_key(command &cmd, given form, const std::string &text, bool keyword) {
    if (keyword || form == given::keyword_only) cmd.keyword(54);
    if (form == given::clear) cmd.text(18, text);
    if (form == given::type7) cmd.keyword(56).text(50, text);
    if (form == given::type6) cmd.keyword(55).text(50, text);
}

std::vector<std::string> logged_calls() {
    std::vector<std::string> calls;
    for (const auto &call : radsim::call_log()) calls.push_back(call.name + " " + call.args);
    return calls;
}

uint32_t seed_server(const std::string &host) {
    radius_server_cfg server{};
    host.copy(server.host, sizeof server.host - 1);
    server.addr_type = RADIUS_ADDR_IPV4;
    server.authentication = 1;
    server.accounting = 1;
    radsim::store().server(RADIUS_OP_WRITE, &server);
    return server.index;
}

radius_server_cfg *find_server(const std::string &host) {
    for (auto &[index, server] : radsim::store().running().servers) {
        if (host == server.host) return &server;
    }
    return nullptr;
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
