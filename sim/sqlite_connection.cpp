#include "sim/sqlite_connection.hpp"

namespace radsim::sqlite {

namespace {

// What went wrong, said of the store's file rather than of SQLite.
std::string failure_text(int code, const std::string &path, unsigned busy_timeout_ms, const char *detail) {
    switch (code & 0xff) {
        case SQLITE_FULL:
            return "the store " + path + " is full (no room left on its disk, or its size limit reached)";
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return "the store " + path + " is locked by another process (waited " + std::to_string(busy_timeout_ms) +
                   " ms)";
        case SQLITE_READONLY:
            return "the store " + path + " cannot be written (a read-only file or folder)";
        case SQLITE_CANTOPEN:
            return "the store " + path + " or the files SQLite keeps beside it cannot be opened (" + detail + ")";
        case SQLITE_NOTADB:
            return path + " is not a database";
        case SQLITE_CORRUPT:
            return "the store " + path + " is damaged (" + detail + ")";
        default:
            return "the store " + path + " failed: " + detail;
    }
}

}  // namespace

connection::connection(sqlite3 *db, std::string path, unsigned busy_timeout_ms)
    : db_(db), path_(std::move(path)), busy_timeout_ms_(busy_timeout_ms) {
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, static_cast<int>(busy_timeout_ms_));
}

connection::~connection() {
    if (in_transaction()) execute_quietly("ROLLBACK");
    sqlite3_close_v2(db_);
}

void connection::fail(int code) {
    std::string text = failure_text(code, path_, busy_timeout_ms_, sqlite3_errmsg(db_));
    if (unit_depth_ > 0 && !unit_failure_) unit_failure_ = text;
    throw store_error(text);
}

void connection::check_unit() const {
    if (unit_failure_) throw store_error(*unit_failure_);
}

void connection::begin_unit() {
    if (unit_depth_ == 0) {
        execute("BEGIN IMMEDIATE");
        unit_failure_.reset();
    } else {
        execute("SAVEPOINT inner_unit");
    }
    ++unit_depth_;
}

// A failed COMMIT leaves the unit open, for the rollback that follows.
void connection::commit_unit() {
    execute(unit_depth_ > 1 ? "RELEASE inner_unit" : "COMMIT");
    --unit_depth_;
}

// SQLite may have ended the transaction already (after a full disk), and
// with it every savepoint: the statements may fail, to no harm.
void connection::rollback_unit() {
    if (unit_depth_ > 1) {
        execute_quietly("ROLLBACK TO inner_unit; RELEASE inner_unit");
    } else {
        if (in_transaction()) execute_quietly("ROLLBACK");
        unit_failure_.reset();
    }
    --unit_depth_;
}

statement connection::prepare(std::string_view sql) {
    sqlite3_stmt *made = nullptr;
    const int code = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                        &made, nullptr);
    statement owned(made);
    if (code != SQLITE_OK) fail(code);
    return owned;
}

void connection::execute(const std::string &sql) {
    check_unit();
    const int code = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) fail(code);
}

void connection::execute_quietly(const char *sql) { sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }

int64_t connection::integer(const std::string &sql) {
    const statement s = prepare(sql);
    query q(*this, s);
    return q.step() ? q.integer(0) : 0;
}

std::string connection::text(const std::string &sql) {
    const statement s = prepare(sql);
    query q(*this, s);
    return q.step() ? std::string(q.text(0)) : std::string();
}

void query::bind(int position, int64_t value) {
    const int code = sqlite3_bind_int64(statement_, position, value);
    if (code != SQLITE_OK) connection_.fail(code);
}

void query::bind(int position, std::string_view value) {
    const int code =
        sqlite3_bind_text(statement_, position, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
    if (code != SQLITE_OK) connection_.fail(code);
}

bool query::step() {
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) return true;
    if (code == SQLITE_DONE) return false;
    connection_.fail(code);
}

std::string_view query::text(int column) const {
    const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(statement_, column));
    if (bytes == nullptr) return {};
    return {bytes, static_cast<size_t>(sqlite3_column_bytes(statement_, column))};
}

}  // namespace radsim::sqlite
