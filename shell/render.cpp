#include "shell/render.hpp"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

#include "abi/tags.h"
#include "shell/output_filter.hpp"

namespace radius::shell {

namespace {

// Ordered: a document lists its fields in the order the text form prints them.
using json = nlohmann::ordered_json;

enum class tag_role : uint8_t {
    field,         // a named value of the container at `level`
    starts_entry,  // opens a new object in array `array` one level up, and is its first field
    list_item,     // appended to array `name` of the container at `level`
};

struct tag_field {
    uint32_t tag;
    std::string_view name;
    int level = 0;  // 0: the report; 1: an entry; 2: an entry of an entry
    tag_role role = tag_role::field;
    std::string_view array = {};
};

// Where a registered tag goes in the document when it is not a plain field
// of the report.  A tag that starts an entry opens one object of its array:
// the server host a "servers" entry, the group name a "groups" entry, a
// member's host a "members" entry inside its group.
struct tag_place {
    uint32_t tag;
    int level;
    tag_role role = tag_role::field;
    std::string_view array = {};
};

constexpr tag_place tag_places[] = {
    {TAG_RUNCFG_LINE, 0, tag_role::list_item},
    {TAG_SRV_HOST, 1, tag_role::starts_entry, "servers"},
    {TAG_SRV_AUTH_PORT, 1},
    {TAG_SRV_ACCT_PORT, 1},
    {TAG_SRV_SECRET, 1},
    {TAG_SRV_TIMEOUT, 1},
    {TAG_SRV_RETRANSMIT, 1},
    {TAG_GRP_NAME, 1, tag_role::starts_entry, "groups"},
    {TAG_GRP_MEMBER_HOST, 2, tag_role::starts_entry, "members"},
    {TAG_GRP_MEMBER_AUTH_PORT, 2},
    {TAG_GRP_MEMBER_ACCT_PORT, 2},
    {TAG_GRP_DEADTIME, 1},
    {TAG_SORTED_HOST, 1, tag_role::starts_entry, "servers"},
    {TAG_SORTED_AUTH_PORT, 1},
    {TAG_SORTED_ACCT_PORT, 1},
    {TAG_SORTED_SECRET, 1},
    {TAG_SORTED_TIMEOUT, 1},
    {TAG_SORTED_RETRANSMIT, 1},
    // statistics: every block opens with its server's state; each counter
    // block is an object of its own, since both use the same field names
    {TAG_STATS_STATE, 1, tag_role::starts_entry, "servers"},
    {TAG_STATS_SINCE, 1},
    {TAG_STATS_TIME_IN_PREVIOUS_STATE, 1},
    {TAG_STATS_TIMES_DEAD, 1},
    {TAG_STATS_TIME_DEAD_TOTAL, 1},
    {TAG_STATS_AUTH_FAILED, 2, tag_role::starts_entry, "authentication"},
    {TAG_STATS_AUTH_SUCCESSFUL, 2},
    {TAG_STATS_AUTH_SENT, 2},
    {TAG_STATS_AUTH_TIMED_OUT, 2},
    {TAG_STATS_AUTH_NO_MATCH, 2},
    {TAG_STATS_AUTH_NOT_PROCESSED, 2},
    {TAG_STATS_AUTH_ERRORS, 2},
    {TAG_STATS_ACCT_FAILED, 2, tag_role::starts_entry, "accounting"},
    {TAG_STATS_ACCT_SUCCESSFUL, 2},
    {TAG_STATS_ACCT_SENT, 2},
    {TAG_STATS_ACCT_TIMED_OUT, 2},
    {TAG_STATS_ACCT_NO_MATCH, 2},
    {TAG_STATS_ACCT_NOT_PROCESSED, 2},
    {TAG_STATS_ACCT_ERRORS, 2},
};

struct tag_name {
    uint32_t tag;
    std::string_view name;
};

#define RADSH_TAG_NAME(name, type, field, json) {TAG_##name, json},
constexpr tag_name tag_names[] = {RADIUS_TAG_LIST(RADSH_TAG_NAME)};
#undef RADSH_TAG_NAME

// The registry's name and the place of a registered tag; none for others.
std::optional<tag_field> registered_field(uint32_t tag) {
    const auto named = std::find_if(std::begin(tag_names), std::end(tag_names),
                                    [tag](const tag_name &entry) { return entry.tag == tag; });
    if (named == std::end(tag_names)) return std::nullopt;
    tag_field field{tag, named->name};
    for (const tag_place &place : tag_places) {
        if (place.tag == tag) return tag_field{tag, named->name, place.level, place.role, place.array};
    }
    return field;
}

constexpr uint32_t tag_type(uint32_t tag) { return RADIUS_TAG_TYPE(tag); }

// A tag of no table row: a field named after the tag in the innermost open
// object; values printed without a tag go to its "values" list.
tag_field field_of(uint32_t tag, int innermost, std::string &name) {
    if (const auto known = registered_field(tag)) return *known;
    if (tag == 0) return {0, "values", innermost, tag_role::list_item};
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "tag_%08x", static_cast<unsigned>(tag));
    name = buffer;
    return {tag, name, innermost};
}

// Numbers and counters become JSON numbers; everything else stays text.
json value_of(const radsim::printed_value &value) {
    const uint32_t type = tag_type(value.tag);
    const bool numeric = type == TAG_TYPE_U32 || type == TAG_TYPE_COUNTER || type == TAG_TYPE_ENUM;
    const std::string_view text = value.text;
    if (value.tag == TAG_RUNCFG_LINE) return std::string(trim_right(text));
    uint64_t number = 0;
    if (numeric && !text.empty() && text.size() <= 20 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        std::from_chars(text.data(), text.data() + text.size(), number).ec == std::errc()) {
        return number;
    }
    return std::string(text);
}

// Builds the document: `open` holds the objects that fields go into, the
// report itself first, then the entry being filled at each level.
class document {
public:
    document() : root_(json::object()) { open_.push_back(&root_); }
    // `open_` points into the document itself.
    document(const document &) = delete;
    document &operator=(const document &) = delete;

