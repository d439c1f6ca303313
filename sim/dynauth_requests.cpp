// What the dynamic-authorization daemon does with a datagram on its port
// (RFC 5176, host build).  Only configured clients are heard; a request
// whose authenticator does not verify with the client's key (else the
// server's) is dropped, as the RFC wants, and counted invalid.  The
// simulated switch holds no sessions, so every CoA-Request and
// Disconnect-Request is answered with its NAK carrying Error-Cause 503
// (Session Context Not Found).  A request repeated with the same identifier
// and authenticator is a retransmission and gets the same answer again.
//
// The packet header and the one attribute of the answer are a handful of
// bytes; MD5 comes from nettle.
#include <netdb.h>
#include <nettle/md5.h>
#include <sys/socket.h>

#include <array>
#include <cstring>
#include <map>
#include <optional>

#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

constexpr size_t header_size = 20;
constexpr size_t authenticator_at = 4;
constexpr size_t authenticator_size = 16;
constexpr unsigned char disconnect_request = 40, disconnect_nak = 42;
constexpr unsigned char coa_request = 43, coa_nak = 45;
constexpr unsigned char error_cause = 101;
constexpr uint32_t session_context_not_found = 503;

using packet = std::vector<unsigned char>;

struct last_answer {
    uint16_t source_port = 0;
    unsigned char identifier = 0;
    std::array<unsigned char, authenticator_size> authenticator{};
    packet answer;
};

// The last answer to each client, for retransmissions.
std::map<std::string, last_answer> &last_answers() {
    static std::map<std::string, last_answer> instance;
    return instance;
}

std::array<unsigned char, MD5_DIGEST_SIZE> md5_of(const packet &bytes, const std::string &secret) {
    md5_ctx context;
    md5_init(&context);
    md5_update(&context, bytes.size(), bytes.data());
    md5_update(&context, secret.size(), reinterpret_cast<const uint8_t *>(secret.data()));
    std::array<unsigned char, MD5_DIGEST_SIZE> digest{};
    md5_digest(&context, digest.size(), digest.data());
    return digest;
}

// The request authenticator of RFC 5176 is the MD5 of the packet with 16
// zero bytes in its place, followed by the secret.
bool authenticator_verifies(const packet &request, const std::string &secret) {
    packet zeroed = request;
    std::memset(zeroed.data() + authenticator_at, 0, authenticator_size);
    const auto digest = md5_of(zeroed, secret);
    return std::memcmp(digest.data(), request.data() + authenticator_at, authenticator_size) == 0;
}

// The NAK: its code, the request's identifier, Error-Cause 503, and the
// response authenticator over the request's authenticator and the secret.
packet nak_for(const packet &request, const std::string &secret) {
    packet answer(header_size + 6, 0);
    answer[0] = request[0] == coa_request ? coa_nak : disconnect_nak;
    answer[1] = request[1];
    answer[3] = static_cast<unsigned char>(answer.size());
    std::memcpy(answer.data() + authenticator_at, request.data() + authenticator_at, authenticator_size);
    const unsigned char cause[6] = {error_cause, 6, 0, 0, session_context_not_found >> 8,
                                    session_context_not_found & 0xff};
    std::memcpy(answer.data() + header_size, cause, sizeof cause);
    const auto digest = md5_of(answer, secret);
    std::memcpy(answer.data() + authenticator_at, digest.data(), authenticator_size);
    return answer;
}

// The length field matches the datagram and the attributes fill it exactly.
bool well_formed(const packet &request) {
    if (request.size() < header_size || ((size_t{request[2]} << 8) | request[3]) != request.size()) return false;
    size_t at = header_size;
    while (at + 2 <= request.size() && request[at + 1] >= 2) at += request[at + 1];
    return at == request.size();
}

std::vector<std::string> numeric_addresses(const std::string &host) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo *found = nullptr;
    std::vector<std::string> out;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return out;
    for (const addrinfo *each = found; each != nullptr; each = each->ai_next) {
        char text[NI_MAXHOST];
        if (getnameinfo(each->ai_addr, each->ai_addrlen, text, sizeof text, nullptr, 0, NI_NUMERICHOST) == 0) {
            out.emplace_back(text);
        }
    }
    freeaddrinfo(found);
    return out;
}

// The configured client that `from` (a numeric address) is.
const rad_dac_cfg *client_at(const dynauth_daemon &daemon, const std::string &from) {
    for (const auto &[host, client] : daemon.clients) {
        for (const std::string &address : numeric_addresses(host)) {
            if (address == from) return &client;
        }
    }
    return nullptr;
}

std::optional<std::string> key_for(const dynauth_daemon &daemon, const rad_dac_cfg &client) {
    if (auto own = detail::clear_key(rad_da_get_u32(client.key_type), client.key, sizeof client.key)) return own;
    const rad_das_cfg &server = *daemon.server;
    return detail::clear_key(rad_da_get_u32(server.key_type), server.key, sizeof server.key);
}

// The same identifier from the same source port, with the same authenticator.
bool repeats(const last_answer &last, const packet &request, uint16_t source_port) {
    return !last.answer.empty() && last.source_port == source_port && last.identifier == request[1] &&
           std::memcmp(last.authenticator.data(), request.data() + authenticator_at, authenticator_size) == 0;
}

packet answer_client(const packet &request, uint16_t source_port, const std::string &host, const std::string &secret) {
    dac_counters &counted = dynauth().client_counters[host];
    if (!well_formed(request) || (request[0] != coa_request && request[0] != disconnect_request)) {
        ++counted.coa_errors;
        return {};
    }
    if (!authenticator_verifies(request, secret)) {
        ++counted.coa_invalid_requests;
        return {};
    }
    last_answer &last = last_answers()[host];
    if (repeats(last, request, source_port)) {
        ++counted.coa_retransmissions;
        return last.answer;
    }
    ++counted.coa_requests;
    ++counted.coa_transactions;
    ++counted.coa_nak_responses;
    last = {source_port, request[1], {}, nak_for(request, secret)};
    std::memcpy(last.authenticator.data(), request.data() + authenticator_at, authenticator_size);
    return last.answer;
}

}  // namespace

namespace detail {

std::vector<unsigned char> answer_dynauth_request(const unsigned char *bytes, size_t length, const std::string &from,
                                                  uint16_t source_port) {
    const std::lock_guard lock(dynauth_lock());
    const dynauth_daemon &daemon = dynauth();
    if (!daemon.server) return {};
    const rad_dac_cfg *client = client_at(daemon, from);
    if (client == nullptr) return {};  // not a client: silently discarded, and no record to count it in
    const std::string host(client->host, strnlen(client->host, sizeof client->host));
    std::optional<std::string> secret = key_for(daemon, *client);
    if (!secret) {
        ++dynauth().client_counters[host].coa_errors;
        return {};
    }
    packet answer = answer_client(packet(bytes, bytes + length), source_port, host, *secret);
    wipe(*secret);
    return answer;
}

}  // namespace detail
}  // namespace radsim
