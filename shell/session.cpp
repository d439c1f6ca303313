#include "shell/session.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>

#include "abi/radius_records.h"
#include "shell/line_input.hpp"
#include "shell/line_reader.hpp"
#include "shell/output_filter.hpp"
#include "shell/param_block.hpp"
#include "shell/question.hpp"
#include "shell/running_config.hpp"
#include "shell/secret_mask.hpp"
#include "shell/switch_control.hpp"
#include "shell/terminal_output.hpp"
#include "shell/value_completion.hpp"
#include "sim/radsim.h"

namespace radius::shell {

namespace {

using running_config_fn = int32_t (*)(cmd_paraminfo *info, int32_t pending, uint32_t full);

const argument *find_arg(const std::vector<argument> &args, int32_t id) {
    const auto found = std::find_if(args.begin(), args.end(), [id](const argument &arg) { return arg.id == id; });
    return found == args.end() ? nullptr : &*found;
}

std::string text_arg(const parsed_command &command, int32_t id) {
    const argument *arg = find_arg(command.args, id);
    return arg != nullptr ? arg->text : std::string();
}

const command_def &running_config_def() {
    const auto table = command_table();
    return *std::find_if(table.begin(), table.end(),
                         [](const command_def &def) { return def.shape == call_shape::running_config; });
}

// An ambiguous word is reported with the line up to it, which may hold a
// secret.
std::string error_message(const parse_error &error, mode m) {
    switch (error.kind) {
        case error_kind::invalid: return "% Invalid input detected at '^' marker.";
        case error_kind::out_of_range: return "% Value out of range at '^' marker: expected " + error.detail + ".";
        case error_kind::too_long: return "% Value too long at '^' marker: at most " + error.detail + " characters.";
        case error_kind::ambiguous: return "% Ambiguous command: \"" + masked(error.detail, m) + "\"";
        case error_kind::incomplete: return "% Incomplete command.";
        case error_kind::bad_pattern: return "% Invalid regular expression at '^' marker.";
        case error_kind::line_too_long:
            return "% Line too long at '^' marker: a line holds at most " + error.detail + " characters.";
        case error_kind::too_many_words:
            return "% Too many words at '^' marker: a line holds at most " + error.detail + " words.";
        case error_kind::control_byte:
            return "% Control byte " + error.detail + " at '^' marker (column " + std::to_string(error.offset + 1) +
                   "): a line holds printable characters, blanks and tabs only.";
    }
    return "% Invalid input detected at '^' marker.";
}

// The lines other components of the switch render for their own part of
// the running configuration, after the library's.
std::string appended_lines(const parsed_command &command) {
    return appended_config_lines(find_arg(command.args, shell_param_full) != nullptr);
}

// What "?" lists in a submode: the submode's words, then those of
// configuration mode it does not have.  When only one of the two reads the
// line, its answer; when neither does, the error of the one that read further.
std::variant<std::vector<help_entry>, parse_error> merge_help(std::variant<std::vector<help_entry>, parse_error> inner,
                                                              std::variant<std::vector<help_entry>, parse_error> outer) {
    const auto *inner_error = std::get_if<parse_error>(&inner);
    const auto *outer_error = std::get_if<parse_error>(&outer);
    if (outer_error != nullptr) return inner_error != nullptr && outer_error->offset > inner_error->offset ? outer : inner;
    if (inner_error != nullptr) return outer;
    auto &entries = std::get<std::vector<help_entry>>(inner);
    for (help_entry &entry : std::get<std::vector<help_entry>>(outer)) {
        const bool listed = std::any_of(entries.begin(), entries.end(),
                                        [&entry](const help_entry &known) { return known.word == entry.word; });
        if (!listed) entries.push_back(std::move(entry));
    }
    // "<cr>" closes the list wherever it came from.
    std::stable_partition(entries.begin(), entries.end(), [](const help_entry &entry) { return entry.word != "<cr>"; });
    return inner;
}

// False with errno set; a write that makes no progress counts as a full disk.
bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written == 0) errno = ENOSPC;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

bool refuse_write(const std::string &file, const char *reason) {
    std::printf("%% Cannot write %s: %s\n", file.c_str(), reason);
    return false;
}

// `text` written to a new file of a name no one else holds (a name planted
// beforehand, as a link, is never opened), flushed to the disk and closed.
// Returns the file's name, or nothing with errno set and the file gone.
std::optional<std::string> write_temporary(const std::string &file, std::string_view text) {
    std::string name = file + ".XXXXXX";
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    bool written = write_all(fd, text) && ::fsync(fd) == 0;
    int error = errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written) return name;
    ::unlink(name.c_str());
    errno = error;
    return std::nullopt;
}

