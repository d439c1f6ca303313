#include "sim/sqlite_schema.hpp"

#include <sys/stat.h>

#include <cstring>
#include <iterator>
#include <vector>

namespace radsim {

namespace {

// Marks a file as a store of ours ("RADS"), so that a database of another
// program is never taken for an empty store and written into.
constexpr int64_t application_id = 0x52414453;

// Each step brings the schema from the version before it to its own
// (user_version); a store of an older version runs the steps it lacks, in
// order, in one transaction.  A step that has shipped is never edited: a
// change is a new step.  The record kinds other components add (the
// dynamic-authorization server and clients, distribution state) come as
// steps of their own, one table each.
constexpr const char *migration_steps[] = {
    // 1: the first schema.  Default global settings for the running copy.
    R"(
CREATE TABLE global_settings (
    copy TEXT PRIMARY KEY CHECK (copy IN ('running', 'pending')),
    deadtime INTEGER NOT NULL, key_type INTEGER NOT NULL, key TEXT NOT NULL,
    timeout INTEGER NOT NULL, retransmit INTEGER NOT NULL, key6 TEXT NOT NULL);
CREATE TABLE servers (
    copy TEXT NOT NULL CHECK (copy IN ('running', 'pending')),
    server_index INTEGER NOT NULL, host TEXT NOT NULL, addr_type INTEGER NOT NULL,
    key_type INTEGER NOT NULL, key TEXT NOT NULL, auth_port INTEGER NOT NULL, acct_port INTEGER NOT NULL,
    authentication INTEGER NOT NULL, accounting INTEGER NOT NULL, aux_flag INTEGER NOT NULL,
    timeout INTEGER NOT NULL, retransmit INTEGER NOT NULL, key6 TEXT NOT NULL,
    PRIMARY KEY (copy, server_index));
CREATE INDEX servers_by_host ON servers (copy, host);
CREATE TABLE server_groups (
    copy TEXT NOT NULL CHECK (copy IN ('running', 'pending')),
    name TEXT NOT NULL, members TEXT NOT NULL, member_count INTEGER NOT NULL, deadtime INTEGER NOT NULL,
    PRIMARY KEY (copy, name));
CREATE TABLE enable_info (item INTEGER PRIMARY KEY, value INTEGER NOT NULL);
CREATE TABLE monitor_entries (
    server_id INTEGER PRIMARY KEY, idle_time INTEGER NOT NULL,
    test_user TEXT NOT NULL, test_password TEXT NOT NULL);
CREATE TABLE store_state (name TEXT PRIMARY KEY, value INTEGER NOT NULL);
INSERT INTO global_settings VALUES ('running', 0, 0, '', 5, 1, '');
INSERT INTO store_state VALUES ('next_server_index', 1), ('initialized', 0);
)",
};
static_assert(RADIUS_DEFAULT_TIMEOUT == 5 && RADIUS_DEFAULT_RETRANSMIT == 1, "the first step's global row");
constexpr int64_t schema_version = std::size(migration_steps);

constexpr field global_fields[] = {
    {"deadtime", offsetof(radius_global_cfg, deadtime), sizeof(uint32_t), field_kind::u32},
    {"key_type", offsetof(radius_global_cfg, key_type), sizeof(uint32_t), field_kind::u32},
    {"key", offsetof(radius_global_cfg, key), sizeof(radius_global_cfg::key), field_kind::text},
    {"timeout", offsetof(radius_global_cfg, timeout), sizeof(uint32_t), field_kind::u32},
    {"retransmit", offsetof(radius_global_cfg, retransmit), sizeof(uint32_t), field_kind::u32},
    {"key6", offsetof(radius_global_cfg, key6), sizeof(radius_global_cfg::key6), field_kind::text},
};

constexpr field server_index_field{"server_index", offsetof(radius_server_cfg, index), sizeof(uint32_t),
                                   field_kind::u32};
constexpr field server_fields[] = {
    {"host", offsetof(radius_server_cfg, host), sizeof(radius_server_cfg::host), field_kind::text},
    {"addr_type", offsetof(radius_server_cfg, addr_type), sizeof(uint32_t), field_kind::u32},
    {"key_type", offsetof(radius_server_cfg, key_type), sizeof(uint32_t), field_kind::u32},
    {"key", offsetof(radius_server_cfg, key), sizeof(radius_server_cfg::key), field_kind::text},
    {"auth_port", offsetof(radius_server_cfg, auth_port), sizeof(uint32_t), field_kind::u32},
    {"acct_port", offsetof(radius_server_cfg, acct_port), sizeof(uint32_t), field_kind::u32},
    {"authentication", offsetof(radius_server_cfg, authentication), sizeof(uint32_t), field_kind::u32},
    {"accounting", offsetof(radius_server_cfg, accounting), sizeof(uint32_t), field_kind::u32},
    {"aux_flag", offsetof(radius_server_cfg, aux_flag), sizeof(uint32_t), field_kind::u32},
    {"timeout", offsetof(radius_server_cfg, timeout), sizeof(uint32_t), field_kind::u32},
    {"retransmit", offsetof(radius_server_cfg, retransmit), sizeof(uint32_t), field_kind::u32},
    {"key6", offsetof(radius_server_cfg, key6), sizeof(radius_server_cfg::key6), field_kind::text},
};

constexpr field group_name_field{"name", offsetof(radius_group_cfg, name), sizeof(radius_group_cfg::name),
                                 field_kind::text};
constexpr field group_fields[] = {
    {"members", offsetof(radius_group_cfg, members), sizeof(radius_group_cfg::members), field_kind::index_list},
    {"member_count", offsetof(radius_group_cfg, member_count), sizeof(int32_t), field_kind::i32},
    {"deadtime", offsetof(radius_group_cfg, deadtime), sizeof(uint32_t), field_kind::u32},
};

constexpr field value_fields[] = {{"value", 0, sizeof(uint32_t), field_kind::u32}};

constexpr field monitor_id_field{"server_id", offsetof(aaa_server_monitor_cfg, server_id), sizeof(uint32_t),
                                 field_kind::u32};
constexpr field monitor_fields[] = {
    {"idle_time", offsetof(aaa_server_monitor_cfg, idle_time), sizeof(uint32_t), field_kind::u32},
    {"test_user", offsetof(aaa_server_monitor_cfg, test_user), sizeof(aaa_server_monitor_cfg::test_user),
     field_kind::text},
    {"test_password", offsetof(aaa_server_monitor_cfg, test_password),
     sizeof(aaa_server_monitor_cfg::test_password), field_kind::text},
};

// A directory or a device is never taken for a store.
void refuse_unusable_path(const std::string &path) {
    struct stat status {};
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) throw store_error(path + " is not a regular file");
}

