// The HTTP server of a page's session: the page itself and the calls it makes, each request
// checked by the request guard. It runs on threads of its own and touches the session only
// through BrowserSession.
#pragma once
#include "serve/request_guard.h"

#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace cadhost {

class BrowserSession;

class PageServer {
public:
    PageServer(BrowserSession& session, ServeAddress address);
    /// Stops serving.
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    /// Binds the address and starts serving; false with the reason when it cannot.
    bool start(std::string& error);
    /// The page's address with the token, once started.
    std::string pageUrl() const;
    /// Stops serving and waits for the requests being answered.
    void stop();

private:
    void route();

    BrowserSession& m_session;
    ServeAddress m_address;
    const std::string m_token;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
};

}  // namespace cadhost
