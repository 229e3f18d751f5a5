// What the serial control needs of a port, behind a small interface: the real port (termios
// and poll) or, in tests, a stand-in that can do what pseudo-terminals cannot (modem lines,
// an output queue that drains slowly, settings a port refuses).
//
// A transport belongs to one thread. Its calls never wait, except Wait, which sleeps at most
// the time it is given. A device that is gone (an unplugged USB adapter, the other side of a
// pseudo-terminal closed) is reported by PortGoneError from then on; nothing spins on it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "tlx/error.h"

namespace tlx {

// The line settings of a serial port, as the settings text "9600,N,8,1" gives them.
struct SerialSettings {
    std::int32_t baud = 9600;
    char parity = 'N';             // N none, O odd, E even, M mark, S space
    std::int32_t dataBits = 8;     // 5 to 8
    std::int32_t stopTenths = 10;  // 10, 15 or 20: one, one and a half or two stop bits

    friend bool operator==(const SerialSettings&, const SerialSettings&) = default;
};

// Reads a settings text: baud, parity letter, data bits, stop bits, separated by commas
// (blanks around the parts and the letter's case do not matter). Throws tlx::Error naming
// what is wrong.
SerialSettings ParseSerialSettings(const std::string& text);
// The settings as text, "9600,N,8,1" ("1.5" for one and a half stop bits).
std::string FormatSerialSettings(const SerialSettings& settings);

// The device behind an open port has gone away.
class PortGoneError : public Error {
  public:
    using Error::Error;
};

enum class ModemLine { RTS, DTR, CTS, DSR };

class SerialTransport {
  public:
    SerialTransport() = default;
    SerialTransport(const SerialTransport&) = delete;
    SerialTransport& operator=(const SerialTransport&) = delete;
    virtual ~SerialTransport();

    // Opens the device at `path` for this program alone. Throws tlx::Error naming the path
    // and why: it does not exist, is in use by another program, may not be opened, or is not
    // a serial port.
    virtual void Open(const std::string& path) = 0;
    // Closes it; nothing happens when it is closed.
    virtual void Close() noexcept = 0;
    // Puts `settings` in force. Throws tlx::Error when the port does not take them exactly;
    // the settings in force before stay.
    virtual void Apply(const SerialSettings& settings) = 0;
    // Hands over as much of `data` as the port takes now; the number of bytes taken.
    virtual std::size_t Write(std::span<const std::uint8_t> data) = 0;
    // Appends what has arrived, at most `room` bytes, to `into`; the number of bytes.
    virtual std::size_t Read(std::vector<std::uint8_t>& into, std::size_t room) = 0;
    // Bytes handed over that have not left the port yet.
    virtual std::size_t OutputQueued() = 0;
    virtual void DiscardOutput() = 0;
    virtual void DiscardInput() = 0;
    // Sets or reads a modem line; throws tlx::Error when the port has no such lines.
    virtual void SetLine(ModemLine line, bool on) = 0;
    virtual bool Line(ModemLine line) = 0;
    // Sleeps until input has arrived (with `input`), the port would take output (with
    // `output`), the device is gone, or `seconds` have passed, whichever comes first.
    virtual void Wait(bool input, bool output, double seconds) = 0;
    // The descriptor that poll() watches for this port's input while it is open, or -1 when
    // there is none (a stand-in) or the device has gone; lets a program wait for several
    // ports at once.
    virtual int PollDescriptor() const { return -1; }
    // How long Open may wait for a port across the network (the connection, the server's
    // options) and Apply for the server's word on the settings; local ports never wait.
    virtual void SetOpenTimeout(double seconds) { (void)seconds; }
};

// The transport of real ports: termios, exclusive access, poll.
std::unique_ptr<SerialTransport> MakeTermiosTransport();
// The transport of ports that a port server offers (rfc2217://HOST:PORT, socket://HOST:PORT;
// see tlx/network_port.h).
std::unique_ptr<SerialTransport> MakeNetworkTransport();
// A transport for any path: a network address opens on the network transport, anything else
// on the termios one.
std::unique_ptr<SerialTransport> MakePortTransport();

using SerialTransportFactory = std::function<std::unique_ptr<SerialTransport>()>;
// A new transport from the calling thread's factory (MakePortTransport unless a test installed
// another).
std::unique_ptr<SerialTransport> MakeSerialTransport();
// Installs `factory` for the calling thread (empty: the default); returns the old one.
SerialTransportFactory SetSerialTransportFactory(SerialTransportFactory factory);

}  // namespace tlx