// The rename is on the disk once the folder that holds the name is.
void sync_folder(const std::string &file) {
    const std::string folder = std::filesystem::path(file).parent_path().string();
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// Writes `text` into a new file beside `file` and renames it over `file`:
// a crash or a full disk leaves the old file whole.  Only a regular file
// (or a link, which is replaced, not followed) may stand there: renaming
// over a device or a folder would destroy it.
bool replace_file(const std::string &file, const std::string &text) {
    struct stat existing {};
    if (::lstat(file.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode)) {
        return refuse_write(file, S_ISDIR(existing.st_mode) ? std::strerror(EISDIR) : "not a regular file");
    }
    const std::optional<std::string> temporary = write_temporary(file, text);
    if (!temporary) return refuse_write(file, std::strerror(errno));
    if (::rename(temporary->c_str(), file.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary->c_str());
        return refuse_write(file, std::strerror(error));
    }
    sync_folder(file);
    return true;
}

// Mode changes and the shell's own answers leave the store alone, and so
// need no unit of work (nor wait for another process's lock).
bool touches_store(const command_def &def) {
    if (def.shape != call_shape::builtin) return true;
    switch (def.action) {
        case builtin::configure:
        case builtin::end:
        case builtin::exit:
        case builtin::answer:
        case builtin::feature:
        case builtin::show_startup: return false;
        default: return true;
    }
}

// The handler calls of one line, up to the first that fails; the status of
// the last one made.  A line split into several calls is one change to the
// user, so a failing call undoes the calls before it; a single call keeps
// what its handler kept.
int32_t call_all(const std::vector<std::vector<argument>> &calls,
                 const std::function<int32_t(const std::vector<argument> &)> &call_one) {
    int32_t status = 0;
    const auto all_succeed = [&] {
        for (const auto &call : calls) {
            status = call_one(call);
            if (status != 0) return false;
        }
        return true;
    };
    if (calls.size() == 1) {
        all_succeed();
    } else if (!radsim::all_or_nothing(all_succeed)) {
        std::puts("% Nothing of this line was applied.");
    }
    return status;
}

bool report_missing(std::string_view handler) {
    std::printf("%% Command unavailable: the command library has no handler %.*s.\n", static_cast<int>(handler.size()),
                handler.data());
    return false;
}

}  // namespace

session::session(const handler_library &library, session_options options) : library_(library), options_(options) {}

bool session::run_line(std::string_view raw, bool shown) {
    last_status_.reset();
    const std::string_view line = trim_right(raw);
    const size_t first = line.find_first_not_of(blanks);
    if (first == std::string_view::npos || line[first] == '!') return true;
    // Only a person at the terminal asks for help: elsewhere a '?' is
    // part of a value, such as a saved key.
    if (line.back() == '?' && (terminal_ || options_.typed)) {
        print_help(line.substr(0, line.size() - 1), shown);
        return true;
    }
    history_.push_back(masked(line.substr(first), mode_));
    return run_command(line, shown);
}

bool session::in_submode() const { return mode_ != mode::exec && mode_ != mode::configure; }

// A line in a submode may be one of configuration mode (parse_here), so
// "?" there lists both.
void session::print_help(std::string_view line, bool shown) {
    auto listed = help(line, mode_);
    if (in_submode()) listed = merge_help(std::move(listed), help(line, mode::configure));
    if (const auto *error = std::get_if<parse_error>(&listed)) {
        print_error(*error, line, shown);
        return;
    }
    const auto &entries = std::get<std::vector<help_entry>>(listed);
    size_t width = 0;
    for (const help_entry &entry : entries) width = std::max(width, entry.word.size());
    for (const help_entry &entry : entries) {
        if (entry.help.empty()) {
            std::printf("  %s\n", entry.word.c_str());
        } else {
            std::printf("  %-*s  %s\n", static_cast<int>(width), entry.word.c_str(), entry.help.c_str());
        }
    }
}

std::vector<std::string> session::complete(std::string_view line) const {
    std::vector<std::string> words = completions(line, mode_, list_values);
    if (!in_submode()) return words;
    for (std::string &word : completions(line, mode::configure, list_values)) {
        if (std::find(words.begin(), words.end(), word) == words.end()) words.push_back(std::move(word));
    }
    return words;
}

