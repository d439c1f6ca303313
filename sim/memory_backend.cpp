// The in-memory store backend: std::map tables, copied whole for the pending
// copy.  A unit's undo is a journal: each change, while a unit is open,
// first records how to put back what it replaces, so that a line costs
// what it changes, not the size of the store; a rollback replays the
// journal backwards to the mark its unit's begin set.
#include <cassert>
#include <cstring>
#include <functional>
#include <map>
#include <vector>

#include "sim/store_backend.hpp"

namespace radsim {

namespace {

// Told before any table changes, with how to undo the change, so that an
// open unit can keep it.
class change_listener {
public:
    virtual bool journaling() const = 0;
    virtual void remember(std::function<void()> undo) = 0;

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
        remember_row(key);
        rows_[key] = record;
    }
    bool erase(const Key &key) override {
        if (!rows_.contains(key)) return false;
        remember_row(key);
        rows_.erase(key);
        return true;
    }
    size_t size() const override { return rows_.size(); }

    const std::map<Key, Record> &rows() const { return rows_; }

private:
    // A table lives in place as long as the copy holding it; a change that
    // replaces a whole copy is journalled before the changes made to it
    // since, so they are undone while it is still there.
    void remember_row(const Key &key) {
        if (!listener_->journaling()) return;
        listener_->remember([this, key, before = find(key)] {
            if (before) {
                rows_[key] = *before;
            } else {
                rows_.erase(key);
            }
        });
    }

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

// Everything the store holds.
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
        remember_value(tables(copy).global);
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
        remember_value(now_.pending);
        now_.pending = now_.running;
    }
    void promote_pending() override {
        remember_value(now_.running);
        remember_value(now_.pending);
        remember_value(now_.session_owner);
        now_.running = std::move(*now_.pending);
        now_.pending.reset();
        now_.session_owner.clear();
    }
    void drop_pending() override {
        remember_value(now_.pending);
        remember_value(now_.session_owner);
        now_.pending.reset();
        now_.session_owner.clear();
    }

    std::string session_owner() const override { return now_.session_owner; }
    void set_session_owner(std::string_view owner) override {
        remember_value(now_.session_owner);
        now_.session_owner = owner;
    }

    uint32_t take_server_index() override {
        remember_value(now_.next_index);
        return now_.next_index++;
    }

    bool initialized() const override { return now_.initialized; }
    void mark_initialized() override {
        remember_value(now_.initialized);
        now_.initialized = true;
    }

    void begin() override { marks_.push_back(journal_.size()); }
    // An inner unit's changes become the outer unit's: its journal entries
    // stay, under the outer unit's mark.
    void commit() override {
        assert(!marks_.empty() && "commit without begin");
        marks_.pop_back();
        if (marks_.empty()) journal_.clear();
    }
    void rollback() override {
        assert(!marks_.empty() && "rollback without begin");
        for (; journal_.size() > marks_.back(); journal_.pop_back()) journal_.back()();
        marks_.pop_back();
    }

private:
    const copy_tables &tables(store_copy copy) const {
        assert(copy == store_copy::running || now_.pending);
        return copy == store_copy::running ? now_.running : *now_.pending;
    }
    copy_tables &tables(store_copy copy) {
        return const_cast<copy_tables &>(std::as_const(*this).tables(copy));
    }

    bool journaling() const override { return !marks_.empty(); }
    void remember(std::function<void()> undo) override { journal_.push_back(std::move(undo)); }

    // A member of now_, put back as it is now.
    template <class Value>
    void remember_value(Value &value) {
        if (journaling()) remember([&value, before = value] { value = before; });
    }

    contents now_{*this};
    std::vector<std::function<void()>> journal_;  // the undo of every change since the outermost begin
    std::vector<size_t> marks_;                   // per open unit, outermost first: where its journal starts
};

}  // namespace

std::unique_ptr<store_backend> make_memory_backend() { return std::make_unique<memory_backend>(); }

}  // namespace radsim
