// One session of commands over the editor's input: the module's commands by export name, host
// commands, help and quit. A script's first bad line ends the session; a person's mistakes are
// answered on the command line and the session goes on.
#pragma once
#include "cadhost/host_commands.h"
#include "cadhost/report.h"
#include <iosfwd>
#include <string>
#include <vector>

namespace cadhost {

class LoadedModule;
struct UserAction;

class CommandSession {
public:
    /// Commands come from the editor's input; errors that end the session go to err.
    CommandSession(LoadedModule& module, DrawingFilePolicy& files, std::ostream& err);
    CommandSession(const CommandSession&) = delete;
    CommandSession& operator=(const CommandSession&) = delete;

    /// Runs commands until the input runs out or asks to quit; the exit status (0, or 2 after
    /// a bad script line, named with its file and line on err).
    int run();
    const std::vector<CommandRun>& commandsRun() const { return m_commands; }

private:
    /// What became of one command line.
    enum class Outcome { Ran, Quit, BadLine };

    Outcome runCommandLine(const UserAction& action);
    Outcome runModuleCommand(const std::string& name, void (*command)());
    /// Tells a person what the command changed in the drawing since event firstEvent; that
    /// nothing changed only when evenNone.
    void showChanges(std::size_t firstEvent, bool evenNone);

    LoadedModule& m_module;
    DrawingFilePolicy& m_files;
    std::ostream& m_err;
    std::vector<CommandRun> m_commands;
};

}  // namespace cadhost