// Output is held back when filters apply to it, or at a terminal, where it
// may need the pager.  JSON filters its reports instead (call_handler).
bool session::run_command(std::string_view line, bool shown) {
    const parse_result result = parse_here(line);
    if (const auto *error = std::get_if<parse_error>(&result)) {
        print_error(*error, line, shown);
        return false;
    }
    const parsed_command &command = std::get<parsed_command>(result);
    const bool filtered = !command.filters.empty() && !renders_json(command);
    if (!filtered && !terminal_) return execute(command);
    radsim::stdout_capture capture;
    const bool worked = execute(command);
    std::string text = capture.finish();
    if (filtered) text = filter_text(text, command.filters);
    show_output(std::move(text), command);
    return worked;
}

// Each command is one unit of work on the store, so that a process that
// dies leaves it applied wholly or not at all; a file being applied makes
// each of its lines a unit instead.  A command the storage failed under
// leaves the session in the mode it found.
bool session::execute(const parsed_command &command) {
    if (command.def->action == builtin::copy_in) return copy_in(text_arg(command, shell_param_file));
    if (!touches_store(*command.def)) return run_builtin(command);
    const mode mode_before = mode_;
    const std::vector<argument> context_before = context_;
    bool worked = false;
    try {
        radsim::atomically([&] {
            worked = command.def->shape == call_shape::builtin ? run_builtin(command) : call_handler(command);
        });
    } catch (const radsim::store_error &error) {
        mode_ = mode_before;
        context_ = context_before;
        std::printf("%% Not applied: %s.\n", error.what());
        return false;
    }
    return worked;
}

// "| count" counts the lines of the text form.
bool session::renders_json(const parsed_command &command) const {
    return (command.json || options_.json) && command.def->tagged && !counts_lines(command.filters);
}

void session::show_output(std::string text, const parsed_command &command) const {
    if (!terminal_) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        return;
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    show_on_terminal(text, command.no_more ? std::optional<unsigned>(0) : page_length_);
    clear_interrupt();
}

void session::show_history() const {
    for (size_t i = 0; i < history_.size(); ++i) std::printf("%5zu  %s\n", i + 1, history_[i].c_str());
}

// In a submode, a line the submode does not know but configuration mode
// does leaves the submode and runs there, as on a switch.  When neither
// knows it, the error is the one of the mode that read further.
parse_result session::parse_here(std::string_view line) {
    parse_result result = parse(line, mode_);
    if (!std::holds_alternative<parse_error>(result) || !in_submode()) {
        return result;
    }
    parse_result outer = parse(line, mode::configure);
    if (const auto *outer_error = std::get_if<parse_error>(&outer)) {
        return outer_error->offset > std::get<parse_error>(result).offset ? outer : result;
    }
    mode_ = mode::configure;
    context_.clear();
    return outer;
}

// The caret stands under the line as it is on the screen: as typed at a
// terminal, masked where the shell printed it (an echo, or here).
void session::print_error(const parse_error &error, std::string_view line, bool shown) const {
    const masked_line hidden(line, mode_);
    const size_t indent = shown ? prompt_of(mode_).size() : 0;
    if (!shown) std::printf("%s\n", hidden.text().c_str());
    const size_t caret = shown && typed_at_terminal() ? error.offset : hidden.offset(error.offset);
    std::printf("%s^\n%s\n", std::string(indent + caret, ' ').c_str(), error_message(error, mode_).c_str());
}

bool session::run_builtin(const parsed_command &command) {
    switch (command.def->action) {
        case builtin::configure:
            mode_ = mode::configure;
            return true;
        case builtin::end:
            mode_ = mode::exec;
            context_.clear();
            return true;
        case builtin::exit: return exit_mode();
        case builtin::feature:
            radsim::set_feature(text_arg(command, shell_param_feature), !command.no_form);
            return true;
        case builtin::copy_in: return copy_in(text_arg(command, shell_param_file));
        case builtin::copy_out: return save_running_config(text_arg(command, shell_param_file));
        case builtin::save_startup: return save_startup_config();
        case builtin::show_startup: return show_startup_config();
        case builtin::answer:
        case builtin::help:
            std::printf("%.*s\n", static_cast<int>(command.def->answer.size()), command.def->answer.data());
            return true;
        case builtin::debug: return set_radius_debugging(!command.no_form);
        case builtin::simulate: return simulate(command);
        case builtin::fabric_peers: return show_fabric_peers();
        case builtin::test_aaa: return test_aaa(command);
        case builtin::history: show_history(); return true;
        case builtin::terminal_length:
            page_length_ = find_arg(command.args, shell_param_page_length)->number;
            return true;
        case builtin::none: break;
    }
    return false;
}

