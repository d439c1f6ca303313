// Default UDP ports of the RADIUS services.  A server record keeps port 0
// for "the service's own port", which the system's services database
// knows; a machine whose database lacks the entry must still work.
#pragma once

#include <cstdint>
#include <optional>

namespace radius {

inline constexpr char auth_service[] = "radius";
inline constexpr char acct_service[] = "radacct";

// The port of `service` over "udp" in the services database, in host byte
// order; none when the database has no such entry.
std::optional<uint32_t> service_port(const char *service);

// Turns a zero `port` into the port of `service`; a failed lookup leaves 0.
void fill_default_port(uint32_t *port, const char *service);

}  // namespace radius
