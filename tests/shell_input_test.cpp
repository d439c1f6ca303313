// What a line may hold, through a session over the real command library.
//  - The bounds of one line (length, words, control bytes) hold whatever the
//    line comes from, a pipe, a -c list or a file being applied, and a
//    refused line changes nothing.
//  - Matching a line is linear in its length: the matcher's allocations grow
//    with the line's arguments, not with the words times the paths it
//    follows (the heap is counted, so the figure is exact on any machine).
//  - '?' and '|' inside a word are characters of a value: a key of every
//    printable character survives a save and both ways of replaying it,
//    a file applied and the saved lines fed to standard input.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <new>

#include "shell/input_limits.hpp"
#include "shell/line_input.hpp"
#include "tests/support/command.hpp"
#include "tests/support/temp_folder.hpp"

// Every allocation of this program is counted, for the linearity test.
namespace {
std::atomic<size_t> allocations{0};

void *counted(size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void *block = std::malloc(size == 0 ? 1 : size)) return block;
    throw std::bad_alloc();
}
}  // namespace

void *operator new(size_t size) { return counted(size); }
void *operator new[](size_t size) { return counted(size); }
void *operator new(size_t size, const std::nothrow_t &) noexcept { return std::malloc(size == 0 ? 1 : size); }
void *operator new[](size_t size, const std::nothrow_t &) noexcept { return std::malloc(size == 0 ? 1 : size); }
void operator delete(void *block) noexcept { std::free(block); }
void operator delete[](void *block) noexcept { std::free(block); }
void operator delete(void *block, size_t) noexcept { std::free(block); }
void operator delete[](void *block, size_t) noexcept { std::free(block); }

namespace radius::shell {
namespace {

// A stored key as the user meant it: type 7 decrypted, type 0 as it is.
std::string meaning(uint32_t key_type, const char *key, size_t size) {
    const std::string text(key, strnlen(key, size));
    if (key_type != RADIUS_KEY_TYPE7) return text;
    return radtest::clear_of_type7(text).value_or("(no decryption)");
}

// A switch as it boots, with nothing configured.
void fresh_switch() {
    radsim::reset();
    radsim::load_factory_defaults();
}

class shell_input : public radtest::handler_test {
protected:
    void SetUp() override {
        handler_test::SetUp();
        fresh_switch();
    }

    // Runs `lines` as standard input would, in a new session; what it printed.
    std::string piped(const std::string &lines, session_options options = {}) {
        session s(library_, options);
        std::FILE *in = std::tmpfile();
        std::fwrite(lines.data(), 1, lines.size(), in);
        std::fflush(in);
        std::rewind(in);
        radsim::stdout_capture capture;
        run_session(s, *make_stream_source(fileno(in), "standard input"), false);
        std::fclose(in);
        return capture.finish();
    }

    // Runs `commands` as -c does (split at ';'), in a new session.
    std::string listed(std::vector<std::string> commands) {
        session s(library_, {});
        radsim::stdout_capture capture;
        run_session(s, *make_list_source(std::move(commands)), false);
        return capture.finish();
    }

    // Applies `text` as a saved file with "copy FILE running-config".
    std::string applied(const std::string &text) {
        std::ofstream(file_, std::ios::binary) << text;
        return piped("copy " + file_ + " running-config\n");
    }

