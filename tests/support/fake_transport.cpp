#include "fake_transport.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace vodex::test {
namespace {

class FakeTransport final : public tlx::SerialTransport {
  public:
    explicit FakeTransport(std::shared_ptr<FakePort> port) : p_(std::move(port)) {}

    void Open(const std::string& path) override {
        if (p_->refuseOpen) throw tlx::Error("the serial port " + path + " is held");
        p_->open = true;
        p_->openedPath = path;
    }
    void Close() noexcept override { p_->open = false; }
    void Apply(const tlx::SerialSettings& s) override {
        Usable();
        if (p_->refusedSettings.count(tlx::FormatSerialSettings(s))) {
            throw tlx::Error("the port does not take " + tlx::FormatSerialSettings(s));
        }
        p_->applied = s;
    }
    std::size_t Write(std::span<const std::uint8_t> data) override {
        Usable();
        const std::size_t n = std::min(data.size(), p_->takesPerWrite);
        p_->sent.insert(p_->sent.end(), data.begin(), data.begin() + static_cast<long>(n));
        p_->queued += n;
        return n;
    }
    std::size_t Read(std::vector<std::uint8_t>& into, std::size_t room) override {
        Usable();
        const std::size_t n = std::min(room, p_->arriving.size());
        into.insert(into.end(), p_->arriving.begin(), p_->arriving.begin() + static_cast<long>(n));
        p_->arriving.erase(p_->arriving.begin(), p_->arriving.begin() + static_cast<long>(n));
        return n;
    }
    std::size_t OutputQueued() override {
        Usable();
        return p_->queued;
    }
    void DiscardOutput() override {
        Usable();
        p_->queued = 0;
        ++p_->outputDiscards;
    }
    void DiscardInput() override {
        Usable();
        p_->arriving.clear();
        ++p_->inputDiscards;
    }
    void SetLine(tlx::ModemLine line, bool on) override {
        Lines();
        if (line == tlx::ModemLine::RTS) p_->rts = on;
        if (line == tlx::ModemLine::DTR) p_->dtr = on;
    }
    bool Line(tlx::ModemLine line) override {
        Lines();
        if (line == tlx::ModemLine::CTS) return p_->cts;
        if (line == tlx::ModemLine::DSR) return p_->dsr;
        return line == tlx::ModemLine::RTS ? p_->rts : p_->dtr;
    }
    void Wait(bool input, bool, double seconds) override {
        Usable();
        ++p_->waits;
        if (p_->drains) p_->queued = 0;
        if (input && !p_->arriving.empty()) return;
        std::this_thread::sleep_for(std::chrono::duration<double>(std::max(0.0, seconds)));
    }

  private:
    void Usable() const {
        if (!p_->open) throw tlx::Error("the serial port is not open");
        if (p_->gone) throw tlx::PortGoneError("the device is gone");
    }
    void Lines() const {
        Usable();
        if (!p_->hasLines) throw tlx::Error("the serial port has no modem lines");
    }

    std::shared_ptr<FakePort> p_;
};

}  // namespace

std::unique_ptr<tlx::SerialTransport> MakeFakeTransport(std::shared_ptr<FakePort> port) {
    return std::make_unique<FakeTransport>(std::move(port));
}

}  // namespace vodex::test
