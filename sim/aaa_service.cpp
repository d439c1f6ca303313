// The AAA service's address normaliser.
#include <arpa/inet.h>

#include <cstring>

#include "platform/aaa_service.h"
#include "sim/sim_internal.hpp"

// The normal form is inet_ntop's: lower case, the longest run of zero
// groups compressed to "::".
extern "C" int32_t aaa_server_normalize_ipv6_addr(char *address) {
    const auto fault = radsim::detail::enter(__func__, address == nullptr ? "(null)" : address);
    if (fault) return fault->result;
    if (address == nullptr) return 0;
    in6_addr binary{};
    if (inet_pton(AF_INET6, address, &binary) != 1) return 0;
    char normal[INET6_ADDRSTRLEN];
    if (inet_ntop(AF_INET6, &binary, normal, sizeof normal) == nullptr) return 0;
    std::memcpy(address, normal, std::strlen(normal) + 1);
    return 1;
}
