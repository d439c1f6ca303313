// SQLite's own rate of single-row transactions: what a replay on the store
// file cannot go below, since each replayed line commits on its own.
#include <sqlite3.h>

#include <memory>
#include <stdexcept>

#include "abi/radius_records.h"
#include "bench/bench_support.hpp"

namespace radbench {

namespace {

// The table stays as small as a configuration: keys cycle through the
// number of servers a switch holds.
constexpr size_t distinct_keys = 64;

void check(int rc, sqlite3 *db, const char *what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        throw std::runtime_error(std::string(what) + ": " + sqlite3_errmsg(db));
    }
}

struct statement_deleter {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using statement = std::unique_ptr<sqlite3_stmt, statement_deleter>;

statement prepare(sqlite3 *db, const char *sql) {
    sqlite3_stmt *prepared = nullptr;
    check(sqlite3_prepare_v2(db, sql, -1, &prepared, nullptr), db, sql);
    return statement(prepared);
}

void step(sqlite3 *db, const statement &s) {
    check(sqlite3_step(s.get()), db, sqlite3_sql(s.get()));
    sqlite3_reset(s.get());
}

// The persistent store's settings: write-ahead log, synchronous NORMAL.
void open_like_the_store(sqlite3 *db) {
    for (const char *sql : {"PRAGMA journal_mode = WAL", "PRAGMA synchronous = NORMAL",
                            "CREATE TABLE IF NOT EXISTS rows (key INTEGER PRIMARY KEY, record BLOB NOT NULL)"}) {
        check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db, sql);
    }
}

}  // namespace

double sqlite_transaction_seconds(const std::string &path, size_t count) {
    sqlite3 *db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + path);
    }
    const std::unique_ptr<sqlite3, int (*)(sqlite3 *)> owned(db, sqlite3_close);
    open_like_the_store(db);
    const statement begin = prepare(db, "BEGIN IMMEDIATE");
    const statement replace = prepare(db, "INSERT OR REPLACE INTO rows (key, record) VALUES (?, ?)");
    const statement commit = prepare(db, "COMMIT");
    const radius_server_cfg record{};
    const double start = cpu_seconds();
    for (size_t n = 0; n < count; ++n) {
        step(db, begin);
        sqlite3_bind_int64(replace.get(), 1, static_cast<sqlite3_int64>(n % distinct_keys));
        sqlite3_bind_blob(replace.get(), 2, &record, sizeof record, SQLITE_STATIC);
        step(db, replace);
        step(db, commit);
    }
    return cpu_seconds() - start;
}

}  // namespace radbench
