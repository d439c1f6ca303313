// The running-configuration generator.  The text it writes is replayed as
// commands, so each line must recreate exactly what is stored: ports equal
// to the services' own are left out, defaults give no line, and a key only
// ever appears in its type-7 form.
#include "runcfg/running_config.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "frame/context.hpp"
#include "frame/handler_frame.hpp"
#include "frame/output.hpp"
#include "frame/secret_text.hpp"
#include "frame/service_ports.hpp"
#include "runcfg/line_buffer.hpp"

namespace radius {

namespace {

constexpr uint32_t tagged_command_id = 500;
constexpr uint32_t read_mode = 1;
constexpr char default_group[] = "radius";

// One generator run: where its lines go and what it renders.
struct generation {
    context store;
    const output &out;
    bool tagged;  // records on the handle, else the shell's output buffer
    bool pending;
    bool full;
    // The services' own ports; where the services database lacks them,
    // every nonzero port is written out.
    service_ports ports;
};

void emit(const generation &gen, const char *line) {
    if (gen.tagged) {
        gen.out.print("%s\n", TAG_RUNCFG_LINE, line, static_cast<uint32_t>(std::strlen(line) + 1));
    } else {
        vsh_buf_printf("%s\n", line);
    }
}

template <size_t N>
int width(const char (&field)[N]) {
    return static_cast<int>(strnlen(field, N));
}

bool written_out(uint32_t port, const std::optional<uint32_t> &service_default) {
    return port != 0 && port != service_default;
}

// Replaces a clear-text key in `key` by its type-7 form; the clear text is
// overwritten.  An empty key stays empty: the service would give even that
// a type-7 form, and a key line for no key would invent one.  False after a
// message when the service fails or its text does not fit the field.
template <size_t N>
bool encrypt_clear_key(uint32_t &key_type, char (&key)[N]) {
    if (key_type != RADIUS_KEY_CLEAR || key[0] == '\0') return true;
    char clear[N + 1] = {};  // the field need not hold a NUL of its own
    std::memcpy(clear, key, N);
    const secret_text encrypted = encrypt_type7(clear);
    explicit_bzero(clear, sizeof clear);
    if (encrypted == nullptr || std::strlen(encrypted.get()) >= N) {
        std::puts("could not encrypt the RADIUS key");
        return false;
    }
    copy_text(key, encrypted.get(), N - 1);
    key_type = RADIUS_KEY_TYPE7;
    return true;
}

// The global key always comes from the running configuration.
int32_t emit_global_key(const generation &gen) {
    radius_global_cfg running{};
    const int32_t rc = gen.store.read(running);
    if (rc != 0) {
        report_failure(rc, "could not retrieve RADIUS global (running) configuration");
        return rc;
    }
    if (!encrypt_clear_key(running.key_type, running.key)) return 1;
    if (running.key[0] != '\0') {
        line_buffer<server_line_capacity> line;
        line.append("radius-server key 7 %.*s", width(running.key), running.key);
        emit(gen, line.c_str());
    }
    return 0;
}

void emit_global_settings(const generation &gen, const radius_global_cfg &global) {
    struct setting {
        bool differs;  // from the default, which gives no line
        const char *format;
        uint32_t value;
    };
    const setting settings[] = {
        {global.timeout != RADIUS_DEFAULT_TIMEOUT, "radius-server timeout %u", global.timeout},
        {global.retransmit != RADIUS_DEFAULT_RETRANSMIT, "radius-server retransmit %u", global.retransmit},
        {global.deadtime != 0, "radius-server deadtime %u", global.deadtime},
    };
    for (const setting &s : settings) {
        if (!s.differs) continue;
        line_buffer<server_line_capacity> line;
        line.append(s.format, s.value);
        emit(gen, line.c_str());
    }
}

int32_t emit_globals(const generation &gen) {
    radius_global_cfg global{};
    const int32_t rc = gen.store.read(global, gen.pending ? store_copy::pending : store_copy::running);
    if (rc != 0) {
        report_failure(rc, "could not retrieve RADIUS global configuration");
        return rc;
    }
    if (gen.full) {
        if (const int32_t key_rc = emit_global_key(gen); key_rc != 0) return key_rc;
    }
    emit_global_settings(gen, global);
    return 0;
}

// One "radius-server host" line; every clause ends in a blank, the last too.
void emit_server(const generation &gen, const radius_server_cfg &server) {
    line_buffer<server_line_capacity> line;
    line.append("radius-server host %.*s ", width(server.host), server.host);
    if (gen.full && server.key[0] != '\0') line.append("key 7 %.*s ", width(server.key), server.key);
    if (written_out(server.auth_port, gen.ports.auth)) line.append("auth-port %u ", server.auth_port);
    if (written_out(server.acct_port, gen.ports.acct)) line.append("acct-port %u ", server.acct_port);
    if (server.authentication != 0) line.append("authentication ");
    if (server.accounting != 0) line.append("accounting ");
    if (server.timeout != 0) line.append("timeout %u ", server.timeout);
    if (server.retransmit != 0) line.append("retransmit %u ", server.retransmit);
    emit(gen, line.c_str());
    if (server.authentication != 0 || server.accounting != 0) return;
    // A replayed host line creates the server with both roles: take them away.
    for (const char *role : {"authentication", "accounting"}) {
        line_buffer<server_line_capacity> negation;
        negation.append("no radius-server host %.*s %s", width(server.host), server.host, role);
        emit(gen, negation.c_str());
    }
}

int32_t emit_servers(const generation &gen) {
    bool key_failed = false;
    const store_copy from = gen.pending ? store_copy::pending : store_copy::running;
    const int32_t rc = gen.store.walk_servers(from, [&](radius_server_cfg &server) {
        key_failed = gen.full && !encrypt_clear_key(server.key_type, server.key);
        if (!key_failed) emit_server(gen, server);
        return !key_failed;
    });
    if (key_failed) return 1;
    if (rc != 0) report_failure(rc, "could not retrieve RADIUS server configuration");
    return rc;
}

// A member is rendered by its host; one that cannot be read (deleted, or
// not in the pending copy) is left out.
bool read_member(const generation &gen, uint32_t index, radius_server_cfg *member) {
    member->index = index;
    if (gen.store.read(*member) != 0) return false;
    if (!gen.pending) return true;
    member->index = 0;  // find it by host in the pending copy
    return gen.store.read(*member, store_copy::pending) == 0;
}

// The group line enters the group's submode on replay; each member and the
// deadtime are lines of their own within it.  The group and member lines
// end in a blank, as their clauses do.
void emit_group(const generation &gen, const radius_group_cfg &group) {
    line_buffer<group_line_capacity> line;
    line.append("aaa group server radius %.*s ", width(group.name), group.name);
    emit(gen, line.c_str());
    const int32_t members = std::clamp(group.member_count, 0, RADIUS_MAX_GROUP_MEMBERS);
    for (int32_t slot = 0; slot < members; ++slot) {
        radius_server_cfg member{};
        if (!read_member(gen, group.members[slot], &member)) continue;
        line_buffer<member_line_capacity> member_line;
        member_line.append_text("server ");
        member_line.append_text(std::string_view(member.host, strnlen(member.host, sizeof member.host)));
        member_line.append_text(" ");
        emit(gen, member_line.c_str());
    }
    if (group.deadtime != 0) {
        line_buffer<server_line_capacity> deadtime;
        deadtime.append("rdeadtime %u", group.deadtime);
        emit(gen, deadtime.c_str());
    }
}

// Groups always come from the running configuration; the default group
// stands for all servers and is never rendered.
void emit_groups(const generation &gen) {
    gen.store.walk_groups([&](const radius_group_cfg &group) {
        if (std::string_view(group.name, strnlen(group.name, sizeof group.name)) != default_group) {
            emit_group(gen, group);
        }
        return true;
    });
}

int32_t generate(const generation &gen) {
    if (const int32_t rc = emit_globals(gen); rc != 0) return rc;
    if (const int32_t rc = emit_servers(gen); rc != 0) return rc;
    if (gen.full) emit_groups(gen);
    return 0;
}

}  // namespace

}  // namespace radius

using namespace radius;

extern "C" RADIUS_EXPORT int32_t radius_new_pss_asciigen(cmd_paraminfo *info, int32_t pending, uint32_t full) {
    output out(info);
    if (!out) {
        std::puts("received handle NULL.");
        return 1;
    }
    const generation gen{context(info, read_mode), out,      out.command_id() == tagged_command_id,
                         pending != 0,             full != 0, service_ports::look_up()};
    // On a failure, lines already written to the shell's buffer stay; the
    // unsent records go with the handle.
    if (const int32_t rc = generate(gen); rc != 0) return rc;
    if (gen.tagged) {
        out.send_and_keep();
    } else {
        out.leave_to_shell();
    }
    return 0;
}
