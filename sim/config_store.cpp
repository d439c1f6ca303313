#include "sim/config_store.hpp"

namespace radsim {

namespace {

std::string record_name(const char (&text)[256]) {
    return std::string(text, strnlen(text, sizeof text));
}

const radius_server_cfg *find_server(const config_tables &tables, const radius_server_cfg &key) {
    if (key.index != 0) {
        const auto it = tables.servers.find(key.index);
        return it == tables.servers.end() ? nullptr : &it->second;
    }
    const std::string host = record_name(key.host);
    for (const auto &[index, server] : tables.servers) {
        if (record_name(server.host) == host) return &server;
    }
    return nullptr;
}

}  // namespace

config_tables::config_tables() {
    global.timeout = RADIUS_DEFAULT_TIMEOUT;
    global.retransmit = RADIUS_DEFAULT_RETRANSMIT;
}

bool config_tables::operator==(const config_tables &other) const {
    auto same_servers = [](const auto &a, const auto &b) {
        return a.first == b.first && same_bytes(a.second, b.second);
    };
    auto same_groups = [](const auto &a, const auto &b) {
        return a.first == b.first && same_bytes(a.second, b.second);
    };
    return same_bytes(global, other.global) &&
           std::equal(servers.begin(), servers.end(), other.servers.begin(), other.servers.end(),
                      same_servers) &&
           std::equal(groups.begin(), groups.end(), other.groups.begin(), other.groups.end(),
                      same_groups);
}

config_store::config_store() = default;

void config_store::set_limits(size_t max_servers, size_t max_groups) {
    max_servers_ = max_servers;
    max_groups_ = max_groups;
}

void config_store::open_session() {
    if (!pending_) pending_ = running_;
}

void config_store::commit_session() {
    if (pending_) running_ = std::move(*pending_);
    pending_.reset();
}

void config_store::abort_session() { pending_.reset(); }

config_tables &config_store::write_target() {
    const auto distribution = items_.find(RADIUS_ITEM_DISTRIBUTION);
    if (distribution != items_.end() && distribution->second != 0) open_session();
    return pending_ ? *pending_ : running_;
}

int32_t config_store::global(uint32_t op, radius_global_cfg *cfg) {
    const config_tables *source = &running_;
    switch (op) {
        case RADIUS_OP_WRITE: {
            radius_global_cfg stored = *cfg;
            stored.server_count = 0;  // the counts are the store's, not the caller's
            stored.group_count = 0;
            write_target().global = stored;
            return 0;
        }
        case RADIUS_OP_READ_PENDING:
            if (!pending_) return RADIUS_ERR_NO_PENDING;
            source = &*pending_;
            [[fallthrough]];
        case RADIUS_OP_READ:
            *cfg = source->global;
            cfg->server_count = static_cast<uint32_t>(source->servers.size());
            cfg->group_count = static_cast<uint32_t>(source->groups.size());
            return 0;
        default:
            return store_err_invalid_request;
    }
}

int32_t config_store::read_next_server(const config_tables &tables, radius_server_cfg *cfg) const {
    uint32_t after = cfg->index;
    if (after == 0 && cfg->host[0] != '\0') {
        const radius_server_cfg *held = find_server(tables, *cfg);
        if (held == nullptr) return RADIUS_ERR_NO_MORE_SERVERS;
        after = held->index;
    }
    const auto next = tables.servers.upper_bound(after);
    if (next == tables.servers.end()) return RADIUS_ERR_NO_MORE_SERVERS;
    *cfg = next->second;
    return 0;
}

int32_t config_store::write_server(radius_server_cfg *cfg) {
    config_tables &tables = write_target();
    if (const radius_server_cfg *existing = find_server(tables, *cfg)) {
        cfg->index = existing->index;
    } else {
        if (cfg->host[0] == '\0') return store_err_invalid_request;
        if (tables.servers.size() >= max_servers_) return RADIUS_ERR_SERVER_TABLE_FULL;
        cfg->index = next_index_++;
    }
    tables.servers[cfg->index] = *cfg;
    return 0;
}

int32_t config_store::server(uint32_t op, radius_server_cfg *cfg) {
    switch (op) {
        case RADIUS_OP_READ:
        case RADIUS_OP_READ_PENDING: {
            if (op == RADIUS_OP_READ_PENDING && !pending_) return RADIUS_ERR_NO_PENDING;
            const config_tables &tables = op == RADIUS_OP_READ ? running_ : *pending_;
            const radius_server_cfg *found = find_server(tables, *cfg);
            if (found == nullptr) return RADIUS_ERR_SERVER_NOT_FOUND;
            *cfg = *found;
            return 0;
        }
        case RADIUS_OP_READ_NEXT:
            return read_next_server(running_, cfg);
        case RADIUS_OP_READ_NEXT_PENDING:
            if (!pending_) return RADIUS_ERR_NO_PENDING;
            return read_next_server(*pending_, cfg);
        case RADIUS_OP_WRITE:
            return write_server(cfg);
        case RADIUS_OP_DELETE: {
            config_tables &tables = write_target();
            const radius_server_cfg *found = find_server(tables, *cfg);
            if (found == nullptr) return RADIUS_ERR_SERVER_NOT_FOUND;
            tables.servers.erase(found->index);
            return 0;
        }
        default:
            return store_err_invalid_request;
    }
}

int32_t config_store::write_group(const radius_group_cfg *cfg) {
    const std::string name = record_name(cfg->name);
    if (name.empty() || cfg->member_count < 0 || cfg->member_count > RADIUS_MAX_GROUP_MEMBERS) {
        return store_err_invalid_request;
    }
    config_tables &tables = write_target();
    if (!tables.groups.contains(name) && tables.groups.size() >= max_groups_) {
        return RADIUS_ERR_GROUP_TABLE_FULL;
    }
    tables.groups[name] = *cfg;
    return 0;
}

int32_t config_store::group(uint32_t op, radius_group_cfg *cfg) {
    const std::string name = record_name(cfg->name);
    const bool pending_op = op == RADIUS_OP_READ_PENDING || op == RADIUS_OP_READ_NEXT_PENDING;
    if (pending_op && !pending_) return RADIUS_ERR_NO_PENDING;
    const config_tables &source = pending_op ? *pending_ : running_;
    switch (op) {
        case RADIUS_OP_READ:
        case RADIUS_OP_READ_PENDING: {
            const auto it = source.groups.find(name);
            if (it == source.groups.end()) return RADIUS_ERR_GROUP_NOT_FOUND;
            *cfg = it->second;
            return 0;
        }
        case RADIUS_OP_READ_NEXT:
        case RADIUS_OP_READ_NEXT_PENDING: {
            const auto next = source.groups.upper_bound(name);
            if (next == source.groups.end()) return RADIUS_ERR_NO_MORE_GROUPS;
            *cfg = next->second;
            return 0;
        }
        case RADIUS_OP_WRITE:
            return write_group(cfg);
        case RADIUS_OP_DELETE: {
            config_tables &tables = write_target();
            return tables.groups.erase(name) == 1 ? 0 : RADIUS_ERR_GROUP_NOT_FOUND;
        }
        default:
            return store_err_invalid_request;
    }
}

int32_t config_store::item(uint32_t op, uint32_t item, uint32_t *value) {
    switch (op) {
        case RADIUS_OP_READ: {
            const auto it = items_.find(item);
            if (it == items_.end()) return RADIUS_ERR_ITEM_NOT_PRESENT;
            *value = it->second;
            return 0;
        }
        case RADIUS_OP_WRITE:
            items_[item] = *value;
            return 0;
        default:
            return store_err_invalid_request;
    }
}

}  // namespace radsim
