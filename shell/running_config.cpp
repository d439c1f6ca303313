#include "shell/running_config.hpp"

#include <cstring>
#include <string_view>

#include "abi/tags.h"

namespace radius::shell {

namespace {

std::string host_of(const radius_server_cfg &server) {
    return std::string(server.host, strnlen(server.host, sizeof server.host));
}

// The generator renders a key from the record's `key` field alone, so a
// type-6 key, which lives in `key6`, is not in the text and a replay of it
// leaves the key out.  Said where the user reads the text.
std::string unsaved_key_notes() {
    const radsim::stored_config stored = radsim::stored();
    std::string notes;
    if (stored.running.global.key_type == RADIUS_KEY_TYPE6) {
        notes += "! not saved: the type-6 global key (radius-server key 6)\n";
    }
    for (const auto &[index, server] : stored.running.servers) {
        if (server.key_type != RADIUS_KEY_TYPE6) continue;
        notes += "! not saved: the type-6 key of radius-server host " + host_of(server) + "\n";
    }
    return notes;
}

}  // namespace

std::string appended_config_lines(bool full) {
    std::string lines = radsim::monitor_config_lines(full) + radsim::dynauth_config_lines(full);
    if (full) lines += unsaved_key_notes();
    return lines;
}

radsim::report running_config_report(const std::string &lines) {
    radsim::report out{.command_id = 500, .pieces = {}};
    size_t start = 0;
    while (start < lines.size()) {
        const size_t end = std::min(lines.find('\n', start), lines.size());
        const std::string_view line = std::string_view(lines).substr(start, end - start);
        out.pieces.add("%s\n");
        out.pieces.add_value(TAG_RUNCFG_LINE, line, static_cast<uint32_t>(line.size() + 1));
        start = end + 1;
    }
    return out;
}

}  // namespace radius::shell
