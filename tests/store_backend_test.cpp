// What the store asks of any backend, run against each one: tables walk in
// key order and find what was put, a pending copy is independent of the
// running one until promoted, items and monitoring entries have one copy
// only, server indexes are never handed out twice, and a rollback undoes
// everything since begin (the index counter included) while a commit keeps it,
// and units nest.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <type_traits>

#include "sim/store_backend.hpp"
#ifdef RADIUS_SQLITE_STORE
#include <sqlite3.h>
#endif
#include "tests/support/temp_folder.hpp"

namespace {

using radsim::store_copy;

radius_server_cfg server_named(const std::string &host, uint32_t index) {
    radius_server_cfg server{};
    std::memcpy(server.host, host.data(), std::min(host.size(), sizeof server.host));
    server.index = index;
    return server;
}

radius_group_cfg group_named(const std::string &name) {
    radius_group_cfg group{};
    std::strncpy(group.name, name.c_str(), sizeof group.name - 1);
    return group;
}

// The keys of a table in walk order, blank-separated.
template <class Record, class Key>
std::string walk(const radsim::record_table<Record, Key> &table) {
    std::string keys;
    for (auto entry = table.first(); entry; entry = table.next_after(entry->first)) {
        if constexpr (std::is_same_v<Key, std::string>) keys += entry->first + " ";
        else keys += std::to_string(entry->first) + " ";
    }
    return keys;
}

// One line that changes whenever any table of either copy does.
std::string picture(radsim::store_backend &backend) {
    std::string text;
    for (store_copy copy : {store_copy::running, store_copy::pending}) {
        if (copy == store_copy::pending && !backend.has_pending()) break;
        text += "timeout=" + std::to_string(backend.global(copy).timeout) + " servers: " +
                walk(backend.servers(copy)) + "groups: " + walk(backend.groups(copy)) + "| ";
    }
    return text + "items: " + walk(backend.items()) + "monitor: " + walk(backend.monitor_entries());
}

struct backend_kind {
    const char *name;
    std::unique_ptr<radsim::store_backend> (*make)();
};

// Keeps the test names the same from one run to the next.
void PrintTo(const backend_kind &kind, std::ostream *os) { *os << kind.name; }

class store_backend_test : public ::testing::TestWithParam<backend_kind> {
protected:
    std::unique_ptr<radsim::store_backend> backend_ = GetParam().make();
};

TEST_P(store_backend_test, tables_walk_in_key_order_and_find_what_was_put) {
    radsim::server_table &servers = backend_->servers(store_copy::running);
    for (uint32_t index : {3u, 1u, 2u}) servers.put(index, server_named(std::string("h").append(std::to_string(index)), index));
    radsim::group_table &groups = backend_->groups(store_copy::running);
    for (const char *name : {"b", "B", "a"}) groups.put(name, group_named(name));
    backend_->items().put(0, 1);  // item 0 is a key like any other
    EXPECT_EQ(walk(servers), "1 2 3 ");
    EXPECT_EQ(walk(groups), "B a b ") << "names compare byte by byte";
    EXPECT_EQ(walk(backend_->items()), "0 ");
    EXPECT_EQ(servers.find(2).value().index, 2u);
    EXPECT_FALSE(groups.find("c"));
    EXPECT_TRUE(servers.erase(2));
    EXPECT_FALSE(servers.erase(2));
    EXPECT_EQ(servers.size(), 2u);
    EXPECT_FALSE(servers.next_after(3));

    const std::string whole_field(sizeof radius_server_cfg::host, 'x');  // no NUL of its own
    servers.put(9, server_named(whole_field, 9));
    EXPECT_EQ(backend_->server_by_host(store_copy::running, whole_field).value().index, 9u);
    EXPECT_FALSE(backend_->server_by_host(store_copy::running, "h2"));
}

TEST_P(store_backend_test, the_pending_copy_stands_apart_until_promoted) {
    backend_->servers(store_copy::running).put(1, server_named("kept", 1));
    backend_->create_pending();
    backend_->servers(store_copy::pending).put(2, server_named("new", 2));
    radius_global_cfg global = backend_->global(store_copy::pending);
    global.timeout = 9;
    backend_->put_global(store_copy::pending, global);
    backend_->items().put(2, 1);
    EXPECT_EQ(picture(*backend_), "timeout=5 servers: 1 groups: | timeout=9 servers: 1 2 groups: | items: 2 monitor: ");
    backend_->promote_pending();
    EXPECT_EQ(picture(*backend_), "timeout=9 servers: 1 2 groups: | items: 2 monitor: ");
    backend_->create_pending();
    backend_->servers(store_copy::pending).erase(1);
    backend_->drop_pending();
    EXPECT_EQ(picture(*backend_), "timeout=9 servers: 1 2 groups: | items: 2 monitor: ");
}

TEST_P(store_backend_test, rollback_undoes_everything_since_begin_and_commit_keeps_it) {
    backend_->servers(store_copy::running).put(backend_->take_server_index(), server_named("a", 1));
    backend_->groups(store_copy::running).put("g", group_named("g"));
    const std::string before = picture(*backend_);
    backend_->begin();
    const uint32_t taken = backend_->take_server_index();
    backend_->servers(store_copy::running).erase(1);
    backend_->groups(store_copy::running).put("h", group_named("h"));
    backend_->items().put(1, 1);
    backend_->monitor_entries().put(1, {1, 30, "user", "password"});
    backend_->create_pending();
    backend_->rollback();
    EXPECT_EQ(picture(*backend_), before);
    EXPECT_FALSE(backend_->has_pending());
    EXPECT_EQ(backend_->take_server_index(), taken) << "the counter is rolled back too";

    backend_->begin();
    backend_->items().put(1, 1);
    backend_->commit();
    EXPECT_EQ(backend_->items().find(1), 1u);
}

// A unit begun inside another undoes itself alone; what it kept becomes the
// outer unit's, to be kept or undone with it, even when the outer unit had
// changed nothing before it began.  The session owner, which the file does
// not hold, goes back with the rest.
TEST_P(store_backend_test, a_nested_unit_undoes_itself_alone_and_commits_into_the_outer_one) {
    auto &groups = backend_->groups(store_copy::running);
    backend_->begin();
    groups.put("outer", group_named("outer"));
    backend_->begin();
    groups.put("undone", group_named("undone"));
    backend_->create_pending();
    backend_->set_session_owner("admin");
    backend_->rollback();
    EXPECT_FALSE(backend_->has_pending());
    EXPECT_EQ(backend_->session_owner(), "");
    backend_->begin();
    groups.put("inner", group_named("inner"));
    backend_->commit();
    backend_->commit();
    EXPECT_EQ(walk(groups), "inner outer ");

    const std::string before = picture(*backend_);
    backend_->begin();
    backend_->begin();
    groups.put("late", group_named("late"));
    backend_->set_session_owner("admin");
    backend_->commit();
    backend_->rollback();
    EXPECT_EQ(picture(*backend_), before);
    EXPECT_EQ(backend_->session_owner(), "");
}

TEST_P(store_backend_test, a_new_store_is_not_initialized_until_marked_and_rollback_forgets_the_mark) {
    EXPECT_FALSE(backend_->initialized());
    backend_->begin();
    backend_->mark_initialized();
    backend_->rollback();
    EXPECT_FALSE(backend_->initialized());
    backend_->mark_initialized();
    EXPECT_TRUE(backend_->initialized());
}

TEST_P(store_backend_test, records_come_back_field_for_field) {
    radius_server_cfg server = server_named("10.0.0.1", 4);
    server.key_type = 7;
    std::strcpy(server.key, "k7");
    server.auth_port = 1812;
    server.acct_port = 1813;
    server.authentication = server.accounting = server.aux_flag = 1;
    server.timeout = 30;
    server.retransmit = 5;
    std::strcpy(server.key6, "six");
    backend_->servers(store_copy::running).put(4, server);
    radius_group_cfg group = group_named("g");
    group.member_count = 3;
    group.members[0] = 4, group.members[1] = 1, group.members[2] = 64;
    group.deadtime = 1440;
    backend_->groups(store_copy::running).put("g", group);
    aaa_server_monitor_cfg entry{AAA_MONITOR_GLOBAL_ID, 0xffffffffu, "user", "password"};
    backend_->monitor_entries().put(entry.server_id, entry);
    radius_global_cfg global = backend_->global(store_copy::running);
    global.deadtime = 9;
    global.key_type = 6;
    std::strcpy(global.key6, "sixsix");
    backend_->put_global(store_copy::running, global);

    const auto same = [](const auto &a, const auto &b) { return std::memcmp(&a, &b, sizeof a) == 0; };
    EXPECT_TRUE(same(backend_->servers(store_copy::running).find(4).value(), server));
    EXPECT_TRUE(same(backend_->groups(store_copy::running).find("g").value(), group));
    EXPECT_TRUE(same(backend_->monitor_entries().find(AAA_MONITOR_GLOBAL_ID).value(), entry));
    EXPECT_TRUE(same(backend_->global(store_copy::running), global));
}

#ifdef RADIUS_SQLITE_STORE
// A person may edit a store with the sqlite3 tool: what no field can hold
// reads as nothing rather than failing the store.
TEST(sqlite_backend, a_member_list_edited_by_hand_reads_its_numbers_and_zero_for_the_rest) {
    const radtest::temp_folder folder;
    const std::string path = folder.file("edited.db");
    {
        const auto backend = radsim::make_sqlite_backend(path);
        backend->groups(store_copy::running).put("g", group_named("g"));
    }
    sqlite3 *db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "UPDATE server_groups SET members = '3 x 5', member_count = 3", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    const radius_group_cfg group = radsim::make_sqlite_backend(path)->groups(store_copy::running).find("g").value();
    EXPECT_EQ(group.members[0], 3u);
    EXPECT_EQ(group.members[1], 0u);
    EXPECT_EQ(group.members[2], 5u);
}

// A store file of its own, in a folder removed when the test program ends.
std::unique_ptr<radsim::store_backend> make_sqlite_file_backend() {
    static const radtest::temp_folder folder;
    static unsigned made = 0;
    return radsim::make_sqlite_backend(folder.file("store" + std::to_string(++made) + ".db"));
}
#endif

INSTANTIATE_TEST_SUITE_P(each, store_backend_test,
                         ::testing::Values(backend_kind{"memory", &radsim::make_memory_backend}
#ifdef RADIUS_SQLITE_STORE
                                           ,
                                           backend_kind{"sqlite", &make_sqlite_file_backend}
#endif
                                           ),
                         [](const auto &kind) { return std::string(kind.param.name); });

}  // namespace
