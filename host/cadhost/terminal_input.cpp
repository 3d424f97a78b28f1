#include "cadhost/terminal_input.h"

#include "cadhost/program_library.h"
#include "cadhost/script_input.h"

#include <cstdlib>
#include <iostream>
#include <unistd.h>

namespace cadhost {

namespace {

const char* const kHistoryFileName = ".cadhost_history";

/// Input from a person at a terminal without the line editor: lines as the terminal's own line
/// mode gives them, with no history or completion; Ctrl-C only drops the line being typed, and
/// Ctrl-D ends the input. The transcript is laid out as with the line editor.
class PlainTerminalInput : public TerminalInput {
public:
    PlainTerminalInput(std::istream& in, std::ostream& terminal)
        : m_echoed(::isatty(STDOUT_FILENO) != 0),
          m_buffer(terminal, m_echoed),
          m_transcript(&m_buffer),
          m_in(in),
          m_terminal(terminal)
    {
    }

    bool next(UserAction& action) override
    {
        if (m_ended)
            return false;
        const std::string prompt = m_buffer.takeOpenLine();
        for (;;) {
            m_terminal << prompt << std::flush;
            std::string line;
            if (!std::getline(m_in, line)) {
                // Ctrl-D: the end of input, for the rest of the session.
                if (m_echoed)
                    m_terminal << '\n' << std::flush;
                m_ended = true;
                return false;
            }
            m_buffer.noteLineStart();
            // A comment typed at a prompt is no answer: the prompt waits on.
            if (parseScriptLine(line, "", 0, action))
                return true;
        }
    }
    std::ostream& transcript() override { return m_transcript; }
    bool showsInput() const override { return m_echoed; }
    void setModuleCommands(std::vector<std::string>) override {}

private:
    bool m_echoed;
    HeldPromptBuffer m_buffer;
    std::ostream m_transcript;
    std::istream& m_in;
    std::ostream& m_terminal;
    bool m_ended = false;
    IgnoredInterrupt m_interrupt;
};

/// The line editor's input, from its library in folder; null with the reason when the library
/// cannot be loaded.
std::unique_ptr<TerminalInput> loadLineEditorInput(const std::string& folder,
                                                   std::ostream& terminal,
                                                   const std::string& historyPath,
                                                   std::string& error)
{
    using Maker = TerminalInput* (*)(std::FILE*, std::FILE*, std::ostream&, const std::string&);
    const auto make = reinterpret_cast<Maker>(programLibraryFunction(
        folder + "/" + kLineEditorLibrary, kLineEditorMaker, "line editor", error));
    if (make == nullptr)
        return nullptr;
    return std::unique_ptr<TerminalInput>(make(stdin, stdout, terminal, historyPath));
}

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

// --- IgnoredInterrupt ---

IgnoredInterrupt::IgnoredInterrupt()
{
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &m_saved);
}

IgnoredInterrupt::~IgnoredInterrupt()
{
    sigaction(SIGINT, &m_saved, nullptr);
}

// --- the session's input ---

std::unique_ptr<TerminalInput> openTerminalInput(const std::string& folder, std::ostream& terminal,
                                                 const std::string& historyPath,
                                                 std::ostream& err)
{
    std::string error;
    if (std::unique_ptr<TerminalInput> edited =
            loadLineEditorInput(folder, terminal, historyPath, error))
        return edited;
    err << "cadhost: warning: " << error << "; lines are read without editing, history or "
                                            "completion\n"
        << std::flush;
    return std::make_unique<PlainTerminalInput>(std::cin, terminal);
}

}  // namespace cadhost
