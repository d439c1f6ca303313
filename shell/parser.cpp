// The matcher.  Every definition of the mode is followed at once, as a set
// of paths through its token graph; each word moves the paths that accept
// it and drops the others.  Keywords match by unique prefix and win over
// values; a word no path accepts is the error, with its offset.
#include "shell/parser.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <regex>
#include <set>

#include "abi/radius_records.h"

namespace radius::shell {

namespace {

struct path {
    const command_def *def = nullptr;  // null only on the paths that read "no" or "do"
    const choice *at = nullptr;        // null: nothing may follow
    mode scope = mode::exec;           // the mode whose commands "no" opens
    bool no_form = false;
    bool json = false;
    bool piped = false;  // past the first "|"
    bool via_do = false;
    bool no_more = false;
    std::vector<argument> args = {};
    std::vector<filter_stage> filters = {};
    std::vector<const token *> used = {};  // keywords that may not come again
};

const choice negation_choice{std::span<const token>(&negation_token, 1)};
const choice do_choice{std::span<const token>(&do_token, 1)};

// The longest host name; a longer word is refused as too long, not as a
// host name that is no name at all.
constexpr size_t max_host_name = 253;

enum class value_match { yes, no, out_of_range, too_long, bad_pattern };

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool starts_with_nocase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) { return lower(a) == lower(b); });
}

bool equal_nocase(std::string_view a, std::string_view b) { return a.size() == b.size() && starts_with_nocase(a, b); }

bool may_end(const path &p) { return p.def != nullptr && (p.at == nullptr || p.at->may_end); }

std::vector<path> initial_paths(mode m) {
    std::vector<path> paths;
    bool negatable = false;
    for (const command_def &def : command_table()) {
        if (def.in_mode != m) continue;
        paths.push_back(path{.def = &def, .at = def.syntax, .scope = m});
        negatable = negatable || def.negatable;
    }
    if (negatable) paths.push_back(path{.at = &negation_choice, .scope = m});
    if (m != mode::exec) paths.push_back(path{.at = &do_choice, .scope = m});
    return paths;
}

// The path that skips a value a "no" form may leave out.
path skip_value(const path &p, const token &t) {
    path next = p;
    next.at = t.next;
    if (t.omitted == when_omitted::use_default) {
        next.args.push_back(argument{.id = t.param_id, .kind = t.kind, .number = t.no_default});
    }
    return next;
}

// Adds the paths reachable without reading a word: `otherwise`
// continuations and, in "no" forms, values left out.
void expand(std::vector<path> &paths) {
    // The table has no cycle of such steps; the bound only guards that.
    for (size_t i = 0; i < paths.size() && i < 1024; ++i) {
        const choice *at = paths[i].at;
        if (at == nullptr) continue;
        if (at->otherwise != nullptr) {
            path next = paths[i];
            next.at = at->otherwise;
            paths.push_back(std::move(next));
        }
        if (!paths[i].no_form) continue;
        for (const token &t : at->tokens) {
            if (t.kind != slot::keyword && t.omitted != when_omitted::not_allowed) {
                paths.push_back(skip_value(paths[i], t));
            }
        }
    }
}

std::vector<const token *> candidates(const path &p) {
    std::vector<const token *> out;
    if (p.at != nullptr) {
        for (const token &t : p.at->tokens) {
            if (t.param_id == shell_param_json && !p.def->tagged) continue;
            if (std::find(p.used.begin(), p.used.end(), &t) == p.used.end()) out.push_back(&t);
        }
    }
    if (may_end(p) && p.def->display && !p.piped) out.push_back(&pipe_token);
    return out;
}

bool all_digits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

value_match match_number(const token &t, std::string_view text, argument &arg) {
    if (!all_digits(text)) return value_match::no;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value < t.min || value > t.max) return value_match::out_of_range;
    arg.number = static_cast<uint32_t>(value);
    return value_match::yes;
}

value_match match_pattern(std::string_view text, argument &arg) {
    try {
        const std::regex compiled{std::string(text)};
    } catch (const std::regex_error &) {
        return value_match::bad_pattern;
    }
    arg.text = text;
    return value_match::yes;
}

// The length limit a too-long value was refused for.
size_t value_limit(const token &t) { return t.kind == slot::host ? max_host_name : t.max; }

value_match match_value(const token &t, std::string_view text, argument &arg) {
    arg = argument{.id = t.param_id, .kind = t.kind};
    switch (t.kind) {
        case slot::number: return match_number(t, text, arg);
        case slot::text:
            if (text.size() > t.max) return value_match::too_long;
            arg.text = text;
            return value_match::yes;
        case slot::host:
            if (text.size() > max_host_name) return value_match::too_long;
            arg.addr_kind = classify_host(text);
            arg.text = text;
            return arg.addr_kind != 0 ? value_match::yes : value_match::no;
        case slot::pattern: return match_pattern(text, arg);
        case slot::keyword: break;
    }
    return value_match::no;
}

