#include "tests/support/command.hpp"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "abi/tags.h"
#include "platform/key_encryption.h"

namespace radtest {

std::string tag_name(uint32_t tag) {
#define RADTEST_TAG_CASE(name, type, field, json) \
    case TAG_##name:                               \
        return "TAG_" #name;
    switch (tag) { RADIUS_TAG_LIST(RADTEST_TAG_CASE) }
#undef RADTEST_TAG_CASE
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08x", static_cast<unsigned>(tag));
    return hex;
}

namespace {

struct free_block {
    void operator()(char *block) const { std::free(block); }
};

// On failure the out-pointer is not the caller's to free.
std::optional<std::string> converted(int32_t rc, char *out, uint32_t length) {
    if (rc != 0 || out == nullptr) return std::nullopt;
    const std::unique_ptr<char, free_block> owned(out);
    return std::string(out, length);
}

}  // namespace

std::optional<std::string> type7_of(const std::string &clear) {
    char *out = nullptr;
    uint32_t length = 0;
    const int32_t rc = radius_new_security_conf_encrypt(clear.c_str(), 7, 0, 0, &out, &length);
    return converted(rc, out, length);
}

std::optional<std::string> clear_of_type7(const std::string &encrypted) {
    char *out = nullptr;
    uint32_t length = 0;
    const int32_t rc = radius_new_security_conf_decrypt(encrypted.c_str(), static_cast<uint32_t>(encrypted.size() + 1),
                                                        7, 0, 0, &out, &length);
    return converted(rc, out, length);
}

namespace {

// Bytes a handler must not read hold this in every test block: the unused
// words of the block and of each parameter, the slots past param_count, a
// keyword's type and value, a non-host parameter's address kind.  A
// handler that reads one sees nonsense, or a pointer that faults.
constexpr int garbage = 0xa5;

}  // namespace

command::command() {
    std::memset(&info_, garbage, sizeof info_);
    info_.param_count = 0;
    info_.no_form = 0;
    info_.session_word = 0;
    info_.submode_noop = 0;
    info_.exec_noop = 0;
    info_.session_handle = test_session;
    info_.cmd_id = 0;
    info_.is_active_sup = 1;
    info_.exec_flags = 0;
}

command &command::no_form() {
    info_.no_form = 1;
    return *this;
}

command &command::on_standby() {
    info_.is_active_sup = 0;
    return *this;
}

command &command::exec_flags(uint32_t flags) {
    info_.exec_flags = flags;
    return *this;
}

command &command::cmd_id(uint32_t id) {
    info_.cmd_id = id;
    return *this;
}

command &command::submode_noop() {
    info_.submode_noop = 1;
    return *this;
}

command &command::exec_noop() {
    info_.exec_noop = 1;
    return *this;
}

command &command::add(int32_t id, uint32_t type, void *value, uint32_t addr_kind) {
    cmd_param &param = params_.emplace_back();
    std::memset(&param, garbage, sizeof param);
    param.id = id;
    if (type == garbage_word) return append(param);
    param.type = type;
    param.value = value;
    if (type == PARAM_TYPE_HOST) param.addr_kind = addr_kind;
    return append(param);
}

command &command::append(cmd_param &param) {
    info_.params[info_.param_count++] = &param;
    return *this;
}

command &command::u32(int32_t id, uint32_t value) {
    return add(id, PARAM_TYPE_U32, &numbers_.emplace_back(value), 0);
}

command &command::text(int32_t id, const std::string &value) {
    return add(id, PARAM_TYPE_TEXT, texts_.emplace_back(value).data(), 0);
}

command &command::keyword(int32_t id) { return add(id, garbage_word, nullptr, 0); }

command &command::host(int32_t id, const std::string &value, uint32_t addr_kind) {
    return add(id, PARAM_TYPE_HOST, texts_.emplace_back(value).data(), addr_kind);
}

command &command::typed(int32_t id, uint32_t type, const std::string &value) {
    return add(id, type, texts_.emplace_back(value).data(), 0);
}

outcome command::run(radius_handler_fn handler) {
    radsim::begin_request(&info_);
    radsim::stdout_capture capture;
    const int32_t status = handler(&info_);
    std::string out = capture.finish();
    radsim::end_request();
    return {status, std::move(out)};
}

shown command::show(radius_handler_fn handler) {
    radsim::begin_request(&info_);
    radsim::stdout_capture capture;
    const int32_t status = handler(&info_);
    std::string out = capture.finish();
    const size_t left_open = radsim::open_output_handles();
    radsim::end_request();
    return {status, std::move(out), radsim::take_shell_buffer(), left_open};
}

void handler_test::SetUp() { radsim::reset(); }

void report_test::SetUp() {
    handler_test::SetUp();
    radsim::set_report_sink([this](const radsim::report &sent) { reports_.push_back(sent); });
}

std::string report_test::reports_text() const {
    std::string text;
    for (const radsim::report &sent : reports_) text += sent.text();
    return text;
}

void handler_test::TearDown() {
    EXPECT_TRUE(radsim::contract_violations().empty())
        << "first violation: " << radsim::contract_violations().front();
}

}  // namespace radtest

namespace radsim {

void PrintTo(const config_tables &tables, std::ostream *os) {
    *os << "{global timeout=" << tables.global.timeout << " retransmit=" << tables.global.retransmit
        << " deadtime=" << tables.global.deadtime << " key_type=" << tables.global.key_type << " key='"
        << tables.global.key << "' key6='" << tables.global.key6 << "'";
    for (const auto &[index, server] : tables.servers) {
        *os << "; server " << index << " " << server.host << " key_type=" << server.key_type << " key='"
            << server.key << "' key6='" << server.key6 << "'";
    }
    for (const auto &[name, group] : tables.groups) {
        *os << "; group " << name << " members=" << group.member_count << " deadtime=" << group.deadtime;
    }
    *os << "}";
}

void PrintTo(const stored_config &config, std::ostream *os) {
    *os << "{running ";
    PrintTo(config.running, os);
    if (config.pending) {
        *os << " pending ";
        PrintTo(*config.pending, os);
    }
    for (const auto &[item, value] : config.items) *os << " item " << item << "=" << value;
    for (const auto &[id, entry] : config.monitor_entries) {
        *os << " monitor " << id << " idle=" << entry.idle_time << " user='"
            << std::string(entry.test_user, strnlen(entry.test_user, sizeof entry.test_user)) << "'";
    }
    *os << "}";
}

}  // namespace radsim
