// Where the simulated configuration store keeps its records.  The store
// (sim/config_store) owns the op codes, result codes, table limits and the
// distribution session; a backend only keeps records, so that an in-memory
// one (tests, the target build) and a persistent one can stand behind the
// same store.
//
// A record kind is one table keyed by a number or a name and walked in key
// order; a new kind is one more table accessor here and in each backend.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

#include "abi/radius_records.h"
#include "platform/aaa_service.h"

namespace radsim {

// A backend that cannot do what it is asked (a full disk, a lock held by
// another process, a file it may not write) throws this; what() says it in
// words for the user.  The unit of work it happened in must be rolled back.
class store_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The two copies of the configuration: the running one, and the pending
// one that exists only while a distribution session is open.
enum class store_copy { running, pending };

// The records of one kind, walked in ascending key order (names byte by
// byte): first(), then next_after() the key last seen.
template <class Record, class Key>
class record_table {
public:
    using entry = std::pair<Key, Record>;

    virtual ~record_table() = default;
    virtual std::optional<Record> find(const Key &key) const = 0;
    virtual std::optional<entry> first() const = 0;
    virtual std::optional<entry> next_after(const Key &key) const = 0;
    virtual void put(const Key &key, const Record &record) = 0;
    virtual bool erase(const Key &key) = 0;  // false: no such entry
    virtual size_t size() const = 0;
};

using server_table = record_table<radius_server_cfg, uint32_t>;  // by index
using group_table = record_table<radius_group_cfg, std::string>;  // by name
using item_table = record_table<uint32_t, uint32_t>;              // value by item
using monitor_table = record_table<aaa_server_monitor_cfg, uint32_t>;  // by server_id

class store_backend {
public:
    virtual ~store_backend() = default;

    // Records of one copy.  Asking for the pending copy while none exists
    // is the caller's fault (see has_pending).
    virtual radius_global_cfg global(store_copy copy) const = 0;
    virtual void put_global(store_copy copy, const radius_global_cfg &global) = 0;
    virtual server_table &servers(store_copy copy) = 0;
    virtual group_table &groups(store_copy copy) = 0;
    // The server whose host field holds `host` (the field may lack a NUL);
    // a backend may keep an index on the host for this.
    virtual std::optional<radius_server_cfg> server_by_host(store_copy copy, std::string_view host) = 0;

    // Records distribution does not carry: one copy only.
    virtual item_table &items() = 0;
    virtual monitor_table &monitor_entries() = 0;

    // The pending copy: created as a copy of the running one, promoted to
    // running on commit, or dropped.
    virtual bool has_pending() const = 0;
    virtual void create_pending() = 0;
    virtual void promote_pending() = 0;
    virtual void drop_pending() = 0;

    // The user who opened the distribution session, kept with the pending
    // copy: empty while there is none, and gone when it is promoted or
    // dropped.
    virtual std::string session_owner() const = 0;
    virtual void set_session_owner(std::string_view owner) = 0;

    // Hands out server indexes from 1, never the same twice, so that a walk
    // in index order is the order of creation.
    virtual uint32_t take_server_index() = 0;

    // Whether the store has been given its first configuration (factory
    // defaults, then a startup configuration): a new or erased one has not.
    virtual bool initialized() const = 0;
    virtual void mark_initialized() = 0;

    // Units of work: the outermost begin opens a transaction; a begin inside
    // it opens a nested unit, which its commit folds into the unit around it
    // and its rollback undoes alone.  A rollback brings every table, both
    // copies, the session owner and the index counter back to where the
    // matching begin found them.  Each begin ends in one commit or rollback.
    virtual void begin() = 0;
    virtual void commit() = 0;
    virtual void rollback() = 0;
};

// The backend of the tests and the target build: plain maps, and a journal
// of each change as a unit's undo.
std::unique_ptr<store_backend> make_memory_backend();

// How a database file is opened (see make_sqlite_backend).
struct sqlite_store_options {
    unsigned busy_timeout_ms = 5000;  // how long a write waits for another process's lock
    bool erase = false;               // start the file afresh (factory reset)
    uint32_t max_page_count = 0;      // a ceiling on the file's size in pages, as a small disk sets; 0: none
};

// Whether this build has the persistent backend (not the target build).
bool sqlite_backend_built();

// The persistent backend over the SQLite database at `path`, created with
// the current schema when missing or empty, migrated when older.  Throws
// store_error, leaving the file as it was, when it cannot be written, is
// not a database of ours, fails its quick check or has a newer schema.
std::unique_ptr<store_backend> make_sqlite_backend(const std::string &path, const sqlite_store_options &options = {});

}  // namespace radsim
