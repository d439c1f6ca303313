// One shell session: the current mode and submode context, and the running
// of lines in it: parse, report errors with a caret, call the bound
// handler, render its output, change mode.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/grammar.hpp"
#include "shell/parser.hpp"
#include "shell/plugin.hpp"
#include "shell/render.hpp"

namespace radius::shell {

struct session_options {
    bool json = false;     // render tagged output as JSON unless told otherwise
    bool standby = false;  // run as on the standby supervisor (is_active_sup 0)
    // The file of the saved startup configuration, beside the store's file;
    // empty when the store is in memory and there is none.
    std::string startup_config = {};
    // Lines from a file or pipe read as typed at the terminal: a '?' that
    // ends one lists what may come next (at a terminal it always does).
    bool typed = false;
};

class session {
public:
    session(const handler_library &library, session_options options);

    // Runs one line as typed.  `shown`: the prompt and the line are already
    // on the screen, so a caret can point into them; otherwise an error
    // prints the line first.  At a terminal (or with `typed`), a line ending
    // in "?" lists what may come next.
    // Blank lines and lines starting with "!" do nothing.  Returns false
    // when the line failed (a parse error or a nonzero handler status).
    bool run_line(std::string_view line, bool shown);

    // Prints the "?" list for `line` (the text before the "?").
    void print_help(std::string_view line, bool shown);

    // The keywords and values that complete the last word of `line`.
    std::vector<std::string> complete(std::string_view line) const;

    // The session runs at a terminal: each command's output is held until
    // the command is done, then shown through the pager when longer than a
    // page (terminal_output.hpp), and it ends its line before the next prompt.
    void use_terminal() { terminal_ = true; }

    // Runs the lines of a script file in this session as a command list,
    // each echoed after the prompt.  True when the file was read whole and
    // every line succeeded.
    bool run_script(const std::string &path);

    // Applies the saved startup configuration, when there is one, as a file
    // of saved configuration: what a store created afresh does first.  Its
    // failed lines are reported and skipped, as on a switch that boots;
    // false only when the file is there but could not be read to its end.
    bool apply_startup_config();

    // What the handler of the last line's command returned; nothing when the
    // line called none (a parse error, a built-in command such as a mode
    // change or a copy, a missing handler).
    std::optional<int32_t> last_status() const { return last_status_; }

    std::string prompt() const { return std::string(prompt_of(mode_)); }
    mode current_mode() const { return mode_; }
    bool finished() const { return finished_; }

private:
    bool in_submode() const;
    bool run_command(std::string_view line, bool shown);
    bool renders_json(const parsed_command &command) const;
    void show_output(std::string text, const parsed_command &command) const;
    void show_history() const;
    parse_result parse_here(std::string_view line);
    bool execute(const parsed_command &command);
    bool run_builtin(const parsed_command &command);
    bool call_handler(const parsed_command &command);
    int32_t invoke(const parsed_command &command, const std::vector<argument> &args, void *address, bool json);
    void enter(mode next, const parsed_command &command);
    bool exit_mode();
    struct replay_result {
        bool read_whole;
        bool every_line_applied;
    };
    replay_result replay(const std::string &file);
    bool copy_in(const std::string &file);
    bool overwrite_agreed(const std::string &file) const;
    // Lines come from the operator at a terminal, not from a script run there.
    bool typed_at_terminal() const { return terminal_ && !in_script_; }
    std::optional<std::string> running_config_text();
    bool save_running_config(const std::string &file);
    bool save_startup_config();
    bool show_startup_config() const;
    bool startup_config_kept() const;
    void print_error(const parse_error &error, std::string_view line, bool shown) const;

    const handler_library &library_;
    session_options options_;
    mode mode_ = mode::exec;
    std::vector<argument> context_;  // what every command of the submode carries first
    uint32_t exec_flags_ = 0;
    bool replaying_ = false;
    bool finished_ = false;
    std::optional<int32_t> last_status_;
    bool terminal_ = false;
    bool in_script_ = false;
    std::optional<unsigned> page_length_;  // terminal length; nothing: the screen's height
    std::vector<std::string> history_;     // the lines run in this session, for "show history"
};

}  // namespace radius::shell
