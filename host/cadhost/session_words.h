// The words a session understands beyond the module's and the host's commands, the help that
// lists them all, and the completion of a word being typed.
#pragma once
#include <string>
#include <vector>

namespace cadhost {

/// What a command line of the session's own asks for.
enum class SessionWord {
    None,  ///< not a word of the session's own
    Help,  ///< "help" or "?"
    Quit   ///< "quit" or "exit": the end of input
};

/// The session word that line is, case-insensitive; None for anything else.
SessionWord sessionWordOf(const std::string& line);

/// The help: the module's commands one line each, the host commands with their arguments,
/// the session's own words and what a prompt takes; lines apart, no newline at the end.
std::string helpText(const std::vector<std::string>& moduleCommands);

/// Completions of the word that ends lineBeforeCursor, sorted: command names (the module's,
/// the host's, the session's) for the first word, the host command's keywords after it.
std::vector<std::string> completionsOf(const std::string& lineBeforeCursor,
                                       const std::vector<std::string>& moduleCommands);

/// The longest text that every one of words starts with.
std::string commonPrefix(const std::vector<std::string>& words);

}  // namespace cadhost
