// The in-memory store backend: std::map tables, copied whole for the pending
// copy and for a unit's undo (a few hundred records at most).  The undo copy
// is taken at a unit's first change, not at its begin, so that the many
// command lines that change nothing cost nothing; the units open at that
// moment share it, as nothing changed since any of them began.
#include <cassert>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "sim/store_backend.hpp"

namespace radsim {

namespace {

// Told before any table changes, so that an open transaction can save its undo.
class change_listener {
public:
    virtual void before_change() = 0;

protected:
    ~change_listener() = default;
};

template <class Record, class Key>
class map_table final : public record_table<Record, Key> {
public:
    using typename record_table<Record, Key>::entry;

    explicit map_table(change_listener &listener) : listener_(&listener) {}

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
    void put(const Key &key, const Record &record) override {
        listener_->before_change();
        rows_[key] = record;
    }
    bool erase(const Key &key) override {
        if (!rows_.contains(key)) return false;
        listener_->before_change();
        rows_.erase(key);
        return true;
    }
    size_t size() const override { return rows_.size(); }

    const std::map<Key, Record> &rows() const { return rows_; }

private:
    change_listener *listener_;  // the backend, which outlives every copy of its tables
    std::map<Key, Record> rows_;
};

// The records one copy of the configuration holds.
struct copy_tables {
    radius_global_cfg global{};
    map_table<radius_server_cfg, uint32_t> servers;
    map_table<radius_group_cfg, std::string> groups;

    explicit copy_tables(change_listener &listener) : servers(listener), groups(listener) {
        global.timeout = RADIUS_DEFAULT_TIMEOUT;
        global.retransmit = RADIUS_DEFAULT_RETRANSMIT;
    }
};

// Everything a transaction may have to undo.
struct contents {
    explicit contents(change_listener &listener) : running(listener), items(listener), monitor_entries(listener) {}

    copy_tables running;
    std::optional<copy_tables> pending;
    map_table<uint32_t, uint32_t> items;
    map_table<aaa_server_monitor_cfg, uint32_t> monitor_entries;
    uint32_t next_index = 1;
    std::string session_owner;
    bool initialized = false;
};

class memory_backend final : public store_backend, private change_listener {
public:
    radius_global_cfg global(store_copy copy) const override { return tables(copy).global; }
    void put_global(store_copy copy, const radius_global_cfg &global) override {
        before_change();
        tables(copy).global = global;
    }
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
    void create_pending() override {
        before_change();
        now_.pending = now_.running;
    }
    void promote_pending() override {
        before_change();
        now_.running = std::move(*now_.pending);
        now_.pending.reset();
        now_.session_owner.clear();
    }
    void drop_pending() override {
        before_change();
        now_.pending.reset();
        now_.session_owner.clear();
    }

    std::string session_owner() const override { return now_.session_owner; }
    void set_session_owner(std::string_view owner) override {
        before_change();
        now_.session_owner = owner;
    }

    uint32_t take_server_index() override {
        before_change();
        return now_.next_index++;
    }

    bool initialized() const override { return now_.initialized; }
    void mark_initialized() override {
        before_change();
        now_.initialized = true;
    }

    void begin() override { undo_.emplace_back(); }
    // An inner unit's changes become the outer unit's: its undo, when the
    // outer unit has none yet, is where the outer one began too.
    void commit() override {
        assert(!undo_.empty() && "commit without begin");
        std::shared_ptr<const contents> inner = std::move(undo_.back());
        undo_.pop_back();
        if (!undo_.empty() && !undo_.back()) undo_.back() = std::move(inner);
    }
    void rollback() override {
        assert(!undo_.empty() && "rollback without begin");
        if (undo_.back()) now_ = *undo_.back();
        undo_.pop_back();
    }

private:
    const copy_tables &tables(store_copy copy) const {
        assert(copy == store_copy::running || now_.pending);
        return copy == store_copy::running ? now_.running : *now_.pending;
    }
    copy_tables &tables(store_copy copy) {
        return const_cast<copy_tables &>(std::as_const(*this).tables(copy));
    }

    // The units without an undo yet are the innermost ones (an outer unit
    // gets its undo no later than the units inside it).
    void before_change() override {
        if (undo_.empty() || undo_.back()) return;
        const auto snapshot = std::make_shared<const contents>(now_);
        for (auto level = undo_.rbegin(); level != undo_.rend() && !*level; ++level) *level = snapshot;
    }

    contents now_{*this};
    // Per open unit, outermost first: what its rollback restores, from the
    // first change on.
    std::vector<std::shared_ptr<const contents>> undo_;
};

}  // namespace

std::unique_ptr<store_backend> make_memory_backend() { return std::make_unique<memory_backend>(); }

}  // namespace radsim
