// The cadhost program: reads a drawing and a script, loads the module, runs the script's
// commands and writes the drawing, the transcript and the report.
#pragma once
#include <iosfwd>
#include <string>
#include <vector>

namespace cadhost {

/// Exit statuses of cadhost.
enum ExitStatus {
    kExitSessionRan = 0,     ///< the session ran, whatever its commands did
    kExitModuleNotLoaded = 1,
    kExitBadInput = 2        ///< bad usage, an unreadable drawing or script, or a bad script line
};

/// Runs cadhost with the arguments after the program name; the transcript goes to out, error
/// messages (each naming its file and line) to err. Returns the exit status.
int runCadhost(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

class LoadedModule;

/// Runs the lines of a script on the working drawing with a module already loaded, as cadhost
/// runs its script (the transcript to out, errors to err); the exit status. For programs that
/// run many sessions in one process: the caller starts each afresh (resetSession).
int runScriptSession(LoadedModule& module, std::istream& script, const std::string& origin,
                     std::ostream& out, std::ostream& err);

/// A resource string as --strings lists it: \n, \t and \\ written as escapes.
std::string escapeResourceText(const std::string& text);

}  // namespace cadhost
