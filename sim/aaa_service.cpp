// The AAA service: server-monitoring entries and the address normaliser.
#include <arpa/inet.h>

#include <cstring>
#include <string>

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
    // The caller's buffer holds 46 bytes (the longest normal form).  Bytes
    // of a longer typed text are cleared, so that records holding the
    // address compare equal however it was typed.
    const size_t typed = std::strlen(address);
    const size_t normal_len = std::strlen(normal);
    std::memcpy(address, normal, normal_len + 1);
    if (typed > normal_len) std::memset(address + normal_len, 0, typed - normal_len);
    return radsim::detail::poison_result;  // any nonzero value means valid
}

namespace {

// Our own code for a request the service cannot serve (unknown op, no record).
constexpr int32_t aaa_err_invalid_request = 0x409b0001;

std::string monitor_args(uint32_t service, uint32_t op, const aaa_server_monitor_cfg *cfg, uint32_t mode) {
    return "service=" + std::to_string(service) + " op=" + std::to_string(op) + " mode=" + std::to_string(mode) +
           " server_id=" + (cfg == nullptr ? std::string("(null)") : std::to_string(cfg->server_id));
}

int32_t serve_monitor_entry(uint32_t op, aaa_server_monitor_cfg *cfg) {
    radsim::monitor_table &entries = radsim::detail::store().monitor_entries();
    switch (op) {
        case 1: {
            const std::optional<aaa_server_monitor_cfg> found = entries.find(cfg->server_id);
            if (!found) return AAA_ERR_NO_MONITOR_ENTRY;
            *cfg = *found;
            return 0;
        }
        case 3:
            entries.put(cfg->server_id, *cfg);
            return 0;
        default:
            return aaa_err_invalid_request;
    }
}

}  // namespace

// op 1 reads the entry named by server_id, op 3 creates or replaces it.  The
// fixed service argument is part of the calling contract.
extern "C" int32_t cmi_aaa_server_monitor_config(uint32_t session_handle, uint32_t service, uint32_t op,
                                                 aaa_server_monitor_cfg *cfg, uint32_t mode, cmd_msg_ctx *ctx_a,
                                                 cmd_msg_ctx *ctx_b) {
    const auto fault = radsim::detail::enter(__func__, monitor_args(service, op, cfg, mode));
    radsim::detail::check_session(__func__, session_handle);
    radsim::detail::check_context(__func__, ctx_a, ctx_b);
    if (service != AAA_MONITOR_SERVICE) {
        radsim::detail::record_violation(std::string(__func__) + ": service argument is not 8450");
    }
    if (fault) return fault->result;
    if (cfg == nullptr) return aaa_err_invalid_request;
    return radsim::detail::guarded([&] { return serve_monitor_entry(op, cfg); });
}
namespace radsim {

namespace {

std::string field_text(const char *field, size_t size) { return std::string(field, strnlen(field, size)); }

// " idle-time N username U password P", the clauses of the test command
// that recreate the entry; "" for an entry that holds nothing.  A password
// is a secret: it goes out only `with_passwords`, as keys go out only with
// "all".  The command takes a password only after a user name, so a
// password without one is written after the user an empty name stands for.
std::string test_clauses(const aaa_server_monitor_cfg &entry, bool with_passwords) {
    const std::string user = field_text(entry.test_user, sizeof entry.test_user);
    const std::string password = with_passwords ? field_text(entry.test_password, sizeof entry.test_password) : "";
    std::string clauses;
    if (entry.idle_time != 0) clauses += " idle-time " + std::to_string(entry.idle_time);
    if (!user.empty() || !password.empty()) clauses += " username " + (user.empty() ? std::string("test") : user);
    if (!password.empty()) clauses += " password " + password;
    return clauses;
}

}  // namespace

// The global entry first, then the servers' in the store's order of the
// running copy; an entry whose server is gone is the service's leftover and
// recreates nothing.
std::string monitor_config_lines(bool with_passwords) {
    const stored_config all = detail::store().contents();
    std::string out;
    if (const auto global = all.monitor_entries.find(AAA_MONITOR_GLOBAL_ID); global != all.monitor_entries.end()) {
        if (const std::string clauses = test_clauses(global->second, with_passwords); !clauses.empty()) {
            out += "radius-server test" + clauses + "\n";
        }
    }
    for (const auto &[index, server] : all.running.servers) {
        const auto entry = all.monitor_entries.find(index);
        const std::string clauses =
            entry != all.monitor_entries.end() ? test_clauses(entry->second, with_passwords) : std::string();
        if (clauses.empty()) continue;
        out += "radius-server host " + field_text(server.host, sizeof server.host) + " test" + clauses + "\n";
    }
    return out;
}

}  // namespace radsim
