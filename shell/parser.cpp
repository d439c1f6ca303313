// The matcher.  Every definition of the mode is followed at once, as a set
// of paths through its token graph; each word moves the paths that accept
// it and drops the others.  Keywords match by unique prefix and win over
// values; a word no path accepts is the error, with its offset.
//
// A line is matched without building its arguments: a path is a few
// words that point at the last step it took, the steps of every path share
// one trail, and only the path that wins turns its steps into arguments.
// The trail, the paths and the words live in buffers that each walk
// reuses, so a line costs no allocation beyond its arguments.
#include "shell/parser.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <deque>
#include <optional>
#include <set>
#include <utility>

#include "abi/radius_records.h"

namespace radius::shell {

namespace {

constexpr int32_t no_step = -1;
constexpr int32_t no_word = -1;  // a step that read no word: a value a "no" form left out

// One token a path followed, and the word it read.
struct step {
    int32_t parent;  // the step before it on the same path, or no_step
    const token *t;
    int32_t word;  // index into the line's words, or no_word
};

struct path {
    const command_def *def = nullptr;  // null only on the path that reads "no"
    const choice *at = nullptr;        // null: nothing may follow
    bool no_form = false;
    bool json = false;
    int32_t last = no_step;  // the path's last step in the trail
};

// A word of the line, seen in place.
struct word_view {
    std::string_view text;
    size_t offset;
};

// The buffers of a walk: the line's words, the trail of steps, the paths
// alive before and after the current word.
struct walk_state {
    std::vector<word_view> words;
    std::vector<step> steps;
    std::vector<path> paths;
    std::vector<path> next;
};

// One set of buffers: the shell matches one line at a time.
walk_state &buffers() {
    static walk_state instance;
    return instance;
}

const choice negation_choice{std::span<const token>(&negation_token, 1)};

enum class value_match { yes, no, out_of_range, too_long };

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

// The paths a line starts from in mode `m`, built once per mode (a deque:
// what it returned stays where it is when another mode is added).
const std::vector<path> &initial_paths(mode m) {
    static std::deque<std::pair<mode, std::vector<path>>> built;
    for (const auto &[built_mode, paths] : built) {
        if (built_mode == m) return paths;
    }
    std::vector<path> paths;
    bool negatable = false;
    for (const command_def &def : command_table()) {
        if (def.in_mode != m) continue;
        paths.push_back(path{.def = &def, .at = def.syntax});
        negatable = negatable || def.negatable;
    }
    if (negatable) paths.push_back(path{.at = &negation_choice});
    return built.emplace_back(m, std::move(paths)).second;
}

int32_t add_step(walk_state &s, int32_t parent, const token &t, int32_t word) {
    s.steps.push_back({parent, &t, word});
    return static_cast<int32_t>(s.steps.size() - 1);
}

// A keyword that may not come again on this path: followed before, and not repeatable.
bool used(const walk_state &s, const path &p, const token &t) {
    if (t.kind != slot::keyword || t.repeatable) return false;
    for (int32_t i = p.last; i != no_step; i = s.steps[static_cast<size_t>(i)].parent) {
        if (s.steps[static_cast<size_t>(i)].t == &t) return true;
    }
    return false;
}

// Calls `f` with each token that may come next on path `p`.
template <class F>
void for_each_candidate(const walk_state &s, const path &p, F &&f) {
    if (p.at != nullptr) {
        for (const token &t : p.at->tokens) {
            if (!used(s, p, t)) f(t);
        }
    }
    if (may_end(p) && p.def->tagged && !p.json) f(pipe_token);
}

// The path that skips a value a "no" form may leave out.
path skip_value(walk_state &s, const path &p, const token &t) {
    path next = p;
    next.at = t.next;
    if (t.omitted == when_omitted::use_default) next.last = add_step(s, p.last, t, no_word);
    return next;
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
            if (t.kind != slot::keyword && t.omitted != when_omitted::not_allowed) s.paths.push_back(skip_value(s, p, t));
        }
    }
}

bool all_digits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

value_match check_number(const token &t, std::string_view text, uint32_t *number) {
    if (!all_digits(text)) return value_match::no;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || value < t.min || value > t.max) return value_match::out_of_range;
    *number = static_cast<uint32_t>(value);
    return value_match::yes;
}

