// Default UDP ports of the RADIUS services.  A server record keeps port 0
// for "the service's own port", which the system's services database
// knows; a machine whose database lacks the entry must still work.  A
// command looks the ports up once, not once per server or member: each
// lookup reads the database.
#pragma once

#include <cstdint>
#include <optional>

#include "abi/radius_records.h"

namespace radius {

struct service_ports {
    // The ports of "radius" and "radacct" over "udp", in host byte order;
    // none where the database has no such entry.
    std::optional<uint32_t> auth;
    std::optional<uint32_t> acct;

    static service_ports look_up();

    // Turn a zero port into the service's own; a failed lookup leaves 0.
    void fill_auth(uint32_t &port) const { fill(port, auth); }
    void fill_acct(uint32_t &port) const { fill(port, acct); }
    void fill_defaults(radius_server_cfg &server) const {
        fill_auth(server.auth_port);
        fill_acct(server.acct_port);
    }

private:
    static void fill(uint32_t &port, const std::optional<uint32_t> &own) {
        if (port == 0) port = own.value_or(0);
    }
};

}  // namespace radius
