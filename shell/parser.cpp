// The matcher.  Every definition of the mode is followed at once, as a set
// of paths through its token graph; each word moves the paths that accept
// it and drops the others.  Keywords match by unique prefix and win over
// values; a word no path accepts is the error, with its offset.
//
// A line is matched without building its arguments: a path is a few words
// that point at the last step it took in one trail that every path of the
// line shares, and only the path that wins turns its steps into arguments.
// The words, the trail and the paths live in buffers that each line reuses,
// so matching costs no allocation, and each word costs the same whatever
// came before it: the work is linear in the line's length.
#include "shell/parser.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <optional>
#include <regex>
#include <set>
#include <utility>

#include "abi/radius_records.h"
#include "shell/input_limits.hpp"

namespace radius::shell {

namespace {

constexpr int32_t no_link = -1;
constexpr int32_t no_word = -1;  // a step that read no word: a value a "no" form left out

// One token a path followed that gives the command something, and the word
// it read.
struct step {
    int32_t parent;  // the step before it on the same path, or no_link
    const token *t;
    int32_t word;  // index into the line's words, or no_word
};

// A keyword that may not come again on the paths that followed it.  Each
// such keyword is on a path at most once, so a chain of them is no longer
// than the table has keywords, however long the line.
struct used_keyword {
    int32_t parent;
    const token *t;
};

struct path {
    const command_def *def = nullptr;  // null only on the paths that read "no" or "do"
    const choice *at = nullptr;        // null: nothing may follow
    mode scope = mode::exec;           // the mode whose commands "no" opens
    bool no_form = false;
    bool piped = false;  // past the first "|"
    bool via_do = false;
    int32_t last = no_link;  // the path's last step in the trail
    int32_t used = no_link;  // the path's last used keyword
};

// The buffers of one walk over a line.
struct walk_state {
    std::vector<word> words;
    std::vector<step> steps;
    std::vector<used_keyword> used;
    std::vector<path> paths;  // alive before the current word
    std::vector<path> next;   // alive after it
    std::vector<const step *> chain;  // the winning path's steps, last first
};

// One set of buffers per thread: a line is matched whole before the next.
walk_state &buffers() {
    thread_local walk_state state;
    return state;
}

const choice negation_choice{std::span<const token>(&negation_token, 1)};
const choice do_choice{std::span<const token>(&do_token, 1)};

// The longest host name; a longer word is refused as too long, not as a
// host name that is no name at all.
constexpr size_t max_host_name = 253;

enum class value_match { yes, no, out_of_range, too_long, bad_pattern };

// ASCII case folding: keywords are ASCII, and no other byte folds to one.
constexpr char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (lower(prefix[i]) != lower(text[i])) return false;
    }
    return true;
}

bool equal_nocase(std::string_view a, std::string_view b) { return a.size() == b.size() && starts_with_nocase(a, b); }

bool may_end(const path &p) { return p.def != nullptr && (p.at == nullptr || p.at->may_end); }

// Appends the paths a line starts from in mode `m`.
void start_paths(mode m, std::vector<path> &out) {
    bool negatable = false;
    for (const command_def &def : command_table()) {
        if (def.in_mode != m) continue;
        out.push_back(path{.def = &def, .at = def.syntax, .scope = m});
        negatable = negatable || def.negatable;
    }
    if (negatable) out.push_back(path{.at = &negation_choice, .scope = m});
    if (m != mode::exec) out.push_back(path{.at = &do_choice, .scope = m});
}

int32_t add_step(walk_state &s, int32_t parent, const token &t, int32_t word) {
    s.steps.push_back({parent, &t, word});
    return static_cast<int32_t>(s.steps.size() - 1);
}

bool used(const walk_state &s, const path &p, const token &t) {
    if (t.kind != slot::keyword || t.repeatable) return false;
    for (int32_t i = p.used; i != no_link; i = s.used[static_cast<size_t>(i)].parent) {
        if (s.used[static_cast<size_t>(i)].t == &t) return true;
    }
    return false;
}

