#include "serve/page_server.h"

#include "serve/browser_session.h"
#include "serve/page_assets.h"

#include <httplib.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <thread>

namespace cadhost {

namespace {

using nlohmann::json;

/// How long a request for the state waits for a change before it answers as it is.
constexpr std::chrono::seconds kStateWait(20);
/// How long an action's request waits for the session to take it and wait again.
constexpr std::chrono::seconds kActionWait(10);
/// Threads answering requests: a page keeps two or three busy (a waiting state request, an
/// action, the drawing) and a browser holds a few more connections open between requests.
constexpr std::size_t kServerThreads = 16;
/// The largest request body: an action is a few numbers or a typed line.
constexpr std::size_t kLargestBody = 64 * 1024;
const char* const kTokenPlaceholder = "{{TOKEN}}";

/// Headers on every answer: nothing cached, nothing from elsewhere, no framing by other pages.
void addSafetyHeaders(httplib::Response& res)
{
    res.set_header("Cache-Control", "no-store");
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Referrer-Policy", "no-referrer");
    res.set_header("X-Frame-Options", "DENY");
    res.set_header("Cross-Origin-Resource-Policy", "same-origin");
    res.set_header("Content-Security-Policy",
                   "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
                   "connect-src 'self'; frame-ancestors 'none'; base-uri 'none'; "
                   "form-action 'none'");
}

/// Answers with status and the reason as text.
void refuse(httplib::Response& res, int status, const std::string& why)
{
    res.status = status;
    res.set_content(why + "\n", "text/plain; charset=utf-8");
}

/// Answers with body as JSON (invalid UTF-8 replaced).
void answerJson(httplib::Response& res, const json& body)
{
    res.set_content(body.dump(-1, ' ', false, json::error_handler_t::replace),
                    "application/json; charset=utf-8");
}

/// A whole number of the query; fallback when it is left out; false when it is no number.
bool queryNumber(const httplib::Request& req, const char* name, std::uint64_t fallback,
                 std::uint64_t& value)
{
    value = fallback;
    if (!req.has_param(name))
        return true;
    const std::string text = req.get_param_value(name);
    if (text.empty() || text.size() > 19 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoull(text);
    return true;
}

/// The page's action in a request body: {"kind": "line" | "click" | "move" | "enter" |
/// "escape" | "ok", "text": for a line, "x", "y": world coordinates for a click or move}.
bool parseAction(const json& body, PageAction& action, std::string& error)
{
    if (!body.is_object() || !body.contains("kind") || !body["kind"].is_string()) {
        error = "an action needs a kind";
        return false;
    }
    const std::string kind = body["kind"];
    if (kind == "line") {
        if (!body.contains("text") || !body["text"].is_string()) {
            error = "a line needs its text";
            return false;
        }
        action.kind = PageAction::Kind::Line;
        action.text = body["text"];
        if (action.text.find_first_of("\r\n") != std::string::npos) {
            error = "a line is one line";
            return false;
        }
        return true;
    }
    if (kind == "click" || kind == "move") {
        const auto finite = [&body](const char* name) {
            return body.contains(name) && body[name].is_number() &&
                   std::isfinite(body[name].get<double>());
        };
        if (!finite("x") || !finite("y")) {
            error = "a click or a move needs finite x and y";
            return false;
        }
        action.kind = kind == "click" ? PageAction::Kind::Click : PageAction::Kind::CursorMove;
        action.x = body["x"];
        action.y = body["y"];
        return true;
    }
    if (kind == "enter")
        action.kind = PageAction::Kind::Enter;
    else if (kind == "escape")
        action.kind = PageAction::Kind::Escape;
    else if (kind == "ok")
        action.kind = PageAction::Kind::CloseMessageBox;
    else {
        error = "unknown action \"" + kind + "\"";
        return false;
    }
    return true;
}

/// The page server on cpp-httplib.
class HttpPageServer final : public PageServer {
public:
    HttpPageServer(BrowserSession& session, ServeAddress address)
        : m_session(session), m_address(std::move(address)), m_token(newSessionToken()),
          m_server(std::make_unique<httplib::Server>())
    {
    }
    ~HttpPageServer() override { stop(); }

    bool start(std::string& error) override
    {
        route();
        if (m_address.port == 0) {
            const int port = m_server->bind_to_any_port(m_address.host);
            if (port > 0)
                m_address.port = port;
            else
                m_address.port = -1;
        } else if (!m_server->bind_to_port(m_address.host, m_address.port)) {
            m_address.port = -1;
        }
        if (m_address.port < 0) {
            error = "cannot serve on " + m_address.host +
                    ": the address is taken or not this machine's";
            return false;
        }
        m_thread = std::thread([this] { m_server->listen_after_bind(); });
        return true;
    }

    std::string pageUrl() const override
    {
        return "http://" + m_address.authority() + "/?token=" + m_token;
    }

    void stop() override
    {
        if (m_thread.joinable()) {
            m_server->stop();
            m_thread.join();
        }
    }

private:
    void route();

    BrowserSession& m_session;
    ServeAddress m_address;
    const std::string m_token;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
};

void HttpPageServer::route()
{
    httplib::Server& server = *m_server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    server.set_payload_max_length(kLargestBody);
    // An answer goes out at once, not held back for more to send with it: a drag sample's
    // round trip is what the user feels.
    server.set_tcp_nodelay(true);
    server.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        RequestFacts facts;
        facts.host = req.get_header_value("Host");
        facts.origin = req.get_header_value("Origin");
        facts.fetchSite = req.get_header_value("Sec-Fetch-Site");
        facts.token = req.has_header("X-Cadhost-Token") ? req.get_header_value("X-Cadhost-Token")
                                                        : req.get_param_value("token");
        const std::string why = refusalOf(facts, m_address.authority(), m_token);
        if (why.empty())
            return httplib::Server::HandlerResponse::Unhandled;
        refuse(res, 403, why);
        return httplib::Server::HandlerResponse::Handled;
    });
    server.set_post_routing_handler(
        [](const httplib::Request&, httplib::Response& res) { addSafetyHeaders(res); });

