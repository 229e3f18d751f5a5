// The serial communications control: one serial port with the properties programs set and
// read to use it. A control starts closed with port 1 and "9600,N,8,1"; it opens the device
// path that the port-number map gives its port number. Received bytes wait in the control's
// input buffer until Input takes them; output the port does not take at once waits in the
// control until the port does.
//
// Errors throw tlx::Error: a property that needs an open port on a closed one, a port number
// or settings text that is not valid, a port that cannot be opened (missing, held by another
// program), modem lines a port does not have, and a device that is gone (PortGoneError). The
// control belongs to the thread that made it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "tlx/object.h"
#include "tlx/serial_transport.h"

namespace tlx {

class CommControl : public Object {
  public:
    // With the calling thread's transport (see MakeSerialTransport) when `transport` is empty.
    explicit CommControl(std::unique_ptr<SerialTransport> transport = nullptr);
    ~CommControl() override;
    CommControl(const CommControl&) = delete;
    CommControl& operator=(const CommControl&) = delete;

    // The port number, 1 to 32; it cannot change while the port is open.
    std::int16_t CommPort() const { return port_; }
    void CommPort(std::int16_t v);
    // "baud,parity,data bits,stop bits"; applied at once when the port is open. Settings that
    // are not valid, or that the open port does not take, throw and leave those in force.
    // Settings given while the port is closed that it does not take when it opens are
    // dropped then, and the port opens with the settings in force before.
    std::string Settings() const { return FormatSerialSettings(settings_); }
    void Settings(const std::string& v);
    // Whether RTS and DTR are raised while the port is open.
    bool RTSEnable() const { return rts_; }
    void RTSEnable(bool v);
    bool DTREnable() const { return dtr_; }
    void DTREnable(bool v);
    bool PortOpen() const { return open_; }
    void PortOpen(bool v);
    // Sends the bytes, or the text one byte per character.
    void Output(const std::vector<std::uint8_t>& data);
    void Output(const std::string& text);
    // Bytes not yet sent; writing 0 discards them.
    std::int32_t OutBufferCount();
    void OutBufferCount(std::int32_t v);
    // Bytes received and not yet taken (at most 32767 are counted); writing 0 discards them.
    std::int16_t InBufferCount();
    void InBufferCount(std::int16_t v);
    // How many bytes the next Input takes; 0 for all.
    std::int16_t InputLen() const { return inputLen_; }
    void InputLen(std::int16_t v);
    // Takes received bytes out of the input buffer (at most InputLen of them; none may wait).
    std::vector<std::uint8_t> Input();
    bool DSRHolding();
    bool CTSHolding();

    // Beyond the control's properties: whether at least `count` bytes have arrived (it looks
    // at the port only when the input buffer holds fewer), for reading byte by byte cheaply.
    bool InputWaiting(std::size_t count);
    // Whether at least `count` received bytes wait in the control itself; the port is not
    // looked at.
    bool InputHeld(std::size_t count) const { return in_.size() >= count; }
    // The received bytes held in the control, looked at without taking them (the port is not
    // looked at), and DropHeld takes the first `count` of them (at most all).
    std::size_t HeldCount() const { return in_.size(); }
    std::uint8_t HeldAt(std::size_t i) const { return in_[i]; }
    void DropHeld(std::size_t count) {
        in_.erase(in_.begin(),
                  in_.begin() + static_cast<std::ptrdiff_t>(std::min(count, in_.size())));
    }
    // For waiting without spinning: sleeps until input
    // arrives (or the output moves on), the device goes, or `seconds` have passed.
    void WaitInput(double seconds);
    void WaitOutput(double seconds);
    // Sleeps until one of the open `controls` has input waiting, the device of one has gone,
    // or `seconds` have passed; at once when one already holds input. A port without a
    // descriptor to watch (a stand-in) is looked at every few milliseconds.
    static void WaitAnyInput(std::span<CommControl* const> controls, double seconds);
    // The device path of the open port (or of the port number when closed).
    std::string DevicePath() const;
    // How long opening a port across the network may wait for its server, and a change of its
    // settings for the server's word (2 seconds unless set); local ports never wait.
    void OpenTimeout(double seconds) { transport_->SetOpenTimeout(seconds); }

  private:
    void NeedOpen() const;
    void Pull();
    void Push();
    void ApplyLines(bool trapped);

    std::unique_ptr<SerialTransport> transport_;
    std::int16_t port_ = 1;
    SerialSettings settings_;
    SerialSettings inForce_;  // the settings the port last took
    bool rts_ = false;
    bool dtr_ = false;
    bool open_ = false;
    std::int16_t inputLen_ = 0;
    std::string openPath_;
    std::deque<std::uint8_t> in_;
    std::deque<std::uint8_t> out_;
    bool portHoldsOutput_ = false;  // whether bytes handed to the port may not have left yet
};

}  // namespace tlx
