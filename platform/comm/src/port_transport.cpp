// The default transport: it chooses, at each Open, the transport that the path needs.
#include "tlx/network_port.h"
#include "tlx/serial_transport.h"

namespace tlx {
namespace {

class PortTransport final : public SerialTransport {
  public:
    void Open(const std::string& path) override {
        Close();
        const bool network = IsNetworkPortPath(path);
        if (!inner_ || network != network_) {
            inner_ = network ? MakeNetworkTransport() : MakeTermiosTransport();
            network_ = network;
        }
        inner_->SetOpenTimeout(openTimeout_);
        inner_->Open(path);
    }
    void Close() noexcept override {
        if (inner_) inner_->Close();
    }
    void Apply(const SerialSettings& settings) override { Inner().Apply(settings); }
    std::size_t Write(std::span<const std::uint8_t> data) override { return Inner().Write(data); }
    std::size_t Read(std::vector<std::uint8_t>& into, std::size_t room) override {
        return Inner().Read(into, room);
    }
    std::size_t OutputQueued() override { return Inner().OutputQueued(); }
    void DiscardOutput() override { Inner().DiscardOutput(); }
    void DiscardInput() override { Inner().DiscardInput(); }
    void SetLine(ModemLine line, bool on) override { Inner().SetLine(line, on); }
    bool Line(ModemLine line) override { return Inner().Line(line); }
    void Wait(bool input, bool output, double seconds) override {
        Inner().Wait(input, output, seconds);
    }
    int PollDescriptor() const override { return inner_ ? inner_->PollDescriptor() : -1; }
    void SetOpenTimeout(double seconds) override {
        openTimeout_ = seconds;
        if (inner_) inner_->SetOpenTimeout(seconds);
    }

  private:
    SerialTransport& Inner() {
        if (!inner_) throw Error("the serial port is not open");
        return *inner_;
    }

    std::unique_ptr<SerialTransport> inner_;
    bool network_ = false;
    double openTimeout_ = 2.0;
};

}  // namespace

std::unique_ptr<SerialTransport> MakePortTransport() {
    return std::make_unique<PortTransport>();
}

}  // namespace tlx
