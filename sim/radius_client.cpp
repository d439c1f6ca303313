// One transmission through radcli.  Each call builds its own radcli handle
// that knows the one server (radcli looks the secret up by server name), so
// nothing survives from one request to the next.  radcli retries on its
// own when asked to; we ask it not to, so that the AAA service counts every
// transmission and every time-out itself.
#include "sim/radius_client.hpp"

#include "sim/sim_internal.hpp"

#include <radcli/radcli.h>

#include <memory>

namespace radsim::detail {

namespace {

constexpr char dictionary[] = "/etc/radcli/dictionary";

struct handle_deleter {
    void operator()(rc_handle *handle) const { rc_destroy(handle); }
};
using handle_ptr = std::unique_ptr<rc_handle, handle_deleter>;

struct pairs_deleter {
    void operator()(VALUE_PAIR *pairs) const { rc_avpair_free(pairs); }
};
using pairs_ptr = std::unique_ptr<VALUE_PAIR, pairs_deleter>;

// "HOST:PORT:SECRET", an IPv6 address in brackets.
std::string server_entry(const radius_transmission &request) {
    const bool v6 = request.address.find(':') != std::string::npos;
    const std::string host = v6 ? "[" + request.address + "]" : request.address;
    return host + ":" + std::to_string(request.port) + ":" + request.secret;
}

handle_ptr configured_handle(const radius_transmission &request) {
    handle_ptr handle(rc_new());
    if (!handle || rc_config_init(handle.get()) == nullptr) return nullptr;
    std::string entry = server_entry(request);
    const char *option = request.accounting ? "acctserver" : "authserver";
    if (rc_add_config(handle.get(), option, entry.c_str(), __FILE__, __LINE__) != 0 ||
        rc_add_config(handle.get(), "dictionary", dictionary, __FILE__, __LINE__) != 0 ||
        rc_apply_config(handle.get()) != 0 || rc_read_dictionary(handle.get(), dictionary) != 0) {
        wipe(entry);
        return nullptr;
    }
    wipe(entry);
    return handle;
}

bool add_text(rc_handle *handle, VALUE_PAIR **pairs, int attribute, const std::string &text) {
    return rc_avpair_add(handle, pairs, attribute, text.c_str(), -1, 0) != nullptr;
}

bool add_number(rc_handle *handle, VALUE_PAIR **pairs, int attribute, uint32_t value) {
    return rc_avpair_add(handle, pairs, attribute, &value, 0, 0) != nullptr;
}

// The attributes of the request; null when radcli refused one.
pairs_ptr request_pairs(rc_handle *handle, const radius_transmission &request) {
    VALUE_PAIR *pairs = nullptr;
    bool built = add_text(handle, &pairs, PW_USER_NAME, request.user);
    if (request.accounting) {
        built = built && add_number(handle, &pairs, PW_ACCT_STATUS_TYPE, PW_STATUS_START) &&
                add_text(handle, &pairs, PW_ACCT_SESSION_ID, "radsh-test");
    } else {
        built = built && add_text(handle, &pairs, PW_USER_PASSWORD, request.password);
    }
    pairs_ptr owned(pairs);
    return built ? std::move(owned) : nullptr;
}

transmission_result result_of(int code) {
    switch (code) {
        case OK_RC: return transmission_result::accepted;
        case REJECT_RC: return transmission_result::rejected;
        case TIMEOUT_RC: return transmission_result::timed_out;
        case BADRESP_RC:
        case BADRESPID_RC:
        case CHALLENGE_RC: return transmission_result::bad_response;
        default: return transmission_result::failed;
    }
}

}  // namespace

transmission_result transmit_once(const radius_transmission &request) {
    const handle_ptr handle = configured_handle(request);
    if (!handle) return transmission_result::failed;
    pairs_ptr pairs = request_pairs(handle.get(), request);
    if (!pairs) return transmission_result::failed;
    SEND_DATA data{};
    std::string server = request.address;
    std::string secret = request.secret;
    const int code = request.accounting ? PW_ACCOUNTING_REQUEST : PW_ACCESS_REQUEST;
    rc_buildreq(handle.get(), &data, code, server.data(), request.port, secret.data(),
                static_cast<int>(request.timeout_seconds), 0);  // 0 retries: one transmission
    data.send_pairs = pairs.get();
    const int sent = rc_send_server(handle.get(), &data, nullptr, request.accounting ? ACCT : AUTH);
    rc_avpair_free(data.receive_pairs);
    wipe(secret);
    return result_of(sent);
}

}  // namespace radsim::detail
