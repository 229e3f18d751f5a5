#include "telnet_stream.h"

#include <algorithm>

namespace tlx::detail {
namespace {

constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPort = 44;

// The longest subnegotiation kept: a port option's command with a four-byte value, or a
// server's signature, which is only looked at as far as this.
constexpr std::size_t kLongestSub = 64;
constexpr std::uint8_t kServerOffset = 100;

bool WeMay(std::uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}

bool TheyMay(std::uint8_t option) {
    return option == kBinary || option == kSuppressGoAhead;
}

}  // namespace

TelnetStream::TelnetStream() {
    for (std::uint8_t option : {kComPort, kBinary}) {
        weAsked_[option] = true;
        outgoing_.insert(outgoing_.end(), {kIac, kWill, option});
    }
    theyAsked_[kBinary] = true;
    outgoing_.insert(outgoing_.end(), {kIac, kDo, kBinary});
}

void TelnetStream::Receive(std::span<const std::uint8_t> wire, std::vector<std::uint8_t>& data) {
    for (const std::uint8_t b : wire) {
        switch (state_) {
            case State::Data:
                if (b == kIac) {
                    state_ = State::Command;
                } else if (!(b == 0 && afterCarriageReturn_ && !theyDo_[kBinary])) {
                    // Outside binary mode a carriage return travels as CR NUL.
                    data.push_back(b);
                }
                afterCarriageReturn_ = b == '\r';
                break;
            case State::Command:
                AfterIac(b, data);
                break;
            case State::Option:
                Negotiate(verb_, b);
                state_ = State::Data;
                break;
            case State::Sub:
                if (b == kIac) {
                    state_ = State::SubCommand;
                } else if (sub_.size() < kLongestSub) {
                    sub_.push_back(b);
                } else {
                    subTooLong_ = true;
                }
                break;
            case State::SubCommand:
                if (b == kIac) {
                    if (sub_.size() < kLongestSub) sub_.push_back(kIac);
                    state_ = State::Sub;
                } else if (b == kSe) {
                    if (!subTooLong_) Subnegotiation();
                    state_ = State::Data;
                } else {
                    AfterIac(b, data);  // a command ends a subnegotiation cut short
                }
                break;
        }
    }
}

void TelnetStream::AfterIac(std::uint8_t b, std::vector<std::uint8_t>& data) {
    if (b == kIac) {
        data.push_back(kIac);
        afterCarriageReturn_ = false;
        state_ = State::Data;
    } else if (b >= kWill && b <= kDont) {
        verb_ = b;
        state_ = State::Option;
    } else if (b == kSb) {
        sub_.clear();
        subTooLong_ = false;
        state_ = State::Sub;
    } else {
        state_ = State::Data;  // no operation, data mark, break and the like
    }
}

void TelnetStream::Reply(std::uint8_t verb, std::uint8_t option) {
    if (repliesLeft_ == 0) return;
    --repliesLeft_;
    outgoing_.insert(outgoing_.end(), {kIac, verb, option});
}

void TelnetStream::Negotiate(std::uint8_t verb, std::uint8_t option) {
    switch (verb) {
        case kDo:
            if (WeMay(option) && !weDo_[option]) {
                weDo_[option] = true;
                if (!weAsked_[option]) Reply(kWill, option);
            } else if (!WeMay(option)) {
                Reply(kWont, option);
            }
            weAsked_[option] = false;
            break;
        case kDont:
            if (weDo_[option] && !weAsked_[option]) Reply(kWont, option);
            weDo_[option] = false;
            weAsked_[option] = false;
            break;
        case kWill:
            if (TheyMay(option) && !theyDo_[option]) {
                theyDo_[option] = true;
                if (!theyAsked_[option]) Reply(kDo, option);
            } else if (!TheyMay(option)) {
                Reply(kDont, option);
            }
            theyAsked_[option] = false;
            break;
        default:  // WONT
            if (theyDo_[option] && !theyAsked_[option]) Reply(kDont, option);
            theyDo_[option] = false;
            theyAsked_[option] = false;
            break;
    }
    if (option == kComPort) {
        if (verb == kDo) portOption_ = PortOption::Accepted;
        if (verb == kDont) portOption_ = PortOption::Refused;
    }
}

void TelnetStream::Subnegotiation() {
    if (sub_.size() < 2 || sub_[0] != kComPort || sub_[1] < kServerOffset) return;
    std::size_t index = sub_[1] - kServerOffset;
    if (index >= kFlowControlSlot) return;
    const auto command = static_cast<Command>(index);
    const bool flowControl = sub_.size() >= 3 && (sub_[2] <= 3 || (sub_[2] >= 17 && sub_[2] <= 19));
    if (command == Command::SetControl && flowControl) index = kFlowControlSlot;
    Answer& answer = answers_[index];
    ++answer.count;
    answer.size = static_cast<std::uint8_t>(std::min<std::size_t>(sub_.size() - 2, 4));
    answer.value = {};
    for (std::size_t i = 0; i < answer.size; ++i)
        answer.value[i] = sub_[2 + i];
    if (command == Command::NotifyModemState && answer.size >= 1) modemState_ = answer.value[0];
    if (command == Command::FlowControlSuspend) suspended_ = true;
    if (command == Command::FlowControlResume) suspended_ = false;
}

void TelnetStream::SendData(std::span<const std::uint8_t> data) {
    for (const std::uint8_t b : data) {
        outgoing_.push_back(b);
        if (b == kIac) outgoing_.push_back(kIac);
        // Outside binary mode a carriage return travels as CR NUL.
        if (b == '\r' && !weDo_[kBinary]) outgoing_.push_back(0);
    }
}

void TelnetStream::SendCommand(Command command, std::span<const std::uint8_t> value) {
    outgoing_.insert(outgoing_.end(), {kIac, kSb, kComPort, static_cast<std::uint8_t>(command)});
    for (const std::uint8_t b : value) {
        outgoing_.push_back(b);
        if (b == kIac) outgoing_.push_back(kIac);
    }
    outgoing_.insert(outgoing_.end(), {kIac, kSe});
}

}  // namespace tlx::detail