// Follows token `t` from path `p`; reading "no" opens the negatable commands.
// Reading "do" opens the exec commands that keep the mode.
void advance_do(std::vector<path> &out) {
    for (path &next : initial_paths(mode::exec)) {
        if (next.def != nullptr && !runs_through_do(*next.def)) continue;
        next.via_do = true;
        out.push_back(std::move(next));
    }
}

// A token the shell reads itself: "| json", a filter and its pattern,
// "| no-more".  False for a token whose parameter goes to the handler.
bool take_shell_token(path &next, const token &t, const argument *value) {
    switch (t.param_id) {
        case shell_param_json: next.json = true; return true;
        case shell_param_no_more: next.no_more = true; return true;
        case shell_param_include: next.filters.push_back({filter_kind::include}); return true;
        case shell_param_exclude: next.filters.push_back({filter_kind::exclude}); return true;
        case shell_param_begin: next.filters.push_back({filter_kind::begin}); return true;
        case shell_param_count: next.filters.push_back({filter_kind::count}); return true;
        case shell_param_pattern:
            if (value != nullptr && !next.filters.empty()) next.filters.back().pattern = value->text;
            return true;
        default: return false;
    }
}

// Follows token `t` from path `p`; reading "no" opens the negatable commands.
void advance(const path &p, const token &t, const argument *value, std::vector<path> &out) {
    if (&t == &negation_token) {
        for (path &next : initial_paths(p.scope)) {
            if (next.def == nullptr || !next.def->negatable) continue;
            next.no_form = true;
            next.via_do = p.via_do;
            out.push_back(std::move(next));
        }
        return;
    }
    if (&t == &do_token) return advance_do(out);
    path next = p;
    next.at = t.next;
    next.piped = next.piped || &t == &pipe_token;
    if (t.kind == slot::keyword && !t.repeatable) next.used.push_back(&t);
    if (!take_shell_token(next, t, value)) {
        if (value != nullptr) {
            next.args.push_back(*value);
        } else if (t.param_id != no_param) {
            next.args.push_back(argument{.id = t.param_id, .kind = slot::keyword});
        }
    }
    out.push_back(std::move(next));
}

struct keyword_match {
    const path *from;
    const token *t;
};

// The keywords `text` abbreviates; an exact match beats longer keywords.
std::vector<keyword_match> keyword_matches(const std::vector<path> &paths, std::string_view text) {
    std::vector<keyword_match> prefix;
    std::vector<keyword_match> exact;
    for (const path &p : paths) {
        for (const token *t : candidates(p)) {
            if (t->kind != slot::keyword || !starts_with_nocase(t->word, text)) continue;
            prefix.push_back({&p, t});
            if (equal_nocase(t->word, text)) exact.push_back({&p, t});
        }
    }
    return exact.empty() ? prefix : exact;
}

std::set<std::string_view> distinct_words(const std::vector<keyword_match> &matches) {
    std::set<std::string_view> words;
    for (const keyword_match &match : matches) words.insert(match.t->word);
    return words;
}

// The paths that accept `w` as a value, or the error that explains why none does.
std::variant<std::vector<path>, parse_error> take_value(const std::vector<path> &paths, const word &w) {
    std::vector<path> next;
    parse_error error{error_kind::invalid, w.offset, {}};
    for (const path &p : paths) {
        for (const token *t : candidates(p)) {
            if (t->kind == slot::keyword) continue;
            argument value;
            const value_match result = match_value(*t, w.text, value);
            if (result == value_match::yes) advance(p, *t, &value, next);
            if (result == value_match::out_of_range) error = {error_kind::out_of_range, w.offset, display_word(*t)};
            if (result == value_match::too_long) error = {error_kind::too_long, w.offset, std::to_string(value_limit(*t))};
            if (result == value_match::bad_pattern) error = {error_kind::bad_pattern, w.offset, {}};
        }
    }
    if (next.empty()) return error;
    return next;
}

std::variant<std::vector<path>, parse_error> step(const std::vector<path> &paths, const word &w,
                                                  std::string_view line) {
    const std::vector<keyword_match> matches = keyword_matches(paths, w.text);
    if (distinct_words(matches).size() > 1) {
        return parse_error{error_kind::ambiguous, w.offset, std::string(line.substr(0, w.offset + w.text.size()))};
    }
    if (matches.empty()) return take_value(paths, w);
    std::vector<path> next;
    for (const keyword_match &match : matches) advance(*match.from, *match.t, nullptr, next);
    return next;
}

// Reads every word; the surviving paths, expanded.
std::variant<std::vector<path>, parse_error> walk(const std::vector<word> &words, mode m, std::string_view line) {
    std::vector<path> paths = initial_paths(m);
    for (const word &w : words) {
        expand(paths);
        auto next = step(paths, w, line);
        if (auto *error = std::get_if<parse_error>(&next)) return *error;
        paths = std::move(std::get<std::vector<path>>(next));
    }
    expand(paths);
    return paths;
}

