// The terminal with libedit: emacs-style editing, history, "?" lists what
// may come next without ending the line, Tab completes a keyword or a
// value.  While a line is edited the terminal sends Ctrl-C and Ctrl-Z as
// keys rather than signals (no isig), so that they act on the line.
#include <histedit.h>

#include <cstdio>

#include "shell/escaped_stdout.hpp"
#include "shell/line_input.hpp"
#include "shell/terminal_output.hpp"

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
        editor_.reset(el_init("radsh", stdin, terminal_stream(), stderr));
        EditLine *el = editor_.get();
        el_set(el, EL_EDITOR, "emacs");
        el_set(el, EL_CLIENTDATA, this);
        el_set(el, EL_PROMPT, &editline_terminal::prompt_text);
        el_set(el, EL_HIST, history, history_.get());
        // The wide calls take our static names as they are; the narrow ones
        // copy them into blocks libedit never frees.
        el_wset(el, EL_ADDFN, L"radsh-help", L"List what may come next", &editline_terminal::on_help);
        el_wset(el, EL_BIND, L"?", L"radsh-help", nullptr);
        el_wset(el, EL_ADDFN, L"radsh-complete", L"Complete a keyword or a value", &editline_terminal::on_complete);
        el_wset(el, EL_BIND, L"^I", L"radsh-complete", nullptr);
        el_wset(el, EL_SETTY, L"-d", L"-isig", nullptr);
        el_wset(el, EL_ADDFN, L"radsh-discard", L"Discard the line", &editline_terminal::on_discard);
        el_wset(el, EL_BIND, L"^C", L"radsh-discard", nullptr);
        el_wset(el, EL_ADDFN, L"radsh-end", L"Return to exec mode", &editline_terminal::on_end);
        el_wset(el, EL_BIND, L"^Z", L"radsh-end", nullptr);
        el_wset(el, EL_ADDFN, L"radsh-delete-or-exit", L"Delete a character, or leave the mode on an empty line",
                &editline_terminal::on_delete_or_exit);
        el_wset(el, EL_BIND, L"^D", L"radsh-delete-or-exit", nullptr);
        s.use_terminal();
        catch_terminal_signals();
    }

    std::optional<std::string> read(const std::string &prompt) override {
        prompt_ = prompt;
        discard_ = false;
        int count = 0;
        const char *line = el_gets(editor_.get(), &count);
        if (line == nullptr || count <= 0) {
            std::printf("%s\n", end_of_input_line);
            return end_of_input_line;
        }
        if (discard_) return std::string();
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

    // Replaces the whole line by `text`.
    static void replace_line(EditLine *el, const std::string &text) {
        const LineInfo *info = el_line(el);
        const int length = static_cast<int>(info->lastchar - info->buffer);
        el_cursor(el, static_cast<int>(info->lastchar - info->cursor));
        el_deletestr(el, length);
        if (!text.empty()) el_insertstr(el, text.c_str());
    }

    // The line is done as if Enter had been typed after it: shown as it is
    // now, with its newline.
    static unsigned char finish_line(EditLine *el) {
        el_push(el, "\n");
        return CC_REFRESH;
    }

    // Ctrl-C: the line stays on the screen, marked, and is not run.
    static unsigned char on_discard(EditLine *el, int) {
        const LineInfo *info = el_line(el);
        el_cursor(el, static_cast<int>(info->lastchar - info->cursor));
        el_insertstr(el, "^C");
        self(el).discard_ = true;
        return finish_line(el);
    }

    // Ctrl-Z: the line becomes "end"; exec mode has nowhere to return to.
    static unsigned char on_end(EditLine *el, int) {
        const std::string line = suspend_line(self(el).session_);
        if (line.empty()) return CC_REFRESH_BEEP;
        replace_line(el, line);
        return finish_line(el);
    }

    // Ctrl-D: on an empty line, the end of input (read() makes it "exit");
    // else it deletes the character under the cursor.
    static unsigned char on_delete_or_exit(EditLine *el, int) {
        const LineInfo *info = el_line(el);
        if (info->lastchar == info->buffer) return CC_EOF;
        if (info->cursor == info->lastchar) return CC_REFRESH_BEEP;
        el_cursor(el, 1);
        el_deletestr(el, 1);
        return CC_REFRESH;
    }

    static unsigned char on_complete(EditLine *el, int) {
        const std::string line = before_cursor(el);
        const std::vector<std::string> words = self(el).session_.complete(line);
        if (words.empty()) return CC_REFRESH_BEEP;
        const size_t blank = line.find_last_of(blanks);
        const size_t typed = line.size() - (blank == std::string::npos ? 0 : blank + 1);
        // A directory goes on into its entries, anything else ends its word.
        const bool goes_on = words.size() > 1 || words.front().ends_with('/');
        const std::string common = goes_on ? longest_common_prefix(words) : words.front() + " ";
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
    bool discard_ = false;  // Ctrl-C ended the line
};

}  // namespace

std::unique_ptr<line_source> make_terminal_source(session &s) { return std::make_unique<editline_terminal>(s); }

}  // namespace radius::shell
