// A connection to the store's SQLite database: prepared statements owned
// from the line they are made, steps that throw store_error with words for
// the user, and savepoints that make several statements one change.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "sim/store_backend.hpp"

namespace radsim::sqlite {

struct statement_finalizer {
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};
using statement = std::unique_ptr<sqlite3_stmt, statement_finalizer>;

class connection {
public:
    // Takes the handle of sqlite3_open_v2 (even when that failed, as SQLite
    // asks) and closes it when done.
    connection(sqlite3 *db, std::string path, unsigned busy_timeout_ms);
    ~connection();
    connection(const connection &) = delete;
    connection &operator=(const connection &) = delete;

    statement prepare(std::string_view sql);
    void execute(const std::string &sql);  // one or more statements, no result rows
    // The first column of the first row of `sql` (a pragma's value, a count).
    int64_t integer(const std::string &sql);
    std::string text(const std::string &sql);

    // Runs `change` as one: a failure inside undoes all of it, and the
    // error goes on.  Usable inside and outside a transaction.
    template <class Change>
    void as_one(Change &&change) {
        execute("SAVEPOINT one_change");
        try {
            change();
        } catch (...) {
            execute_quietly("ROLLBACK TO one_change; RELEASE one_change");
            throw;
        }
        execute("RELEASE one_change");
    }

    // Ends a transaction that may be open, ignoring errors (there is
    // nothing better to do with them on the way out).
    void execute_quietly(const char *sql);
    bool in_transaction() const { return sqlite3_get_autocommit(db_) == 0; }

    // A unit of work: a transaction that, once anything in it failed,
    // refuses every further statement until it ends.  SQLite may roll a
    // transaction back by itself (a full disk, for one), and the handler
    // goes on: without this its later writes would each commit alone.
    // A unit begun inside another is a savepoint of it: its rollback undoes
    // it alone, and a failure in it is still the outer unit's.
    void begin_unit();
    void commit_unit();
    void rollback_unit();
    void check_unit() const;  // throws the unit's failure, if any

    [[noreturn]] void fail(int code);
    const std::string &path() const { return path_; }
    sqlite3 *handle() const { return db_; }

private:
    sqlite3 *db_;
    std::string path_;
    unsigned busy_timeout_ms_;
    int unit_depth_ = 0;  // units open, the outermost one the transaction
    std::optional<std::string> unit_failure_;
};

// One use of a prepared statement: bind, step, read; reset when it ends so
// that the statement holds no lock between uses.
class query {
public:
    query(connection &c, const statement &s) : connection_(c), statement_(s.get()) { c.check_unit(); }
    ~query() {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    query(const query &) = delete;
    query &operator=(const query &) = delete;

    void bind(int position, int64_t value);
    void bind(int position, std::string_view value);
    // True while there is a row to read.
    bool step();
    int64_t integer(int column) const { return sqlite3_column_int64(statement_, column); }
    std::string_view text(int column) const;

private:
    connection &connection_;
    sqlite3_stmt *statement_;
};

}  // namespace radsim::sqlite
