#include "shell/output_filter.hpp"

#include <algorithm>

namespace radius::shell {

namespace {

// The lines of `text`, each with its newline (the last one may lack it).
std::vector<std::string> split_lines(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find('\n', start), text.size() - 1);
        lines.emplace_back(text.substr(start, end + 1 - start));
        start = end + 1;
    }
    return lines;
}

// A line without its newline, as a pattern sees it.
std::string matched_text(std::string line) {
    if (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
}

}  // namespace

line_filter::line_filter(std::span<const filter_stage> stages) {
    for (const filter_stage &s : stages) {
        if (s.kind != filter_kind::count) stages_.push_back({s.kind, std::regex(s.pattern)});
    }
}

bool line_filter::keeps(const std::string &line) {
    for (stage &s : stages_) {
        const bool matches = std::regex_search(line, s.pattern);
        s.begun = s.begun || matches;
        const bool kept = s.kind == filter_kind::include ? matches : s.kind == filter_kind::exclude ? !matches : s.begun;
        if (!kept) return false;
    }
    return true;
}

bool counts_lines(std::span<const filter_stage> stages) {
    return std::any_of(stages.begin(), stages.end(),
                       [](const filter_stage &stage) { return stage.kind == filter_kind::count; });
}

std::string filter_text(std::string_view text, std::span<const filter_stage> stages) {
    line_filter filter(stages);
    size_t kept = 0;
    std::string out;
    for (const std::string &line : split_lines(text)) {
        if (!filter.keeps(matched_text(line))) continue;
        ++kept;
        out += line;
    }
    return counts_lines(stages) ? std::to_string(kept) + "\n" : out;
}

void for_each_kept_piece(const radsim::report &sent, line_filter &filter,
                         const std::function<void(const radsim::printed_piece &)> &kept) {
    const auto &pieces = sent.pieces;
    std::string text;
    for (size_t first = 0; first < pieces.size();) {
        text.clear();
        size_t end = first;
        while (end < pieces.size() && (text.empty() || text.back() != '\n')) pieces[end++].append_text(text);
        if (filter.keeps(matched_text(text))) {
            for (size_t i = first; i < end; ++i) kept(pieces[i]);
        }
        first = end;
    }
}

}  // namespace radius::shell
