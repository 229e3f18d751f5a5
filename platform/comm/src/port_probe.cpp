#include "tlx/port_probe.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fstream>
#include <string>

#include "tcp_connect.h"
#include "tlx/network_port.h"
#include "tlx/port_map.h"

namespace tlx {
namespace {

// How long the server of a port across the network has to take a connection.
constexpr double kServerProbeTimeout = 1.0;

// Pseudo-terminal slaves (major numbers 136 to 143) are the terminals that have no entry in
// the kernel's device tree.
bool IsPseudoTerminalSlave(unsigned major) {
    return major >= 136 && major <= 143;
}

std::string LinkName(const std::string& link) {
    char target[PATH_MAX];
    ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) return {};
    std::string t(target, static_cast<std::size_t>(n));
    return t.substr(t.find_last_of('/') + 1);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// A device the kernel describes: a terminal with hardware behind it (which leaves out virtual
// consoles); a port of the serial core also needs a known UART (type 0 is a port node without
// a chip). Decided without opening the device, so no modem line of an attached instrument
// moves.
bool IsSerialInDeviceTree(const std::string& entry) {
    if (LinkName(entry + "/subsystem") != "tty" || !Exists(entry + "/device")) return false;
    std::ifstream typeFile(entry + "/type");
    int type = -1;
    if (typeFile >> type) return type != 0;
    return true;  // USB adapters and modem-class devices report no UART type
}

// A pseudo-terminal is a terminal when it answers as one; opening it moves no lines.
bool IsTerminalWhenOpened(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == EBUSY;  // held exclusively by another program
    termios tio{};
    const bool terminal = ::tcgetattr(fd, &tio) == 0;
    ::close(fd);
    return terminal;
}

}  // namespace

bool cls_CorePortProbe::IsSerialDevice(const std::string& pPath) {
    if (pPath.empty()) return false;
    struct stat st {};
    if (::stat(pPath.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned major = ::major(st.st_rdev);
    const unsigned minor = ::minor(st.st_rdev);
    const std::string entry =
        "/sys/dev/char/" + std::to_string(major) + ":" + std::to_string(minor);
    if (Exists(entry)) return IsSerialInDeviceTree(entry);
    return IsPseudoTerminalSlave(major) && IsTerminalWhenOpened(pPath);
}

bool cls_CorePortProbe::PRESENT(std::int32_t pPort) const {
    try {
        const std::string path = PortDevicePath(pPort);
        if (const auto address = IsNetworkPortPath(path) ? ParseNetworkPort(path) : std::nullopt) {
            return detail::Reachable({{address->host, address->port}}, kServerProbeTimeout)[0];
        }
        return IsSerialDevice(path);
    } catch (...) {
        return false;
    }
}

std::vector<bool> cls_CorePortProbe::PresentPorts(std::int32_t highest) {
    highest = std::clamp(highest, 0, kPortCount);
    std::vector<bool> present(static_cast<std::size_t>(highest) + 1, false);
    std::vector<std::pair<std::string, std::uint16_t>> servers;
    std::vector<std::int32_t> serverPorts;
    for (std::int32_t n = 1; n <= highest; ++n) {
        try {
            const std::string path = PortDevicePath(n);
            if (!IsNetworkPortPath(path)) {
                present[static_cast<std::size_t>(n)] = IsSerialDevice(path);
            } else if (const auto address = ParseNetworkPort(path)) {
                servers.emplace_back(address->host, address->port);
                serverPorts.push_back(n);
            }
        } catch (...) {
            // an unreadable map entry, or an address that cannot be used: not present
        }
    }
    if (servers.empty()) return present;
    try {
        const std::vector<bool> reached = detail::Reachable(servers, kServerProbeTimeout);
        for (std::size_t i = 0; i < serverPorts.size(); ++i)
            present[static_cast<std::size_t>(serverPorts[i])] = reached[i];
    } catch (...) {
        // no memory for the connections: those ports read as not present
    }
    return present;
}

}  // namespace tlx
