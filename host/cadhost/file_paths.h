// File names as cadhost compares and shows them.
#pragma once
#include <string>

namespace cadhost {

/// The absolute form of path with links resolved; for a file that does not exist yet, its
/// folder resolved and its name as given; the path itself when even the folder is unknown.
std::string absoluteFilePath(const std::string& path);
/// The folder of path without a trailing separator ("." for a bare name).
std::string folderOfPath(const std::string& path);

}  // namespace cadhost
