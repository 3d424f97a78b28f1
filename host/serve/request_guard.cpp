#include "serve/request_guard.h"

#include "cadhost/script_input.h"

#include <arpa/inet.h>
#include <cstdio>
#include <stdexcept>
#include <sys/random.h>

namespace cadhost {

namespace {

constexpr int kHighestPort = 65535;
constexpr std::size_t kTokenBytes = 32;

/// A port: 0 to 65535 in decimal digits.
bool parsePort(const std::string& text, int& port)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = std::stoi(text);
    return port <= kHighestPort;
}

/// Whether host is an IPv4 address in dotted decimal.
bool isIpv4(const std::string& host)
{
    unsigned char bytes[4];
    return inet_pton(AF_INET, host.c_str(), bytes) == 1;
}

/// Whether host is an IPv6 address (without brackets).
bool isIpv6(const std::string& host)
{
    unsigned char bytes[16];
    return inet_pton(AF_INET6, host.c_str(), bytes) == 1;
}

}  // namespace

std::string ServeAddress::authority() const
{
    const std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return shown + ":" + std::to_string(port);
}

bool ServeAddress::isLoopback() const
{
    if (lowerCase(host) == "localhost")
        return true;
    unsigned char bytes[16];
    if (inet_pton(AF_INET, host.c_str(), bytes) == 1)
        return bytes[0] == 127;
    if (inet_pton(AF_INET6, host.c_str(), bytes) == 1) {
        for (int i = 0; i < 15; ++i)
            if (bytes[i] != 0)
                return false;
        return bytes[15] == 1;
    }
    return false;
}

bool parseServeAddress(const std::string& text, ServeAddress& address, std::string& error)
{
    ServeAddress parsed;
    std::string portText = text;
    const std::size_t colon = text.rfind(':');
    if (colon != std::string::npos) {
        std::string host = text.substr(0, colon);
        portText = text.substr(colon + 1);
        const bool bracketed = host.size() > 2 && host.front() == '[' && host.back() == ']';
        if (bracketed)
            host = host.substr(1, host.size() - 2);
        const bool known = bracketed ? isIpv6(host) : (isIpv4(host) || lowerCase(host) == "localhost");
        if (!known) {
            error = "--serve needs [ADDRESS:]PORT with an IP address (IPv6 in brackets) or "
                    "localhost, got \"" + text + "\"";
            return false;
        }
        parsed.host = host;
    }
    if (!parsePort(portText, parsed.port)) {
        error = "--serve needs a port from 0 to 65535, got \"" + text + "\"";
        return false;
    }
    if (parsed.host == "0.0.0.0" || (isIpv6(parsed.host) && parsed.host.find_first_not_of(":0") ==
                                                               std::string::npos)) {
        error = "--serve needs the address to serve on, not a wildcard (\"" + text +
                "\"): requests are checked against it";
        return false;
    }
    address = parsed;
    return true;
}

std::string newSessionToken()
{
    unsigned char bytes[kTokenBytes];
    std::size_t filled = 0;
    while (filled < kTokenBytes) {
        const ssize_t got = getrandom(bytes + filled, kTokenBytes - filled, 0);
        if (got < 0)
            throw std::runtime_error("no random bytes for the session token");
        filled += static_cast<std::size_t>(got);
    }
    std::string token;
    char hex[3];
    for (unsigned char byte : bytes) {
        std::snprintf(hex, sizeof hex, "%02x", byte);
        token += hex;
    }
    return token;
}

bool sameSecret(const std::string& given, const std::string& secret)
{
    unsigned char difference = given.size() == secret.size() ? 0 : 1;
    for (std::size_t i = 0; i < secret.size(); ++i)
        difference |= static_cast<unsigned char>(
            secret[i] ^ (i < given.size() ? given[i] : static_cast<char>(~secret[i])));
    return difference == 0;
}

std::string refusalOf(const RequestFacts& request, const std::string& authority,
                      const std::string& token)
{
    const std::string served = lowerCase(authority);
    const std::string host = lowerCase(request.host);
    // A browser leaves out the default port.
    const std::string defaultPort = ":80";
    const bool atDefaultPort = served.size() > defaultPort.size() &&
                               served.compare(served.size() - defaultPort.size(),
                                              defaultPort.size(), defaultPort) == 0 &&
                               host == served.substr(0, served.size() - defaultPort.size());
    if (host != served && !atDefaultPort)
        return "the request is not addressed to " + authority;
    if (!request.origin.empty() && lowerCase(request.origin) != "http://" + host)
        return "requests from other pages are refused";
    if (!request.fetchSite.empty() && request.fetchSite != "same-origin" &&
        request.fetchSite != "none")
        return "requests from other sites are refused";
    if (!sameSecret(request.token, token))
        return "the request does not carry the session's token";
    return "";
}

}  // namespace cadhost
