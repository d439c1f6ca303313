// Replaces the C library's getservbyname in the test executable; the
// library under test calls it like any other process would.  Lookups that
// no test changed go to the machine's database through getservbyname_r.
#include "tests/support/services_db.hpp"

#include <arpa/inet.h>
#include <netdb.h>

#include <map>

namespace {

std::map<std::string, std::optional<uint16_t>> &overrides() {
    static std::map<std::string, std::optional<uint16_t>> instance;
    return instance;
}

}  // namespace

namespace radtest::services_db {

void hide(const std::string &service) { overrides()[service] = std::nullopt; }

void pretend(const std::string &service, uint16_t port) { overrides()[service] = port; }

void restore() { overrides().clear(); }

std::optional<uint32_t> port(const std::string &service) {
    const servent *entry = getservbyname(service.c_str(), "udp");
    if (entry == nullptr) return std::nullopt;
    return ntohs(static_cast<uint16_t>(entry->s_port));
}

}  // namespace radtest::services_db

extern "C" struct servent *getservbyname(const char *name, const char *proto) {
    static servent entry;
    static char buffer[4096];
    static std::string entry_name;
    const auto it = overrides().find(name);
    if (it == overrides().end() || std::string(proto) != "udp") {
        servent *found = nullptr;
        return getservbyname_r(name, proto, &entry, buffer, sizeof buffer, &found) == 0 ? found : nullptr;
    }
    if (!it->second) return nullptr;
    static char *no_aliases[] = {nullptr};
    static char udp[] = "udp";
    entry_name = name;
    entry = servent{};
    entry.s_name = entry_name.data();
    entry.s_aliases = no_aliases;
    entry.s_port = static_cast<int>(htons(*it->second));
    entry.s_proto = udp;
    return &entry;
}