bool session::exit_mode() {
    switch (mode_) {
        case mode::exec: finished_ = true; break;
        case mode::configure: mode_ = mode::exec; break;
        case mode::server_group:
        case mode::dynamic_author: mode_ = mode::configure; break;
    }
    context_.clear();
    return true;
}

bool session::call_handler(const parsed_command &command) {
    const command_def &def = *command.def;
    void *address = library_.find(def.handler);
    if (address == nullptr) return report_missing(def.handler);
    // An exec command run with "do" carries nothing of the submode.
    std::vector<argument> args = command.via_do ? std::vector<argument>() : context_;
    args.insert(args.end(), command.args.begin(), command.args.end());
    const auto calls = split_for_handler(std::move(args), def.context_id);
    if (calls.empty()) {
        std::printf("%% Too many parameters: a command takes at most %d.\n", CMD_MAX_PARAMS);
        return false;
    }
    const bool json = renders_json(command);
    const std::unique_ptr<report_renderer> renderer =
        json ? make_json_renderer(command.filters) : make_text_renderer();
    radsim::set_report_sink([&renderer](const radsim::report &sent) { renderer->add(sent); });
    const bool session_was_open = !radsim::session_owner().empty();
    const int32_t status =
        call_all(calls, [&](const std::vector<argument> &call) { return invoke(command, call, address, json); });
    radsim::set_report_sink(nullptr);
    last_status_ = status;
    if (def.shape == call_shape::running_config && json && status == 0) {
        renderer->add(running_config_report(appended_lines(command)));
    }
    renderer->finish();
    // What the generator wrote into the shell's buffer, for the running
    // configuration and the pending configuration alike.
    std::fputs(radsim::take_shell_buffer().c_str(), stdout);
    if (def.shape == call_shape::running_config && !json && status == 0) {
        std::fputs(appended_lines(command).c_str(), stdout);
    }
    if (!session_was_open && !radsim::session_owner().empty()) {
        std::puts("% Distribution: changes now wait in the pending configuration; "
                  "\"radius commit\" applies them, \"radius abort\" discards them.");
    }
    if (status == 0 && def.enters && !command.no_form) enter(*def.enters, command);
    return status == 0;
}

// One handler call: the block, the request around it, the call shape.
int32_t session::invoke(const parsed_command &command, const std::vector<argument> &args, void *address, bool json) {
    const command_def &def = *command.def;
    const uint32_t cmd_id = json && def.json_cmd_id != 0 ? def.json_cmd_id : def.cmd_id;
    param_block block(args, {command.no_form, !options_.standby, exec_flags_, cmd_id});
    radsim::set_command_id(cmd_id);
    radsim::begin_request(block.info());
    int32_t status = 0;
    if (def.shape == call_shape::running_config) {
        const uint32_t full = find_arg(command.args, shell_param_full) != nullptr ? 1 : 0;
        status = reinterpret_cast<running_config_fn>(address)(block.info(), 0, full);
    } else {
        status = reinterpret_cast<radius_handler_fn>(address)(block.info());
    }
    std::fflush(stdout);
    radsim::end_request();
    return status;
}

void session::enter(mode next, const parsed_command &command) {
    mode_ = next;
    context_.clear();
    for (const argument &arg : command.args) {
        if (command.def->context_id != no_param && arg.id == command.def->context_id) context_.push_back(arg);
    }
}

// Applies a file of configuration lines as saved configuration: each line
// runs in configuration mode (or the submode it enters) with the replay bit
// of exec_flags set.  A line that fails is reported, masked, and the rest
// still applied; an input that cannot be read to its end is reported too.
session::replay_result session::replay(const std::string &file) {
    if (replaying_) {
        std::puts("% A file being applied cannot copy files.");
        return {false, false};
    }
    const opened_file opened = open_regular_file(file);
    if (!opened.failure.empty()) {
        std::printf("%% %s\n", as_sentence(opened.failure).c_str());
        return {false, false};
    }
    session applier(library_, options_);
    applier.mode_ = mode::configure;
    applier.exec_flags_ = EXEC_FLAG_REPLAY;
    applier.replaying_ = true;
    line_reader reader(opened.fd.get(), file);
    unsigned applied = 0;
    unsigned failed = 0;
    while (const std::optional<std::string> line = reader.next()) {
        const std::string_view text = trim_right(*line);
        const size_t first = text.find_first_not_of(blanks);
        if (first == std::string_view::npos || text[first] == '!') continue;
        const mode before = applier.mode_;
        if (applier.run_command(text, false)) {
            ++applied;
            continue;
        }
        std::printf("%% Line %u of %s failed: %s\n", reader.line_number(), file.c_str(),
                    masked(text.substr(first), before).c_str());
        ++failed;
    }
    if (!reader.failure().empty()) std::printf("%% %s\n", as_sentence(reader.failure()).c_str());
    std::printf("%u lines applied, %u failed\n", applied, failed);
    return {reader.failure().empty(), failed == 0};
}