    handler_library library_{RADSH_LIBRARY};
    const radtest::temp_folder folder_;
    const std::string file_ = folder_.file("scratch.cfg");
};

// The caret and the message that close a refusal.
std::string refusal(size_t column, const std::string &message) {
    return std::string(column, ' ') + "^\n" + message + "\n";
}

struct bound_row {
    std::string line;  // run in configuration mode
    std::string expected;
    // A line too long for the reader of a pipe or a file: it stops there,
    // before the line reaches the parser.
    bool stops_a_reader = false;
};

std::vector<bound_row> bound_rows() {
    const std::string words_message = "% Too many words at '^' marker: a line holds at most 256 words.";
    const std::string line_message = "% Line too long at '^' marker: a line holds at most 4096 characters.";
    // "do show radius-server" and 85 filters: 258 words, of which the 257th
    // is the last filter's "include".
    std::string words_line = "do show radius-server";
    for (int filter = 0; filter < 85; ++filter) words_line += " | include x";
    return {
        // A NUL used to end the host where it stood: 10.0.0.9 was created.
        {std::string("radius-server host 10.0.0.9\0junk", 32),
         refusal(27, "% Control byte 0x00 at '^' marker (column 28): a line holds printable characters, blanks and tabs only.")},
        // An escape sequence would reach every display of the key.  The key
        // is echoed masked, the caret under its mask.
        {"radius-server key ab\x1b[2Jcd",
         refusal(18, "% Control byte 0x1B at '^' marker (column 21): a line holds printable characters, blanks and tabs only.")},
        // A carriage return inside the line is no blank; at its end it is.
        {"radius-server host 10.0.0.9 key a\rb",
         refusal(33, "% Control byte 0x0D at '^' marker (column 34): a line holds printable characters, blanks and tabs only.")},
        // DEL is a control byte too.
        {"radius-server timeout 5\x7f",
         refusal(23, "% Control byte 0x7F at '^' marker (column 24): a line holds printable characters, blanks and tabs only.")},
        // Blanks count: a line that would be valid but for its length.
        {"radius-server" + std::string(max_line_length, ' ') + "host 10.0.0.9", refusal(max_line_length, line_message), true},
        // 257 words, the first too many at its caret.
        {words_line, refusal(words_line.size() - std::string_view("include x").size(), words_message)},
    };
}

TEST_F(shell_input, a_line_past_its_bounds_is_refused_whole_from_every_source) {
    const std::string stopped = " is longer than 4096 characters: ";
    for (const bound_row &row : bound_rows()) {
        const radsim::stored_config before = radsim::stored();
        const std::string from_pipe = piped("configure\n" + row.line + "\n");
        const std::string pipe_expected = row.stops_a_reader ? "% Line 2 of standard input" + stopped +
                                                                   "standard input was read no further\n"
                                                             : row.expected;
        EXPECT_TRUE(from_pipe.ends_with(pipe_expected)) << row.line << "\n" << from_pipe;
        const std::string from_list = listed({"configure", row.line});
        EXPECT_TRUE(from_list.ends_with(row.expected)) << row.line << "\n" << from_list;
        const std::string from_file = applied(row.line + "\n");
        EXPECT_NE(from_file.find(row.stops_a_reader ? stopped : row.expected), std::string::npos) << from_file;
        EXPECT_TRUE(from_file.ends_with(row.stops_a_reader ? "0 failed\n" : "0 lines applied, 1 failed\n")) << from_file;
        EXPECT_EQ(radsim::stored(), before) << row.line;
    }
}

TEST_F(shell_input, a_line_at_its_bounds_is_taken) {
    std::string words = "show radius-server";
    for (int filter = 0; filter < 84; ++filter) words += " | include x";
    words += " | count";  // 2 + 3 * 84 + 2 = 256 words
    const auto parsed = parse(words, mode::exec);
    ASSERT_TRUE(std::holds_alternative<parsed_command>(parsed)) << words;
    EXPECT_EQ(std::get<parsed_command>(parsed).filters.size(), 85u);
    const std::string tabs_and_length = "radius-server\thost\t10.0.0.9" + std::string(max_line_length - 27, ' ');
    EXPECT_TRUE(std::holds_alternative<parsed_command>(parse(tabs_and_length, mode::configure)));
}

// A member list of `members` hosts long enough to be kept on the heap.
std::string group_line(size_t members) {
    std::string line = "aaa group server radius G1";
    for (size_t i = 0; i < members; ++i) line += " server h" + std::to_string(100000 + i) + ".example.net";
    return line;
}

size_t allocations_of(const std::string &line) {
    const size_t before = allocations.load();
    const parse_result result = parse(line, mode::configure);
    const size_t count = allocations.load() - before;
    EXPECT_TRUE(std::holds_alternative<parsed_command>(result)) << line;
    return count;
}

TEST_F(shell_input, matching_costs_what_the_arguments_do_not_the_square_of_the_words) {
    allocations_of(group_line(125));  // the reused buffers reach their size
    const size_t half = allocations_of(group_line(62));
    const size_t full = allocations_of(group_line(125));
    // Each member's argument and its host text, and the list's growth.
    EXPECT_LE(full, 2 * half + 8) << half << " then " << full;
}

// Characters a key cannot hold under the grammar, with the refusal: a
// blank ends the key's word, and the rest of it is one word too many.
const std::map<char, std::string> refused_in_keys = {{' ', "% Invalid input detected at '^' marker."}};

// The key of `c`: the character at both ends and inside.
std::string key_of(char c) { return std::string(1, c) + "k" + c + "k" + c; }

struct stored_keys {
    uint32_t server_type;
    std::string server;  // as stored, and as meant
    std::string server_meaning;
    uint32_t global_type;
    std::string global;
    std::string global_meaning;
};

stored_keys keys_now() {
    const radsim::config_tables tables = radsim::stored().running;
    EXPECT_EQ(tables.servers.size(), 1u);
    const radius_server_cfg server = tables.servers.empty() ? radius_server_cfg{} : tables.servers.begin()->second;
    return {server.key_type,
            std::string(server.key, strnlen(server.key, sizeof server.key)),
            meaning(server.key_type, server.key, sizeof server.key),
            tables.global.key_type,
            std::string(tables.global.key, strnlen(tables.global.key, sizeof tables.global.key)),
            meaning(tables.global.key_type, tables.global.key, sizeof tables.global.key)};
}

TEST_F(shell_input, a_key_of_any_printable_character_comes_back_from_a_save) {
    for (char c = ' '; c <= '~'; ++c) {
        for (const std::string form : {"", "7 "}) {
            fresh_switch();
            const std::string key = key_of(c);
            const std::string typed = "configure\nradius-server host 10.0.0.1 key " + form + key +
                                      "\nradius-server key " + form + key + "\n";
            const std::string out = piped(typed);
            if (refused_in_keys.contains(c)) {
                EXPECT_TRUE(out.ends_with(refused_in_keys.at(c) + "\n")) << out;
                EXPECT_TRUE(radsim::stored().running.servers.empty()) << key;
                continue;
            }
            const stored_keys entered = keys_now();
            EXPECT_EQ(entered.server, key) << out;
            EXPECT_EQ(entered.global, key) << out;
            ASSERT_NE(piped("copy running-config " + file_ + "\n").find("Saved"), std::string::npos);
            std::ifstream saved_file(file_, std::ios::binary);
            const std::string saved{std::istreambuf_iterator<char>(saved_file), {}};
            for (const bool through_stdin : {false, true}) {
                fresh_switch();
                const std::string replayed =
                    through_stdin ? piped("configure\n" + saved) : piped("copy " + file_ + " running-config\n");
                const stored_keys back = keys_now();
                const std::string why = "key " + form + key + (through_stdin ? " on stdin\n" : " applied\n") + replayed;
                EXPECT_EQ(back.server_type, RADIUS_KEY_TYPE7) << why;
                EXPECT_EQ(back.server_meaning, entered.server_meaning) << why;
                EXPECT_EQ(back.global_type, RADIUS_KEY_TYPE7) << why;
                EXPECT_EQ(back.global_meaning, entered.global_meaning) << why;
                // A type-7 key is saved as it was typed and comes back so.
                if (!form.empty()) {
                    EXPECT_EQ(back.server, key) << why;
                    EXPECT_EQ(back.global, key) << why;
                }
            }
        }
    }
}

TEST_F(shell_input, question_mark_asks_for_help_only_as_typed) {
    const std::string line = "configure\nradius-server key ab?\n";
    const std::string typed = piped(line, {.typed = true});
    EXPECT_NE(typed.find("<key>"), std::string::npos) << typed;
    EXPECT_EQ(radsim::stored().running.global.key[0], '\0');
    EXPECT_EQ(piped(line), "");
    EXPECT_STREQ(radsim::stored().running.global.key, "ab?");
}

}  // namespace
}  // namespace radius::shell
