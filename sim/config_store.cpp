#include "sim/config_store.hpp"

#include <algorithm>
#include <cstring>

namespace radsim {

namespace {

std::string record_name(const char (&text)[256]) { return std::string(text, strnlen(text, sizeof text)); }

bool is_pending_op(uint32_t op) { return op == RADIUS_OP_READ_PENDING || op == RADIUS_OP_READ_NEXT_PENDING; }

store_copy copy_of_op(uint32_t op) { return is_pending_op(op) ? store_copy::pending : store_copy::running; }

int32_t check_group(const radius_group_cfg &cfg) {
    const bool valid = cfg.name[0] != '\0' && cfg.member_count >= 0 && cfg.member_count <= RADIUS_MAX_GROUP_MEMBERS;
    return valid ? 0 : store_err_invalid_request;
}

// A lookup key names the server by index when nonzero, else by host.
std::optional<radius_server_cfg> find_server(store_backend &backend, store_copy copy, const radius_server_cfg &key) {
    if (key.index != 0) return backend.servers(copy).find(key.index);
    return backend.server_by_host(copy, record_name(key.host));
}

// Every entry of a table, in walk order.
template <class Record, class Key>
std::map<Key, Record> all_entries(const record_table<Record, Key> &table) {
    std::map<Key, Record> entries;
    for (auto next = table.first(); next; next = table.next_after(next->first)) entries.insert(*next);
    return entries;
}

}  // namespace

config_store::config_store() : backend_(make_memory_backend()) {}

void config_store::use_backend(std::unique_ptr<store_backend> backend) { backend_ = std::move(backend); }

int32_t config_store::storage_failed(const store_error &error) {
    if (!held_failure_) held_failure_ = error.what();
    return store_err_storage;
}

// A unit that a unit runs (the lines of a script a command runs) is a
// nested unit of the outer one: it can be undone alone, but a storage
// failure anywhere fails the outermost unit, which then undoes all of it.
bool config_store::atomically(const std::function<bool()> &work) {
    struct depth_guard {
        int &depth;
        explicit depth_guard(int &d) : depth(d) { ++depth; }
        ~depth_guard() { --depth; }
    };
    const bool outermost = unit_depth_ == 0;
    if (outermost) held_failure_.reset();
    backend_->begin();  // a lock we could not get: nothing has run
    try {
        bool kept = false;
        {
            const depth_guard unit(unit_depth_);
            kept = work();
        }
        if (outermost && held_failure_) throw store_error(*held_failure_);
        if (kept && !held_failure_) {
            backend_->commit();
        } else {
            backend_->rollback();
        }
        return kept;
    } catch (const store_error &error) {
        if (!outermost) storage_failed(error);
        unit_failed(outermost);
        throw;
    } catch (...) {
        unit_failed(outermost);
        throw;
    }
}

void config_store::unit_failed(bool outermost) {
    if (outermost) held_failure_.reset();
    backend_->rollback();
}

void config_store::set_limits(size_t max_servers, size_t max_groups) {
    max_servers_ = max_servers;
    max_groups_ = max_groups;
}

void config_store::open_session() {
    if (backend_->has_pending()) return;
    backend_->create_pending();
    backend_->set_session_owner(acting_user_);
}

void config_store::commit_session() {
    if (backend_->has_pending()) backend_->promote_pending();
}

void config_store::abort_session() { backend_->drop_pending(); }

store_copy config_store::write_target() {
    const auto distribution = backend_->items().find(RADIUS_ITEM_DISTRIBUTION);
    if (distribution.value_or(0) != 0) open_session();
    return backend_->has_pending() ? store_copy::pending : store_copy::running;
}

void config_store::write_global(store_copy copy, const radius_global_cfg &cfg) {
    radius_global_cfg stored = cfg;
    stored.server_count = 0;  // the counts are the store's, not the caller's
    stored.group_count = 0;
    backend_->put_global(copy, stored);
}

int32_t config_store::global(uint32_t op, radius_global_cfg *cfg) {
    switch (op) {
        case RADIUS_OP_WRITE:
            write_global(write_target(), *cfg);
            return 0;
        case RADIUS_OP_READ_PENDING:
            if (!backend_->has_pending()) return RADIUS_ERR_NO_PENDING;
            [[fallthrough]];
        case RADIUS_OP_READ: {
            const store_copy copy = copy_of_op(op);
            *cfg = backend_->global(copy);
            cfg->server_count = static_cast<uint32_t>(backend_->servers(copy).size());
            cfg->group_count = static_cast<uint32_t>(backend_->groups(copy).size());
            return 0;
        }
        default:
            return store_err_invalid_request;
    }
}

int32_t config_store::read_server(store_copy copy, radius_server_cfg *cfg) {
    const std::optional<radius_server_cfg> found = find_server(*backend_, copy, *cfg);
    if (!found) return RADIUS_ERR_SERVER_NOT_FOUND;
    *cfg = *found;
    return 0;
}

// A record without an index continues the walk after the server of its host.
int32_t config_store::read_next_server(store_copy copy, radius_server_cfg *cfg) {
    uint32_t after = cfg->index;
    if (after == 0 && cfg->host[0] != '\0') {
        const std::optional<radius_server_cfg> held = find_server(*backend_, copy, *cfg);
        if (!held) return RADIUS_ERR_NO_MORE_SERVERS;
        after = held->index;
    }
    const auto next = backend_->servers(copy).next_after(after);
    if (!next) return RADIUS_ERR_NO_MORE_SERVERS;
    *cfg = next->second;
    return 0;
}

int32_t config_store::write_server(store_copy copy, radius_server_cfg *cfg) {
    server_table &servers = backend_->servers(copy);
    if (const std::optional<radius_server_cfg> existing = find_server(*backend_, copy, *cfg)) {
        cfg->index = existing->index;
    } else {
        if (cfg->host[0] == '\0') return store_err_invalid_request;
        if (servers.size() >= max_servers_) return RADIUS_ERR_SERVER_TABLE_FULL;
        cfg->index = backend_->take_server_index();
    }
    servers.put(cfg->index, *cfg);
    return 0;
}

bool config_store::remove_server(store_copy copy, uint32_t index) { return backend_->servers(copy).erase(index); }

// The first group, by name, that lists server `index` as a member.
std::optional<std::string> config_store::group_holding(store_copy copy, uint32_t index) {
    const group_table &groups = backend_->groups(copy);
    for (auto next = groups.first(); next; next = groups.next_after(next->first)) {
        const radius_group_cfg &group = next->second;
        const int32_t count = std::clamp(group.member_count, 0, RADIUS_MAX_GROUP_MEMBERS);
        if (std::find(group.members, group.members + count, index) != group.members + count) return next->first;
    }
    return std::nullopt;
}

// A member's server stays, so that no group lists an index the store no
// longer knows.  A refused deletion opens no distribution session: it looks
// where a session opened now would look, at a copy of the running records.
int32_t config_store::delete_server(radius_server_cfg *cfg) {
    const store_copy current = backend_->has_pending() ? store_copy::pending : store_copy::running;
    const std::optional<radius_server_cfg> found = find_server(*backend_, current, *cfg);
    if (!found) return RADIUS_ERR_SERVER_NOT_FOUND;
    if (const std::optional<std::string> group = group_holding(current, found->index)) {
        member_refusal_ = "server " + record_name(found->host) + " is a member of group " + *group +
                          "; remove it from the group first";
        return store_err_server_in_group;
    }
    remove_server(write_target(), found->index);
    return 0;
}

int32_t config_store::server(uint32_t op, radius_server_cfg *cfg) {
    if (is_pending_op(op) && !backend_->has_pending()) return RADIUS_ERR_NO_PENDING;
    switch (op) {
        case RADIUS_OP_READ:
        case RADIUS_OP_READ_PENDING:
            return read_server(copy_of_op(op), cfg);
        case RADIUS_OP_READ_NEXT:
        case RADIUS_OP_READ_NEXT_PENDING:
            return read_next_server(copy_of_op(op), cfg);
        case RADIUS_OP_WRITE:
            return write_server(write_target(), cfg);
        case RADIUS_OP_DELETE:
            return delete_server(cfg);
        default:
            return store_err_invalid_request;
    }
}

int32_t config_store::write_group(store_copy copy, const radius_group_cfg &cfg) {
    if (const int32_t refused = check_group(cfg)) return refused;
    const std::string name = record_name(cfg.name);
    group_table &groups = backend_->groups(copy);
    if (!groups.find(name) && groups.size() >= max_groups_) return RADIUS_ERR_GROUP_TABLE_FULL;
    groups.put(name, cfg);
    return 0;
}

// Op 1 or 5 reads the group named; op 2 or 6 the one after it by name.
int32_t config_store::read_group(uint32_t op, radius_group_cfg *cfg) {
    const group_table &groups = backend_->groups(copy_of_op(op));
    const std::string name = record_name(cfg->name);
    if (op == RADIUS_OP_READ || op == RADIUS_OP_READ_PENDING) {
        const std::optional<radius_group_cfg> found = groups.find(name);
        if (!found) return RADIUS_ERR_GROUP_NOT_FOUND;
        *cfg = *found;
        return 0;
    }
    const auto next = groups.next_after(name);
    if (!next) return RADIUS_ERR_NO_MORE_GROUPS;
    *cfg = next->second;
    return 0;
}

int32_t config_store::group(uint32_t op, radius_group_cfg *cfg) {
    if (is_pending_op(op) && !backend_->has_pending()) return RADIUS_ERR_NO_PENDING;
    switch (op) {
        case RADIUS_OP_READ:
        case RADIUS_OP_READ_PENDING:
        case RADIUS_OP_READ_NEXT:
        case RADIUS_OP_READ_NEXT_PENDING:
            return read_group(op, cfg);
        case RADIUS_OP_WRITE:  // a refused group opens no session
            if (const int32_t refused = check_group(*cfg)) return refused;
            return write_group(write_target(), *cfg);
        case RADIUS_OP_DELETE:
            return backend_->groups(write_target()).erase(record_name(cfg->name)) ? 0 : RADIUS_ERR_GROUP_NOT_FOUND;
        default:
            return store_err_invalid_request;
    }
}

int32_t config_store::item(uint32_t op, uint32_t item, uint32_t *value) {
    switch (op) {
        case RADIUS_OP_READ: {
            const std::optional<uint32_t> stored = backend_->items().find(item);
            if (!stored) return RADIUS_ERR_ITEM_NOT_PRESENT;
            *value = *stored;
            return 0;
        }
        case RADIUS_OP_WRITE:
            backend_->items().put(item, *value);
            return 0;
        default:
            return store_err_invalid_request;
    }
}

config_tables config_store::copy_contents(store_copy copy) {
    return {backend_->global(copy), all_entries(backend_->servers(copy)), all_entries(backend_->groups(copy))};
}

stored_config config_store::contents() {
    stored_config all{copy_contents(store_copy::running), std::nullopt, all_entries(backend_->items()),
                      all_entries(backend_->monitor_entries())};
    if (backend_->has_pending()) all.pending = copy_contents(store_copy::pending);
    return all;
}

}  // namespace radsim
