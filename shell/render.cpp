#include "shell/render.hpp"

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>

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

// Every tag of the server, group and monitoring displays and of the tagged
// running configuration.  A tag that starts an entry opens one object of
// its array: the server host a "servers" entry, the group name a "groups"
// entry, a member's host a "members" entry inside its group.
constexpr tag_field tag_fields[] = {
    {0x30330009, "lines", 0, tag_role::list_item},
    // server display, store order
    {0x30330016, "global_shared_secret"},
    {0x11330017, "retransmit"},
    {0x11330018, "timeout"},
    {0x11330019, "deadtime"},
    {0x1133001b, "idle_time"},
    {0x3033001c, "test_username"},
    {0x3033001d, "test_password"},
    {0x1133001e, "server_count"},
    {0x3033001f, "host", 1, tag_role::starts_entry, "servers"},
    {0x11330020, "auth_port", 1},
    {0x11330021, "acct_port", 1},
    {0x30330022, "shared_secret", 1},
    {0x11330023, "timeout", 1},
    {0x11330024, "retransmit", 1},
    // one server's monitoring settings
    {0x30330028, "host"},
    {0x11330029, "auth_port"},
    {0x1133002a, "acct_port"},
    {0x3033002b, "shared_secret"},
    {0x1133002c, "timeout"},
    {0x1133002d, "retransmit"},
    {0x11330030, "idle_time"},
    {0x30330031, "test_username"},
    {0x30330032, "test_password"},
    // server groups
    {0x11330033, "group_count"},
    {0x30330034, "name", 1, tag_role::starts_entry, "groups"},
    {0x30330035, "host", 2, tag_role::starts_entry, "members"},
    {0x11330036, "auth_port", 2},
    {0x11330037, "acct_port", 2},
    {0x11330038, "deadtime", 1},
    // server display, sorted by host
    {0x3033003b, "global_shared_secret"},
    {0x1133003c, "timeout"},
    {0x1133003d, "retransmit"},
    {0x1133003e, "deadtime"},
    {0x11330040, "idle_time"},
    {0x30330041, "test_username"},
    {0x30330042, "test_password"},
    {0x11330043, "server_count"},
    {0x30330044, "host", 1, tag_role::starts_entry, "servers"},
    {0x11330045, "auth_port", 1},
    {0x11330046, "acct_port", 1},
    {0x30330047, "shared_secret", 1},
    {0x11330048, "timeout", 1},
    {0x11330049, "retransmit", 1},
};

constexpr uint32_t tag_type(uint32_t tag) { return tag >> 24; }

// A tag of no table row: a field named after the tag in the innermost open
// object; values printed without a tag go to its "values" list.
tag_field field_of(uint32_t tag, int innermost, std::string &name) {
    for (const tag_field &known : tag_fields) {
        if (known.tag == tag) return known;
    }
    if (tag == 0) return {0, "values", innermost, tag_role::list_item};
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "tag_%08x", static_cast<unsigned>(tag));
    name = buffer;
    return {tag, name, innermost};
}

// Numbers and counters become JSON numbers; everything else stays text.
json value_of(const radsim::printed_value &value) {
    const uint32_t type = tag_type(value.tag);
    const bool numeric = type == 0x11 || type == 0x14 || type == 0x02;
    const std::string &text = value.text;
    if (numeric && !text.empty() && text.size() <= 20 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return std::stoull(text);
    }
    return text;
}

// Builds the document: `open` holds the objects that fields go into, the
// report itself first, then the entry being filled at each level.
class document {
public:
    document() : root_(json::object()) { open_.push_back(&root_); }

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

    const json &root() const { return root_; }

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

class json_renderer final : public report_renderer {
public:
    void add(const radsim::report &sent) override { reports_.push_back(sent); }
    void finish() override {
        if (reports_.empty()) return;
        const std::string text = json_of(reports_);
        std::fwrite(text.data(), 1, text.size(), stdout);
        reports_.clear();
    }

private:
    std::vector<radsim::report> reports_;
};

}  // namespace

std::string json_of(const std::vector<radsim::report> &reports) {
    document doc;
    for (const radsim::report &sent : reports) {
        for (const radsim::printed_piece &piece : sent.pieces) {
            for (const radsim::printed_value &value : piece.values) doc.add(value);
        }
    }
    // Handlers' texts are bytes: invalid UTF-8 is replaced rather than fatal.
    return doc.root().dump(2, ' ', false, json::error_handler_t::replace) + "\n";
}

std::unique_ptr<report_renderer> make_text_renderer() { return std::make_unique<text_renderer>(); }

std::unique_ptr<report_renderer> make_json_renderer() { return std::make_unique<json_renderer>(); }

}  // namespace radius::shell
