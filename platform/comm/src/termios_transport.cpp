// Real serial ports: opened without waiting and without becoming the controlling terminal,
// locked for this program (flock, which also holds against root, and TIOCEXCL), raw, with
// the settings read back and checked; every wait is one poll().
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

#include "poll_time.h"
#include "tlx/serial_transport.h"
#include "tlx/tools.h"

namespace tlx {
namespace {

struct Speed {
    std::int32_t baud;
    speed_t code;
};

constexpr Speed kSpeeds[] = {
    {50, B50},       {75, B75},         {110, B110},       {134, B134},       {150, B150},
    {200, B200},     {300, B300},       {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},   {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600}};

bool SpeedCode(std::int32_t baud, speed_t& code) {
    for (const Speed& s : kSpeeds) {
        if (s.baud == baud) {
            code = s.code;
            return true;
        }
    }
    return false;
}

bool Gone(int error) {
    return error == EIO || error == ENXIO || error == ENODEV || error == EPIPE || error == EBADF;
}

std::string InUse(const std::string& path) {
    return CoreText(
        "Die serielle Schnittstelle " + path + " wird von einem anderen Programm benutzt",
        "the serial port " + path + " is in use by another program");
}

std::string NoSerialPort(const std::string& path) {
    return CoreText(path + " ist keine serielle Schnittstelle", path + " is not a serial port");
}

std::string Gone(const std::string& path) {
    return CoreText("Das Gerät der seriellen Schnittstelle " + path + " ist nicht mehr da",
                    "the device of the serial port " + path + " is gone");
}

class TermiosTransport final : public SerialTransport {
  public:
    ~TermiosTransport() override { Close(); }

