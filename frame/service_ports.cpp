#include "frame/service_ports.hpp"

#include <arpa/inet.h>
#include <netdb.h>

namespace radius {

namespace {

std::optional<uint32_t> udp_port(const char *service) {
    // The entry lives in the resolver's static storage: take the port at once.
    const servent *entry = getservbyname(service, "udp");
    if (entry == nullptr) return std::nullopt;
    return ntohs(static_cast<uint16_t>(entry->s_port));
}

}  // namespace

service_ports service_ports::look_up() { return {udp_port("radius"), udp_port("radacct")}; }

}  // namespace radius
