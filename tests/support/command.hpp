// Builds a parsed-command block the way the shell would and runs a handler
// on it against the simulated platform, capturing what it prints.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "abi/radius_records.h"
#include "sim/radsim.h"

namespace radtest {

// The session handle every test command carries, so that the simulator can
// tell when a handler passes on something else.
constexpr uint32_t test_session = 0x5e55;

struct outcome {
    int32_t status;
    std::string out;  // everything written to the standard output
};

// A display's outcome as the shell sees it: also the shell's output buffer,
// and the output handles still open when the handler returned (the rules
// say which handlers release theirs).
struct shown {
    int32_t status;
    std::string out, buffer;
    size_t handles_left_open;
};

class command {
public:
    command();
    command(const command &) = delete;
    command &operator=(const command &) = delete;

    command &no_form();
    command &on_standby();
    command &exec_flags(uint32_t flags);
    command &cmd_id(uint32_t id);
    command &submode_noop();
    command &exec_noop();

    command &u32(int32_t id, uint32_t value);
    command &text(int32_t id, const std::string &value);
    command &keyword(int32_t id);
    command &host(int32_t id, const std::string &value, uint32_t addr_kind);
    // A parameter with any type word, for wrong-type cases.
    command &typed(int32_t id, uint32_t type, const std::string &value);

    cmd_paraminfo *info() { return &info_; }

    // Runs the handler as the shell does: one request, stdout captured.
    outcome run(radius_handler_fn handler);
    shown show(radius_handler_fn handler);

private:
    // A keyword's type word: add() leaves its type and value as garbage.
    static constexpr uint32_t garbage_word = 0xa5a5a5a5;
    command &add(int32_t id, uint32_t type, void *value, uint32_t addr_kind);
    command &append(cmd_param &param);

    cmd_paraminfo info_{};
    std::deque<cmd_param> params_;
    std::deque<uint32_t> numbers_;
    std::deque<std::string> texts_;
};

// Resets the simulated switch before each test and checks afterwards that
// no handler broke the platform's calling contract.
class handler_test : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

// A handler test that keeps every report the tagged channel delivers.
class report_test : public handler_test {
protected:
    void SetUp() override;
    // The text of every report so far, in order.
    std::string reports_text() const;

    std::vector<radsim::report> reports_;
};

// The registry name of a tag word ("TAG_SRV_HOST"), or its hex form when
// the registry has no such tag.
std::string tag_name(uint32_t tag);

// A key in type-7 form, and a type-7 key in clear, from the key service;
// nothing when it refuses.
std::optional<std::string> type7_of(const std::string &clear);
std::optional<std::string> clear_of_type7(const std::string &encrypted);

}  // namespace radtest

namespace radsim {
void PrintTo(const config_tables &tables, std::ostream *os);
void PrintTo(const stored_config &config, std::ostream *os);
}
