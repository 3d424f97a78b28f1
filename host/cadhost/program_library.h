// The program's parts that live in libraries of their own beside it (the page server, the line
// editor), loaded only by the sessions that use them.
#pragma once
#include <string>

namespace cadhost {

/// The function named maker of the library at path, which stays loaded for the rest of the
/// process (what the function makes runs the library's code); null when the library cannot be
/// loaded or lacks it, with error saying so of the part named what.
void* programLibraryFunction(const std::string& path, const char* maker, const std::string& what,
                             std::string& error);

}  // namespace cadhost
