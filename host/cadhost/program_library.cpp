#include "cadhost/program_library.h"

#include <dlfcn.h>

namespace cadhost {

void* programLibraryFunction(const std::string& path, const char* maker, const std::string& what,
                             std::string& error)
{
    void* const library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* const why = ::dlerror();
        error = "cannot load the " + what + ": " + std::string(why != nullptr ? why : path);
        return nullptr;
    }
    void* const function = ::dlsym(library, maker);
    if (function == nullptr)
        error = "cannot load the " + what + ": " + path + " has no " + maker;
    return function;
}

}  // namespace cadhost
