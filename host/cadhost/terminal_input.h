// Input from a person at a terminal: lines edited with libedit, with history and Tab
// completion; Ctrl-C answers Escape, Ctrl-D ends the input, and mistakes are forgiven.
#pragma once
#include "editor/editor.h"
#include <csignal>
#include <cstdio>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

typedef struct editline EditLine;
typedef struct history History;

namespace cadhost {

/// The history file of an interactive session: $CADHOST_HISTORY when it is set (set and empty:
/// none), else .cadhost_history in $HOME; empty (no history file) without a home.
std::string historyFilePath();

/// The transcript on a terminal: whole lines go out at once, and the line still open (the
/// prompt) is held back for the line editor to show. A newline that comes right after the
/// user ended a line with Enter is not written: the terminal is at a line's start already.
/// Without holding, text passes through as it comes.
class HeldPromptBuffer : public std::streambuf {
public:
    HeldPromptBuffer(std::ostream& terminal, bool holding)
        : m_terminal(terminal), m_holding(holding)
    {
    }
    ~HeldPromptBuffer() override;
    /// The open line, handed over to be shown as the prompt; nothing is held after.
    std::string takeOpenLine();
    /// The terminal's cursor stands at the start of a line.
    void noteLineStart() { m_atLineStart = true; }

protected:
    int overflow(int c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    void put(char c);

    std::ostream& m_terminal;
    bool m_holding;
    std::string m_openLine;
    bool m_atLineStart = true;
};

class TerminalInput : public InputSource {
public:
    /// Lines come from the terminal in and are edited on out, where terminal (the transcript)
    /// writes too; history is read from historyPath and each line entered is added to it
    /// (empty: none). When out is no terminal, lines are read as they are typed and the
    /// prompts stay in the transcript.
    TerminalInput(std::FILE* in, std::FILE* out, std::ostream& terminal, std::string historyPath);
    /// Gives the terminal, the locale and Ctrl-C back as they were.
    ~TerminalInput() override;
    TerminalInput(const TerminalInput&) = delete;
    TerminalInput& operator=(const TerminalInput&) = delete;

    bool next(UserAction& action) override;
    bool forgivesMistakes() const override { return true; }

    /// The stream for the session's transcript.
    std::ostream& transcript() { return m_transcript; }
    /// Whether the user's input shows on the transcript's terminal (edited there), so that the
    /// session need not echo it.
    bool showsInput() const { return m_editing; }
    /// The module's commands, for completion.
    void setModuleCommands(std::vector<std::string> names) { m_moduleCommands = std::move(names); }

private:
    static char* promptOf(EditLine* el);
    static unsigned char completeKey(EditLine* el, int key);
    static unsigned char cancelKey(EditLine* el, int key);
    static unsigned char helpKey(EditLine* el, int key);
    static TerminalInput& of(EditLine* el);
    /// Puts text in place of the whole line being edited, and Enter after it.
    static void enterLine(EditLine* el, const char* text);

    bool m_editing;
    HeldPromptBuffer m_buffer;
    std::ostream m_transcript;
    std::FILE* m_out;
    std::string m_historyPath;
    std::string m_savedLocale;
    struct sigaction m_savedInterrupt = {};
    std::string m_prompt;
    std::vector<std::string> m_moduleCommands;
    bool m_cancelled = false;
    bool m_ended = false;
    EditLine* m_editLine = nullptr;
    History* m_history = nullptr;
};

}  // namespace cadhost
