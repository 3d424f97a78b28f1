// Input from a person at a terminal: lines edited with history and Tab completion where the
// line editor's library loads, plain lines where it does not; mistakes are forgiven. The line
// editor is a library of its own, loaded only by a terminal session: libedit and the libraries
// it brings would slow the start of every other session.
#pragma once
#include "editor/editor.h"
#include <csignal>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace cadhost {

/// The history file of an interactive session: $CADHOST_HISTORY when it is set (set and empty:
/// none), else .cadhost_history in $HOME; empty (no history file) without a home.
std::string historyFilePath();

/// The transcript on a terminal: whole lines go out at once, and the line still open (the
/// prompt) is held back for the input to show. A newline that comes right after the user ended
/// a line with Enter is not written: the terminal is at a line's start already. Without
/// holding, text passes through as it comes.
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

/// Ctrl-C never ends a terminal session: while this lives the signal is ignored (a line editor
/// may still read the key); the old handling comes back after.
class IgnoredInterrupt {
public:
    IgnoredInterrupt();
    ~IgnoredInterrupt();
    IgnoredInterrupt(const IgnoredInterrupt&) = delete;
    IgnoredInterrupt& operator=(const IgnoredInterrupt&) = delete;

private:
    struct sigaction m_saved = {};
};

class TerminalInput : public InputSource {
public:
    bool forgivesMistakes() const override { return true; }
    /// The stream for the session's transcript.
    virtual std::ostream& transcript() = 0;
    /// Whether the user's input shows on the transcript's terminal (edited or echoed there), so
    /// that the session need not echo it.
    virtual bool showsInput() const = 0;
    /// The module's commands, for completion.
    virtual void setModuleCommands(std::vector<std::string> names) = 0;
};

/// The line editor's library, in the folder of the host's own.
constexpr const char* kLineEditorLibrary = "libcadhost_terminal.so";
/// The name of the library's function that makes the edited input (a TerminalInput* of the
/// terminal's std::FILE* in and out, the transcript's std::ostream& and the history file's
/// const std::string&).
constexpr const char* kLineEditorMaker = "cadhostNewLineEditorInput";

/// The input of a session at the terminal on standard input and output, the transcript going
/// to terminal: edited lines, with history from historyPath (empty: none), from the line
/// editor's library in folder (kept loaded for the rest of the process); when that library
/// cannot be loaded, plain lines after one warning on err.
std::unique_ptr<TerminalInput> openTerminalInput(const std::string& folder, std::ostream& terminal,
                                                 const std::string& historyPath,
                                                 std::ostream& err);

}  // namespace cadhost