    server.Get("/", [this](const httplib::Request&, httplib::Response& res) {
        const PageAsset* page = findPageAsset("index.html");
        std::string html(reinterpret_cast<const char*>(page->data), page->size);
        for (std::size_t at = html.find(kTokenPlaceholder); at != std::string::npos;
             at = html.find(kTokenPlaceholder, at))
            html.replace(at, std::char_traits<char>::length(kTokenPlaceholder), m_token);
        res.set_content(html, page->contentType);
    });
    server.Get(R"(/([a-z_]+\.(js|css)))", [](const httplib::Request& req, httplib::Response& res) {
        const PageAsset* asset = findPageAsset(req.matches[1]);
        if (asset == nullptr)
            return refuse(res, 404, "no such file");
        res.set_content(reinterpret_cast<const char*>(asset->data), asset->size, asset->contentType);
    });
    server.Get("/api/state", [this](const httplib::Request& req, httplib::Response& res) {
        std::uint64_t version = 0;
        std::uint64_t from = 0;
        if (!queryNumber(req, "version", 0, version) || !queryNumber(req, "from", 0, from))
            return refuse(res, 400, "version and from are whole numbers");
        answerJson(res, m_session.waitForState(version, 0, from, kStateWait));
    });
    server.Get("/api/drawing", [this](const httplib::Request& req, httplib::Response& res) {
        std::uint64_t generation = 0;
        std::uint64_t revision = 0;
        if (!queryNumber(req, "generation", 0, generation) ||
            !queryNumber(req, "revision", 0, revision))
            return refuse(res, 400, "generation and revision are whole numbers");
        answerJson(res, m_session.drawingSince(generation, revision));
    });
    server.Post("/api/input", [this](const httplib::Request& req, httplib::Response& res) {
        const json body = json::parse(req.body, nullptr, false);
        PageAction action;
        std::string error;
        if (body.is_discarded() || !parseAction(body, action, error))
            return refuse(res, 400, body.is_discarded() ? "the body is no JSON" : error);
        std::uint64_t from = 0;
        if (body.contains("from") && body["from"].is_number_unsigned())
            from = body["from"];
        const std::uint64_t taken = m_session.post(std::move(action));
        if (taken == 0)
            return refuse(res, 409, "the session has ended");
        answerJson(res, m_session.waitForState(0, taken, from, kActionWait));
    });
}

}  // namespace

}  // namespace cadhost

/// Makes the page server of session at address (the library's one entry).
extern "C" cadhost::PageServer* cadhostNewPageServer(cadhost::BrowserSession& session,
                                                     const cadhost::ServeAddress& address)
{
    return new cadhost::HttpPageServer(session, address);
}
