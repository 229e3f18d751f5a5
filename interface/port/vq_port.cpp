#include "vodex/port/vq_port.h"

#include <algorithm>
#include <cmath>

#include "resource_port.h"
#include "tlx/clock.h"
#include "tlx/codepage.h"
#include "tlx/error.h"
#include "tlx/network_port.h"
#include "tlx/port_map.h"
#include "tlx/pump.h"
#include "tlx/tools.h"
#include "vodex/interface_ids.h"

namespace vodex {
namespace {

// How long one wait sleeps at most before window events run again, where the thread has any.
constexpr double kEventSlice = 0.02;
// How long a drain sleeps between looks at the output queue, which no descriptor announces.
constexpr double kDrainSlice = 0.002;
// The most input bytes the serial control counts.
constexpr std::int32_t kMostCounted = 32767;

// How long a wait with `left` seconds to go may sleep in one go: without window events all of
// it (a shorter sleep only costs wake-ups and latency).
double Slice(double left) {
    return tlx::MessagePumpInstalled() ? std::min(kEventSlice, left) : left;
}

// A time-out that is not a number counts as none.
double Sane(double seconds) {
    return std::isnan(seconds) ? 0.0 : seconds;
}

// Runs `body`; on an error gives `failed` and keeps the error's reason in `why` (which is
// emptied first).
template <class F>
auto Trapped(std::string& why, F&& body, decltype(body()) failed) -> decltype(body()) {
    why.clear();
    try {
        return body();
    } catch (const std::exception& e) {
        why = e.what();
    } catch (...) {
        why = "an error of an unknown kind";
    }
    return failed;
}

}  // namespace

frm_ResourcePort& SharedProbeForm() {
    thread_local frm_ResourcePort shared;
    return shared;
}

bool ProbePort(tlx::CommControl& control, std::int32_t pPort, bool trapAll, std::string* why) {
    auto prepare = [&] {
        if (control.PortOpen()) control.PortOpen(false);
        if (pPort < 1 || pPort > tlx::kPortCount) {
            throw tlx::Error("the port number " + std::to_string(pPort) + " is not valid");
        }
        control.CommPort(static_cast<std::int16_t>(pPort));
    };
    bool usable = false;
    if (trapAll) {
        try {
            prepare();
        } catch (...) {
            return false;
        }
    } else {
        prepare();
    }
    try {
        control.PortOpen(true);
        usable = true;
    } catch (const std::exception& e) {
        if (why) *why = e.what();
        usable = false;
    } catch (...) {
        if (why) *why = "an error of an unknown kind";
        usable = false;
    }
    try {
        control.PortOpen(false);
    } catch (...) {
    }
    return usable;
}

cls_VQPort::cls_VQPort() = default;

std::span<const std::string_view> cls_VQPort::INTERFACEIDS() const {
    return iid::cls_VQPort;
}

cls_VQPort::~cls_VQPort() {
    DISCONNECT();
}

frm_ResourcePort& cls_VQPort::Form() {
    if (!form_) form_ = std::make_unique<frm_ResourcePort>();
    return *form_;
}

tlx::CommControl& cls_VQPort::Control() {
    return *Form().ctrl_Port;
}

bool cls_VQPort::CHECK(std::int32_t pPort) {
    return Trapped(
        lastError_,
        [&] {
            frm_ResourcePort& probe = SharedProbeForm();
            if (!probe.probed) {
                probe.probed = true;
                for (std::int32_t i = 1; i <= tlx::kPortCount; ++i)
                    probe.available[static_cast<std::size_t>(i)] =
                        ProbePort(*probe.ctrl_Port, i, true, nullptr);
            }
            return pPort >= 1 && pPort <= tlx::kPortCount &&
                   probe.available[static_cast<std::size_t>(pPort)];
        },
        false);
}

bool cls_VQPort::CONNECT(std::int32_t pPort, const std::string& pSettings, bool pRTS, bool pDTR) {
    return Trapped(
        lastError_,
        [&] {
            tlx::CommControl& c = Control();
            // A port across the network is not opened twice: its server would open the
            // instrument's port twice, and might still be closing the first when the second
            // comes. Its own opening says why it cannot be used.
            const bool network = pPort >= 1 && pPort <= tlx::kPortCount &&
                                 tlx::IsNetworkPortPath(tlx::PortDevicePath(pPort));
            if (!network && !ProbePort(c, pPort, false, &lastError_)) return false;
            // Once the port answered, each step counts on its own: settings it refuses leave
            // the previous ones in force, and the port may still open.
            auto step = [](auto&& body) {
                try {
                    body();
                } catch (...) {
                }
            };
            step([&] { c.PortOpen(false); });
            step([&] { c.CommPort(static_cast<std::int16_t>(pPort)); });  // checked by the probe
            step([&] { c.Settings(pSettings); });
            step([&] { c.RTSEnable(pRTS); });
            step([&] { c.DTREnable(pDTR); });
            std::string why;
            try {
                c.PortOpen(true);
            } catch (const std::exception& e) {
                why = e.what();
            }
            if (!c.PortOpen()) {
                lastError_ = network && !why.empty()
                                 ? why
                                 : tlx::CoreText("Die serielle Schnittstelle " + c.DevicePath() +
                                                     " konnte nicht wieder geöffnet werden",
                                                 "the serial port " + c.DevicePath() +
                                                     " could not be opened again");
                return false;
            }
            return true;
        },
        false);
}

void cls_VQPort::DISCONNECT() {
    try {
        if (form_) form_->ctrl_Port->PortOpen(false);
    } catch (...) {
    }
}

bool cls_VQPort::OUT(const std::string& pData, bool pWait, double pTimeOut, bool pClear) {
    pTimeOut = Sane(pTimeOut);
    return Trapped(
        lastError_,
        [&] {
            tlx::CommControl& c = Control();
            if (pClear) c.OutBufferCount(0);
            c.Output(pData);
            if (!pWait) return true;
            const tlx::cls_CoreTimer timer;
            for (;;) {
                if (c.OutBufferCount() == 0) return true;
                if (timer.ELAPSED(pTimeOut)) break;
                tlx::PumpMessages();
                if (tlx::WaitsCancelled()) break;
                c.WaitOutput(std::min(kDrainSlice, pTimeOut - timer.SECONDSELAPSED()));
            }
            c.OutBufferCount(0);  // what did not leave in time is dropped
            lastError_ =
                "what was sent did not leave the serial port " + c.DevicePath() + " in time";
            return false;
        },
        false);
}

std::optional<std::string> cls_VQPort::Read(std::int32_t pLength, double pTimeOut, bool pClear) {
    try {
        tlx::CommControl& c = Control();
        if (pLength > 0) {
            if (pClear) c.InBufferCount(0);
            const tlx::cls_CoreTimer timer;
            // Right after a request its answer is rarely there yet: a read that finds too
            // little in the control waits for the port at once instead of looking first.
            bool look = c.InputHeld(static_cast<std::size_t>(pLength));
            for (;;) {
                tlx::PumpMessages();
                if (!look && !tlx::WaitsCancelled()) {
                    c.WaitInput(Slice(pTimeOut - timer.SECONDSELAPSED()));
                }
                look = false;
                // The control counts at most 32767 bytes, so a longer read times out.
                if (pLength <= kMostCounted && c.InputWaiting(static_cast<std::size_t>(pLength))) {
                    break;
                }
                if (timer.ELAPSED(pTimeOut) || tlx::WaitsCancelled()) {
                    return std::string();  // what came stays readable
                }
            }
            c.InputLen(static_cast<std::int16_t>(pLength));
        } else {
            c.InputLen(0);
        }
        return tlx::AnsiToText(c.Input());
    } catch (const std::exception& e) {
        lastError_ = e.what();
        return std::nullopt;
    } catch (...) {
        lastError_ = "an error of an unknown kind";
        return std::nullopt;
    }
}

std::string cls_VQPort::Inp(std::int32_t pLength, double pTimeOut, bool pClear) {
    lastError_.clear();
    return Read(pLength, Sane(pTimeOut), pClear).value_or(std::string());
}

std::vector<std::uint8_t> cls_VQPort::BIN(std::int32_t pLength, double pTimeOut, bool pClear) {
    pTimeOut = Sane(pTimeOut);
    return Trapped(
        lastError_,
        [&]() -> std::vector<std::uint8_t> {
            tlx::CommControl& c = Control();
            if (pLength > 0) {
                if (pClear) c.InBufferCount(0);
                const tlx::cls_CoreTimer timer;
                for (;;) {
                    // The control counts at most 32767 bytes, so a longer read times out.
                    if (pLength <= kMostCounted &&
                        c.InputWaiting(static_cast<std::size_t>(pLength))) {
                        break;
                    }
                    if (timer.ELAPSED(pTimeOut) || tlx::WaitsCancelled()) {
                        if (pClear) c.InBufferCount(0);
                        return {};
                    }
                    tlx::PumpMessages();
                    c.WaitInput(Slice(pTimeOut - timer.SECONDSELAPSED()));
                }
                c.InputLen(static_cast<std::int16_t>(pLength));
            } else {
                c.InputLen(0);
            }
            return c.Input();
        },
        std::vector<std::uint8_t>());
}

std::int32_t cls_VQPort::INCOUNT() {
    return Control().InBufferCount();
}

std::shared_ptr<tlx::CommControl> cls_VQPort::DIRECT() {
    return Form().ctrl_Port;
}

void cls_VQPort::CLEAR() {
    if (INCOUNT() > 0) Control().InBufferCount(0);
}

template <class Terminated>
std::string cls_VQPort::InputUntil(Terminated&& terminated, double pTimeOut, bool pClear) {
    pTimeOut = Sane(pTimeOut);
    lastError_.clear();
    // A port that is closed or gone fails here as every other read does: by its result.
    try {
        if (pClear) CLEAR();
    } catch (const std::exception& e) {
        lastError_ = e.what();
        return {};
    }
    // Measured on the monotonic clock, so neither midnight nor a change of the system's time
    // can stretch or cut the wait.
    const tlx::cls_CoreTimer timer;
    std::string text;
    do {
        tlx::PumpMessages();
        if (tlx::WaitsCancelled()) return {};
        const std::optional<std::string> got = Read(1, pTimeOut, false);
        if (!got) return {};  // the port failed or went: nothing more will come
        text += *got;
        if (text.empty()) return {};
        if (terminated(text)) return text;
        // What has arrived with it is looked at byte by byte at once, without waiting or
        // timing; the bytes behind the end stay for the next read.
        try {
            tlx::CommControl& c = Control();
            std::size_t taken = 0;
            bool ended = false;
            while (!ended && taken < c.HeldCount()) {
                const std::uint8_t byte = c.HeldAt(taken++);
                text += tlx::AnsiToText(std::span(&byte, 1));
                ended = terminated(text);
            }
            c.DropHeld(taken);
            if (ended) return text;
        } catch (const std::exception& e) {
            lastError_ = e.what();
            return {};
        }
    } while (timer.SECONDSELAPSED() <= pTimeOut);
    return {};
}

std::string cls_VQPort::INPUTTILL(const std::string& pEndChar, double pTimeOut, bool pClear) {
    return InputUntil([&pEndChar](const std::string& t) { return t.ends_with(pEndChar); }, pTimeOut,
                      pClear);
}

std::string cls_VQPort::INPUTLINE(double pTimeOut, bool pClear) {
    return InputUntil([](const std::string& t) { return t.back() == '\r' || t.back() == '\n'; },
                      pTimeOut, pClear);
}

void cls_VQPort::RTS(bool pOn) {
    Control().RTSEnable(pOn);
}

void cls_VQPort::DTR(bool pOn) {
    Control().DTREnable(pOn);
}

bool cls_VQPort::DSR() {
    return Control().DSRHolding();
}

bool cls_VQPort::CTS() {
    return Control().CTSHolding();
}

}  // namespace vodex
