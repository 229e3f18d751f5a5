#include "tlx/port_probe.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "tlx/port_map.h"

namespace tlx {

bool cls_CorePortProbe::IsSerialDevice(const std::string& pPath) {
    if (pPath.empty()) return false;
    struct stat st {};
    if (::stat(pPath.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    int fd = ::open(pPath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno == EBUSY;  // held exclusively by another program
    bool serial = false;
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0) {
        serial = true;
        // A built-in port node without hardware behind it reports an unknown UART.
        serial_struct info{};
        if (::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type == PORT_UNKNOWN) serial = false;
    }
    ::close(fd);
    return serial;
}

bool cls_CorePortProbe::PRESENT(std::int32_t pPort) const {
    try {
        return IsSerialDevice(PortDevicePath(pPort));
    } catch (...) {
        return false;
    }
}

}  // namespace tlx
