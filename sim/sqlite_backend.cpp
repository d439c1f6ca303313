// The persistent store backend: one SQLite table per record kind and a
// column per field, so that a person can read the store with the sqlite3
// tool.  Text fields are kept up to their first NUL and reserved bytes not
// at all: a record comes back zero-filled past its texts, as a fresh one
// that a handler zeroed and filled.
#include <charconv>
#include <cstddef>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "sim/sqlite_connection.hpp"
#include "sim/sqlite_schema.hpp"

namespace radsim {

namespace {

using sqlite::connection;
using sqlite::query;
using sqlite::statement;

const char *copy_name(store_copy copy) { return copy == store_copy::running ? "running" : "pending"; }

unsigned char *bytes_of(void *record, const field &f) { return static_cast<unsigned char *>(record) + f.offset; }
const unsigned char *bytes_of(const void *record, const field &f) {
    return static_cast<const unsigned char *>(record) + f.offset;
}

// Server indexes, blank-separated, without the unused zero slots at the end.
std::string index_list_text(const unsigned char *bytes, size_t size) {
    size_t count = size / sizeof(uint32_t);
    auto at = [bytes](size_t i) {
        uint32_t value;
        std::memcpy(&value, bytes + i * sizeof value, sizeof value);
        return value;
    };
    while (count > 0 && at(count - 1) == 0) --count;
    std::string text;
    for (size_t i = 0; i < count; ++i) text += (i == 0 ? "" : " ") + std::to_string(at(i));
    return text;
}

// A word that is no number (a store edited by hand) reads as 0, an empty slot.
void read_index_list(std::string_view text, unsigned char *bytes, size_t size) {
    size_t slot = 0;
    for (size_t at = 0; at < text.size() && slot < size / sizeof(uint32_t);) {
        const size_t end = std::min(text.find(' ', at), text.size());
        uint32_t value = 0;
        std::from_chars(text.data() + at, text.data() + end, value);
        std::memcpy(bytes + slot++ * sizeof value, &value, sizeof value);
        at = end + 1;
    }
}

void bind_field(query &q, int position, const void *record, const field &f) {
    const unsigned char *bytes = bytes_of(record, f);
    switch (f.kind) {
        case field_kind::u32: {
            uint32_t value;
            std::memcpy(&value, bytes, sizeof value);
            return q.bind(position, int64_t{value});
        }
        case field_kind::i32: {
            int32_t value;
            std::memcpy(&value, bytes, sizeof value);
            return q.bind(position, int64_t{value});
        }
        case field_kind::text: {
            const auto *text = reinterpret_cast<const char *>(bytes);
            return q.bind(position, std::string_view(text, strnlen(text, f.size)));
        }
        case field_kind::index_list: return q.bind(position, index_list_text(bytes, f.size));
    }
}

void read_field(const query &q, int column, void *record, const field &f) {
    unsigned char *bytes = bytes_of(record, f);
    switch (f.kind) {
        case field_kind::u32: {
            const auto value = static_cast<uint32_t>(q.integer(column));
            std::memcpy(bytes, &value, sizeof value);
            return;
        }
        case field_kind::i32: {
            const auto value = static_cast<int32_t>(q.integer(column));
            std::memcpy(bytes, &value, sizeof value);
            return;
        }
        case field_kind::text: {
            const std::string_view text = q.text(column);
            std::memcpy(bytes, text.data(), std::min(text.size(), f.size));
            return;
        }
        case field_kind::index_list: return read_index_list(q.text(column), bytes, f.size);
    }
}

void bind_key(query &q, int position, uint32_t key) { q.bind(position, int64_t{key}); }
void bind_key(query &q, int position, const std::string &key) { q.bind(position, key); }

template <class Key>
Key read_key(const query &q, int column) {
    if constexpr (std::is_same_v<Key, std::string>) return std::string(q.text(column));
    else return static_cast<Key>(q.integer(column));
}

// "a, b, c" of the columns that make a row: key first, then the fields.
std::string select_list(const table_layout &layout) {
    std::string list = layout.key_column;
    for (const field &f : layout.fields) list += std::string(", ") + f.column;
    return list;
}

// The records of one kind (and one copy, where the kind has two) in one table.
template <class Record, class Key>
class sqlite_table final : public record_table<Record, Key> {
public:
    using typename record_table<Record, Key>::entry;

