// A real FreeRADIUS server for the network tests, started by the test
// itself on free loopback ports with a configuration written to a
// temporary folder: a copy of the packaged one whose default site listens
// on 127.0.0.1 only, with one client (127.0.0.1, `secret`), the users
// "alice" (accepted with "alice-pw") and "bob" (accepted with "bob-pw",
// rejected with anything else), no reject delay and no proxying.  The
// destructor stops the server and removes the folder.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace radtest {

// A UDP port on 127.0.0.1 that nothing is bound to at the moment of asking.
uint16_t free_udp_port();

class freeradius_server {
public:
    static constexpr const char *secret = "switch-secret-1";

    freeradius_server();  // throws std::runtime_error when it cannot start within 10 seconds
    ~freeradius_server();
    freeradius_server(const freeradius_server &) = delete;
    freeradius_server &operator=(const freeradius_server &) = delete;

    uint16_t auth_port() const { return auth_port_; }
    uint16_t acct_port() const { return acct_port_; }

private:
    void write_configuration();
    void start();

    std::filesystem::path folder_;
    uint16_t auth_port_ = 0;
    uint16_t acct_port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace radtest
