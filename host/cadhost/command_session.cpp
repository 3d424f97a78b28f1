#include "cadhost/command_session.h"

#include "afxwin.h"
#include "cadhost/cadhost_run.h"
#include "cadhost/drawing_changes.h"
#include "cadhost/loaded_module.h"
#include "cadhost/script_input.h"
#include "cadhost/session_words.h"
#include "editor/editor.h"
#include "session/recorder.h"
#include "session/session.h"

#include <cctype>
#include <ostream>

namespace cadhost {

namespace {

/// Where a message is about: "FILE:LINE" or "FILE".
std::string place(const std::string& file, int line)
{
    return line > 0 ? file + ":" + std::to_string(line) : file;
}

std::string firstWordOf(const std::string& line)
{
    return line.substr(0, line.find_first_of(" \t"));
}

/// The host's answer to a command name it does not know.
std::string unknownCommandReply(const std::string& line)
{
    std::string name = firstWordOf(line);
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return "Unknown command \"" + name + "\".  Press F1 for help.";
}

/// Host commands after which the drawing's changes are not told: they replace or write the
/// whole drawing.
bool changesWholeDrawing(const std::string& line)
{
    const std::string name = lowerCase(firstWordOf(line));
    return name == "open" || name == "save";
}

}  // namespace

CommandSession::CommandSession(LoadedModule& module, DrawingFilePolicy& files, std::ostream& err)
    : m_module(module), m_files(files), m_err(err)
{
}

int CommandSession::run()
{
    Editor& ed = editor();
    const bool forgiving = ed.forgivesMistakes();
    for (;;) {
        if (forgiving)
            ed.printUtf8("\nCommand: ");
        UserAction action;
        if (!ed.nextAction(action))
            return kExitSessionRan;
        switch (action.kind) {
        case UserAction::Kind::Enter:
        case UserAction::Kind::Escape:
        case UserAction::Kind::CursorMove:
            break;  // with no command running these do nothing
        case UserAction::Kind::Point:
        case UserAction::Kind::Other:
            if (!forgiving && action.kind == UserAction::Kind::Point) {
                m_err << place(action.origin, action.line) << ": bad script line \""
                      << action.text
                      << "\": a point, but no command is waiting for one (expected a command, "
                         "an empty line or ESC)\n";
                return kExitBadInput;
            }
            if (!forgiving)
                ed.printUtf8("\nCommand: ");
            ed.echo(action.text);
            switch (runCommandLine(action)) {
            case Outcome::Ran:
                break;
            case Outcome::Quit:
                return kExitSessionRan;
            case Outcome::BadLine:
                return kExitBadInput;
            }
            break;
        }
    }
}

CommandSession::Outcome CommandSession::runCommandLine(const UserAction& action)
{
    Editor& ed = editor();
    const std::string& line = action.text;
    switch (sessionWordOf(line)) {
    case SessionWord::Help:
        ed.printUtf8("\n" + helpText(m_module.commandNames()));
        return Outcome::Ran;
    case SessionWord::Quit:
        return Outcome::Quit;
    case SessionWord::None:
        break;
    }
    if (action.kind == UserAction::Kind::Other && firstWordOf(line) == line)
        if (LoadedModule::CommandFunction command = m_module.findCommand(line))
            return runModuleCommand(line, command);
    const std::size_t firstEvent = recorder().events().size();
    std::string error;
    switch (runHostCommand(line, m_files, error)) {
    case HostCommandResult::Done:
        if (!changesWholeDrawing(line))
            showChanges(firstEvent, false);
        else if (ed.forgivesMistakes() && lowerCase(firstWordOf(line)) == "save")
            ed.printUtf8("\nDrawing saved to " +
                         (firstWordOf(line) == line ? m_files.savePath
                                                    : trimBlanks(line.substr(4))));
        return Outcome::Ran;
    case HostCommandResult::Failed:
        if (ed.answerMistake(error))
            return Outcome::Ran;
        m_err << place(action.origin, action.line) << ": " << error << "\n";
        return Outcome::BadLine;
    case HostCommandResult::NotAHostCommand:
        break;
    }
    if (ed.answerMistake(unknownCommandReply(line)))
        return Outcome::Ran;
    m_err << place(action.origin, action.line) << ": bad script line \"" << line
          << "\": unknown command (expected a command of the module or of the host)\n";
    return Outcome::BadLine;
}

CommandSession::Outcome CommandSession::runModuleCommand(const std::string& name,
                                                         void (*command)())
{
    Editor& ed = editor();
    const HINSTANCE resourceBefore = AfxGetModuleState()->m_hCurrentResourceHandle;
    const std::size_t firstEvent = recorder().events().size();
    recorder().record({RecordedEvent::Kind::CommandStart, name, {}, 0, false, 0});
    try {
        command();
    } catch (...) {
        // A module must throw nothing into the host; if one does, the session still goes on.
        m_err << "cadhost: command " << name << " ended with an exception\n";
    }
    recorder().record({RecordedEvent::Kind::CommandEnd, name, {}, 0, false, 0});
    const HINSTANCE resourceAfter = AfxGetModuleState()->m_hCurrentResourceHandle;
    m_commands.push_back({name, resourceAfter == resourceBefore});
    if (!ed.hasInputError()) {
        showChanges(firstEvent, true);
        return Outcome::Ran;
    }
    const InputError& bad = ed.inputError();
    m_err << place(bad.origin, bad.line) << ": bad script line \"" << bad.text << "\": command "
          << name << " expected " << bad.expected << "; the command was cancelled\n";
    ed.clearInputError();
    return Outcome::BadLine;
}

void CommandSession::showChanges(std::size_t firstEvent, bool evenNone)
{
    Editor& ed = editor();
    if (!ed.forgivesMistakes())
        return;
    const std::string changes = summarizeDrawingChanges(firstEvent);
    if (!changes.empty())
        ed.printUtf8("\n" + changes);
    else if (evenNone)
        ed.printUtf8("\nNo change to the drawing");
}

}  // namespace cadhost
