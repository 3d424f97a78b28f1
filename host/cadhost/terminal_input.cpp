#include "cadhost/terminal_input.h"

#include "cadhost/script_input.h"
#include "cadhost/session_words.h"

#include <clocale>
#include <csignal>
#include <cstdlib>
#include <histedit.h>
#include <unistd.h>

namespace cadhost {

namespace {

const char* const kHistoryFileName = ".cadhost_history";
/// How many lines the history keeps.
constexpr int kHistorySize = 1000;
/// The echo of a line cancelled with Ctrl-C, as the host shows a cancel.
const char* const kCancelEcho = "*Cancel*";
/// The character encoding of the transcript and of what the user types.
const char* const kUtf8Locale = "C.UTF-8";

}  // namespace

std::string historyFilePath()
{
    if (const char* explicitPath = std::getenv("CADHOST_HISTORY"))
        return explicitPath;
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == 0)
        return "";
    return std::string(home) + "/" + kHistoryFileName;
}

// --- HeldPromptBuffer ---

HeldPromptBuffer::~HeldPromptBuffer()
{
    m_terminal << m_openLine;
    m_terminal.flush();
}

std::string HeldPromptBuffer::takeOpenLine()
{
    std::string line;
    line.swap(m_openLine);
    return line;
}

void HeldPromptBuffer::put(char c)
{
    if (!m_holding) {
        m_terminal << c;
        return;
    }
    if (c != '\n') {
        m_openLine += c;
        m_atLineStart = false;
        return;
    }
    if (!(m_atLineStart && m_openLine.empty()))
        m_terminal << m_openLine << '\n';
    m_openLine.clear();
    m_atLineStart = false;
}

int HeldPromptBuffer::overflow(int c)
{
    if (c != traits_type::eof())
        put(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
}

std::streamsize HeldPromptBuffer::xsputn(const char* text, std::streamsize count)
{
    for (std::streamsize i = 0; i < count; ++i)
        put(text[i]);
    return count;
}

int HeldPromptBuffer::sync()
{
    m_terminal.flush();
    return 0;
}

// --- TerminalInput ---

TerminalInput::TerminalInput(std::FILE* in, std::FILE* out, std::ostream& terminal,
                             std::string historyPath)
    : m_editing(::isatty(::fileno(out)) != 0),
      m_buffer(terminal, m_editing),
      m_transcript(&m_buffer),
      m_out(out),
      m_historyPath(std::move(historyPath))
{
    // Ctrl-C never ends the session: while a line is edited it is a key (Escape), and at any
    // other moment it is ignored.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &m_savedInterrupt);
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
    el_set(m_editLine, EL_PROMPT, &TerminalInput::promptOf);
    el_set(m_editLine, EL_HIST, history, m_history);
    // Ctrl-C reaches the editor as a key, which cancels as Escape does.
    el_set(m_editLine, EL_SETTY, "-d", "-isig", nullptr);
    // The wide form keeps the names as given; the narrow one leaks the copies it makes.
    el_wset(m_editLine, EL_ADDFN, L"cadhost-complete", L"Complete a command or a word",
            &TerminalInput::completeKey);
    el_wset(m_editLine, EL_ADDFN, L"cadhost-cancel", L"Cancel, as Escape does",
            &TerminalInput::cancelKey);
    el_wset(m_editLine, EL_ADDFN, L"cadhost-help", L"List the commands", &TerminalInput::helpKey);
    el_set(m_editLine, EL_BIND, "^I", "cadhost-complete", nullptr);
    el_set(m_editLine, EL_BIND, "^C", "cadhost-cancel", nullptr);
    // F1, as xterm and the Linux console send it.
    el_set(m_editLine, EL_BIND, "\033OP", "cadhost-help", nullptr);
    el_set(m_editLine, EL_BIND, "\033[11~", "cadhost-help", nullptr);
    el_set(m_editLine, EL_BIND, "\033[[A", "cadhost-help", nullptr);
    // The user's own key bindings (~/.editrc) come last.
    el_source(m_editLine, nullptr);
}

TerminalInput::~TerminalInput()
{
    el_end(m_editLine);
    history_end(m_history);
    std::setlocale(LC_CTYPE, m_savedLocale.empty() ? "C" : m_savedLocale.c_str());
    sigaction(SIGINT, &m_savedInterrupt, nullptr);
}

bool TerminalInput::next(UserAction& action)
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

TerminalInput& TerminalInput::of(EditLine* el)
{
    void* self = nullptr;
    el_get(el, EL_CLIENTDATA, &self);
    return *static_cast<TerminalInput*>(self);
}

char* TerminalInput::promptOf(EditLine* el)
{
    return &of(el).m_prompt[0];
}

void TerminalInput::enterLine(EditLine* el, const char* text)
{
    const LineInfo* line = el_line(el);
    el_cursor(el, static_cast<int>(line->lastchar - line->cursor));
    line = el_line(el);
    el_deletestr(el, static_cast<int>(line->cursor - line->buffer));
    el_insertstr(el, text);
    // The Enter key's own binding ends the line, as it does on the screen.
    el_push(el, "\n");
}

unsigned char TerminalInput::completeKey(EditLine* el, int)
{
    TerminalInput& self = of(el);
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

unsigned char TerminalInput::cancelKey(EditLine* el, int)
{
    of(el).m_cancelled = true;
    enterLine(el, kCancelEcho);
    return CC_REFRESH;
}

unsigned char TerminalInput::helpKey(EditLine* el, int)
{
    enterLine(el, "help");
    return CC_REFRESH;
}

}  // namespace cadhost