    void add(const radsim::printed_value &value) {
        std::string generic_name;
        const tag_field field = field_of(value.tag, static_cast<int>(open_.size()) - 1, generic_name);
        const std::string name(field.name);
        if (field.role == tag_role::starts_entry) {
            json &parent = container(field.level - 1);
            json &entries = parent[std::string(field.array)];
            if (!entries.is_array()) entries = json::array();
            entries.push_back(json::object({{name, value_of(value)}}));
            open_.push_back(&entries.back());
            return;
        }
        json &target = container(field.level);
        if (field.role == tag_role::list_item) {
            if (!target[name].is_array()) target[name] = json::array();
            target[name].push_back(value_of(value));
        } else {
            put(target, name, value_of(value));
        }
    }

    void clear() {
        root_ = json::object();
        open_.assign(1, &root_);
    }

    // Indented, ending in a newline.  Handlers' texts are bytes: invalid
    // UTF-8 is replaced rather than fatal.
    std::string dump() const {
        std::string text = root_.dump(2, ' ', false, json::error_handler_t::replace);
        text += '\n';
        return text;
    }

private:
    // The object at `level`, closing deeper ones; the deepest open one when
    // no entry of that level is open.
    json &container(int level) {
        const size_t wanted = static_cast<size_t>(std::max(level, 0)) + 1;
        if (open_.size() > wanted) open_.resize(wanted);
        return *open_.back();
    }

    // A field that comes again in the same object collects its values.
    static void put(json &target, const std::string &name, json value) {
        if (!target.contains(name)) {
            target[name] = std::move(value);
            return;
        }
        json &existing = target[name];
        if (!existing.is_array()) existing = json::array({existing});
        existing.push_back(std::move(value));
    }

    json root_;
    std::vector<json *> open_;
};

class text_renderer final : public report_renderer {
public:
    void add(const radsim::report &sent) override {
        const std::string text = sent.text();
        std::fwrite(text.data(), 1, text.size(), stdout);
    }
    void finish() override {}
};

// Reports go into the document as they arrive, through the filters when
// there are any: nothing of a report is copied or held.
class json_renderer final : public report_renderer {
public:
    explicit json_renderer(std::span<const filter_stage> filters) : filter_(filters), filtered_(!filters.empty()) {}
    void add(const radsim::report &sent) override {
        sent_any_ = true;
        if (filtered_) {
            for_each_kept_piece(sent, filter_, [this](const radsim::printed_piece &piece) { add_values(piece); });
            return;
        }
        for (const radsim::printed_piece &piece : sent.pieces) add_values(piece);
    }
    void finish() override {
        if (!sent_any_) return;
        const std::string text = doc_.dump();
        std::fwrite(text.data(), 1, text.size(), stdout);
        doc_.clear();
        sent_any_ = false;
    }

private:
    void add_values(const radsim::printed_piece &piece) {
        for (const radsim::printed_value &value : piece.values) doc_.add(value);
    }

    line_filter filter_;
    bool filtered_;
    bool sent_any_ = false;
    document doc_;
};

}  // namespace

std::string json_of(const std::vector<radsim::report> &reports) {
    document doc;
    for (const radsim::report &sent : reports) {
        for (const radsim::printed_piece &piece : sent.pieces) {
            for (const radsim::printed_value &value : piece.values) doc.add(value);
        }
    }
    return doc.dump();
}

std::unique_ptr<report_renderer> make_text_renderer() { return std::make_unique<text_renderer>(); }

std::unique_ptr<report_renderer> make_json_renderer(std::span<const filter_stage> filters) {
    return std::make_unique<json_renderer>(filters);
}

}  // namespace radius::shell