// Calls `f` with each token that may come next on path `p`.
template <class F>
void for_each_candidate(const walk_state &s, const path &p, F &&f) {
    if (p.at != nullptr) {
        for (const token &t : p.at->tokens) {
            if (t.param_id == shell_param_json && !p.def->tagged) continue;
            if (!used(s, p, t)) f(t);
        }
    }
    if (may_end(p) && p.def->display && !p.piped) f(pipe_token);
}

// Adds the paths reachable without reading a word: `otherwise`
// continuations and, in "no" forms, values left out.
void expand(walk_state &s) {
    // The table has no cycle of such steps; the bound only guards that.
    for (size_t i = 0; i < s.paths.size() && i < 1024; ++i) {
        const path p = s.paths[i];  // a copy: adding paths may move them
        if (p.at == nullptr) continue;
        if (p.at->otherwise != nullptr) {
            path next = p;
            next.at = p.at->otherwise;
            s.paths.push_back(next);
        }
        if (!p.no_form) continue;
        for (const token &t : p.at->tokens) {
            if (t.kind == slot::keyword || t.omitted == when_omitted::not_allowed) continue;
            path next = p;
            next.at = t.next;
            if (t.omitted == when_omitted::use_default) next.last = add_step(s, p.last, t, no_word);
            s.paths.push_back(next);
        }
    }
}

bool all_digits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

value_match check_number(const token &t, std::string_view text, uint32_t &number) {
    if (!all_digits(text)) return value_match::no;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value < t.min || value > t.max) return value_match::out_of_range;
    number = static_cast<uint32_t>(value);
    return value_match::yes;
}

value_match check_pattern(std::string_view text) {
    try {
        const std::regex compiled{std::string(text)};
    } catch (const std::regex_error &) {
        return value_match::bad_pattern;
    }
    return value_match::yes;
}

// The length limit a too-long value was refused for.
size_t value_limit(const token &t) { return t.kind == slot::host ? max_host_name : t.max; }

// Whether value slot `t` accepts `text`, without building the argument.
value_match check_value(const token &t, std::string_view text) {
    uint32_t number = 0;
    switch (t.kind) {
        case slot::number: return check_number(t, text, number);
        case slot::text: return text.size() > t.max ? value_match::too_long : value_match::yes;
        case slot::host:
            if (text.size() > max_host_name) return value_match::too_long;
            return classify_host(text) != 0 ? value_match::yes : value_match::no;
        case slot::pattern: return check_pattern(text);
        case slot::keyword: break;
    }
    return value_match::no;
}

// Reading "do" opens the exec commands that keep the mode, and "no" before them.
void advance_do(walk_state &s) {
    bool negatable = false;
    for (const command_def &def : command_table()) {
        if (def.in_mode != mode::exec) continue;
        negatable = negatable || def.negatable;
        if (runs_through_do(def)) s.next.push_back(path{.def = &def, .at = def.syntax, .via_do = true});
    }
    if (negatable) s.next.push_back(path{.at = &negation_choice, .via_do = true});
}

// Reading "no" opens the negatable commands of the path's mode.
void advance_no(walk_state &s, const path &p) {
    for (const command_def &def : command_table()) {
        if (def.in_mode != p.scope || !def.negatable) continue;
        s.next.push_back(path{.def = &def, .at = def.syntax, .scope = p.scope, .no_form = true, .via_do = p.via_do});
    }
}

// Follows token `t` from path `p` into the next set of paths.
void advance(walk_state &s, const path &p, const token &t, int32_t word) {
    if (&t == &negation_token) return advance_no(s, p);
    if (&t == &do_token) return advance_do(s);
    path next = p;
    next.at = t.next;
    next.piped = next.piped || &t == &pipe_token;
    if (t.kind == slot::keyword && !t.repeatable) {
        s.used.push_back({p.used, &t});
        next.used = static_cast<int32_t>(s.used.size() - 1);
    }
    if (t.kind != slot::keyword || t.param_id != no_param) next.last = add_step(s, p.last, t, word);
    s.next.push_back(next);
}

// The keywords a word abbreviates: an exact match beats longer keywords,
// and two different keywords make it ambiguous.
struct keyword_choice {
    const token *first = nullptr;
    bool several = false;  // keywords other than `first` match too

    void add(const token &t) {
        if (first == nullptr) {
            first = &t;
        } else if (t.word != first->word) {
            several = true;
        }
    }
};

