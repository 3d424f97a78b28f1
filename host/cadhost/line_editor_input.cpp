// The line editor's library: a person's lines edited with libedit, with history and Tab
// completion; Ctrl-C answers Escape and Ctrl-D ends the input. It takes the transcript's buffer
// and the parsing of lines from the program that loads it.
#include "cadhost/script_input.h"
#include "cadhost/session_words.h"
#include "cadhost/terminal_input.h"

#include <clocale>
#include <cstdio>
#include <histedit.h>
#include <unistd.h>

namespace cadhost {

namespace {

/// How many lines the history keeps.
constexpr int kHistorySize = 1000;
/// The echo of a line cancelled with Ctrl-C, as the host shows a cancel.
const char* const kCancelEcho = "*Cancel*";
/// The character encoding of the transcript and of what the user types.
const char* const kUtf8Locale = "C.UTF-8";

class LineEditorInput : public TerminalInput {
public:
    /// Lines come from the terminal in and are edited on out, where terminal (the transcript)
    /// writes too; history is read from historyPath and each line entered is added to it
    /// (empty: none). When out is no terminal, lines are read as they are typed and the
    /// prompts stay in the transcript.
    LineEditorInput(std::FILE* in, std::FILE* out, std::ostream& terminal,
                    std::string historyPath);
    /// Gives the terminal, the locale and Ctrl-C back as they were.
    ~LineEditorInput() override;
    LineEditorInput(const LineEditorInput&) = delete;
    LineEditorInput& operator=(const LineEditorInput&) = delete;

    bool next(UserAction& action) override;
    std::ostream& transcript() override { return m_transcript; }
    bool showsInput() const override { return m_editing; }
    void setModuleCommands(std::vector<std::string> names) override
    {
        m_moduleCommands = std::move(names);
    }

private:
    static char* promptOf(EditLine* el);
    static unsigned char completeKey(EditLine* el, int key);
    static unsigned char cancelKey(EditLine* el, int key);
    static unsigned char helpKey(EditLine* el, int key);
    static LineEditorInput& of(EditLine* el);
    /// Puts text in place of the whole line being edited, and Enter after it.
    static void enterLine(EditLine* el, const char* text);