// Whether value slot `t` accepts `text`, without building the argument.
value_match check_value(const token &t, std::string_view text) {
    uint32_t number = 0;
    switch (t.kind) {
        case slot::number: return check_number(t, text, &number);
        case slot::text: return text.size() > t.max ? value_match::too_long : value_match::yes;
        case slot::host: return classify_host(text) != 0 ? value_match::yes : value_match::no;
        case slot::keyword: break;
    }
    return value_match::no;
}

// The argument of a value that check_value accepted.
argument value_argument(const token &t, std::string_view text) {
    argument arg{.id = t.param_id, .kind = t.kind};
    if (t.kind == slot::number) {
        check_number(t, text, &arg.number);
        return arg;
    }
    arg.text = text;
    if (t.kind == slot::host) arg.addr_kind = classify_host(text);
    return arg;
}

// Follows token `t` from path `p` into the next set; reading "no" opens the
// negatable commands.
void advance(walk_state &s, const path &p, const token &t, int32_t word, mode m) {
    if (&t == &negation_token) {
        for (path next : initial_paths(m)) {
            if (next.def == nullptr || !next.def->negatable) continue;
            next.no_form = true;
            s.next.push_back(next);
        }
        return;
    }
    path next = p;
    next.at = t.next;
    next.json = next.json || t.param_id == shell_param_json;
    next.last = add_step(s, p.last, t, word);
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

// The paths that accept the word as a value, or the error that explains why none does.
std::optional<parse_error> take_value(walk_state &s, int32_t index, mode m) {
    const word_view &w = s.words[static_cast<size_t>(index)];
    parse_error error{error_kind::invalid, w.offset, {}};
    for (const path &p : s.paths) {
        for_each_candidate(s, p, [&](const token &t) {
            if (t.kind == slot::keyword) return;
            const value_match result = check_value(t, w.text);
            if (result == value_match::yes) advance(s, p, t, index, m);
            if (result == value_match::out_of_range) error = {error_kind::out_of_range, w.offset, display_word(t)};
            if (result == value_match::too_long) error = {error_kind::too_long, w.offset, std::to_string(t.max)};
        });
    }
    if (s.next.empty()) return error;
    return std::nullopt;
}

std::optional<parse_error> read_word(walk_state &s, int32_t index, mode m, std::string_view line) {
    const word_view &w = s.words[static_cast<size_t>(index)];
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
    if (prefix.first == nullptr) return take_value(s, index, m);
    for (const path &p : s.paths) {
        for_each_candidate(s, p, [&](const token &t) {
            if (t.kind != slot::keyword) return;
            if (exact_only ? equal_nocase(t.word, w.text) : starts_with_nocase(t.word, w.text)) {
                advance(s, p, t, index, m);
            }
        });
    }
    return std::nullopt;
}

void split_into(std::string_view line, std::vector<word_view> &words) {
    words.clear();
    size_t start = line.find_first_not_of(blanks);
    while (start != std::string_view::npos) {
        const size_t end = std::min(line.find_first_of(blanks, start), line.size());
        words.push_back({line.substr(start, end - start), start});
        start = line.find_first_not_of(blanks, end);
    }
}

// Reads the first `count` words of s.words; leaves the surviving paths, expanded.
std::optional<parse_error> walk(walk_state &s, size_t count, mode m, std::string_view line) {
    s.steps.clear();
    s.paths = initial_paths(m);
    for (size_t i = 0; i < count; ++i) {
        expand(s);
        if (auto error = read_word(s, static_cast<int32_t>(i), m, line)) return error;
        std::swap(s.paths, s.next);
    }
    expand(s);
    return std::nullopt;
}

// The arguments path `p` collected, in command-line order.
std::vector<argument> arguments_of(const walk_state &s, const path &p) {
    size_t length = 0;
    for (int32_t i = p.last; i != no_step; i = s.steps[static_cast<size_t>(i)].parent) ++length;
    std::vector<const step *> taken(length);
    for (int32_t i = p.last; i != no_step; i = s.steps[static_cast<size_t>(i)].parent) {
        taken[--length] = &s.steps[static_cast<size_t>(i)];
    }
    std::vector<argument> args;
    args.reserve(taken.size());
    for (const step *st : taken) {
        const token &t = *st->t;
        if (st->word == no_word) {
            args.push_back(argument{.id = t.param_id, .kind = t.kind, .number = t.no_default});
        } else if (t.kind != slot::keyword) {
            args.push_back(value_argument(t, s.words[static_cast<size_t>(st->word)].text));
        } else if (t.param_id != no_param && t.param_id != shell_param_json) {
            args.push_back(argument{.id = t.param_id, .kind = slot::keyword});
        }
    }
    return args;
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

// Splits a line that "?" or Tab ends into s.words: its complete words,
// and the partial last word (empty when the line ends in a blank).  The
// number of complete words.
struct partial_line {
    size_t complete;
    word_view last;
    bool partial;
};

partial_line split_partial(walk_state &s, std::string_view line) {
    split_into(line, s.words);
    partial_line split{s.words.size(), {"", line.size()}, false};
    if (!s.words.empty() && s.words.back().offset + s.words.back().text.size() == line.size()) {
        split.last = s.words.back();
        --split.complete;
        split.partial = true;
    }
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

// inet_pton wants a NUL-terminated text; no address is this long.
constexpr size_t longest_address = 64;

bool parses_as(int family, std::string_view text) {
    if (text.size() >= longest_address) return false;
    char copy[longest_address];
    text.copy(copy, text.size());
    copy[text.size()] = '\0';
    unsigned char address[16];
    return inet_pton(family, copy, address) == 1;
}

}  // namespace

std::vector<word> split_words(std::string_view line) {
    std::vector<word_view> views;
    split_into(line, views);
    std::vector<word> words;
    words.reserve(views.size());
    for (const word_view &view : views) words.push_back({std::string(view.text), view.offset});
    return words;
}

std::string_view trim_right(std::string_view line) {
    const size_t last = line.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string_view() : line.substr(0, last + 1);
}

uint32_t classify_host(std::string_view text) {
    if (parses_as(AF_INET, text)) return ADDR_KIND_IPV4;
    if (text.find(':') != std::string_view::npos) return parses_as(AF_INET6, text) ? ADDR_KIND_IPV6 : 0;
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
    split_into(line, s.words);
    if (auto error = walk(s, s.words.size(), m, line)) return *std::move(error);
    const std::string_view trimmed = trim_right(line);
    const path *done = nullptr;
    for (const path &p : s.paths) {
        if (!may_end(p)) continue;
        // Two commands that accept the same line are a fault of the table.
        if (done != nullptr && done->def != p.def) return parse_error{error_kind::ambiguous, 0, std::string(trimmed)};
        if (done == nullptr) done = &p;
    }
    if (done == nullptr) return parse_error{error_kind::incomplete, trimmed.size() + (trimmed.empty() ? 0 : 1), {}};
    return parsed_command{done->def, done->no_form, done->json, arguments_of(s, *done)};
}

std::variant<std::vector<help_entry>, parse_error> help(std::string_view line, mode m) {
    walk_state &s = buffers();
    const partial_line split = split_partial(s, line);
    if (auto error = walk(s, split.complete, m, line)) return *std::move(error);
    std::vector<help_entry> entries = next_words(s, split.last.text);
    if (!split.partial && std::any_of(s.paths.begin(), s.paths.end(), may_end)) entries.push_back({"<cr>", ""});
    if (entries.empty()) return parse_error{error_kind::invalid, split.last.offset, {}};
    return entries;
}

std::vector<std::string> completions(std::string_view line, mode m) {
    walk_state &s = buffers();
    const partial_line split = split_partial(s, line);
    if (walk(s, split.complete, m, line)) return {};
    std::set<std::string> found;
    for (const path &p : s.paths) {
        for_each_candidate(s, p, [&](const token &t) {
            if (t.kind == slot::keyword && starts_with_nocase(t.word, split.last.text)) found.insert(std::string(t.word));
        });
    }
    return {found.begin(), found.end()};
}

}  // namespace radius::shell
