#include "sim/printed_report.hpp"

namespace radsim {

printed_value value_list::operator[](size_t i) const {
    const piece_list::value_entry &entry = owner_->values_[first_ + i];
    return {entry.tag, owner_->view(entry.text), entry.length};
}

printed_piece piece_list::operator[](size_t i) const {
    const piece_entry &entry = pieces_[i];
    return {view(entry.format), value_list(this, entry.first_value, entry.value_count)};
}

void piece_list::clear() {
    text_.clear();
    pieces_.clear();
    values_.clear();
}

void printed_piece::append_text(std::string &out) const {
    size_t next_value = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && (format[i + 1] == 's' || format[i + 1] == '%')) {
            if (format[i + 1] == '%') {
                out += '%';
            } else if (next_value < values.size()) {
                out += values[next_value++].text;
            }
            ++i;
            continue;
        }
        out += format[i];
    }
}

std::string printed_piece::text() const {
    std::string out;
    append_text(out);
    return out;
}

std::string report::text() const {
    std::string out;
    for (const printed_piece &piece : pieces) piece.append_text(out);
    return out;
}

}  // namespace radsim
