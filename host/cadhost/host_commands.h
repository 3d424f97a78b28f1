// The commands cadhost itself offers in a script: system variables, the UCS, entities, dimension
// styles, layer keys, the pick aperture and drawing files.
#pragma once
#include <set>
#include <string>
#include <vector>

namespace cadhost {

/// What became of a script line given as a host command.
enum class HostCommandResult {
    Done,             ///< the command ran
    NotAHostCommand,  ///< the first word names no host command
    Failed            ///< a host command that could not run; the reason is in error
};

/// The files a session must not write over: the drawings it read, unless --save names them.
struct DrawingFilePolicy {
    std::set<std::string> inputDrawings;  ///< absolute paths of the drawings read
    std::string savePath;                 ///< absolute path that --save names; empty when none
};

/// One host command as help and completion show it.
struct HostCommandInfo {
    std::string name;
    std::string usage;                  ///< its arguments, as "circle CENTER RADIUS"
    std::vector<std::string> keywords;  ///< the literal words it takes after its name
};

/// The host commands, by name.
std::vector<HostCommandInfo> hostCommands();

/// Runs one host command line (points in the current UCS, angles in degrees); on failure
/// error says what was wrong and what the command expects.
HostCommandResult runHostCommand(const std::string& line, DrawingFilePolicy& files,
                                 std::string& error);

}  // namespace cadhost
