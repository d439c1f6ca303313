// The shell's grammar as data.  Each command definition names its mode, its
// handler and a small graph of tokens: a `choice` lists the tokens that may
// come next, and each token says which choice follows it.  Optional clauses
// in any order are a choice whose tokens lead back to it; an optional part
// is a choice with an `otherwise` continuation.  One engine (parser.hpp)
// walks every definition of a mode in parallel against a line.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace radius::shell {

enum class mode : uint8_t { exec, configure, server_group, dynamic_author };

enum class slot : uint8_t {
    keyword,  // a fixed word, matched by unique prefix
    number,   // an unsigned integer in [min, max]
    text,     // one word of at most `max` characters
    host,     // IPv4 address, IPv6 address or host name
    pattern,  // one word that is a regular expression
};

// Where Tab finds the values a value slot may take.
enum class value_source : uint8_t { none, group_names, server_hosts, file_names };

// What a value slot that is left out of a "no" form contributes.
enum class when_omitted : uint8_t {
    not_allowed,  // the value must be typed
    use_default,  // the parameter is still passed, carrying `no_default`
    leave_out,    // no parameter at all (the keyword before it says enough)
};

// Parameter ids at or below zero never reach a handler: zero is "no
// parameter", the negative ones are read by the shell itself.
constexpr int32_t no_param = 0;
constexpr int32_t shell_param_json = -1;     // "| json"
constexpr int32_t shell_param_file = -2;     // a file name of the copy commands
constexpr int32_t shell_param_feature = -3;  // a feature name
constexpr int32_t shell_param_full = -4;     // "all": keys and groups too
constexpr int32_t shell_param_sim_host = -5;      // simulate: the server
constexpr int32_t shell_param_sim_counter = -6;   // simulate: a counter's name
constexpr int32_t shell_param_sim_value = -7;     // simulate: the counter's value
constexpr int32_t shell_param_sim_alive = -8;     // simulate: the server answers
constexpr int32_t shell_param_sim_dead = -9;      // simulate: the server is dead
constexpr int32_t shell_param_sim_elapsed = -10;  // simulate: milliseconds that pass
constexpr int32_t shell_param_sim_peer = -11;         // simulate: a peer switch of the fabric
constexpr int32_t shell_param_sim_reachable = -12;    // simulate: the peer can be reached
constexpr int32_t shell_param_sim_unreachable = -13;  // simulate: the peer cannot be reached
constexpr int32_t shell_param_test_host = -14;        // test aaa: the server
constexpr int32_t shell_param_test_group = -15;       // test aaa: the group
constexpr int32_t shell_param_test_user = -16;        // test aaa: the user
constexpr int32_t shell_param_test_password = -17;    // test aaa: the user's password
constexpr int32_t shell_param_test_accounting = -18;  // test aaa: an accounting request
constexpr int32_t shell_param_include = -19;      // "| include RE"
constexpr int32_t shell_param_exclude = -20;      // "| exclude RE"
constexpr int32_t shell_param_begin = -21;        // "| begin RE"
constexpr int32_t shell_param_count = -22;        // "| count"
constexpr int32_t shell_param_pattern = -23;      // the RE of the stage before it
constexpr int32_t shell_param_no_more = -24;      // "| no-more": no pager
constexpr int32_t shell_param_page_length = -25;  // terminal length: lines of a page

struct choice;

struct token {
    slot kind;
    std::string_view word;  // keyword text, or the placeholder of a value slot
    std::string_view help;
    int32_t param_id = no_param;
    const choice *next = nullptr;  // null: the line ends after this token
    uint32_t min = 0;              // number range; for text, max is the length limit
    uint32_t max = 0;
    when_omitted omitted = when_omitted::not_allowed;
    uint32_t no_default = 0;  // the value a "no" form passes when the number is left out
    bool repeatable = false;  // a keyword that may appear more than once on a line
    value_source values = value_source::none;  // what Tab offers for a value slot
};

struct choice {
    std::span<const token> tokens;
    bool may_end = false;              // the line may end here
    const choice *otherwise = nullptr;  // or go on as if at this choice
};

// How the shell runs a command.
enum class call_shape : uint8_t {
    handler,         // int32_t handler(cmd_paraminfo *)
    running_config,  // int32_t radius_new_pss_asciigen(cmd_paraminfo *, int32_t pending, uint32_t full)
    builtin,         // the shell's own action
};

enum class builtin : uint8_t {
    none, configure, end, exit, feature, copy_in, copy_out, answer, debug, simulate, fabric_peers, test_aaa,
    save_startup,  // the running configuration becomes the startup configuration
    show_startup, help, history, terminal_length,
};

struct command_def {
    mode in_mode;
    const choice *syntax;
    call_shape shape = call_shape::handler;
    std::string_view handler = {};  // bound by name in the library
    builtin action = builtin::none;
    uint32_t cmd_id = 0;
    uint32_t json_cmd_id = 0;  // command id when JSON is asked, if it differs (0: cmd_id)
    bool negatable = false;    // has a "no" form
    bool tagged = false;       // reports through the tagged channel: "| json" applies
    bool display = false;      // prints a display: the output filters ("| include" ...) apply
    std::optional<mode> enters = std::nullopt;  // submode entered when the plain form returns 0
    int32_t context_id = no_param;  // parameter every command of the submode carries first
    std::string_view answer = {};   // what builtin::answer prints, one or more lines
};

// The command table and the words around it.
std::span<const command_def> command_table();
std::string_view prompt_of(mode m);
std::string_view mode_name(mode m);

// The keyword that negates a command, the pipe to the output filters and
// JSON, and "do", which runs an exec command from a configuration mode.
extern const token negation_token;
extern const token pipe_token;
extern const token do_token;

// Whether `def` may run through "do": exec commands that do not change mode.
bool runs_through_do(const command_def &def);

}  // namespace radius::shell
