#include "tlx/comm_control.h"

#include <poll.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "poll_time.h"
#include "tlx/codepage.h"
#include "tlx/log.h"
#include "tlx/port_map.h"

namespace tlx {
namespace {

// The most the control keeps of unread input; beyond it the bytes wait in the port.
constexpr std::size_t kInputCapacity = 1 << 20;
constexpr std::size_t kReadChunk = 4096;

std::string Logged(const std::vector<std::uint8_t>& bytes) {
    return LoggedBytes(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void LogPort(LogLevel level, std::int16_t port, const std::string& what) {
    Log(level, "port " + std::to_string(port) + " " + what);
}

}  // namespace

CommControl::CommControl(std::unique_ptr<SerialTransport> transport)
    : transport_(transport ? std::move(transport) : MakeSerialTransport()) {}

CommControl::~CommControl() {
    if (open_) transport_->Close();
}

void CommControl::CommPort(std::int16_t v) {
    if (open_) throw Error("the port number cannot change while the port is open");
    if (v < 1 || v > kPortCount) {
        throw Error("the port number " + std::to_string(v) + " is not valid (1 to " +
                    std::to_string(kPortCount) + ")");
    }
    port_ = v;
}

void CommControl::Settings(const std::string& v) {
    const SerialSettings parsed = ParseSerialSettings(v);
    if (open_) {
        transport_->Apply(parsed);
        inForce_ = parsed;
    }
    settings_ = parsed;
}

void CommControl::RTSEnable(bool v) {
    if (open_) transport_->SetLine(ModemLine::RTS, v);
    rts_ = v;
}

void CommControl::DTREnable(bool v) {
    if (open_) transport_->SetLine(ModemLine::DTR, v);
    dtr_ = v;
}

void CommControl::PortOpen(bool v) {
    if (v == open_) {
        if (v) throw Error("the port " + openPath_ + " is already open");
        return;
    }
    if (!v) {
        transport_->Close();
        open_ = false;
        in_.clear();
        out_.clear();
        LogPort(LogLevel::Info, port_, "closed");
        return;
    }
    const std::string path = PortDevicePath(port_);
    try {
        transport_->Open(path);
    } catch (const std::exception& e) {
        LogPort(LogLevel::Info, port_, std::string("cannot be opened: ") + e.what());
        throw;
    }
    try {
        try {
            transport_->Apply(settings_);
        } catch (const PortGoneError&) {
            throw;
        } catch (const Error&) {
            // Settings given while the port was closed that it does not take are refused
            // now: the ones in force before stay, as for settings given while it is open.
            transport_->Apply(inForce_);
            settings_ = inForce_;
        }
    } catch (...) {
        transport_->Close();
        throw;
    }
    inForce_ = settings_;
    open_ = true;
    portHoldsOutput_ = false;
    openPath_ = path;
    ApplyLines(true);
    LogPort(LogLevel::Info, port_, "opened (" + path + ", " + Settings() + ")");
}

void CommControl::ApplyLines(bool trapped) {
    // A port without modem lines (a pseudo-terminal) still opens.
    for (auto [line, on] : {std::pair{ModemLine::RTS, rts_}, std::pair{ModemLine::DTR, dtr_}}) {
        try {
            transport_->SetLine(line, on);
        } catch (const PortGoneError&) {
            throw;
        } catch (const Error&) {
            if (!trapped) throw;
        }
    }
}

void CommControl::NeedOpen() const {
    if (!open_) throw Error("the serial port " + DevicePath() + " is not open");
}

void CommControl::Push() {
    while (!out_.empty()) {
        // The deque's first contiguous run, handed over as far as the port takes it.
        std::vector<std::uint8_t> chunk(
            out_.begin(),
            out_.begin() + static_cast<std::ptrdiff_t>(std::min(out_.size(), kReadChunk)));
        const std::size_t taken = transport_->Write(chunk);
        portHoldsOutput_ = portHoldsOutput_ || taken > 0;
        out_.erase(out_.begin(), out_.begin() + static_cast<std::ptrdiff_t>(taken));
        if (taken < chunk.size()) return;
    }
}

void CommControl::Pull() {
    std::vector<std::uint8_t> got;
    while (in_.size() < kInputCapacity) {
        got.clear();
        const std::size_t room = std::min(kReadChunk, kInputCapacity - in_.size());
        const std::size_t n = transport_->Read(got, room);
        // Logged as the port gives it, not as the driver takes it (often byte by byte).
        if (!got.empty() && LogEnabled(LogLevel::Debug)) {
            LogPort(LogLevel::Debug, port_, "received " + Logged(got));
        }
        in_.insert(in_.end(), got.begin(), got.end());
        if (n < room) return;  // the port had no more
    }
}

void CommControl::Output(const std::vector<std::uint8_t>& data) {
    NeedOpen();
    if (LogEnabled(LogLevel::Debug)) {
        LogPort(LogLevel::Debug, port_, "sends " + Logged(data));
    }
    out_.insert(out_.end(), data.begin(), data.end());
    Push();
}

void CommControl::Output(const std::string& text) {
    Output(TextToAnsi(text));
}

std::int32_t CommControl::OutBufferCount() {
    NeedOpen();
    Push();
    const std::size_t inPort = transport_->OutputQueued();
    portHoldsOutput_ = inPort > 0;
    const std::size_t queued = out_.size() + inPort;
    return static_cast<std::int32_t>(std::min<std::size_t>(queued, 0x7FFFFFFF));
}

void CommControl::OutBufferCount(std::int32_t v) {
    NeedOpen();
    if (v != 0) throw Error("the output buffer can only be emptied (0)");
    out_.clear();
    // Only when the port may still hold some: a request each cycle need not cost a call.
    if (portHoldsOutput_) transport_->DiscardOutput();
    portHoldsOutput_ = false;
}

std::int16_t CommControl::InBufferCount() {
    NeedOpen();
    Pull();
    return static_cast<std::int16_t>(std::min<std::size_t>(in_.size(), 32767));
}

void CommControl::InBufferCount(std::int16_t v) {
    NeedOpen();
    if (v != 0) throw Error("the input buffer can only be emptied (0)");
    in_.clear();
    transport_->DiscardInput();
}

void CommControl::InputLen(std::int16_t v) {
    if (v < 0) throw Error("the input length is 0 (everything) or more");
    inputLen_ = v;
}

bool CommControl::InputWaiting(std::size_t count) {
    NeedOpen();
    if (in_.size() >= count) return true;
    Pull();
    return in_.size() >= count;
}

std::vector<std::uint8_t> CommControl::Input() {
    NeedOpen();
    if (inputLen_ == 0 || in_.size() < static_cast<std::size_t>(inputLen_)) Pull();
    const std::size_t n =
        inputLen_ == 0 ? in_.size() : std::min(in_.size(), static_cast<std::size_t>(inputLen_));
    std::vector<std::uint8_t> taken(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(n));
    in_.erase(in_.begin(), in_.begin() + static_cast<std::ptrdiff_t>(n));
    return taken;
}

bool CommControl::DSRHolding() {
    NeedOpen();
    return transport_->Line(ModemLine::DSR);
}

bool CommControl::CTSHolding() {
    NeedOpen();
    return transport_->Line(ModemLine::CTS);
}

void CommControl::WaitInput(double seconds) {
    NeedOpen();
    if (in_.size() >= kInputCapacity) return;
    // Output still held goes on while waiting; the wait also ends when the port takes more of
    // it (asked only while some is held, since an idle port always takes output).
    Push();
    transport_->Wait(true, !out_.empty(), seconds);
}

void CommControl::WaitAnyInput(std::span<CommControl* const> controls, double seconds) {
    constexpr double kStandInSlice = 0.005;
    std::vector<pollfd> watched;
    std::vector<CommControl*> owners;
    bool standIn = false;
    for (CommControl* c : controls) {
        if (!c || !c->open_) continue;
        if (!c->in_.empty()) return;
        const int fd = c->transport_->PollDescriptor();
        if (fd < 0) {
            try {
                if (c->InputWaiting(1)) return;
                standIn = true;
            } catch (const Error&) {
                // its device has gone: nothing more comes from it
            }
            continue;
        }
        watched.push_back({fd, POLLIN, 0});
        owners.push_back(c);
    }
    if (standIn) seconds = std::min(seconds, kStandInSlice);
    if (::poll(watched.data(), watched.size(), detail::PollMilliseconds(seconds)) <= 0) return;
    for (std::size_t i = 0; i < watched.size(); ++i) {
        // A hang-up without data: the port's own look notes that its device has gone.
        if ((watched[i].revents & (POLLHUP | POLLERR | POLLNVAL)) &&
            !(watched[i].revents & POLLIN)) {
            try {
                owners[i]->transport_->Wait(true, false, 0);
            } catch (const Error&) {
                // noted: the port's next read says its device has gone
            }
        }
    }
}

void CommControl::WaitOutput(double seconds) {
    NeedOpen();
    Push();
    // What the control still holds goes as soon as the port takes it; what the port holds
    // leaves at the line's pace, which no descriptor announces, so this sleeps out the slice.
    transport_->Wait(false, !out_.empty(), seconds);
}

std::string CommControl::DevicePath() const {
    if (open_) return openPath_;
    try {
        return PortDevicePath(port_);
    } catch (...) {
        return "COM" + std::to_string(port_);
    }
}

}  // namespace tlx
