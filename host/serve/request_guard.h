// Who may use a served session: requests sent to the address served (not to a name that
// happens to lead there), from the page itself or typed by the user, carrying the session's
// secret token.
#pragma once
#include <string>

namespace cadhost {

/// Where a session is served: an IP address (or "localhost") and a port (0: any free one).
struct ServeAddress {
    std::string host = "127.0.0.1";  ///< as given; an IPv6 address without brackets
    int port = 8765;

    /// "host:port" as a browser sends it in the Host header (IPv6 in brackets).
    std::string authority() const;
    /// Whether only this machine can reach it.
    bool isLoopback() const;
};

/// Parses "[ADDRESS:]PORT" (an IPv4 address, "localhost" or an IPv6 address in brackets; the
/// address 127.0.0.1 when left out); false with the reason for anything else, and for a
/// wildcard address, which names no address to check requests against.
bool parseServeAddress(const std::string& text, ServeAddress& address, std::string& error);

/// A new secret token: 256 bits from the kernel's random source, as 64 hex digits.
std::string newSessionToken();

/// Whether the two texts are equal, in a time that does not depend on where they differ.
bool sameSecret(const std::string& given, const std::string& secret);

/// What a request says about where it comes from and where it goes.
struct RequestFacts {
    std::string host;       ///< the Host header
    std::string origin;     ///< the Origin header; empty when there is none
    std::string fetchSite;  ///< the Sec-Fetch-Site header; empty when there is none
    std::string token;      ///< the X-Cadhost-Token header, or else the token query parameter
};

/// Why the request must be refused; empty when it may be served. authority is the address
/// served ("host:port"), token the session's.
std::string refusalOf(const RequestFacts& request, const std::string& authority,
                      const std::string& token);

}  // namespace cadhost
