#include "shell/output_filter.hpp"

#include <algorithm>
#include <regex>

namespace radius::shell {

namespace {

// Which of `lines` each stage keeps, the stages one after another.
std::vector<bool> kept_lines(const std::vector<std::string> &lines, std::span<const filter_stage> stages) {
    std::vector<bool> kept(lines.size(), true);
    for (const filter_stage &stage : stages) {
        if (stage.kind == filter_kind::count) continue;
        const std::regex pattern(stage.pattern);
        bool begun = false;
        for (size_t i = 0; i < lines.size(); ++i) {
            if (!kept[i]) continue;
            const bool matches = std::regex_search(lines[i], pattern);
            begun = begun || matches;
            switch (stage.kind) {
                case filter_kind::include: kept[i] = matches; break;
                case filter_kind::exclude: kept[i] = !matches; break;
                case filter_kind::begin: kept[i] = begun; break;
                case filter_kind::count: break;
            }
        }
    }
    return kept;
}

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

bool counts_lines(std::span<const filter_stage> stages) {
    return std::any_of(stages.begin(), stages.end(),
                       [](const filter_stage &stage) { return stage.kind == filter_kind::count; });
}

std::string filter_text(std::string_view text, std::span<const filter_stage> stages) {
    const std::vector<std::string> lines = split_lines(text);
    std::vector<std::string> matched;
    for (const std::string &line : lines) matched.push_back(matched_text(line));
    const std::vector<bool> kept = kept_lines(matched, stages);
    if (counts_lines(stages)) return std::to_string(std::count(kept.begin(), kept.end(), true)) + "\n";
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (kept[i]) out += lines[i];
    }
    return out;
}

std::vector<radsim::report> filter_reports(const std::vector<radsim::report> &reports,
                                           std::span<const filter_stage> stages) {
    // Each line: where its pieces are (report, first piece, end of pieces).
    struct line_span {
        size_t report;
        size_t first;
        size_t end;
    };
    std::vector<line_span> spans;
    std::vector<std::string> texts;
    for (size_t r = 0; r < reports.size(); ++r) {
        const auto &pieces = reports[r].pieces;
        for (size_t first = 0; first < pieces.size();) {
            std::string text;
            size_t end = first;
            while (end < pieces.size() && (text.empty() || text.back() != '\n')) text += pieces[end++].text();
            spans.push_back({r, first, end});
            texts.push_back(matched_text(text));
            first = end;
        }
    }
    const std::vector<bool> kept = kept_lines(texts, stages);
    std::vector<radsim::report> out;
    for (const radsim::report &sent : reports) out.push_back(radsim::report{sent.command_id, {}});
    for (size_t i = 0; i < spans.size(); ++i) {
        if (!kept[i]) continue;
        const auto &pieces = reports[spans[i].report].pieces;
        auto &into = out[spans[i].report].pieces;
        into.insert(into.end(), pieces.begin() + static_cast<ptrdiff_t>(spans[i].first),
                    pieces.begin() + static_cast<ptrdiff_t>(spans[i].end));
    }
    return out;
}

}  // namespace radius::shell
