// One RADIUS transmission through radcli, the client library: the request
// goes out once and the answer (or its absence) comes back as one of a few
// results.  Host build only.
#pragma once

#include <cstdint>
#include <string>

namespace radsim::detail {

struct radius_transmission {
    std::string address;  // numeric, a loopback address
    uint16_t port = 0;
    std::string secret;
    unsigned timeout_seconds = 1;
    bool accounting = false;  // an Accounting-Request (Start) instead of an Access-Request
    std::string user;
    std::string password;  // Access-Request only
};

enum class transmission_result : uint8_t {
    accepted,      // Access-Accept or Accounting-Response
    rejected,      // Access-Reject
    timed_out,     // nothing came back in time
    bad_response,  // radcli refused what came back
    failed,        // radcli could not build or send the request
};

transmission_result transmit_once(const radius_transmission &request);

}  // namespace radsim::detail
