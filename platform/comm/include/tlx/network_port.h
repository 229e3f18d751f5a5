// Serial ports on other machines: a port number may stand for a serial port that a port server
// (such as ser2net) offers over TCP, written as an address instead of a device path:
//
//   rfc2217://HOST:PORT   Telnet with the COM Port Control Option: baud rate, data bits,
//                         parity, stop bits and the modem lines are set on the server
//   socket://HOST:PORT    the port's bytes as they are; its settings are the server's
//
// HOST is a name, an IPv4 address or an IPv6 address in brackets ("[fe80::1]").
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tlx {

struct NetworkPort {
    enum class Kind { Raw, Rfc2217 };
    Kind kind = Kind::Raw;
    std::string host;  // without brackets
    std::uint16_t port = 0;
};

// Whether `path` is written as a network address (it has a "://").
bool IsNetworkPortPath(const std::string& path);
// The address that `path` gives; nothing for a device path. Throws tlx::Error naming what is
// wrong with an address that cannot be used (an unknown kind, no host, a port that is not 1 to
// 65535, anything after the port).
std::optional<NetworkPort> ParseNetworkPort(const std::string& path);
// "bench3.local:2001" ("[::1]:2001" for IPv6), for messages and lists.
std::string NetworkPortPlace(const NetworkPort& port);

}  // namespace tlx
