// The store's database schema: which table and column holds each field of
// each record kind, the steps that create and migrate the tables, and the
// opening of a file with the checks that keep us from writing into a file
// that is not a store of ours.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "sim/sqlite_connection.hpp"

namespace radsim {

enum class field_kind : uint8_t {
    u32,
    i32,
    text,        // a char array, kept up to its first NUL
    index_list,  // a u32 array of server indexes, kept as blank-separated numbers
};

// One field of a record and the column that holds it.
struct field {
    const char *column;
    size_t offset;
    size_t size;
    field_kind kind;
};

// One record kind's table.  A kind that distribution carries has a `copy`
// column ('running' or 'pending') in front of its key.
struct table_layout {
    const char *table;
    const char *key_column;
    std::span<const field> fields;
    const field *key_in_record;  // where a read puts the key back; null: the record does not hold it
};

extern const table_layout global_layout;   // keyed by copy
extern const table_layout server_layout;   // by copy and server index
extern const table_layout group_layout;    // by copy and name
extern const table_layout item_layout;     // enable-info values by item
extern const table_layout monitor_layout;  // monitoring entries by server_id
extern const table_layout state_layout;    // the store's own values by name

// The tables of the kinds that have a running and a pending copy.
extern const std::span<const table_layout *const> copied_layouts;

// Copies every row of copy `from` of a copied table to copy `to`.
std::string copy_rows_sql(const table_layout &layout, const char *from, const char *to);

// Opens the store's file (see make_sqlite_backend) with the schema current.
std::unique_ptr<sqlite::connection> open_store_database(const std::string &path, const sqlite_store_options &options);

}  // namespace radsim
