// The RADIUS daemon's configuration store: a running copy and, while a
// distribution session is open, a pending copy.  It answers the op codes
// and result codes of the store client (platform/store_client.h).
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>

#include "abi/radius_records.h"

namespace radsim {

// Result codes of our own, beside the ones callers test.
constexpr int32_t store_err_invalid_request = 0x409d0001;

// Records compare byte for byte: what the daemon would see on the wire.
template <class Record>
bool same_bytes(const Record &a, const Record &b) {
    return std::memcmp(&a, &b, sizeof(Record)) == 0;
}

// One copy of the configuration.  Servers walk in index order, which is the
// order of creation since indexes are never reused; groups walk by name.
struct config_tables {
    radius_global_cfg global{};
    std::map<uint32_t, radius_server_cfg> servers;
    std::map<std::string, radius_group_cfg> groups;

    config_tables();
    bool operator==(const config_tables &other) const;
};

class config_store {
public:
    config_store();

    // The store calls; `op` as in the store client.
    int32_t global(uint32_t op, radius_global_cfg *cfg);
    int32_t server(uint32_t op, radius_server_cfg *cfg);
    int32_t group(uint32_t op, radius_group_cfg *cfg);
    int32_t item(uint32_t op, uint32_t item, uint32_t *value);

    // Inspection and seeding.
    config_tables &running() { return running_; }
    std::optional<config_tables> &pending() { return pending_; }
    std::map<uint32_t, uint32_t> &items() { return items_; }
    void set_limits(size_t max_servers, size_t max_groups);

    // Distribution session: writes go to the pending copy while one is
    // open.  A write with distribution enabled (item 2) opens one.
    void open_session();
    void commit_session();
    void abort_session();

private:
    config_tables &write_target();
    int32_t read_next_server(const config_tables &tables, radius_server_cfg *cfg) const;
    int32_t write_server(radius_server_cfg *cfg);
    int32_t write_group(const radius_group_cfg *cfg);

    config_tables running_;
    std::optional<config_tables> pending_;
    std::map<uint32_t, uint32_t> items_;
    uint32_t next_index_ = 1;
    size_t max_servers_ = 64;
    size_t max_groups_ = 64;
};

}  // namespace radsim
