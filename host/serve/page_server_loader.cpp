#include "serve/page_server.h"

#include <dlfcn.h>

namespace cadhost {

std::unique_ptr<PageServer> loadPageServer(const std::string& folder, BrowserSession& session,
                                           const ServeAddress& address, std::string& error)
{
    const std::string path = folder + "/" + kPageServerLibrary;
    // Never closed: the server's threads and the code of its objects are the library's.
    void* const library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* const why = ::dlerror();
        error = "cannot load the page server: " + std::string(why != nullptr ? why : path);
        return nullptr;
    }
    using Maker = PageServer* (*)(BrowserSession&, const ServeAddress&);
    const auto make = reinterpret_cast<Maker>(::dlsym(library, kPageServerMaker));
    if (make == nullptr) {
        error = "cannot load the page server: " + path + " has no " + kPageServerMaker;
        return nullptr;
    }
    return std::unique_ptr<PageServer>(make(session, address));
}

}  // namespace cadhost