bool session::copy_in(const std::string &file) {
    const replay_result result = replay(file);
    return result.read_whole && result.every_line_applied;
}

// A script's lines run as a command list, with the terminal's question
// before an overwrite left out: a script cannot answer it.
bool session::run_script(const std::string &path) {
    const opened_file opened = open_regular_file(path);
    if (!opened.failure.empty()) {
        std::printf("%% %s\n", as_sentence(opened.failure).c_str());
        return false;
    }
    const bool was_in_script = in_script_;
    in_script_ = true;
    const int status = run_session(*this, *make_stream_source(opened.fd.get(), path), true);
    in_script_ = was_in_script;
    return status == 0;
}

// What "show running-config radius all" shows; nothing after the generator
// (or its absence) said why.
std::optional<std::string> session::running_config_text() {
    const command_def &generator = running_config_def();
    void *address = library_.find(generator.handler);
    if (address == nullptr) {
        report_missing(generator.handler);
        return std::nullopt;
    }
    const parsed_command command{&generator, false, false, {argument{.id = shell_param_full, .kind = slot::keyword}}};
    radsim::take_shell_buffer();  // nothing stale goes into the text
    const int32_t status = invoke(command, {}, address, false);
    std::string text = radsim::take_shell_buffer() + appended_lines(command);
    if (status != 0) return std::nullopt;
    return text;
}

// At a terminal, an existing file is overwritten only when the operator
// says so; files, pipes, -c and scripts overwrite, as a script needs to.
bool session::overwrite_agreed(const std::string &file) const {
    struct stat existing {};
    if (!typed_at_terminal() || ::lstat(file.c_str(), &existing) != 0) return true;
    if (answered_yes("Overwrite " + file + "?")) return true;
    std::printf("%% Not saved: %s was left as it is.\n", file.c_str());
    return false;
}

// Writes what "show running-config radius all" shows into `file`: into a
// temporary file beside it, renamed over it, so that a failed save leaves
// the old file whole and a symbolic link is replaced, not followed.
bool session::save_running_config(const std::string &file) {
    if (!overwrite_agreed(file)) return false;
    const std::optional<std::string> text = running_config_text();
    if (!text || !replace_file(file, *text)) return false;
    std::printf("Saved the running configuration to %s.\n", file.c_str());
    return true;
}

bool session::startup_config_kept() const {
    if (!options_.startup_config.empty()) return true;
    std::puts("% The store is in memory (--store :memory:): there is no startup configuration.");
    return false;
}

bool session::save_startup_config() {
    if (!startup_config_kept()) return false;
    const std::optional<std::string> text = running_config_text();
    if (!text || !replace_file(options_.startup_config, *text)) return false;
    std::puts("Saved the running configuration as the startup configuration.");
    return true;
}

// Line by line through the bounded reader: the file may have been
// replaced by anything since it was saved.
bool session::show_startup_config() const {
    if (!startup_config_kept()) return false;
    const opened_file opened = open_regular_file(options_.startup_config);
    if (opened.error == ENOENT) {
        std::puts("% No startup configuration has been saved.");
        return false;
    }
    if (!opened.failure.empty()) {
        std::printf("%% %s\n", as_sentence(opened.failure).c_str());
        return false;
    }
    line_reader reader(opened.fd.get(), options_.startup_config);
    while (const std::optional<std::string> line = reader.next()) std::printf("%s\n", line->c_str());
    if (reader.failure().empty()) return true;
    std::printf("%% %s\n", as_sentence(reader.failure()).c_str());
    return false;
}

bool session::apply_startup_config() {
    struct stat existing {};
    if (options_.startup_config.empty() || ::lstat(options_.startup_config.c_str(), &existing) != 0) return true;
    return replay(options_.startup_config).read_whole;
}

}  // namespace radius::shell
