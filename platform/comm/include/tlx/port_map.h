// The serial port numbers of the toolkit: port numbers 1 to 32 (1 for COM1 and so on) stand
// for device paths. The map lives in the machine hive, one text value per port number under
// "Software\VQ Morvane\VQ ReziraDovarir\Ports"; a number without a value uses its default:
//
//   1 to 4    /dev/ttyS0 to /dev/ttyS3        (the built-in serial ports)
//   5 to 20   /dev/ttyUSB0 to /dev/ttyUSB15   (USB-serial adapters)
//   21 to 32  /dev/ttyACM0 to /dev/ttyACM11   (USB devices of the modem class)
//
// A value may name any path, a stable /dev/serial/by-id/... name included, or the address of a
// port on a port server (rfc2217://HOST:PORT, socket://HOST:PORT; see tlx/network_port.h).
// Registry failures throw tlx::Error.
#pragma once

#include <cstdint>
#include <string>

namespace tlx {

inline constexpr std::int32_t kPortCount = 32;
inline constexpr const char* kPortMapKey = "Software\\VQ Morvane\\VQ ReziraDovarir\\Ports";

// The device path of port `pPort`; empty outside 1 to 32.
std::string PortDevicePath(std::int32_t pPort);
// The path a port number has without a value of its own; empty outside 1 to 32.
std::string DefaultPortDevicePath(std::int32_t pPort);
// The port for messages: "5 (/dev/ttyUSB0)", or just the number when its path cannot be
// read. Never throws.
std::string PortDescription(std::int32_t pPort);
// Whether `pPort` has a path set for it (even one that equals its default).
bool PortHasOwnPath(std::int32_t pPort);
// Maps `pPort` (1 to 32) to `pPath`; throws tlx::Error for another number, an empty path or a
// network address that cannot be used.
void SetPortDevicePath(std::int32_t pPort, const std::string& pPath);
// Gives `pPort` its default path again; False when it had none of its own.
bool ResetPortDevicePath(std::int32_t pPort);

}  // namespace tlx
