// Seeding and inspection of the simulated store, for tests and the shell.
#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "sim/sim_internal.hpp"

namespace radsim {

namespace {

// Records compare byte for byte: what the daemon would see on the wire.
template <class Record>
bool same_bytes(const Record &a, const Record &b) {
    return std::memcmp(&a, &b, sizeof(Record)) == 0;
}

template <class Key, class Record>
bool same_entries(const std::map<Key, Record> &a, const std::map<Key, Record> &b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto &x, const auto &y) {
        return x.first == y.first && same_bytes(x.second, y.second);
    });
}

void refused_unless_zero(int32_t result, const char *what) {
    if (result != 0) throw std::invalid_argument(std::string("the store refuses the seeded ") + what);
}

config_store &store_for(store_copy into) {
    if (into == store_copy::pending) detail::store().open_session();
    return detail::store();
}

}  // namespace

bool config_tables::operator==(const config_tables &other) const {
    return same_bytes(global, other.global) && same_entries(servers, other.servers) &&
           same_entries(groups, other.groups);
}

bool stored_config::operator==(const stored_config &other) const {
    return running == other.running && pending == other.pending && items == other.items &&
           same_entries(monitor_entries, other.monitor_entries);
}

stored_config stored() { return detail::store().contents(); }

void seed_global(const radius_global_cfg &global, store_copy into) { store_for(into).write_global(into, global); }

uint32_t seed_server(const radius_server_cfg &server, store_copy into) {
    radius_server_cfg written = server;
    refused_unless_zero(store_for(into).write_server(into, &written), "server");
    return written.index;
}

void seed_group(const radius_group_cfg &group, store_copy into) {
    refused_unless_zero(store_for(into).write_group(into, group), "group");
}

void seed_item(uint32_t item, uint32_t value) { detail::store().item(RADIUS_OP_WRITE, item, &value); }

void seed_monitor_entry(const aaa_server_monitor_cfg &entry) {
    detail::store().monitor_entries().put(entry.server_id, entry);
}

void remove_server(uint32_t index, store_copy from) {
    if (!store_for(from).remove_server(from, index)) throw std::invalid_argument("no server of that index to remove");
}

void use_memory_store() { detail::store().use_backend(make_memory_backend()); }

void use_store_file(const std::string &path, const sqlite_store_options &options) {
    detail::store().use_backend(make_sqlite_backend(path, options));
}

bool store_initialized() { return detail::store().initialized(); }

void atomically(const std::function<void()> &work) {
    detail::store().atomically([&work] {
        work();
        return true;
    });
}

bool all_or_nothing(const std::function<bool()> &work) { return detail::store().atomically(work); }

void set_table_limits(size_t max_servers, size_t max_groups) { detail::store().set_limits(max_servers, max_groups); }

void open_distribution_session() { detail::store().open_session(); }
void commit_distribution_session() { detail::store().commit_session(); }
void abort_distribution_session() { detail::store().abort_session(); }

}  // namespace radsim