    void Open(const std::string& path) override {
        Close();
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            const int e = errno;
            if (e == ENOENT || e == ENXIO || e == ENODEV) {
                throw Error(CoreText("Die serielle Schnittstelle " + path + " gibt es nicht",
                                     "the serial port " + path + " does not exist"));
            }
            if (e == EBUSY) throw Error(InUse(path));
            if (e == ENOTDIR || e == EISDIR) throw Error(NoSerialPort(path));
            if (e == EACCES || e == EPERM) {
                throw Error(CoreText("Keine Erlaubnis, die serielle Schnittstelle " + path +
                                         " zu öffnen (ist der Benutzer in der Gruppe "
                                         "\"dialout\"?)",
                                     "no permission to open the serial port " + path +
                                         " (is the user in the group \"dialout\"?)"));
            }
            throw Error(
                CoreText("Die serielle Schnittstelle " + path + " kann nicht geöffnet werden (" +
                             std::strerror(e) + ")",
                         "the serial port " + path + " cannot be opened: " + std::strerror(e)));
        }
        termios tio{};
        if (::tcgetattr(fd, &tio) != 0) {
            ::close(fd);
            throw Error(NoSerialPort(path));
        }
        // The lock refuses a port that another program uses, whoever runs this one.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            throw Error(InUse(path));
        }
        ::ioctl(fd, TIOCEXCL);
        ::cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | HUPCL);
        // With at least one byte asked for, a read of a descriptor that never waits says
        // "nothing yet" (EAGAIN) and reads nothing only after a hang-up.
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
            ::close(fd);
            throw Error("the serial port " + path + " cannot be configured");
        }
        fd_ = fd;
        gone_ = false;
        path_ = path;
    }

    void Close() noexcept override {
        if (fd_ >= 0) {
            // The exclusive mode belongs to the terminal, not to this descriptor: it would
            // outlive the close while anything else holds the terminal open.
            ::ioctl(fd_, TIOCNXCL);
            ::close(fd_);  // drops the lock
            fd_ = -1;
        }
        gone_ = false;
    }

    void Apply(const SerialSettings& s) override {
        Usable();
        speed_t code{};
        if (!SpeedCode(s.baud, code)) {
            throw Error("the serial port " + path_ + " has no baud rate " + std::to_string(s.baud));
        }
        termios before{};
        Check(::tcgetattr(fd_, &before));
        termios tio = before;
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR);
        tio.c_cflag |= s.dataBits == 5 ? CS5 : s.dataBits == 6 ? CS6 : s.dataBits == 7 ? CS7 : CS8;
        // Two stop bits are one and a half with five data bits, as the UARTs count them.
        const bool fiveBits = s.dataBits == 5;
        if (s.stopTenths == 20 || (s.stopTenths == 15 && fiveBits)) tio.c_cflag |= CSTOPB;
        if (s.stopTenths == 15 && !fiveBits) {
            throw Error("the serial port " + path_ +
                        " takes one and a half stop bits only with five data bits");
        }
        switch (s.parity) {
            case 'O':
                tio.c_cflag |= PARENB | PARODD;
                break;
            case 'E':
                tio.c_cflag |= PARENB;
                break;
            case 'M':
                tio.c_cflag |= PARENB | PARODD | CMSPAR;
                break;
            case 'S':
                tio.c_cflag |= PARENB | CMSPAR;
                break;
            default:
                break;
        }
        tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | ISTRIP);
        if (s.parity != 'N') tio.c_iflag |= INPCK;
        ::cfsetispeed(&tio, code);
        ::cfsetospeed(&tio, code);
        Check(::tcsetattr(fd_, TCSANOW, &tio));
        // Some ports change what they cannot do without saying so; read back and compare.
        termios now{};
        Check(::tcgetattr(fd_, &now));
        const tcflag_t mask = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR;
        if ((now.c_cflag & mask) != (tio.c_cflag & mask) || ::cfgetospeed(&now) != code ||
            ::cfgetispeed(&now) != code) {
            ::tcsetattr(fd_, TCSANOW, &before);
            throw Error("the serial port " + path_ + " does not take the settings \"" +
                        FormatSerialSettings(s) + "\"");
        }
    }

    std::size_t Write(std::span<const std::uint8_t> data) override {
        Usable();
        if (data.empty()) return 0;
        for (;;) {
            const ssize_t n = ::write(fd_, data.data(), data.size());
            if (n >= 0) return static_cast<std::size_t>(n);
            if (errno == EINTR) continue;
            if (errno == EAGAIN) return 0;
            Fail(errno);
        }
    }

    std::size_t Read(std::vector<std::uint8_t>& into, std::size_t room) override {
        Usable();
        if (room == 0) return 0;
        const std::size_t old = into.size();
        into.resize(old + room);
        for (;;) {
            const ssize_t n = ::read(fd_, into.data() + old, room);
            if (n > 0) {
                into.resize(old + static_cast<std::size_t>(n));
                return static_cast<std::size_t>(n);
            }
            into.resize(old);
            if (n == 0) MarkGone();  // a terminal reads nothing only after a hang-up
            if (errno == EINTR) {
                into.resize(old + room);
                continue;
            }
            if (errno == EAGAIN) return 0;
            Fail(errno);
        }
    }

    std::size_t OutputQueued() override {
        Usable();
        int queued = 0;
        Check(::ioctl(fd_, TIOCOUTQ, &queued));
        return queued > 0 ? static_cast<std::size_t>(queued) : 0;
    }

    void DiscardOutput() override {
        Usable();
        Check(::tcflush(fd_, TCOFLUSH));
    }

    void DiscardInput() override {
        Usable();
        Check(::tcflush(fd_, TCIFLUSH));
    }

    void SetLine(ModemLine line, bool on) override {
        Usable();
        int bits = Bit(line);
        if (::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) != 0) LinesFailed(errno);
    }

    bool Line(ModemLine line) override {
        Usable();
        int bits = 0;
        if (::ioctl(fd_, TIOCMGET, &bits) != 0) LinesFailed(errno);
        return (bits & Bit(line)) != 0;
    }

    void Wait(bool input, bool output, double seconds) override {
        Usable();
        pollfd p{fd_, static_cast<short>((input ? POLLIN : 0) | (output ? POLLOUT : 0)), 0};
        if (::poll(&p, 1, detail::PollMilliseconds(seconds)) > 0 &&
            (p.revents & (POLLHUP | POLLERR | POLLNVAL))) {
            // A hang-up with data still waiting lets the data be read first.
            if (!(p.revents & POLLIN)) MarkGone();
        }
    }

    int PollDescriptor() const override { return gone_ ? -1 : fd_; }

  private:
    static int Bit(ModemLine line) {
        switch (line) {
            case ModemLine::RTS:
                return TIOCM_RTS;
            case ModemLine::DTR:
                return TIOCM_DTR;
            case ModemLine::CTS:
                return TIOCM_CTS;
            case ModemLine::DSR:
                return TIOCM_DSR;
        }
        return 0;
    }

    void Usable() const {
        if (fd_ < 0) throw Error("the serial port is not open");
        if (gone_) throw PortGoneError(Gone(path_));
    }

    [[noreturn]] void MarkGone() {
        gone_ = true;
        throw PortGoneError(Gone(path_));
    }

    [[noreturn]] void Fail(int error) {
        if (Gone(error)) MarkGone();
        throw Error(CoreText("Die serielle Schnittstelle " + path_ + " ist ausgefallen (" +
                                 std::strerror(error) + ")",
                             "the serial port " + path_ + " failed: " + std::strerror(error)));
    }

    void Check(int result) {
        if (result != 0) Fail(errno);
    }

    [[noreturn]] void LinesFailed(int error) {
        if (error == ENOTTY || error == EINVAL) {
            throw Error("the serial port " + path_ + " has no modem lines");
        }
        Fail(error);
    }

    int fd_ = -1;
    bool gone_ = false;
    std::string path_;
};

}  // namespace

std::unique_ptr<SerialTransport> MakeTermiosTransport() {
    return std::make_unique<TermiosTransport>();
}

}  // namespace tlx
