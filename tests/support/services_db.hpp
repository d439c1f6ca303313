// The system's services database as the library sees it in a test
// executable that links services_db.cpp: the machine's own entries, unless
// a test hides a service or gives it a port.  This lets the found and the
// missing case both run on any machine, whatever its /etc/services holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace radtest::services_db {

// The service has no entry over "udp".
void hide(const std::string &service);

// The service's entry over "udp" has this port.
void pretend(const std::string &service, uint16_t port);

// Back to the machine's own entries.
void restore();

// The port the library's lookup finds now, as getservbyname gives it.
std::optional<uint32_t> port(const std::string &service);

}  // namespace radtest::services_db
