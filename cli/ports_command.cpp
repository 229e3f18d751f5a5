// vodex ports: the map of serial port numbers to device paths, and whether each port is there.
#include <charconv>
#include <cstdio>

#include "arguments.h"
#include "commands.h"
#include "json_writer.h"
#include "tlx/error.h"
#include "tlx/network_port.h"
#include "tlx/port_map.h"
#include "tlx/port_probe.h"

namespace vodex::cli {
namespace {

std::int32_t PortNumber(const std::string& text) {
    std::int32_t n = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > tlx::kPortCount) {
        throw UsageError("a port number is 1 to " + std::to_string(tlx::kPortCount));
    }
    return n;
}

// The server of a port across the network; nothing for a device path (or an address that
// cannot be used, which the list shows as it stands).
std::optional<tlx::NetworkPort> NetworkPlace(const std::string& path) {
    try {
        return tlx::ParseNetworkPort(path);
    } catch (const tlx::Error&) {
        return std::nullopt;
    }
}

}  // namespace

int Ports(const Args& args) {
    const Arguments a(args, "ports");
    const auto& words = a.Positional();
    if (!words.empty() && words[0] == "set") {
        if (words.size() != 3 || a.Has("json")) throw UsageError("'ports set' needs N PATH");
        tlx::SetPortDevicePath(PortNumber(words[1]), words[2]);
        return 0;
    }
    if (!words.empty() && words[0] == "reset") {
        if (words.size() != 2 || a.Has("json")) throw UsageError("'ports reset' needs N");
        tlx::ResetPortDevicePath(PortNumber(words[1]));
        return 0;
    }
    if (!words.empty()) throw UsageError("'ports' takes set N PATH, reset N or nothing");
    // The servers of ports across the network are asked all at once.
    const std::vector<bool> present = tlx::cls_CorePortProbe::PresentPorts(tlx::kPortCount);
    Json json = Json::array();
    for (std::int32_t n = 1; n <= tlx::kPortCount; ++n) {
        const std::string path = tlx::PortDevicePath(n);
        const bool own = tlx::PortHasOwnPath(n);
        const bool there = present[static_cast<std::size_t>(n)];
        const auto network = NetworkPlace(path);
        if (a.Has("json")) {
            Json entry = {{"port", n}, {"path", path}, {"present", there}, {"default", !own}};
            if (network) {
                entry["network"] = {
                    {"kind",
                     network->kind == tlx::NetworkPort::Kind::Rfc2217 ? "rfc2217" : "socket"},
                    {"host", network->host},
                    {"port", network->port}};
            }
            json.push_back(std::move(entry));
            continue;
        }
        // A port across the network shows its server and how it is spoken to.
        const std::string shown =
            network ? tlx::NetworkPortPlace(*network) +
                          (network->kind == tlx::NetworkPort::Kind::Rfc2217 ? " (RFC 2217)"
                                                                            : " (raw TCP)")
                    : path;
        std::printf("COM %-3d %-40s %s%s\n", n, shown.c_str(),
                    there ? Say("vorhanden", "present").c_str() : Say("fehlt", "missing").c_str(),
                    own ? Say(" (eigener Eintrag)", " (set)").c_str() : "");
    }
    if (a.Has("json")) std::printf("%s\n", JsonText(std::move(json)).c_str());
    return 0;
}

}  // namespace vodex::cli
