// Serial ports that a port server offers over TCP: the port's bytes as they are (socket://) or
// with the Telnet COM Port Control Option (rfc2217://), which sets the line and the modem
// lines on the server. Waits are poll() with the message pump between slices, as on local
// ports; a connection the server ends is a device that is gone.
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <deque>
#include <string_view>

#include "poll_time.h"
#include "tcp_connect.h"
#include "telnet_stream.h"
#include "tlx/network_port.h"
#include "tlx/pump.h"
#include "tlx/serial_transport.h"
#include "tlx/tools.h"

namespace tlx {
namespace {

using detail::kEventSlice;
using detail::TelnetStream;
using Command = TelnetStream::Command;
using Clock = std::chrono::steady_clock;

Clock::time_point After(Clock::time_point from, double seconds) {
    // Not a number waits not at all; beyond a day is as good as a day.
    seconds = seconds > 0 ? std::min(seconds, 86400.0) : 0.0;
    return from +
           std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

// Data that arrives before the port's user takes it is kept up to this much; more from a
// server that floods pushes out the oldest.
constexpr std::size_t kHeldMost = 1 << 20;
// Output waiting for the connection to take it.
constexpr std::size_t kOutputMost = 64 * 1024;
constexpr std::size_t kChunk = 4096;
// What ser2net tells a client it cannot serve before it closes the connection: another client
// has the port, or the port's device is held.
constexpr std::string_view kInUseNotices[] = {"Port already in use\r\n",
                                              "Port's device already in use\r\n"};

std::uint8_t ParityCode(char parity) {
    switch (parity) {
        case 'O':
            return 2;
        case 'E':
            return 3;
        case 'M':
            return 4;
        case 'S':
            return 5;
        default:
            return 1;
    }
}

class NetworkTransport final : public SerialTransport {
  public:
    ~NetworkTransport() override { Close(); }

    void SetOpenTimeout(double seconds) override { openTimeout_ = seconds; }

    void Open(const std::string& path) override {
        Close();
        const std::optional<NetworkPort> address = ParseNetworkPort(path);
        if (!address) throw Error("the serial port " + path + " is no network address");
        path_ = path;
        place_ = NetworkPortPlace(*address);
        const auto start = Clock::now();
        // A server still closing the port for the connection before (a presence probe, the
        // search's own look) says it is in use for a few milliseconds: asked again, with
        // growing pauses, for half a second at most.
        const auto retryEnd = After(start, std::min(openTimeout_, 0.5));
        double pause = 0.01;
        for (;;) {
            try {
                Connect(*address,
                        openTimeout_ - std::chrono::duration<double>(Clock::now() - start).count());
                return;
            } catch (...) {
                const bool inUse = inUse_;
                Close();
                if (!inUse || After(Clock::now(), pause) > retryEnd) {
                    throw;
                }
            }
            Pause(pause);
            pause *= 2;
        }
    }

    void Close() noexcept override {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        telnet_.reset();
        held_.clear();
        output_.clear();
        wire_.clear();
        applied_.reset();
        requested_ = {};
        failure_.clear();
        settingsAwaited_ = false;
        ended_ = false;
        gone_ = false;
        inUse_ = false;
        screening_ = true;
    }

    void Apply(const SerialSettings& s) override {
        Usable();
        if (!telnet_) return;  // a raw port runs with the server's settings
        if (s.stopTenths == 15 && s.dataBits != 5) {
            throw Error("the serial port " + path_ +
                        " takes one and a half stop bits only with five data bits");
        }
        // The first settings after opening share the opening's time; later ones have their own.
        if (settingsAwaited_) deadline_ = After(Clock::now(), openTimeout_);
        settingsAwaited_ = true;
        Send(s);
        Await([&] { return Answered(); }, "asked to set \"" + FormatSerialSettings(s) + "\"");
        const SerialSettings now = Confirmed();
        // A server that keeps flow control on has not taken the settings either.
        const bool flowOff = telnet_->FlowControlAnswer().value[0] == 1;
        if (now != s || !flowOff) {
            if (applied_) Send(*applied_);  // the settings in force before stay
            throw Error(
                CoreText("Der Schnittstellen-Server " + place_ + " nimmt die Einstellungen \"" +
                             FormatSerialSettings(s) + "\" nicht an",
                         "the serial port server " + place_ + " does not take the settings \"" +
                             FormatSerialSettings(s) + "\" (it set " +
                             (flowOff ? FormatSerialSettings(now) : "flow control") + ")"));
        }
        applied_ = s;
    }

    std::size_t Write(std::span<const std::uint8_t> data) override {
        Usable();
        GoneWhenEnded();
        const std::size_t taken =
            std::min(data.size(), kOutputMost - std::min(kOutputMost, output_.size()));
        output_.insert(output_.end(), data.begin(),
                       data.begin() + static_cast<std::ptrdiff_t>(taken));
        Flush();
        return taken;
    }

    std::size_t Read(std::vector<std::uint8_t>& into, std::size_t room) override {
        Usable();
        Flush();
        if (Deliverable() < room) Receive(room - Deliverable());
        const std::size_t n = std::min(room, Deliverable());
        into.insert(into.end(), held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(n));
        held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(n));
        if (n == 0 && ended_) MarkGone();
        return n;
    }

    std::size_t OutputQueued() override {
        Usable();
        Flush();
        GoneWhenEnded();
        // Bytes count as gone once they are on the network; whether the server has taken
        // them is its acknowledgement's business, which may come only with the answer.
        int inSocket = 0;
        if (::ioctl(fd_, SIOCOUTQNSD, &inSocket) != 0) inSocket = 0;
        return output_.size() + wire_.size() + static_cast<std::size_t>(std::max(inSocket, 0));
    }

    void DiscardOutput() override {
        Usable();
        output_.clear();
        if (telnet_) Purge(2);
    }

    void DiscardInput() override {
        Usable();
        // What has come so far is dropped, and the server drops what it holds.
        Receive(kHeldMost);
        held_.clear();
        if (telnet_) Purge(1);
    }

    void SetLine(ModemLine line, bool on) override {
        Usable();
        NeedLines();
        // Set without waiting for the server's word: a server whose port has no modem lines
        // does not answer at all.
        const std::uint8_t code = line == ModemLine::DTR ? (on ? 8 : 9) : (on ? 11 : 12);
        telnet_->SendCommand(Command::SetControl, {&code, 1});
        Flush();
    }

    bool Line(ModemLine line) override {
        Usable();
        NeedLines();
        Receive(kChunk);
        const std::uint8_t state = telnet_->ModemState();
        switch (line) {
            case ModemLine::CTS:
                return (state & 0x10) != 0;
            case ModemLine::DSR:
                return (state & 0x20) != 0;
            default:
                throw Error("the serial port " + path_ + " cannot read back its own lines");
        }
    }

    void Wait(bool input, bool output, double seconds) override {
        Usable();
        Flush();
        if (input && Deliverable() > 0) return;
        GoneWhenEnded();
        // Output only while the server lets it go; while it has paused, its word to go on
        // comes as input.
        const bool sending = (output || !wire_.empty() || !output_.empty()) && !Suspended();
        pollfd p{fd_,
                 static_cast<short>((input || Suspended() ? POLLIN : 0) | (sending ? POLLOUT : 0)),
                 0};
        if (::poll(&p, 1, detail::PollMilliseconds(seconds)) > 0 &&
            (p.revents & (POLLHUP | POLLERR)) && !(p.revents & POLLIN)) {
            ended_ = true;
            GoneWhenEnded();
        }
    }

    int PollDescriptor() const override { return gone_ ? -1 : fd_; }

  private:
    void Connect(const NetworkPort& address, double seconds) {
        std::string why;
        const auto begun = Clock::now();
        const int fd = detail::ConnectWithin(address.host, address.port, seconds, why);
        if (fd < 0) {
            throw Error(CoreText(
                "Der Schnittstellen-Server " + place_ + " ist nicht erreichbar (" + why + ")",
                "the serial port server " + place_ + " cannot be reached (" + why + ")"));
        }
        fd_ = fd;
        deadline_ = After(begun, seconds);
        if (address.kind == NetworkPort::Kind::Rfc2217) {
            telnet_.emplace();
            Await([this] { return telnet_->PortOptionState() != TelnetStream::PortOption::Asked; },
                  "no RFC 2217 options: is it a socket:// port?");
            if (telnet_->PortOptionState() == TelnetStream::PortOption::Refused) {
                throw Error(CoreText(
                    "Der Server " + place_ + " stellt keine Schnittstelle nach RFC 2217 bereit",
                    "the server " + place_ + " offers no RFC 2217 serial port"));
            }
            // Every change of the modem lines is to be told. The baud rate in force is asked
            // for, as only a server that has its port open answers.
            const std::uint8_t all = 0xFF;
            telnet_->SendCommand(Command::SetModemStateMask, {&all, 1});
            const std::uint8_t query[4] = {0, 0, 0, 0};
            telnet_->SendCommand(Command::SetBaudRate, query);
            ++requested_[0];
            Await([&] { return Answered(); }, "asked for its settings");
        } else {
            // A server tells a client that it cannot serve at once: a moment longer than the
            // connection took is waited for that, unless data shows the port is served, and
            // while what came may still be such a notice, up to the opening's time.
            const double connecting = std::chrono::duration<double>(Clock::now() - begun).count();
            const auto quiet = After(Clock::now(), 0.03 + 3 * connecting);
            Await([&] { return !screening_ || (held_.empty() && Clock::now() >= quiet); },
                  "its first bytes are the start of a notice", quiet);
            if (held_.size() >= 2 && held_[0] == 0xFF && held_[1] >= 0xFB) {
                throw Error(CoreText(
                    "Der Server " + place_ + " spricht Telnet: rfc2217://" + place_ + " benutzen",
                    "the server " + place_ + " speaks Telnet: use rfc2217://" + place_));
            }
        }
        screening_ = false;
    }

    // Sleeps `seconds`, the window events running.
    static void Pause(double seconds) {
        const auto end = After(Clock::now(), seconds);
        for (;;) {
            PumpMessages();
            const double left = std::chrono::duration<double>(end - Clock::now()).count();
            if (left <= 0 || WaitsCancelled()) return;
            ::poll(nullptr, 0,
                   detail::PollMilliseconds(MessagePumpInstalled() ? std::min(kEventSlice, left)
                                                                   : left));
        }
    }

    void Usable() const {
        if (fd_ < 0) throw Error("the serial port is not open");
        if (!failure_.empty()) throw Error(failure_);
        if (inUse_) throw Error(InUseText());
        if (gone_) throw PortGoneError(GoneText());
    }

    std::string InUseText() const {
        return CoreText(
            "Die serielle Schnittstelle " + path_ + " wird von einem anderen Programm benutzt",
            "the serial port " + path_ + " is in use by another program");
    }

    std::string GoneText() const {
        return CoreText("Die Verbindung zum Schnittstellen-Server " + place_ + " ist abgebrochen",
                        "the connection to the serial port server " + place_ + " was lost");
    }

    [[noreturn]] void MarkGone() {
        // A server that ends the connection after its notice is held by another client.
        if (screening_ && HeldIsNotice(true)) {
            inUse_ = true;
            throw Error(InUseText());
        }
        gone_ = true;
        throw PortGoneError(GoneText());
    }

    // A connection that has ended, with nothing left to read: the device is gone (a send that
    // failed would otherwise leave output that never goes).
    void GoneWhenEnded() {
        if (ended_ && held_.empty()) MarkGone();
    }

    void NeedLines() const {
        if (!telnet_) throw Error("the serial port " + path_ + " has no modem lines");
    }

    bool Suspended() const { return telnet_ && telnet_->SendingSuspended(); }

    // Data held back while it may still be the server's notice that the port is in use.
    std::size_t Deliverable() const { return screening_ ? 0 : held_.size(); }

    // Whether the data so far is (the start of) a notice, or the whole of one.
    bool HeldIsNotice(bool whole) const {
        for (std::string_view notice : kInUseNotices) {
            if (held_.size() > notice.size() || (whole && held_.size() != notice.size())) continue;
            if (std::equal(held_.begin(), held_.end(), notice.begin(), [](std::uint8_t a, char b) {
                    return a == static_cast<std::uint8_t>(b);
                })) {
                return true;
            }
        }
        return false;
    }

    void Screen() {
        if (screening_ && !HeldIsNotice(false)) screening_ = false;
    }

    // Reads what has arrived, at most `most` bytes from the connection, without waiting.
    void Receive(std::size_t most) {
        std::vector<std::uint8_t> wire(std::min(std::max<std::size_t>(most, 1), kChunk));
        std::vector<std::uint8_t> data;
        while (most > 0 && !ended_) {
            const ssize_t n = ::recv(fd_, wire.data(), std::min(wire.size(), most), MSG_DONTWAIT);
            if (n == 0) {
                ended_ = true;
                break;
            }
            if (n < 0) {
                if (errno == EINTR) continue;
                if (errno == EAGAIN || errno == EWOULDBLOCK) break;
                ended_ = true;  // reset by the server, or the network gone
                break;
            }
            const std::span<const std::uint8_t> got(wire.data(), static_cast<std::size_t>(n));
            data.clear();
            if (telnet_) {
                telnet_->Receive(got, data);
            } else {
                data.assign(got.begin(), got.end());
            }
            held_.insert(held_.end(), data.begin(), data.end());
            if (held_.size() > kHeldMost) held_.erase(held_.begin(), held_.end() - kHeldMost);
            Screen();
            most -= static_cast<std::size_t>(n);
        }
        Flush();  // answers to the server's requests
    }

    // Sends what waits, as far as the connection takes it now.
    void Flush() {
        if (fd_ < 0 || ended_) return;
        for (;;) {
            if (telnet_ && !telnet_->Outgoing().empty()) {
                auto& out = telnet_->Outgoing();
                wire_.insert(wire_.end(), out.begin(), out.end());
                out.clear();
            }
            if (wire_.empty() && !output_.empty() && !Suspended()) {
                const std::size_t n = std::min(output_.size(), kChunk);
                std::vector<std::uint8_t> chunk(output_.begin(),
                                                output_.begin() + static_cast<std::ptrdiff_t>(n));
                output_.erase(output_.begin(), output_.begin() + static_cast<std::ptrdiff_t>(n));
                if (telnet_) {
                    telnet_->SendData(chunk);
                    continue;
                }
                wire_.insert(wire_.end(), chunk.begin(), chunk.end());
            }
            if (wire_.empty()) return;
            const ssize_t sent =
                ::send(fd_, wire_.data(), wire_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
            if (sent < 0) {
                if (errno == EINTR) continue;
                if (errno != EAGAIN && errno != EWOULDBLOCK) ended_ = true;
                return;
            }
            wire_.erase(wire_.begin(), wire_.begin() + sent);
            if (!wire_.empty()) return;
        }
    }

    // Waits until `done` holds, the connection ends or the open time-out passes.
    // A server that does not answer in time is of no more use: every later call says so.
    template <class Done>
    void Await(Done&& done, const std::string& what,
               Clock::time_point checkBy = Clock::time_point::max()) {
        const auto deadline = deadline_;
        for (;;) {
            Receive(kChunk);
            if (done()) return;
            if (ended_) MarkGone();
            PumpMessages();
            const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
            if (left <= 0 || WaitsCancelled()) {
                failure_ = CoreText(
                    "Der Schnittstellen-Server " + place_ + " hat nicht rechtzeitig geantwortet (" +
                        what + ")",
                    "the serial port server " + place_ + " did not answer in time (" + what + ")");
                throw Error(failure_);
            }
            const double check = std::chrono::duration<double>(checkBy - Clock::now()).count();
            const double slice =
                std::max(0.0, std::min({left, MessagePumpInstalled() ? kEventSlice : left, check}));
            pollfd p{fd_, static_cast<short>(POLLIN | (wire_.empty() ? 0 : POLLOUT)), 0};
            ::poll(&p, 1, detail::PollMilliseconds(slice));
        }
    }

    // Each request of a setting is answered, in order: the settings are confirmed once every
    // request sent has its answer, and the last answers are those to the last requests.
    const TelnetStream::Answer& SettingAnswer(std::size_t i) const {
        return i < 4 ? telnet_->LastAnswer(kSettingCommands[i]) : telnet_->FlowControlAnswer();
    }

    bool Answered() const {
        for (std::size_t i = 0; i < requested_.size(); ++i) {
            if (SettingAnswer(i).count < requested_[i]) return false;
        }
        return true;
    }

    static constexpr Command kSettingCommands[] = {Command::SetBaudRate, Command::SetDataSize,
                                                   Command::SetParity, Command::SetStopSize,
                                                   Command::SetControl};

    void Send(const SerialSettings& s) {
        const auto baud = static_cast<std::uint32_t>(s.baud);
        const std::uint8_t baudBytes[4] = {
            static_cast<std::uint8_t>(baud >> 24), static_cast<std::uint8_t>(baud >> 16),
            static_cast<std::uint8_t>(baud >> 8), static_cast<std::uint8_t>(baud)};
        const std::uint8_t size = static_cast<std::uint8_t>(s.dataBits);
        const std::uint8_t parity = ParityCode(s.parity);
        const std::uint8_t stop = s.stopTenths == 20 ? 2 : s.stopTenths == 15 ? 3 : 1;
        const std::uint8_t noFlowControl = 1;
        telnet_->SendCommand(Command::SetBaudRate, baudBytes);
        telnet_->SendCommand(Command::SetDataSize, {&size, 1});
        telnet_->SendCommand(Command::SetParity, {&parity, 1});
        telnet_->SendCommand(Command::SetStopSize, {&stop, 1});
        telnet_->SendCommand(Command::SetControl, {&noFlowControl, 1});
        for (auto& n : requested_)
            ++n;
        Flush();
    }

    // The settings as the server's answers give them.
    SerialSettings Confirmed() const {
        SerialSettings s;
        const auto& b = telnet_->LastAnswer(Command::SetBaudRate);
        s.baud = static_cast<std::int32_t>((std::uint32_t{b.value[0]} << 24) |
                                           (std::uint32_t{b.value[1]} << 16) |
                                           (std::uint32_t{b.value[2]} << 8) | b.value[3]);
        s.dataBits = telnet_->LastAnswer(Command::SetDataSize).value[0];
        static constexpr char kParities[] = {'?', 'N', 'O', 'E', 'M', 'S'};
        const std::uint8_t p = telnet_->LastAnswer(Command::SetParity).value[0];
        s.parity = p < 6 ? kParities[p] : '?';
        const std::uint8_t stop = telnet_->LastAnswer(Command::SetStopSize).value[0];
        s.stopTenths = stop == 2 ? 20 : stop == 3 ? 15 : stop == 1 ? 10 : 0;
        return s;
    }

    void Purge(std::uint8_t which) {
        telnet_->SendCommand(Command::PurgeData, {&which, 1});
        Flush();
    }

    double openTimeout_ = 2.0;
    Clock::time_point deadline_;                // of the wait for the server's word
    std::array<std::uint32_t, 5> requested_{};  // baud, data bits, parity, stop bits, flow
    bool settingsAwaited_ = false;              // settings were asked for since opening
    std::string failure_;                       // why the server is of no more use
    int fd_ = -1;
    std::string path_;
    std::string place_;
    std::optional<TelnetStream> telnet_;
    std::optional<SerialSettings> applied_;
    std::deque<std::uint8_t> held_;    // the port's data, not yet taken
    std::deque<std::uint8_t> output_;  // the port's data, not yet on the wire
    std::vector<std::uint8_t> wire_;   // bytes for the connection, in order
    bool ended_ = false;               // the server ended the connection, or it broke
    bool gone_ = false;
    bool inUse_ = false;
    bool screening_ = true;  // the first data may still be the notice of a port in use
};

}  // namespace

std::unique_ptr<SerialTransport> MakeNetworkTransport() {
    return std::make_unique<NetworkTransport>();
}

}  // namespace tlx
