// What the tagged output channel delivers: the pieces that cmd_prt printed,
// each with the values it consumed.  A report keeps all its text in one
// buffer and its pieces and values as plain entries beside it, so that a
// display of twenty thousand pieces costs no allocation once the buffers
// have grown, and a copy of a report is three buffer copies.
//
// Pieces and values are read as small views made on access: their texts
// point into the report they came from and stay valid while it lives
// unchanged.  Keep a report (a copy) to keep them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace radsim {

struct printed_value {
    uint32_t tag = 0;
    std::string_view text;  // the value's text form
    uint32_t length = 0;    // the length given to cmd_prt_arg_make; 0 from cmd_tuple
};

class piece_list;

// Positions 0 .. size() of a list read through its operator[].  `Holder`
// is the list itself when it is a small view (a piece's values, so that an
// iterator outlives the piece it came from) or a pointer to it.
template <class Holder, class Item>
class index_iterator {
public:
    index_iterator(Holder list, size_t at) : list_(list), at_(at) {}
    Item operator*() const {
        if constexpr (std::is_pointer_v<Holder>) {
            return (*list_)[at_];
        } else {
            return list_[at_];
        }
    }
    index_iterator &operator++() {
        ++at_;
        return *this;
    }
    bool operator==(const index_iterator &other) const { return at_ == other.at_; }

private:
    Holder list_;
    size_t at_;
};

// The values of one piece, in the order its "%s" consumed them.
class value_list {
public:
    value_list(const piece_list *owner, uint32_t first, uint32_t count) : owner_(owner), first_(first), count_(count) {}
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    printed_value operator[](size_t i) const;
    index_iterator<value_list, printed_value> begin() const { return {*this, 0}; }
    index_iterator<value_list, printed_value> end() const { return {*this, count_}; }

private:
    const piece_list *owner_;
    uint32_t first_;
    uint32_t count_;
};

// One cmd_prt call: its format and the values it consumed, in order.
struct printed_piece {
    std::string_view format;
    value_list values;
    // The format with each "%s" replaced by its value and "%%" by "%".
    std::string text() const;
    void append_text(std::string &out) const;
};

// The pieces of a report, and their storage.
class piece_list {
public:
    size_t size() const { return pieces_.size(); }
    bool empty() const { return pieces_.empty(); }
    printed_piece operator[](size_t i) const;
    index_iterator<const piece_list *, printed_piece> begin() const { return {this, 0}; }
    index_iterator<const piece_list *, printed_piece> end() const { return {this, pieces_.size()}; }

    // Starts a piece printed with `format`.
    void add(std::string_view format) { pieces_.push_back({append(format), static_cast<uint32_t>(values_.size()), 0}); }
    // Adds a value to the last piece: `bytes` up to the first NUL among them
    // (all of them are copied, so a value shorter than its promised length
    // is read past its end where a sanitizer sees it).
    void add_value(uint32_t tag, std::string_view bytes, uint32_t length) {
        span text = append(bytes);
        const void *nul = std::memchr(text_.data() + text.offset, '\0', text.size);
        if (nul != nullptr) {
            text.size = static_cast<uint32_t>(static_cast<const char *>(nul) - (text_.data() + text.offset));
            text_.resize(text.offset + text.size);
        }
        add_entry(tag, text, length);
    }
    // Adds a value known to hold no NUL, such as a number's digits.
    void add_plain_value(uint32_t tag, std::string_view text, uint32_t length) { add_entry(tag, append(text), length); }
    // Empties the list and keeps its buffers.
    void clear();

private:
    friend class value_list;
    struct span {
        uint32_t offset;
        uint32_t size;
    };
    struct piece_entry {
        span format;
        uint32_t first_value;
        uint32_t value_count;
    };
    struct value_entry {
        uint32_t tag;
        span text;
        uint32_t length;
    };
    std::string_view view(span s) const { return {text_.data() + s.offset, s.size}; }
    // Inline, with the adders: a display makes tens of thousands of these
    // calls, and a call out of the shared library costs as much as the work.
    span append(std::string_view bytes) {
        const span appended{static_cast<uint32_t>(text_.size()), static_cast<uint32_t>(bytes.size())};
        text_.append(bytes);
        return appended;
    }
    void add_entry(uint32_t tag, span text, uint32_t length) {
        values_.push_back({tag, text, length});
        ++pieces_.back().value_count;
    }

    std::string text_;
    std::vector<piece_entry> pieces_;
    std::vector<value_entry> values_;
};

// What one cmd_prt_send delivered.
struct report {
    uint32_t command_id = 0;
    piece_list pieces;
    std::string text() const;
};

}  // namespace radsim
