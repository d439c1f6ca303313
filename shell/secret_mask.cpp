#include "shell/secret_mask.hpp"

#include <algorithm>
#include <cctype>

#include "shell/parser.hpp"

namespace radius::shell {

namespace {

// `word` abbreviates `keyword` (as the parser matches keywords: a prefix,
// in any case).
bool abbreviates(std::string_view word, std::string_view keyword) {
    if (word.empty() || word.size() > keyword.size()) return false;
    return std::equal(word.begin(), word.end(), keyword.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

// The words a secret follows.  "server" abbreviates "server-key" only where
// no group member command reads it as its own keyword: the
// dynamic-authorization submode.
bool introduces_secret(std::string_view word, mode m) {
    constexpr std::string_view server_key = "server-key";
    const bool server_key_abbreviation =
        abbreviates(word, server_key) && (word.size() > std::string_view("server").size() || m == mode::dynamic_author);
    return abbreviates(word, "key") || abbreviates(word, "password") || server_key_abbreviation;
}

bool single_digit(std::string_view word) { return word.size() == 1 && std::isdigit(static_cast<unsigned char>(word[0])) != 0; }

// After a secret's keyword, an encryption form (0, 6 or 7) may come before
// the secret; another lone digit may be the secret itself, and is masked
// with what follows.  A form that ends the line is no secret: the line
// lacks its key.
void mark_after_keyword(const std::vector<word> &words, size_t keyword, std::vector<bool> &secret) {
    const size_t next = keyword + 1;
    if (next >= words.size()) return;
    const std::string_view first = words[next].text;
    const bool form = first == "0" || first == "6" || first == "7";
    if (!single_digit(first)) {
        secret[next] = true;
        return;
    }
    if (next + 1 < words.size()) secret[next + 1] = true;
    if (!form) secret[next] = true;
}

// "test aaa server radius HOST USER PASSWORD" and "test aaa group NAME USER
// PASSWORD" (also after "do") take the password by its place alone.
void mark_test_password(const std::vector<word> &words, std::vector<bool> &secret) {
    const size_t start = !words.empty() && words[0].text.size() >= 2 && abbreviates(words[0].text, "do") ? 1 : 0;
    if (words.size() < start + 3 || !abbreviates(words[start].text, "test") ||
        !abbreviates(words[start + 1].text, "aaa")) {
        return;
    }
    const std::string_view kind = words[start + 2].text;
    const size_t place = start + (abbreviates(kind, "server") ? 6 : abbreviates(kind, "group") ? 5 : words.size());
    for (size_t i = place; i < words.size(); ++i) secret[i] = true;
}

}  // namespace

// A comment ("!") is the operator's remark, run by nothing: shown as written.
masked_line::masked_line(std::string_view line, mode m) {
    const size_t first = line.find_first_not_of(blanks);
    if (first != std::string_view::npos && line[first] == '!') {
        text_ = line;
        return;
    }
    const std::vector<word> words = split_words(line);
    std::vector<bool> secret(words.size(), false);
    // A masked word is still read as a keyword: in "username key password
    // P" the user "key" hides "password", and "password" hides P.
    for (size_t i = 0; i < words.size(); ++i) {
        if (introduces_secret(words[i].text, m)) mark_after_keyword(words, i, secret);
    }
    mark_test_password(words, secret);
    size_t copied = 0;
    for (size_t i = 0; i < words.size(); ++i) {
        if (!secret[i]) continue;
        text_.append(line.substr(copied, words[i].offset - copied)).append(secret_mask);
        masked_.emplace_back(words[i].offset, words[i].text.size());
        copied = words[i].offset + words[i].text.size();
    }
    text_.append(line.substr(std::min(copied, line.size())));
}

size_t masked_line::offset(size_t original) const {
    size_t shifted = original;
    for (const auto &[start, length] : masked_) {
        if (original < start) break;
        if (original < start + length) return shifted - (original - start);
        shifted = shifted + secret_mask.size() - length;
    }
    return shifted;
}

}  // namespace radius::shell