// quick_check's report on one line: its findings without the heading of
// the database they are in.
std::string one_line(std::string report) {
    const std::string heading = "*** in database main ***\n";
    if (report.starts_with(heading)) report.erase(0, heading.size());
    for (size_t at; (at = report.find('\n')) != std::string::npos;) report.replace(at, 1, "; ");
    return report;
}

void check_ours(sqlite::connection &c) {
    const int64_t id = c.integer("PRAGMA application_id");  // a file that is no database fails here
    if (id != application_id && c.integer("SELECT count(*) FROM sqlite_master") != 0) {
        throw store_error(c.path() + " is a database of another program, not a configuration store");
    }
    const std::string verdict = c.text("PRAGMA quick_check");
    if (verdict != "ok") throw store_error("the store " + c.path() + " is damaged (" + one_line(verdict) + ")");
    const int64_t version = c.integer("PRAGMA user_version");
    if (version > schema_version) {
        throw store_error("the store " + c.path() + " has schema version " + std::to_string(version) +
                          ", newer than this program knows (" + std::to_string(schema_version) + ")");
    }
}

// Drops every table, for a factory reset: the steps then start from nothing.
void drop_everything(sqlite::connection &c) {
    std::vector<std::string> tables;
    const sqlite::statement names =
        c.prepare("SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'");
    for (sqlite::query q(c, names); q.step();) tables.emplace_back(q.text(0));
    for (const std::string &table : tables) c.execute("DROP TABLE \"" + table + "\"");
    c.execute("PRAGMA user_version = 0");
}