bool host_label_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_'; }

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

// A line that "?" or Tab ends: its complete words and the partial last
// word (empty when the line ends in a blank).
struct partial_line {
    std::vector<word> complete;
    word last;
    bool partial;
};

partial_line split_partial(std::string_view line) {
    partial_line split{split_words(line), {"", line.size()}, false};
    if (!split.complete.empty() && split.complete.back().offset + split.complete.back().text.size() == line.size()) {
        split.last = split.complete.back();
        split.complete.pop_back();
        split.partial = true;
    }
    return split;
}

// Keywords that start with `prefix`, sorted, then the value slots that
// accept it, each word once.
std::vector<help_entry> next_words(const std::vector<path> &paths, std::string_view prefix) {
    std::vector<help_entry> keywords;
    std::vector<help_entry> values;
    std::set<std::string> seen;
    for (const path &p : paths) {
        for (const token *t : candidates(p)) {
            argument ignored;
            const bool fits = t->kind == slot::keyword
                                  ? starts_with_nocase(t->word, prefix)
                                  : prefix.empty() || match_value(*t, prefix, ignored) == value_match::yes;
            if (!fits || !seen.insert(display_word(*t)).second) continue;
            (t->kind == slot::keyword ? keywords : values).push_back({display_word(*t), std::string(t->help)});
        }
    }
    std::sort(keywords.begin(), keywords.end(), [](const help_entry &a, const help_entry &b) { return a.word < b.word; });
    keywords.insert(keywords.end(), values.begin(), values.end());
    return keywords;
}

}  // namespace

std::vector<word> split_words(std::string_view line) {
    std::vector<word> words;
    size_t start = line.find_first_not_of(blanks);
    while (start != std::string_view::npos) {
        const size_t end = std::min(line.find_first_of(blanks, start), line.size());
        words.push_back({std::string(line.substr(start, end - start)), start});
        start = line.find_first_not_of(blanks, end);
    }
    return words;
}

std::string_view trim_right(std::string_view line) {
    const size_t last = line.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view() : line.substr(0, last + 1);
}

uint32_t classify_host(std::string_view text) {
    const std::string copy(text);
    unsigned char address[16];
    if (inet_pton(AF_INET, copy.c_str(), address) == 1) return ADDR_KIND_IPV4;
    if (copy.find(':') != std::string::npos) {
        return inet_pton(AF_INET6, copy.c_str(), address) == 1 ? ADDR_KIND_IPV6 : 0;
    }
    // Digits and dots alone are a mistyped IPv4 address, not a name.
    if (std::all_of(copy.begin(), copy.end(), [](char c) { return c == '.' || std::isdigit(static_cast<unsigned char>(c)); })) {
        return 0;
    }
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
    auto walked = walk(split_words(line), m, line);
    if (auto *error = std::get_if<parse_error>(&walked)) return *error;
    const std::string_view trimmed = trim_right(line);
    const parse_error incomplete{error_kind::incomplete, trimmed.size() + (trimmed.empty() ? 0 : 1), {}};
    const path *done = nullptr;
    for (const path &p : std::get<std::vector<path>>(walked)) {
        if (!may_end(p)) continue;
        // Two commands that accept the same line are a fault of the table.
        if (done != nullptr && done->def != p.def) return parse_error{error_kind::ambiguous, 0, std::string(trimmed)};
        if (done == nullptr) done = &p;
    }
    if (done == nullptr) return incomplete;
    return parsed_command{done->def, done->no_form, done->json, done->args, done->filters, done->no_more, done->via_do};
}

std::variant<std::vector<help_entry>, parse_error> help(std::string_view line, mode m) {
    const partial_line split = split_partial(line);
    auto walked = walk(split.complete, m, line);
    if (auto *error = std::get_if<parse_error>(&walked)) return *error;
    const auto &paths = std::get<std::vector<path>>(walked);
    std::vector<help_entry> entries = next_words(paths, split.last.text);
    if (!split.partial && std::any_of(paths.begin(), paths.end(), may_end)) entries.push_back({"<cr>", ""});
    if (entries.empty()) return parse_error{error_kind::invalid, split.last.offset, {}};
    return entries;
}

std::vector<std::string> completions(std::string_view line, mode m, const value_lister &values) {
    const partial_line split = split_partial(line);
    auto walked = walk(split.complete, m, line);
    if (std::holds_alternative<parse_error>(walked)) return {};
    std::set<std::string> found;
    for (const path &p : std::get<std::vector<path>>(walked)) {
        for (const token *t : candidates(p)) {
            if (t->kind == slot::keyword && starts_with_nocase(t->word, split.last.text)) {
                found.insert(std::string(t->word));
            } else if (t->kind != slot::keyword && t->values != value_source::none && values) {
                for (std::string &value : values(t->values, split.last.text)) found.insert(std::move(value));
            }
        }
    }
    return {found.begin(), found.end()};
}

}  // namespace radius::shell
