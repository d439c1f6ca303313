// The dynamic-authorization daemon's UDP listener (host build): one thread
// on 127.0.0.1 at the server's port while the server has one.  It wakes
// every 50 ms to see whether it should stop, so that a port change or a
// reset takes effect at once without a wake-up channel.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

constexpr int poll_ms = 50;
constexpr size_t max_datagram = 4096;

class listener {
public:
    ~listener() { stop(); }

    void follow(uint32_t port) {
        if (port == port_) return;
        stop();
        if (port == 0) return;
        socket_ = bound_socket(port);
        if (socket_ < 0) return;
        port_ = port;
        stopping_ = false;
        thread_ = std::thread([this] { serve(); });
    }

private:
    void stop() {
        stopping_ = true;
        if (thread_.joinable()) thread_.join();
        if (socket_ >= 0) close(socket_);
        socket_ = -1;
        port_ = 0;
    }

    static int bound_socket(uint32_t port) {
        const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0) return fd;
        std::fprintf(stderr, "radsim: the dynamic-authorization server cannot listen on 127.0.0.1:%u: %s\n", port,
                     std::strerror(errno));
        if (fd >= 0) close(fd);
        return -1;
    }

    void serve() {
        pollfd waiting{socket_, POLLIN, 0};
        while (!stopping_) {
            if (poll(&waiting, 1, poll_ms) > 0) answer_one();
        }
    }

    void answer_one() {
        unsigned char datagram[max_datagram];
        sockaddr_in from{};
        socklen_t from_size = sizeof from;
        const ssize_t got =
            recvfrom(socket_, datagram, sizeof datagram, 0, reinterpret_cast<sockaddr *>(&from), &from_size);
        if (got <= 0) return;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
        const std::vector<unsigned char> answer =
            detail::answer_dynauth_request(datagram, size_t(got), text, ntohs(from.sin_port));
        if (!answer.empty()) {
            sendto(socket_, answer.data(), answer.size(), 0, reinterpret_cast<const sockaddr *>(&from), from_size);
        }
    }

    std::thread thread_;
    std::atomic<bool> stopping_{false};
    int socket_ = -1;
    uint32_t port_ = 0;
};

}  // namespace

void detail::follow_dynauth_port(uint32_t port) {
    static listener instance;
    instance.follow(port);
}

}  // namespace radsim
