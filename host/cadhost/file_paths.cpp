#include "cadhost/file_paths.h"

#include <climits>
#include <cstdlib>

namespace cadhost {

std::string absoluteFilePath(const std::string& path)
{
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) != nullptr)
        return resolved;
    // A file that does not exist yet: its folder resolved, its name as given.
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    if (::realpath(folder.c_str(), resolved) == nullptr)
        return path;
    std::string absolute = resolved;
    if (absolute.back() != '/')
        absolute += '/';
    return absolute + path.substr(slash == std::string::npos ? 0 : slash + 1);
}

std::string folderOfPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

}  // namespace cadhost
