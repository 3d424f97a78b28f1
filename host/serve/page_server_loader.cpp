#include "serve/page_server.h"

#include "cadhost/program_library.h"

namespace cadhost {

std::unique_ptr<PageServer> loadPageServer(const std::string& folder, BrowserSession& session,
                                           const ServeAddress& address, std::string& error)
{
    // The server's threads and the code of its objects are the library's.
    using Maker = PageServer* (*)(BrowserSession&, const ServeAddress&);
    const auto make = reinterpret_cast<Maker>(programLibraryFunction(
        folder + "/" + kPageServerLibrary, kPageServerMaker, "page server", error));
    return make == nullptr ? nullptr : std::unique_ptr<PageServer>(make(session, address));
}

}  // namespace cadhost
