// The services database a test program's library finds, whatever this
// machine's /etc/services holds: both well-known ports unless a test takes
// an entry away.  Include it in one file of a test program only: it replaces
// the C library's getservbyname for the whole program.
#pragma once

#include <arpa/inet.h>
#include <netdb.h>

#include <cstring>
#include <map>
#include <string>

namespace radtest {
inline const std::map<std::string, uint16_t> well_known_services = {{"radius", 1812}, {"radacct", 1813}};
inline std::map<std::string, uint16_t> services = well_known_services;
}  // namespace radtest

extern "C" struct servent *getservbyname(const char *name, const char *proto) {
    static char entry_name[16], udp[] = "udp", *no_aliases[] = {nullptr};
    static servent entry;
    const auto it = radtest::services.find(name);
    if (it == radtest::services.end() || std::strcmp(proto, udp) != 0) return nullptr;
    std::strncpy(entry_name, name, sizeof entry_name - 1);
    entry = servent{entry_name, no_aliases, static_cast<int>(htons(it->second)), udp};
    return &entry;
}
