// The in-memory store backend: std::map tables, copied whole for the pending
// copy and for a transaction's undo (a few hundred records at most).
#include <cassert>
#include <cstring>
#include <map>

#include "sim/store_backend.hpp"

namespace radsim {

namespace {

template <class Record, class Key>
class map_table final : public record_table<Record, Key> {
public:
    using typename record_table<Record, Key>::entry;

    std::optional<Record> find(const Key &key) const override {
        const auto it = rows_.find(key);
        if (it == rows_.end()) return std::nullopt;
        return it->second;
    }
    std::optional<entry> first() const override {
        if (rows_.empty()) return std::nullopt;
        return *rows_.begin();
    }
    std::optional<entry> next_after(const Key &key) const override {
        const auto it = rows_.upper_bound(key);
        if (it == rows_.end()) return std::nullopt;
        return *it;
    }
    void put(const Key &key, const Record &record) override { rows_[key] = record; }
    bool erase(const Key &key) override { return rows_.erase(key) == 1; }
    size_t size() const override { return rows_.size(); }

    const std::map<Key, Record> &rows() const { return rows_; }

private:
    std::map<Key, Record> rows_;
};

// The records one copy of the configuration holds.
struct copy_tables {
    radius_global_cfg global{};
    map_table<radius_server_cfg, uint32_t> servers;
    map_table<radius_group_cfg, std::string> groups;

    copy_tables() {
        global.timeout = RADIUS_DEFAULT_TIMEOUT;
        global.retransmit = RADIUS_DEFAULT_RETRANSMIT;
    }
};

// Everything a transaction may have to undo.
struct contents {
    copy_tables running;
    std::optional<copy_tables> pending;
    map_table<uint32_t, uint32_t> items;
    map_table<aaa_server_monitor_cfg, uint32_t> monitor_entries;
    uint32_t next_index = 1;
    std::string session_owner;
};

class memory_backend final : public store_backend {
public:
    radius_global_cfg global(store_copy copy) const override { return tables(copy).global; }
    void put_global(store_copy copy, const radius_global_cfg &global) override { tables(copy).global = global; }
    server_table &servers(store_copy copy) override { return tables(copy).servers; }
    group_table &groups(store_copy copy) override { return tables(copy).groups; }

    std::optional<radius_server_cfg> server_by_host(store_copy copy, std::string_view host) override {
        for (const auto &[index, server] : tables(copy).servers.rows()) {
            if (std::string_view(server.host, strnlen(server.host, sizeof server.host)) == host) return server;
        }
        return std::nullopt;
    }

    item_table &items() override { return now_.items; }
    monitor_table &monitor_entries() override { return now_.monitor_entries; }

    bool has_pending() const override { return now_.pending.has_value(); }
    void create_pending() override { now_.pending = now_.running; }
    void promote_pending() override {
        now_.running = std::move(*now_.pending);
        now_.pending.reset();
        now_.session_owner.clear();
    }
    void drop_pending() override {
        now_.pending.reset();
        now_.session_owner.clear();
    }

    std::string session_owner() const override { return now_.session_owner; }
    void set_session_owner(std::string_view owner) override { now_.session_owner = owner; }

    uint32_t take_server_index() override { return now_.next_index++; }

    void begin() override {
        assert(!undo_ && "transactions do not nest");
        undo_ = now_;
    }
    void commit() override { undo_.reset(); }
    void rollback() override {
        if (undo_) now_ = std::move(*undo_);
        undo_.reset();
    }

private:
    const copy_tables &tables(store_copy copy) const {
        assert(copy == store_copy::running || now_.pending);
        return copy == store_copy::running ? now_.running : *now_.pending;
    }
    copy_tables &tables(store_copy copy) {
        return const_cast<copy_tables &>(std::as_const(*this).tables(copy));
    }

    contents now_;
    std::optional<contents> undo_;
};

}  // namespace

std::unique_ptr<store_backend> make_memory_backend() { return std::make_unique<memory_backend>(); }

}  // namespace radsim
