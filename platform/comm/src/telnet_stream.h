// The Telnet side of a port server's connection, with the COM Port Control Option: splits what
// the server sends into the port's data and the server's commands, however the sequences were
// cut into reads; answers the server's option requests (binary both ways, go-ahead
// suppressed, the port option offered, anything else refused); escapes data for sending. What
// a server sends is untrusted: subnegotiations are bounded and option requests are answered a
// bounded number of times, so a server that floods commands gets no flood back.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tlx::detail {

class TelnetStream {
  public:
    // The commands of the COM Port Control Option, as the client sends them; the server
    // answers each with the same code plus 100.
    enum class Command : std::uint8_t {
        Signature = 0,
        SetBaudRate = 1,
        SetDataSize = 2,
        SetParity = 3,
        SetStopSize = 4,
        SetControl = 5,
        NotifyLineState = 6,
        NotifyModemState = 7,
        FlowControlSuspend = 8,
        FlowControlResume = 9,
        SetLineStateMask = 10,
        SetModemStateMask = 11,
        PurgeData = 12,
    };
    enum class PortOption { Asked, Accepted, Refused };
    // Where the server's answers are kept: one slot per command, but the answers to the
    // outbound flow control (SET-CONTROL 0 to 3, 17 to 19) apart from those to the modem lines,
    // which travel in the same command.
    static constexpr std::size_t kFlowControlSlot = 13;
    // The server's latest answer to one command and how many it gave.
    struct Answer {
        std::uint32_t count = 0;
        std::array<std::uint8_t, 4> value{};
        std::uint8_t size = 0;
    };

    // Offers the port option and binary transmission both ways.
    TelnetStream();

    // Takes bytes the server sent: the port's data is appended to `data` (never more bytes than
    // `wire` has), answers to the server's requests are appended to the bytes to send.
    void Receive(std::span<const std::uint8_t> wire, std::vector<std::uint8_t>& data);
    // Appends the port's data to the bytes to send, escaped.
    void SendData(std::span<const std::uint8_t> data);
    // Appends a command of the port option to the bytes to send.
    void SendCommand(Command command, std::span<const std::uint8_t> value);
    // The bytes to send, in order; the caller removes what it has sent.
    std::vector<std::uint8_t>& Outgoing() { return outgoing_; }

    PortOption PortOptionState() const { return portOption_; }
    const Answer& LastAnswer(Command command) const {
        return answers_[static_cast<std::size_t>(command)];
    }
    const Answer& FlowControlAnswer() const { return answers_[kFlowControlSlot]; }
    // The modem state the server last notified: CD 0x80, RI 0x40, DSR 0x20, CTS 0x10.
    std::uint8_t ModemState() const { return modemState_; }
    // Whether the server asked that nothing more be sent until it says so.
    bool SendingSuspended() const { return suspended_; }

  private:
    enum class State { Data, Command, Option, Sub, SubCommand };
    void AfterIac(std::uint8_t b, std::vector<std::uint8_t>& data);
    void Negotiate(std::uint8_t verb, std::uint8_t option);
    void Reply(std::uint8_t verb, std::uint8_t option);
    void Subnegotiation();

    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::vector<std::uint8_t> sub_;
    bool subTooLong_ = false;
    bool afterCarriageReturn_ = false;
    std::array<bool, 256> weDo_{};       // options in force on our side
    std::array<bool, 256> theyDo_{};     // options in force on the server's side
    std::array<bool, 256> weAsked_{};    // our WILL not answered yet
    std::array<bool, 256> theyAsked_{};  // our DO not answered yet
    std::uint32_t repliesLeft_ = 512;
    PortOption portOption_ = PortOption::Asked;
    std::array<Answer, 14> answers_{};
    std::uint8_t modemState_ = 0;
    bool suspended_ = false;
    std::vector<std::uint8_t> outgoing_;
};

}  // namespace tlx::detail