    sqlite_table(connection &c, const table_layout &layout, const char *copy)
        : connection_(c), layout_(layout), copy_(copy) {
        const std::string from = " FROM " + std::string(layout.table) + " WHERE " + (copy ? "copy = ?1 AND " : "");
        const std::string key = layout.key_column;
        find_ = c.prepare("SELECT " + select_list(layout) + from + key + " = ?2");
        first_ = c.prepare("SELECT " + select_list(layout) + from + "1 ORDER BY " + key + " LIMIT 1");
        next_ = c.prepare("SELECT " + select_list(layout) + from + key + " > ?2 ORDER BY " + key + " LIMIT 1");
        erase_ = c.prepare("DELETE" + from + key + " = ?2");
        size_ = c.prepare("SELECT count(*)" + from + "1");
        put_ = c.prepare(insert_sql());
    }

    std::optional<Record> find(const Key &key) const override {
        query q(connection_, find_);
        bind_keyed(q, key);
        if (!q.step()) return std::nullopt;
        return read_row(q).second;
    }
    std::optional<entry> first() const override {
        query q(connection_, first_);
        bind_copy(q);
        if (!q.step()) return std::nullopt;
        return read_row(q);
    }
    std::optional<entry> next_after(const Key &key) const override {
        query q(connection_, next_);
        bind_keyed(q, key);
        if (!q.step()) return std::nullopt;
        return read_row(q);
    }
    void put(const Key &key, const Record &record) override {
        query q(connection_, put_);
        bind_keyed(q, key);
        for (size_t i = 0; i < layout_.fields.size(); ++i) bind_field(q, static_cast<int>(i) + 3, &record, layout_.fields[i]);
        q.step();
    }
    bool erase(const Key &key) override {
        query q(connection_, erase_);
        bind_keyed(q, key);
        q.step();
        return sqlite3_changes(connection_.handle()) == 1;
    }
    size_t size() const override {
        query q(connection_, size_);
        bind_copy(q);
        q.step();
        return static_cast<size_t>(q.integer(0));
    }

    // The first entry, in key order, whose `column` holds `value`.
    std::optional<Record> find_where(const char *column, std::string_view value) {
        if (!by_column_) {
            by_column_ = connection_.prepare("SELECT " + select_list(layout_) + " FROM " + layout_.table +
                                             " WHERE copy = ?1 AND " + column + " = ?2 ORDER BY " + layout_.key_column +
                                             " LIMIT 1");
        }
        query q(connection_, by_column_);
        bind_copy(q);
        q.bind(2, value);
        if (!q.step()) return std::nullopt;
        return read_row(q).second;
    }

private:
    std::string insert_sql() const {
        std::string columns = std::string(copy_ ? "copy, " : "") + layout_.key_column;
        std::string values = copy_ ? "?1, ?2" : "?2";
        for (size_t i = 0; i < layout_.fields.size(); ++i) {
            columns += std::string(", ") + layout_.fields[i].column;
            values += ", ?" + std::to_string(i + 3);
        }
        return "INSERT OR REPLACE INTO " + std::string(layout_.table) + " (" + columns + ") VALUES (" + values + ")";
    }
    void bind_copy(query &q) const {
        if (copy_) q.bind(1, std::string_view(copy_));
    }
    void bind_keyed(query &q, const Key &key) const {
        bind_copy(q);
        bind_key(q, 2, key);
    }
    entry read_row(const query &q) const {
        entry row{read_key<Key>(q, 0), Record{}};
        for (size_t i = 0; i < layout_.fields.size(); ++i) read_field(q, static_cast<int>(i) + 1, &row.second, layout_.fields[i]);
        if (layout_.key_in_record) write_key(row.first, &row.second, *layout_.key_in_record);
        return row;
    }
    static void write_key(uint32_t key, void *record, const field &f) { std::memcpy(bytes_of(record, f), &key, sizeof key); }
    static void write_key(const std::string &key, void *record, const field &f) {
        std::memcpy(bytes_of(record, f), key.data(), std::min(key.size(), f.size));
    }

    connection &connection_;
    const table_layout &layout_;
    const char *copy_;  // "running" or "pending"; null for a kind with one copy
    statement find_, first_, next_, put_, erase_, size_, by_column_;
};

struct copy_tables {
    sqlite_table<radius_server_cfg, uint32_t> servers;
    sqlite_table<radius_group_cfg, std::string> groups;