    /// While a line is edited Ctrl-C is a key (Escape); at any other moment it is ignored.
    IgnoredInterrupt m_interrupt;
    bool m_editing;
    HeldPromptBuffer m_buffer;
    std::ostream m_transcript;
    std::FILE* m_out;
    std::string m_historyPath;
    std::string m_savedLocale;
    std::string m_prompt;
    std::vector<std::string> m_moduleCommands;
    bool m_cancelled = false;
    bool m_ended = false;
    EditLine* m_editLine = nullptr;
    History* m_history = nullptr;
};

LineEditorInput::LineEditorInput(std::FILE* in, std::FILE* out, std::ostream& terminal,
                                 std::string historyPath)
    : m_editing(::isatty(::fileno(out)) != 0),
      m_buffer(terminal, m_editing),
      m_transcript(&m_buffer),
      m_out(out),
      m_historyPath(std::move(historyPath))
{
    // The line editor decodes keys and measures the prompt in the transcript's encoding.
    if (const char* locale = std::setlocale(LC_CTYPE, nullptr))
        m_savedLocale = locale;
    std::setlocale(LC_CTYPE, kUtf8Locale);

    m_history = history_init();
    HistEvent event;
    history(m_history, &event, H_SETSIZE, kHistorySize);
    history(m_history, &event, H_SETUNIQUE, 1);
    if (!m_historyPath.empty())
        history(m_history, &event, H_LOAD, m_historyPath.c_str());

    m_editLine = el_init("cadhost", in, out, stderr);
    el_set(m_editLine, EL_CLIENTDATA, this);
    el_set(m_editLine, EL_EDITOR, "emacs");
    el_set(m_editLine, EL_SIGNAL, 1);
    el_set(m_editLine, EL_PROMPT, &LineEditorInput::promptOf);
    el_set(m_editLine, EL_HIST, history, m_history);
    // Ctrl-C reaches the editor as a key, which cancels as Escape does.
    el_set(m_editLine, EL_SETTY, "-d", "-isig", nullptr);
    // The wide form keeps the names as given; the narrow one leaks the copies it makes.
    el_wset(m_editLine, EL_ADDFN, L"cadhost-complete", L"Complete a command or a word",
            &LineEditorInput::completeKey);
    el_wset(m_editLine, EL_ADDFN, L"cadhost-cancel", L"Cancel, as Escape does",
            &LineEditorInput::cancelKey);
    el_wset(m_editLine, EL_ADDFN, L"cadhost-help", L"List the commands",
            &LineEditorInput::helpKey);
    el_set(m_editLine, EL_BIND, "^I", "cadhost-complete", nullptr);
    el_set(m_editLine, EL_BIND, "^C", "cadhost-cancel", nullptr);
    // F1, as xterm and the Linux console send it.
    el_set(m_editLine, EL_BIND, "\033OP", "cadhost-help", nullptr);
    el_set(m_editLine, EL_BIND, "\033[11~", "cadhost-help", nullptr);
    el_set(m_editLine, EL_BIND, "\033[[A", "cadhost-help", nullptr);
    // The user's own key bindings (~/.editrc) come last.
    el_source(m_editLine, nullptr);
}

LineEditorInput::~LineEditorInput()
{
    el_end(m_editLine);
    history_end(m_history);
    std::setlocale(LC_CTYPE, m_savedLocale.empty() ? "C" : m_savedLocale.c_str());
}

bool LineEditorInput::next(UserAction& action)
{
    if (m_ended)
        return false;
    m_prompt = m_buffer.takeOpenLine();
    m_transcript.flush();
    for (;;) {
        m_cancelled = false;
        int count = 0;
        const char* line = el_gets(m_editLine, &count);
        m_buffer.noteLineStart();
        if (line == nullptr || count <= 0) {
            // Ctrl-D: the end of input, for the rest of the session.
            if (m_editing) {
                std::fputs("\n", m_out);
                std::fflush(m_out);
            }
            m_ended = true;
            return false;
        }
        if (m_cancelled) {
            action = UserAction();
            action.kind = UserAction::Kind::Escape;
            action.text = "ESC";
            return true;
        }
        const std::string text = trimBlanks(line);
        if (!text.empty()) {
            // Written at once, so that a session that ends any way keeps what was typed.
            HistEvent event;
            history(m_history, &event, H_ENTER, text.c_str());
            if (!m_historyPath.empty())
                history(m_history, &event, H_SAVE, m_historyPath.c_str());
        }
        // A comment typed at a prompt is no answer: the prompt waits on.
        if (parseScriptLine(text, "", 0, action))
            return true;
    }
}

LineEditorInput& LineEditorInput::of(EditLine* el)
{
    void* self = nullptr;
    el_get(el, EL_CLIENTDATA, &self);
    return *static_cast<LineEditorInput*>(self);
}

char* LineEditorInput::promptOf(EditLine* el)
{
    return &of(el).m_prompt[0];
}

void LineEditorInput::enterLine(EditLine* el, const char* text)
{
    const LineInfo* line = el_line(el);
    el_cursor(el, static_cast<int>(line->lastchar - line->cursor));
    line = el_line(el);
    el_deletestr(el, static_cast<int>(line->cursor - line->buffer));
    el_insertstr(el, text);
    // The Enter key's own binding ends the line, as it does on the screen.
    el_push(el, "\n");
}

unsigned char LineEditorInput::completeKey(EditLine* el, int)
{
    LineEditorInput& self = of(el);
    const LineInfo* line = el_line(el);
    const std::string beforeCursor(line->buffer, line->cursor);
    const std::vector<std::string> matches = completionsOf(beforeCursor, self.m_moduleCommands);
    if (matches.empty())
        return CC_REFRESH_BEEP;
    std::size_t wordStart = beforeCursor.find_last_of(" \t");
    wordStart = wordStart == std::string::npos ? 0 : wordStart + 1;
    const std::size_t typed = beforeCursor.size() - wordStart;
    const std::string prefix = commonPrefix(matches);
    if (matches.size() == 1 || prefix.size() > typed) {
        el_deletestr(el, static_cast<int>(typed));
        el_insertstr(el, (matches.size() == 1 ? matches.front() + " " : prefix).c_str());
        return CC_REFRESH;
    }
    // Nothing more in common: the candidates are listed under the line, which is drawn again.
    std::string list = "\n";
    for (const std::string& match : matches)
        list += match + "  ";
    list += "\n";
    std::fputs(list.c_str(), self.m_out);
    return CC_REDISPLAY;
}

unsigned char LineEditorInput::cancelKey(EditLine* el, int)
{
    of(el).m_cancelled = true;
    enterLine(el, kCancelEcho);
    return CC_REFRESH;
}

unsigned char LineEditorInput::helpKey(EditLine* el, int)
{
    enterLine(el, "help");
    return CC_REFRESH;
}

}  // namespace

}  // namespace cadhost

/// Makes the input of a session at the terminal in/out (the library's one entry).
extern "C" cadhost::TerminalInput* cadhostNewLineEditorInput(std::FILE* in, std::FILE* out,
                                                            std::ostream& terminal,
                                                            const std::string& historyPath)
{
    return new cadhost::LineEditorInput(in, out, terminal, historyPath);
}
