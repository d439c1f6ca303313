// The system-error service and the system manager of the simulated switch.
#include <cstdio>
#include <string>

#include "platform/system_services.h"
#include "sim/sim_internal.hpp"

namespace {

struct error_text {
    int32_t code;
    const char *text;
};

// One distinct, readable text for every code the library reacts to or that
// the simulated services return.
constexpr error_text error_texts[] = {
    {0, "Success"},
    {0x409d0001, "RADIUS configuration store: invalid request"},
    {0x409d0002, "RADIUS configuration store: server not found"},
    {0x409d0003, "RADIUS configuration store: server group not found"},
    {0x409d0004, "RADIUS configuration store: no more servers"},
    {0x409d0005, "RADIUS configuration store: no more server groups"},
    {0x409d0006, "RADIUS configuration store: server table full"},
    {0x409d0007, "RADIUS configuration store: server group table full"},
    {0x409d0008, "RADIUS configuration store: daemon not responding"},
    {0x409d0009, "RADIUS configuration store: out of memory"},
    {0x409d000d, "RADIUS configuration store: item not present"},
    {0x409d0021, "RADIUS configuration store: no pending configuration"},
    {0x409d0040, "RADIUS configuration store: the storage failed"},
    {0x409d002a, "RADIUS dynamic authorization server not running"},
    {0x409d002b, "RADIUS dynamic authorization client not present"},
    {0x409d002c, "RADIUS dynamic authorization client table full"},
    {0x409d0030, "Fabric distribution: not enabled"},
    {0x409d0031, "Fabric distribution: a peer switch could not be reached"},
    {0x409d0032, "Fabric distribution: a session is in progress"},
    {0x409b0001, "AAA: invalid request"},
    {0x409b001a, "AAA: no server monitoring entry"},
    {0x409b001b, "AAA: no statistics kept for this server"},
    {0x409b001c, "AAA: no more servers"},
    {0x40a00001, "System manager: service could not be started"},
    {0x40a00002, "Shell: no session to run the script in"},
    {0x40a00003, "Shell: the script file cannot be read"},
    {0x40a00004, "Shell: a command of the script failed"},
};

// The text of the store's last refusal to delete a member; a code met
// without one (a fault injected by a test) still reads as what it means.
const char *member_refusal_text() {
    const std::string &refusal = radsim::detail::store().member_refusal();
    thread_local std::string text;
    text = "RADIUS configuration store: " +
           (refusal.empty() ? std::string("the server is a member of a server group") : refusal);
    return text.c_str();
}

}  // namespace

extern "C" const char *syserr2str(int32_t code) {
    if (code == radsim::store_err_server_in_group) return member_refusal_text();
    for (const error_text &entry : error_texts) {
        if (entry.code == code) return entry.text;
    }
    thread_local char unknown[48];
    std::snprintf(unknown, sizeof unknown, "Unknown system error 0x%08x", static_cast<unsigned>(code));
    return unknown;
}

// The facility is the code's upper half.
extern "C" const char *syserr2fac(int32_t code) {
    switch (static_cast<uint32_t>(code) >> 16) {
        case 0x409d: return "radius";
        case 0x409b: return "aaa";
        case 0x40a0: return "sysmgr";
        default: return "unknown";
    }
}

extern "C" int32_t sysmgr_cli_conditional_srv_start(uint32_t session_handle, uint32_t service, const char *name,
                                                    void *arg, uint32_t arg_len, uint32_t flags, uint32_t timeout) {
    std::string args = "service=" + std::to_string(service) + " name=" + (name != nullptr ? name : "(null)");
    args += " arg=" + std::string(arg == nullptr ? "null" : "set") + " " + std::to_string(arg_len) + " " +
            std::to_string(flags) + " " + std::to_string(timeout);
    const auto fault = radsim::detail::enter(__func__, std::move(args));
    radsim::detail::check_session(__func__, session_handle);
    if (fault) return fault->result;
    // Starting the service is what marks the daemon enabled.
    uint32_t enabled = 1;
    return radsim::detail::guarded([&] { return radsim::detail::store().item(RADIUS_OP_WRITE, RADIUS_ITEM_DAEMON, &enabled); });
}