// Moves the paths that accept word `index` as a value, or says why none does.
std::optional<parse_error> take_value(walk_state &s, int32_t index) {
    const word w = s.words[static_cast<size_t>(index)];
    parse_error error{error_kind::invalid, w.offset, {}};
    for (const path &p : s.paths) {
        for_each_candidate(s, p, [&](const token &t) {
            if (t.kind == slot::keyword) return;
            const value_match result = check_value(t, w.text);
            if (result == value_match::yes) advance(s, p, t, index);
            if (result == value_match::out_of_range) error = {error_kind::out_of_range, w.offset, display_word(t)};
            if (result == value_match::too_long) error = {error_kind::too_long, w.offset, std::to_string(value_limit(t))};
            if (result == value_match::bad_pattern) error = {error_kind::bad_pattern, w.offset, {}};
        });
    }
    if (s.next.empty()) return error;
    return std::nullopt;
}

std::optional<parse_error> read_word(walk_state &s, int32_t index, std::string_view line) {
    const word w = s.words[static_cast<size_t>(index)];
    keyword_choice prefix;
    keyword_choice exact;
    for (const path &p : s.paths) {
        for_each_candidate(s, p, [&](const token &t) {
            if (t.kind != slot::keyword || !starts_with_nocase(t.word, w.text)) return;
            prefix.add(t);
            if (equal_nocase(t.word, w.text)) exact.add(t);
        });
    }
    const bool exact_only = exact.first != nullptr;
    if ((exact_only ? exact : prefix).several) {
        return parse_error{error_kind::ambiguous, w.offset, std::string(line.substr(0, w.offset + w.text.size()))};
    }
    s.next.clear();
    if (prefix.first == nullptr) return take_value(s, index);
    for (const path &p : s.paths) {
        for_each_candidate(s, p, [&](const token &t) {
            if (t.kind != slot::keyword) return;
            if (exact_only ? equal_nocase(t.word, w.text) : starts_with_nocase(t.word, w.text)) advance(s, p, t, index);
        });
    }
    return std::nullopt;
}

std::string hex_byte(unsigned char byte) {
    static constexpr char digits[] = "0123456789ABCDEF";
    return {'0', 'x', digits[byte >> 4], digits[byte & 0xf]};
}

// The word of `line` that starts first at or after `from`.
std::optional<word> next_word(std::string_view line, size_t from) {
    const size_t start = line.find_first_not_of(blanks, from);
    if (start == std::string_view::npos) return std::nullopt;
    const size_t end = std::min(line.find_first_of(blanks, start), line.size());
    return word{line.substr(start, end - start), start};
}

// Splits `line` into s.words after checking it against the bounds of one
// line; the refusal when it breaks one.
std::optional<parse_error> split_checked(walk_state &s, std::string_view line) {
    s.words.clear();
    if (line.size() > max_line_length) {
        return parse_error{error_kind::line_too_long, max_line_length, std::to_string(max_line_length)};
    }
    for (size_t i = 0; i < line.size(); ++i) {
        const auto byte = static_cast<unsigned char>(line[i]);
        if ((byte < 0x20 && byte != '\t') || byte == 0x7f) return parse_error{error_kind::control_byte, i, hex_byte(byte)};
    }
    for (std::optional<word> w = next_word(line, 0); w; w = next_word(line, w->offset + w->text.size())) {
        if (s.words.size() == max_line_words) {
            return parse_error{error_kind::too_many_words, w->offset, std::to_string(max_line_words)};
        }
        s.words.push_back(*w);
    }
    return std::nullopt;
}

// Reads the first `count` of s.words; leaves the surviving paths, expanded.
std::optional<parse_error> walk(walk_state &s, size_t count, mode m, std::string_view line) {
    s.steps.clear();
    s.used.clear();
    s.paths.clear();
    start_paths(m, s.paths);
    for (size_t i = 0; i < count; ++i) {
        expand(s);
        if (auto error = read_word(s, static_cast<int32_t>(i), line)) return error;
        std::swap(s.paths, s.next);
    }
    expand(s);
    return std::nullopt;
}

