#include "show/service_ports.hpp"

#include <arpa/inet.h>
#include <netdb.h>

namespace radius {

std::optional<uint32_t> service_port(const char *service) {
    // The entry lives in the resolver's static storage: take the port at once.
    const servent *entry = getservbyname(service, "udp");
    if (entry == nullptr) return std::nullopt;
    return ntohs(static_cast<uint16_t>(entry->s_port));
}

void fill_default_port(uint32_t *port, const char *service) {
    if (*port == 0) *port = service_port(service).value_or(0);
}

}  // namespace radius