    copy_tables(connection &c, store_copy copy)
        : servers(c, server_layout, copy_name(copy)), groups(c, group_layout, copy_name(copy)) {}
};

class sqlite_backend final : public store_backend {
public:
    explicit sqlite_backend(std::unique_ptr<connection> c)
        : connection_(std::move(c)),
          global_(*connection_, global_layout, nullptr),
          running_(*connection_, store_copy::running),
          pending_(*connection_, store_copy::pending),
          items_(*connection_, item_layout, nullptr),
          monitor_entries_(*connection_, monitor_layout, nullptr),
          state_(*connection_, state_layout, nullptr) {}

    radius_global_cfg global(store_copy copy) const override {
        return global_.find(copy_name(copy)).value_or(radius_global_cfg{});
    }
    void put_global(store_copy copy, const radius_global_cfg &global) override { global_.put(copy_name(copy), global); }
    server_table &servers(store_copy copy) override { return tables(copy).servers; }
    group_table &groups(store_copy copy) override { return tables(copy).groups; }
    std::optional<radius_server_cfg> server_by_host(store_copy copy, std::string_view host) override {
        return tables(copy).servers.find_where("host", host.substr(0, host.find('\0')));
    }

    item_table &items() override { return items_; }
    monitor_table &monitor_entries() override { return monitor_entries_; }

    bool has_pending() const override { return global_.find(copy_name(store_copy::pending)).has_value(); }
    void create_pending() override {
        connection_->as_one([this] {
            drop_pending();
            for (const table_layout *layout : copied_layouts) connection_->execute(copy_rows_sql(*layout, "running", "pending"));
        });
    }
    void promote_pending() override {
        connection_->as_one([this] {
            for (const table_layout *layout : copied_layouts) {
                connection_->execute(std::string("DELETE FROM ") + layout->table + " WHERE copy = 'running'");
                connection_->execute(std::string("UPDATE ") + layout->table + " SET copy = 'running' WHERE copy = 'pending'");
            }
        });
        session_owner_.clear();
    }
    void drop_pending() override {
        connection_->as_one([this] {
            for (const table_layout *layout : copied_layouts) {
                connection_->execute(std::string("DELETE FROM ") + layout->table + " WHERE copy = 'pending'");
            }
        });
        session_owner_.clear();
    }

    // The owner lives with this process only: a pending copy found in the
    // file at start has none until a change claims it.
    std::string session_owner() const override { return session_owner_; }
    void set_session_owner(std::string_view owner) override { session_owner_ = owner; }

    uint32_t take_server_index() override {
        const uint32_t index = state_.find("next_server_index").value_or(1);
        state_.put("next_server_index", index + 1);
        return index;
    }
    bool initialized() const override { return state_.find("initialized").value_or(0) != 0; }
    void mark_initialized() override { state_.put("initialized", 1); }

    // Taking the write lock at the start means that a line which meets
    // another process's lock waits for it before it has done anything, and
    // that two processes never interleave their lines' reads and writes.
    // The owner is not in the file, so a unit keeps its own undo of it.
    void begin() override {
        connection_->begin_unit();
        owner_at_begin_.push_back(session_owner_);
    }
    void commit() override {
        connection_->commit_unit();
        owner_at_begin_.pop_back();
    }
    void rollback() override {
        connection_->rollback_unit();
        session_owner_ = std::move(owner_at_begin_.back());
        owner_at_begin_.pop_back();
    }

private:
    copy_tables &tables(store_copy copy) { return copy == store_copy::running ? running_ : pending_; }

    std::unique_ptr<connection> connection_;
    sqlite_table<radius_global_cfg, std::string> global_;  // by copy name
    copy_tables running_;
    copy_tables pending_;
    sqlite_table<uint32_t, uint32_t> items_;
    sqlite_table<aaa_server_monitor_cfg, uint32_t> monitor_entries_;
    sqlite_table<uint32_t, std::string> state_;  // the store's own values by name
    std::string session_owner_;
    std::vector<std::string> owner_at_begin_;  // per open unit, outermost first
};

}  // namespace

bool sqlite_backend_built() { return true; }

std::unique_ptr<store_backend> make_sqlite_backend(const std::string &path, const sqlite_store_options &options) {
    return std::make_unique<sqlite_backend>(open_store_database(path, options));
}

}  // namespace radsim
