// The serial port of a driver: one object per connection. It opens a port with a settings
// text, sends a command and waits until it has left, and reads a counted number of bytes,
// whatever is waiting, everything up to a terminator, or one line, each with a time-out in
// seconds. It also answers, for ports 1 to 32, whether a port exists and was free when this
// thread first asked.
//
// Time-outs: every wait ends at its time-out; a time-out never leaves a partial result (the
// bytes that did arrive stay in the input buffer, except where a member says otherwise).
// Waiting sleeps in poll() and lets the thread's window events run about every 20 ms, so a
// waiting program uses almost no processor and its windows stay alive; those events may call
// into the same port again. Received bytes become text one character per byte (the toolkit's
// code page), and text is sent the same way.
//
// Errors: CONNECT, DISCONNECT, OUT, Inp, BIN and CHECK report by their results and never
// throw. INCOUNT, CLEAR, RTS, DTR, DSR and CTS let errors of the serial control through (as
// on a port that is not open, or a port without modem lines). A port object belongs to the
// thread that made it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tlx/comm_control.h"
#include "tlx/object.h"

namespace vodex {

class frm_ResourcePort;

class cls_VQPort : public tlx::Object {
  public:
    cls_VQPort();
    ~cls_VQPort() override;  // disconnects
    cls_VQPort(const cls_VQPort&) = delete;
    cls_VQPort& operator=(const cls_VQPort&) = delete;
    std::span<const std::string_view> INTERFACEIDS() const override;

    // Port `pPort` (1 to 32) exists and was free when this thread's first CHECK probed all
    // 32 ports; the answers are kept and never probed again.
    bool CHECK(std::int32_t pPort);
    // Opens `pPort` when it can be opened; True then, even when the settings are refused (the
    // previous settings stay in force). False and closed when the port cannot be opened.
    bool CONNECT(std::int32_t pPort, const std::string& pSettings = "1200,N,8,2", bool pRTS = true,
                 bool pDTR = true);
    void DISCONNECT();
    // Sends `pData`; with `pWait` also waits until it has left the port. False when it could
    // not be sent, or did not leave within `pTimeOut` (then the rest is discarded).
    bool OUT(const std::string& pData, bool pWait = true, double pTimeOut = 3.0,
             bool pClear = true);
    // `pLength` > 0: exactly that many bytes once they have arrived, or "" after `pTimeOut`.
    // Otherwise whatever is waiting, at once.
    std::string Inp(std::int32_t pLength = -1, double pTimeOut = 3.0, bool pClear = false);
    // As Inp, as bytes; a time-out with `pClear` also empties the input buffer.
    std::vector<std::uint8_t> BIN(std::int32_t pLength = -1, double pTimeOut = 3.0,
                                  bool pClear = false);
    std::int32_t INCOUNT();
    // The serial control itself, for anything this class does not offer.
    std::shared_ptr<tlx::CommControl> DIRECT();
    // Discards the input buffer.
    void CLEAR();
    // The text up to and including `pEndChar`, read byte by byte (each may take `pTimeOut`);
    // "" when nothing came or the terminator did not come within `pTimeOut` of the start
    // (what was read then is dropped).
    std::string INPUTTILL(const std::string& pEndChar, double pTimeOut = 3.0, bool pClear = false);
    // As INPUTTILL up to and including the first CR or LF.
    std::string INPUTLINE(double pTimeOut = 3.0, bool pClear = false);
    void RTS(bool pOn);
    void DTR(bool pOn);
    bool DSR();
    bool CTS();

    // Beyond the published members: why the last call of CONNECT, OUT, Inp, BIN, INPUTTILL,
    // INPUTLINE or CHECK failed, naming the port's device path ("the serial port /dev/ttyUSB0
    // is in use by another program"); "" when it worked or only timed out. Lets a driver tell
    // its user why, where the member itself reports only by its result.
    const std::string& LastError() const { return lastError_; }

  private:
    frm_ResourcePort& Form();
    // Inp, telling a time-out ("") from a failure of the port (nothing).
    std::optional<std::string> Read(std::int32_t pLength, double pTimeOut, bool pClear);
    tlx::CommControl& Control();
    template <class Terminated>
    std::string InputUntil(Terminated&& terminated, double pTimeOut, bool pClear);

    std::unique_ptr<frm_ResourcePort> form_;
    std::string lastError_;
};

}  // namespace vodex