// The argument of a value that check_value accepted.
argument value_argument(const token &t, std::string_view text) {
    argument arg{.id = t.param_id, .kind = t.kind};
    if (t.kind == slot::number) {
        check_number(t, text, arg.number);
        return arg;
    }
    arg.text = text;
    if (t.kind == slot::host) arg.addr_kind = classify_host(text);
    return arg;
}

// A token the shell reads itself: "| json", a filter and its pattern,
// "| no-more".  False for a token whose parameter goes to the handler.
bool take_shell_token(parsed_command &command, const token &t, std::string_view text) {
    std::vector<filter_stage> &filters = command.filters;
    switch (t.param_id) {
        case shell_param_json: command.json = true; return true;
        case shell_param_no_more: command.no_more = true; return true;
        case shell_param_include: filters.push_back({filter_kind::include}); return true;
        case shell_param_exclude: filters.push_back({filter_kind::exclude}); return true;
        case shell_param_begin: filters.push_back({filter_kind::begin}); return true;
        case shell_param_count: filters.push_back({filter_kind::count}); return true;
        case shell_param_pattern:
            if (!filters.empty()) filters.back().pattern = text;
            return true;
        default: return false;
    }
}

// The command the winning path `p` read: its steps, in line order, become
// the arguments and the shell's own settings.
parsed_command build_command(walk_state &s, const path &p) {
    parsed_command command{.def = p.def, .no_form = p.no_form, .args = {}, .via_do = p.via_do};
    s.chain.clear();
    for (int32_t i = p.last; i != no_link; i = s.steps[static_cast<size_t>(i)].parent) {
        s.chain.push_back(&s.steps[static_cast<size_t>(i)]);
    }
    for (auto it = s.chain.rbegin(); it != s.chain.rend(); ++it) {
        const token &t = *(*it)->t;
        const std::string_view text = (*it)->word == no_word ? std::string_view() : s.words[static_cast<size_t>((*it)->word)].text;
        if (take_shell_token(command, t, text)) continue;
        if (t.kind == slot::keyword) {
            command.args.push_back(argument{.id = t.param_id, .kind = slot::keyword});
        } else if ((*it)->word == no_word) {
            command.args.push_back(argument{.id = t.param_id, .kind = t.kind, .number = t.no_default});
        } else {
            command.args.push_back(value_argument(t, text));
        }
    }
    return command;
}

bool host_label_char(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

// Host names: dot-separated labels of letters, digits, '-' and '_', each
// 1 to 63 long and not starting or ending with '-'; at most 253 in all.
bool valid_host_name(std::string_view text) {
    if (text.empty() || text.size() > 253) return false;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t dot = std::min(text.find('.', start), text.size());
        const std::string_view label = text.substr(start, dot - start);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
        if (!std::all_of(label.begin(), label.end(), host_label_char)) return false;
        start = dot + 1;
    }
    return true;
}

// A line that "?" or Tab ends: walked over its complete words; the partial
// last word (empty when the line ends in a blank).
struct partial_line {
    word last;
    bool partial;
};

std::variant<partial_line, parse_error> walk_partial(walk_state &s, std::string_view line, mode m) {
    if (auto error = split_checked(s, line)) return *error;
    partial_line split{{{}, line.size()}, false};
    size_t complete = s.words.size();
    if (complete > 0 && s.words.back().offset + s.words.back().text.size() == line.size()) {
        split = {s.words.back(), true};
        --complete;
    }
    if (auto error = walk(s, complete, m, line)) return *error;
    return split;
}

// Keywords that start with `prefix`, sorted, then the value slots that
// accept it, each word once.
std::vector<help_entry> next_words(const walk_state &s, std::string_view prefix) {
    std::vector<help_entry> keywords;
    std::vector<help_entry> values;
    std::set<std::string> seen;
    for (const path &p : s.paths) {
        for_each_candidate(s, p, [&](const token &t) {
            const bool fits = t.kind == slot::keyword ? starts_with_nocase(t.word, prefix)
                                                      : prefix.empty() || check_value(t, prefix) == value_match::yes;
            if (!fits || !seen.insert(display_word(t)).second) return;
            (t.kind == slot::keyword ? keywords : values).push_back({display_word(t), std::string(t.help)});
        });
    }
    std::sort(keywords.begin(), keywords.end(), [](const help_entry &a, const help_entry &b) { return a.word < b.word; });
    keywords.insert(keywords.end(), values.begin(), values.end());
    return keywords;
}

}  // namespace

