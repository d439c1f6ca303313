// The terminal with libedit: emacs-style editing, history, "?" lists what
// may come next without ending the line, Tab completes a keyword.
#include <histedit.h>

#include <cstdio>

#include "shell/line_input.hpp"

namespace radius::shell {

namespace {

struct editline_closer {
    void operator()(EditLine *editor) const { el_end(editor); }
};

struct history_closer {
    void operator()(History *history) const { history_end(history); }
};

std::string longest_common_prefix(const std::vector<std::string> &words) {
    std::string prefix = words.front();
    for (const std::string &word : words) {
        size_t same = 0;
        while (same < prefix.size() && same < word.size() && prefix[same] == word[same]) ++same;
        prefix.resize(same);
    }
    return prefix;
}

class editline_terminal final : public line_source {
public:
    explicit editline_terminal(session &s) : session_(s) {
        history_.reset(history_init());
        history(history_.get(), &event_, H_SETSIZE, 500);
        editor_.reset(el_init("radsh", stdin, stdout, stderr));
        EditLine *el = editor_.get();
        el_set(el, EL_EDITOR, "emacs");
        el_set(el, EL_CLIENTDATA, this);
        el_set(el, EL_PROMPT, &editline_terminal::prompt_text);
        el_set(el, EL_HIST, history, history_.get());
        // The wide calls take our static names as they are; the narrow ones
        // copy them into blocks libedit never frees.
        el_wset(el, EL_ADDFN, L"radsh-help", L"List what may come next", &editline_terminal::on_help);
        el_wset(el, EL_BIND, L"?", L"radsh-help", nullptr);
        el_wset(el, EL_ADDFN, L"radsh-complete", L"Complete a keyword", &editline_terminal::on_complete);
        el_wset(el, EL_BIND, L"^I", L"radsh-complete", nullptr);
    }

    std::optional<std::string> read(const std::string &prompt) override {
        prompt_ = prompt;
        int count = 0;
        const char *line = el_gets(editor_.get(), &count);
        if (line == nullptr || count <= 0) {
            std::fputc('\n', stdout);
            return std::nullopt;
        }
        const std::string text(trim_right(std::string_view(line, static_cast<size_t>(count))));
        if (!text.empty()) history(history_.get(), &event_, H_ENTER, text.c_str());
        return text;
    }

    bool shows_input() const override { return true; }

private:
    static editline_terminal &self(EditLine *el) {
        void *data = nullptr;
        el_get(el, EL_CLIENTDATA, &data);
        return *static_cast<editline_terminal *>(data);
    }

    static std::string before_cursor(EditLine *el) {
        const LineInfo *info = el_line(el);
        return std::string(info->buffer, static_cast<size_t>(info->cursor - info->buffer));
    }

    static char *prompt_text(EditLine *el) { return self(el).prompt_.data(); }

    static unsigned char on_help(EditLine *el, int) {
        const std::string line = before_cursor(el);
        std::printf("?\n");
        self(el).session_.print_help(line, true);
        std::fflush(stdout);
        return CC_REDISPLAY;
    }

    static unsigned char on_complete(EditLine *el, int) {
        const std::string line = before_cursor(el);
        const std::vector<std::string> words = self(el).session_.complete(line);
        if (words.empty()) return CC_REFRESH_BEEP;
        const size_t blank = line.find_last_of(blanks);
        const size_t typed = line.size() - (blank == std::string::npos ? 0 : blank + 1);
        const std::string common = words.size() == 1 ? words.front() + " " : longest_common_prefix(words);
        if (common.size() > typed) {
            el_insertstr(el, common.substr(typed).c_str());
            return CC_REFRESH;
        }
        std::string listed;
        for (const std::string &word : words) listed += (listed.empty() ? "" : "  ") + word;
        std::printf("\n%s\n", listed.c_str());
        return CC_REDISPLAY;
    }

    session &session_;
    std::unique_ptr<History, history_closer> history_;
    std::unique_ptr<EditLine, editline_closer> editor_;
    HistEvent event_{};
    std::string prompt_;
};

}  // namespace

std::unique_ptr<line_source> make_terminal_source(session &s) { return std::make_unique<editline_terminal>(s); }

}  // namespace radius::shell
