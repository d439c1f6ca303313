// The RADIUS daemon's configuration store: a running copy and, while a
// distribution session is open, a pending copy.  It answers the op codes
// and result codes of the store client (platform/store_client.h), enforces
// the table limits and keeps its records in a backend (sim/store_backend).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "sim/radsim.h"
#include "sim/store_backend.hpp"

namespace radsim {

class config_store {
public:
    config_store();  // over the in-memory backend

    // Puts the store on another backend; what the old one held stays there.
    void use_backend(std::unique_ptr<store_backend> backend);
    bool initialized() const { return backend_->initialized(); }
    void mark_initialized() { backend_->mark_initialized(); }

    // One unit of work on the store, kept when `work` returns true and
    // rolled back when it returns false (see radsim::all_or_nothing).
    bool atomically(const std::function<bool()> &work);
    // A platform call met a storage failure: it is held for the unit to
    // report, and the call returns the result code this gives.
    int32_t storage_failed(const store_error &error);

    // The store calls; `op` as in the store client.
    int32_t global(uint32_t op, radius_global_cfg *cfg);
    int32_t server(uint32_t op, radius_server_cfg *cfg);
    int32_t group(uint32_t op, radius_group_cfg *cfg);
    int32_t item(uint32_t op, uint32_t item, uint32_t *value);

    // The AAA service keeps its monitoring entries here too.
    monitor_table &monitor_entries() { return backend_->monitor_entries(); }

    // Writes into a named copy, with the checks and index assignment of op 3
    // (`cfg->index` receives the server's index); the pending copy must exist.
    void write_global(store_copy copy, const radius_global_cfg &cfg);
    int32_t write_server(store_copy copy, radius_server_cfg *cfg);
    int32_t write_group(store_copy copy, const radius_group_cfg &cfg);
    // Takes the server out whether or not a group lists it (op 4 refuses
    // that); false: no such server.
    bool remove_server(store_copy copy, uint32_t index);
    // Why the last deletion refused with store_err_server_in_group, in words
    // naming the server and its group; empty before the first.
    const std::string &member_refusal() const { return member_refusal_; }

    void set_limits(size_t max_servers, size_t max_groups);

    // Distribution session: writes go to the pending copy while one is
    // open.  A write with distribution enabled (item 2) opens one, owned by
    // the acting user.
    void open_session();
    void commit_session();
    void abort_session();
    bool session_open() const { return backend_->has_pending(); }
    std::string session_owner() const { return backend_->session_owner(); }
    // Who makes the changes from now on (the shell's user).
    void set_acting_user(std::string user) { acting_user_ = std::move(user); }
    const std::string &acting_user() const { return acting_user_; }

    stored_config contents();

private:
    store_copy write_target();
    int32_t read_server(store_copy copy, radius_server_cfg *cfg);
    int32_t read_next_server(store_copy copy, radius_server_cfg *cfg);
    int32_t delete_server(radius_server_cfg *cfg);
    std::optional<std::string> group_holding(store_copy copy, uint32_t index);
    int32_t read_group(uint32_t op, radius_group_cfg *cfg);
    config_tables copy_contents(store_copy copy);
    void unit_failed(bool outermost);

    std::unique_ptr<store_backend> backend_;
    int unit_depth_ = 0;                        // units open, the outermost one the backend's transaction
    std::optional<std::string> held_failure_;  // the first storage failure of the open unit
    size_t max_servers_ = 64;
    size_t max_groups_ = 64;
    std::string acting_user_ = "admin";
    std::string member_refusal_;
};

}  // namespace radsim