std::vector<word> split_words(std::string_view line) {
    std::vector<word> words;
    for (std::optional<word> w = next_word(line, 0); w; w = next_word(line, w->offset + w->text.size())) words.push_back(*w);
    return words;
}

std::string_view trim_right(std::string_view line) {
    const size_t last = line.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view() : line.substr(0, last + 1);
}

uint32_t classify_host(std::string_view text) {
    // Longer than any address: a host name, if anything.
    char copy[INET6_ADDRSTRLEN + 1] = {};
    const bool short_enough = text.size() < sizeof copy;
    if (short_enough) text.copy(copy, text.size());
    unsigned char address[16];
    if (short_enough && inet_pton(AF_INET, copy, address) == 1) return ADDR_KIND_IPV4;
    if (text.find(':') != std::string_view::npos) {
        return short_enough && inet_pton(AF_INET6, copy, address) == 1 ? ADDR_KIND_IPV6 : 0;
    }
    // Digits and dots alone are a mistyped IPv4 address, not a name.
    if (std::all_of(text.begin(), text.end(), [](char c) { return c == '.' || (c >= '0' && c <= '9'); })) return 0;
    return valid_host_name(text) ? ADDR_KIND_HOSTNAME : 0;
}

std::string display_word(const token &t) {
    if (t.kind != slot::number) return std::string(t.word);
    // Appended piece by piece: GCC 12 at -O3 mistakes `"<" + std::string`
    // for an overlapping copy (-Wrestrict).
    std::string range = "<";
    range += std::to_string(t.min);
    range += '-';
    range += std::to_string(t.max);
    range += '>';
    return range;
}

parse_result parse(std::string_view line, mode m) {
    walk_state &s = buffers();
    if (auto error = split_checked(s, line)) return *error;
    if (auto error = walk(s, s.words.size(), m, line)) return *error;
    const std::string_view trimmed = trim_right(line);
    const path *done = nullptr;
    for (const path &p : s.paths) {
        if (!may_end(p)) continue;
        // Two commands that accept the same line are a fault of the table.
        if (done != nullptr && done->def != p.def) return parse_error{error_kind::ambiguous, 0, std::string(trimmed)};
        if (done == nullptr) done = &p;
    }
    if (done == nullptr) return parse_error{error_kind::incomplete, trimmed.size() + (trimmed.empty() ? 0 : 1), {}};
    return build_command(s, *done);
}

std::variant<std::vector<help_entry>, parse_error> help(std::string_view line, mode m) {
    walk_state &s = buffers();
    const auto walked = walk_partial(s, line, m);
    if (const auto *error = std::get_if<parse_error>(&walked)) return *error;
    const partial_line &split = std::get<partial_line>(walked);
    std::vector<help_entry> entries = next_words(s, split.last.text);
    if (!split.partial && std::any_of(s.paths.begin(), s.paths.end(), may_end)) entries.push_back({"<cr>", ""});
    if (entries.empty()) return parse_error{error_kind::invalid, split.last.offset, {}};
    return entries;
}

std::vector<std::string> completions(std::string_view line, mode m, const value_lister &values) {
    walk_state &s = buffers();
    const auto walked = walk_partial(s, line, m);
    if (std::holds_alternative<parse_error>(walked)) return {};
    const std::string_view last = std::get<partial_line>(walked).last.text;
    std::set<std::string> found;
    std::set<value_source> sources;
    for (const path &p : s.paths) {
        for_each_candidate(s, p, [&](const token &t) {
            if (t.kind == slot::keyword && starts_with_nocase(t.word, last)) found.insert(std::string(t.word));
            if (t.kind != slot::keyword && t.values != value_source::none) sources.insert(t.values);
        });
    }
    // Listed after the walk: a lister may parse lines of its own.
    for (const value_source source : sources) {
        if (!values) break;
        for (std::string &value : values(source, last)) found.insert(std::move(value));
    }
    return {found.begin(), found.end()};
}

}  // namespace radius::shell