// Runs the steps the file lacks under the write lock, so that two programs
// opening one new file do not both create it.  A current file is not
// locked at all: a shell starts while another one writes.
void migrate(sqlite::connection &c, bool erase) {
    if (!erase && c.integer("PRAGMA user_version") == schema_version) return;
    c.execute("BEGIN IMMEDIATE");
    try {
        if (erase) drop_everything(c);
        const int64_t version = c.integer("PRAGMA user_version");
        if (version > schema_version) check_ours(c);  // moved on since we looked: say so
        for (int64_t step = version; step < schema_version; ++step) c.execute(migration_steps[step]);
        if (version != schema_version) {
            c.execute("PRAGMA application_id = " + std::to_string(application_id));
            c.execute("PRAGMA user_version = " + std::to_string(schema_version));
        }
        c.execute("COMMIT");
    } catch (const store_error &) {
        c.execute_quietly("ROLLBACK");
        throw;
    }
}

std::unique_ptr<sqlite::connection> open_checked(const std::string &path, const sqlite_store_options &options) {
    refuse_unusable_path(path);
    sqlite3 *db = nullptr;
    const int code = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    auto c = std::make_unique<sqlite::connection>(db, path, options.busy_timeout_ms);
    if (code != SQLITE_OK) c->fail(code);
    if (sqlite3_db_readonly(db, "main") == 1) {
        throw store_error("the store " + path + " cannot be written (a read-only file or folder)");
    }
    check_ours(*c);
    return c;
}

}  // namespace

const table_layout global_layout{"global_settings", "copy", global_fields, nullptr};
const table_layout server_layout{"servers", "server_index", server_fields, &server_index_field};
const table_layout group_layout{"server_groups", "name", group_fields, &group_name_field};
const table_layout item_layout{"enable_info", "item", value_fields, nullptr};
const table_layout monitor_layout{"monitor_entries", "server_id", monitor_fields, &monitor_id_field};
const table_layout state_layout{"store_state", "name", value_fields, nullptr};

namespace {
const table_layout *const copied[] = {&global_layout, &server_layout, &group_layout};
}
const std::span<const table_layout *const> copied_layouts = copied;

std::string copy_rows_sql(const table_layout &layout, const char *from, const char *to) {
    const bool keyed_by_copy = std::strcmp(layout.key_column, "copy") == 0;
    std::string columns = keyed_by_copy ? "" : std::string(", ") + layout.key_column;
    for (const field &f : layout.fields) columns += std::string(", ") + f.column;
    return "INSERT INTO " + std::string(layout.table) + " (copy" + columns + ") SELECT '" + to + "'" + columns +
           " FROM " + layout.table + " WHERE copy = '" + from + "'";
}

// A file we refuse is left as it was: nothing before the checks writes.
// WAL lets a second shell read while one writes; in WAL mode, synchronous
// NORMAL keeps every commit across a crash or kill of the process (only a
// power failure may lose the last ones, never consistency).
std::unique_ptr<sqlite::connection> open_store_database(const std::string &path, const sqlite_store_options &options) {
    std::unique_ptr<sqlite::connection> c;
    try {
        c = open_checked(path, options);
    } catch (const store_error &refused) {
        throw store_error(std::string(refused.what()) + "; it was left as it is");
    }
    c->execute("PRAGMA journal_mode = WAL");
    c->execute("PRAGMA synchronous = NORMAL");
    migrate(*c, options.erase);
    if (options.max_page_count != 0) c->execute("PRAGMA max_page_count = " + std::to_string(options.max_page_count));
    return c;
}

}  // namespace radsim
