#include "shell/reference.hpp"

#include <set>
#include <vector>

#include "shell/parser.hpp"

namespace radius::shell {

namespace {

bool reaches(const choice *from, const choice *target, std::set<const choice *> &seen) {
    if (from == nullptr) return false;
    if (from == target) return true;
    if (!seen.insert(from).second) return false;
    for (const token &t : from->tokens) {
        if (reaches(t.next, target, seen)) return true;
    }
    return reaches(from->otherwise, target, seen);
}

// A choice the line may end at and its own tokens lead back to: a set of
// options in any order.
bool is_option_set(const choice &c) {
    if (!c.may_end) return false;
    for (const token &t : c.tokens) {
        std::set<const choice *> seen;
        if (reaches(t.next, &c, seen)) return true;
    }
    return false;
}

std::string join(const std::vector<std::string> &parts, const char *separator) {
    std::string out;
    for (const std::string &part : parts) out += (out.empty() ? "" : separator) + part;
    return out;
}

// Built by appending: GCC 12 at -O3 mistakes `"[" + std::string` for an
// overlapping copy (-Wrestrict).
std::string enclose(char open, const std::string &text, char close) {
    std::string out(1, open);
    out += text;
    out += close;
    return out;
}

std::string render(const choice *c, const choice *stop);

std::string render_token(const token &t, const choice *stop) {
    const std::string rest = render(t.next, stop);
    return rest.empty() ? display_word(t) : display_word(t) + " " + rest;
}

// The syntax from choice `c` up to `stop` (where an enclosing option set
// resumes) or the end of the line.
std::string render(const choice *c, const choice *stop) {
    if (c == nullptr || c == stop) return "";
    std::vector<std::string> parts;
    if (is_option_set(*c)) {
        for (const token &t : c->tokens) parts.push_back(enclose('[', render_token(t, c), ']') + (t.repeatable ? "..." : ""));
        return join(parts, " ");
    }
    for (const token &t : c->tokens) parts.push_back(render_token(t, stop));
    const bool optional = c->may_end || c->otherwise != nullptr;
    std::string out = join(parts, " | ");
    if (optional) {
        out = enclose('[', out, ']');
    } else if (parts.size() > 1) {
        out = enclose('{', out, '}');
    }
    const std::string after = render(c->otherwise, stop);
    return after.empty() ? out : out + " " + after;
}

std::string parameter_of(const token &t) {
    if (t.param_id == no_param) return "";
    if (t.param_id < 0) return "(read by the shell)";
    static constexpr const char *kinds[] = {"keyword", "u32", "text", "host", "regex"};
    std::string out = "id " + std::to_string(t.param_id) + ", " + kinds[static_cast<int>(t.kind)];
    if (t.kind == slot::text) out += " (at most " + std::to_string(t.max) + " characters)";
    if (t.omitted == when_omitted::use_default) {
        out += t.kind == slot::number ? "; \"no\" form default " + std::to_string(t.no_default) : "; \"no\" form default empty";
    }
    if (t.omitted == when_omitted::leave_out) out += "; may be left out in the \"no\" form";
    return out;
}

void list_tokens(const choice *c, std::set<const choice *> &seen, std::string &out) {
    if (c == nullptr || !seen.insert(c).second) return;
    for (const token &t : c->tokens) {
        out += "| `" + display_word(t) + "` | " + parameter_of(t) + " | " + std::string(t.help) + " |\n";
        list_tokens(t.next, seen, out);
    }
    list_tokens(c->otherwise, seen, out);
}

std::string builtin_text(builtin action, std::string_view answer) {
    switch (action) {
        case builtin::configure: return "Enters configuration mode.";
        case builtin::end: return "Returns to exec mode.";
        case builtin::exit: return "Leaves the mode: a submode for configuration mode, configuration mode for exec "
                                   "mode; in exec mode it ends the session.";
        case builtin::feature: return "Turns a feature of the simulated switch's feature manager on (\"no\": off).";
        case builtin::copy_in: return "Applies the file's lines as saved configuration (replay bit 0x4 of "
                                      "`exec_flags`); reports each failed line with its number.";
        case builtin::copy_out: return "Writes what `show running-config radius all` shows into the file.";
        case builtin::answer: return "The library serves no such command; the shell answers: \"" + std::string(answer) + "\"";
        case builtin::debug: return "Writes the RADIUS debugging flag (item 0 of the configuration store's enable-info "
                                    "record): 1, or 0 in the \"no\" form.";
        case builtin::simulate: return "Test control of the simulated switch: a server comes alive or dies now, "
                                       "a statistics counter takes a value, time passes on the AAA service's clock, "
                                       "or a peer switch of the fabric can or cannot be reached.";
        case builtin::fabric_peers: return "Lists the simulated fabric's peer switches (the `--fabric-peers` option "
                                           "names them): whether each can be reached and whether its configuration "
                                           "is this switch's running one.";
        case builtin::test_aaa: return "Sends a real RADIUS request (host build, loopback servers only) with the "
                                       "server's key, ports, timeout and retransmit count, or through the group's "
                                       "live members in order, and prints the answer; the server's statistics count "
                                       "it.";
        case builtin::save_startup: return "Saves what `show running-config radius all` shows as the startup "
                                           "configuration, beside the store's file; a store created afresh applies it "
                                           "first.";
        case builtin::show_startup: return "Shows the saved startup configuration.";
        case builtin::help: return "Explains the help keys, abbreviations, `do` and the output filters.";
        case builtin::history: return "Lists the lines of this session, numbered, oldest first.";
        case builtin::terminal_length: return "Sets the lines of a page for the pager; 0 turns paging off.";
        case builtin::none: break;
    }
    return "";
}

std::string describe(const command_def &def) {
    std::string out = "\n### `" + syntax_of(def) + "`\n\n";
    if (def.shape == call_shape::builtin) {
        out += "Shell command. " + builtin_text(def.action, def.answer) + "\n";
    } else {
        out += "Handler `" + std::string(def.handler) + "`";
        if (def.shape == call_shape::running_config) out += " (pending 0, full 1 with `all`)";
        out += ", `cmd_id` " + std::to_string(def.cmd_id);
        if (def.json_cmd_id != 0) out += " (" + std::to_string(def.json_cmd_id) + " for JSON output)";
        out += ".";
        if (def.tagged) out += " Tagged output: `| json` renders it as JSON.";
        if (def.enters) out += " Enters " + std::string(mode_name(*def.enters)) + " mode when the handler returns 0.";
        out += "\n";
    }
    if (def.negatable) out += "\nHas a `no` form.\n";
    if (def.display) out += "\nA display: the output filters apply.\n";
    out += "\n| word | parameter | help |\n|---|---|---|\n";
    std::set<const choice *> seen;
    list_tokens(def.syntax, seen, out);
    return out;
}

// What the commands of a submode carry first: the parameter of the
// command that entered it.
std::string carried_into(mode m) {
    for (const command_def &def : command_table()) {
        if (def.enters == m && def.context_id != no_param) {
            return "\nEvery command first carries parameter id " + std::to_string(def.context_id) + " of `" +
                   syntax_of(def) + "`.\n";
        }
    }
    return "";
}

}  // namespace

std::string syntax_of(const command_def &def) { return render(def.syntax, nullptr); }

std::string summary_of(const command_def &def) {
    if (def.shape == call_shape::builtin) return builtin_text(def.action, def.answer);
    return "Handler `" + std::string(def.handler) + "`.";
}

std::string reference_markdown() {
    std::string out =
        "# radsh command reference\n\n"
        "Generated from the shell's command table by `radsh --reference`; a test fails when this file is not\n"
        "current. Keywords may be abbreviated to any unique prefix. Parameters are passed to the handler in\n"
        "command-line order; in a submode every command first carries the parameters the mode was entered with.\n"
        "A line a submode does not know but configuration mode does leaves the submode and runs there;\n"
        "`?` and Tab in a submode likewise list what configuration mode offers for such a line.\n"
        "In every configuration mode, `do` followed by an exec command (other than `configure` and `exit`) runs it\n"
        "without leaving the mode.\n"
        "A display may end in output filters: `| include RE`, `| exclude RE`, `| begin RE` and `| no-more`, in any\n"
        "number and order, then optionally `| count`, or `| json` where the display is tagged.\n";
    for (mode m : all_modes) {
        out += "\n## " + std::string(mode_name(m)) + " mode (prompt `" + std::string(prompt_of(m)) + "`)\n";
        out += carried_into(m);
        for (const command_def &def : command_table()) {
            if (def.in_mode == m) out += describe(def);
        }
    }
    return out;
}

}  // namespace radius::shell
