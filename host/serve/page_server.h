// The HTTP server of a page's session: the page itself and the calls it makes, each request
// checked by the request guard. It runs on threads of its own and touches the session only
// through BrowserSession. It is built into a library of its own, loaded only by a served
// session: the HTTP library brings the system's TLS and compression libraries, whose loading
// would slow the start of every other session.
#pragma once
#include "serve/request_guard.h"

#include <memory>
#include <string>

namespace cadhost {

class BrowserSession;

class PageServer {
public:
    PageServer() = default;
    /// Stops serving.
    virtual ~PageServer() = default;
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    /// Binds the address and starts serving; false with the reason when it cannot.
    virtual bool start(std::string& error) = 0;
    /// The page's address with the token, once started.
    virtual std::string pageUrl() const = 0;
    /// Stops serving and waits for the requests being answered.
    virtual void stop() = 0;
};

/// The page server's library, in the folder of the host's own.
constexpr const char* kPageServerLibrary = "libcadhost_serve.so";
/// The name of the library's function that makes a server (a PageServer* of a
/// BrowserSession& and a const ServeAddress&).
constexpr const char* kPageServerMaker = "cadhostNewPageServer";

/// A server of session's page at address, from the page server's library in folder (kept
/// loaded for the rest of the process); null with the reason when the library cannot be
/// loaded.
std::unique_ptr<PageServer> loadPageServer(const std::string& folder, BrowserSession& session,
                                           const ServeAddress& address, std::string& error);

}  // namespace cadhost
