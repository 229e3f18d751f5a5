#include "tlx/network_port.h"

#include <charconv>

#include "tlx/error.h"

namespace tlx {
namespace {

constexpr std::size_t kLongestHost = 253;  // the longest name DNS has

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
    throw Error("the port address \"" + path + "\" cannot be used: " + why);
}

bool HostCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == ':' || c == '%';
}

}  // namespace

bool IsNetworkPortPath(const std::string& path) {
    return path.find("://") != std::string::npos;
}

std::optional<NetworkPort> ParseNetworkPort(const std::string& path) {
    const std::size_t schemeEnd = path.find("://");
    if (schemeEnd == std::string::npos) return std::nullopt;
    NetworkPort result;
    const std::string scheme = path.substr(0, schemeEnd);
    if (scheme == "rfc2217") {
        result.kind = NetworkPort::Kind::Rfc2217;
    } else if (scheme == "socket") {
        result.kind = NetworkPort::Kind::Raw;
    } else {
        Refuse(path, "the kind \"" + scheme + "\" is unknown (rfc2217:// or socket://)");
    }
    std::string rest = path.substr(schemeEnd + 3);
    std::size_t colon = 0;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string::npos)
            Refuse(path, "the bracket after the IPv6 address is missing");
        result.host = rest.substr(1, close - 1);
        colon = close + 1;
        if (colon >= rest.size() || rest[colon] != ':') Refuse(path, "the port number is missing");
    } else {
        colon = rest.rfind(':');
        if (colon == std::string::npos) Refuse(path, "the port number is missing (HOST:PORT)");
        result.host = rest.substr(0, colon);
        if (result.host.find(':') != std::string::npos) {
            Refuse(path, "an IPv6 address goes in brackets ([::1]:PORT)");
        }
    }
    if (result.host.empty()) Refuse(path, "the host is missing");
    if (result.host.size() > kLongestHost) Refuse(path, "the host name is too long");
    for (char c : result.host) {
        if (!HostCharacter(c)) Refuse(path, "the host has characters that no host name has");
    }
    const std::string number = rest.substr(colon + 1);
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (number.empty() || ec != std::errc() || end != number.data() + number.size() || value < 1 ||
        value > 65535) {
        Refuse(path, "the port number is 1 to 65535, with nothing after it");
    }
    result.port = static_cast<std::uint16_t>(value);
    return result;
}

std::string NetworkPortPlace(const NetworkPort& port) {
    const bool v6 = port.host.find(':') != std::string::npos;
    return (v6 ? "[" + port.host + "]" : port.host) + ":" + std::to_string(port.port);
}

}  // namespace tlx
