#include "tlx/port_map.h"

#include "tlx/error.h"
#include "tlx/network_port.h"
#include "tlx/tools.h"

namespace tlx {
namespace {

std::string ValuePath(std::int32_t port) {
    return std::string(kPortMapKey) + "\\" + std::to_string(port);
}

bool InRange(std::int32_t port) {
    return port >= 1 && port <= kPortCount;
}

}  // namespace

std::string DefaultPortDevicePath(std::int32_t pPort) {
    if (!InRange(pPort)) return {};
    if (pPort <= 4) return "/dev/ttyS" + std::to_string(pPort - 1);
    if (pPort <= 20) return "/dev/ttyUSB" + std::to_string(pPort - 5);
    return "/dev/ttyACM" + std::to_string(pPort - 21);
}

std::string PortDevicePath(std::int32_t pPort) {
    if (!InRange(pPort)) return {};
    std::string path = CoreTools().REGISTRY().READTEXT(HKEY_LOCAL_MACHINE, ValuePath(pPort), "");
    return path.empty() ? DefaultPortDevicePath(pPort) : path;
}

std::string PortDescription(std::int32_t pPort) {
    try {
        const std::string path = PortDevicePath(pPort);
        if (!path.empty()) return std::to_string(pPort) + " (" + path + ")";
    } catch (const std::exception&) {
    }
    return std::to_string(pPort);
}

bool PortHasOwnPath(std::int32_t pPort) {
    return InRange(pPort) &&
           !CoreTools().REGISTRY().READTEXT(HKEY_LOCAL_MACHINE, ValuePath(pPort), "").empty();
}

void SetPortDevicePath(std::int32_t pPort, const std::string& pPath) {
    if (!InRange(pPort)) {
        throw Error("there is no serial port number " + std::to_string(pPort) + " (1 to 32)");
    }
    if (pPath.empty()) throw Error("a serial port needs a device path");
    ParseNetworkPort(pPath);  // an address must be one that can be used
    CoreTools().REGISTRY().WRITE(HKEY_LOCAL_MACHINE, ValuePath(pPort), Variant(pPath));
}

bool ResetPortDevicePath(std::int32_t pPort) {
    if (!InRange(pPort)) return false;
    return CoreTools().REGISTRY().DELETEVALUE(HKEY_LOCAL_MACHINE, ValuePath(pPort));
}

}  // namespace tlx
