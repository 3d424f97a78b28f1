// cadhost's script input: one user action a line, pulled by the editor as commands need it.
#pragma once
#include "editor/editor.h"
#include <istream>
#include <string>

namespace cadhost {

/// The text without its surrounding blanks (spaces, tabs, CR, LF).
std::string trimBlanks(const std::string& text);
/// The text with its ASCII letters in lower case; command words are compared so.
std::string lowerCase(std::string text);
/// Parses "x,y" or "x,y,z" (z = 0 when left out), finite numbers only; false otherwise.
bool parsePoint(const std::string& text, AcGePoint3d& point);
/// Turns one script line into an action; false for a comment line, which is no action.
/// origin and line say where the line came from.
bool parseScriptLine(const std::string& lineText, const std::string& origin, int line,
                     UserAction& action);

/// Reads actions from a stream of script lines, skipping comments.
class ScriptInput : public InputSource {
public:
    /// origin names the stream in messages ("<stdin>" for standard input).
    ScriptInput(std::istream& in, std::string origin);
    bool next(UserAction& action) override;
    const std::string& origin() const { return m_origin; }
    /// The number of the line read last.
    int lineNumber() const { return m_line; }

private:
    std::istream& m_in;
    std::string m_origin;
    int m_line = 0;
};

}  // namespace cadhost
