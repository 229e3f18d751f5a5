#include "vodex/sim/virtual_balance.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <sstream>

#include "line_instrument.h"

namespace vodex::sim {
namespace {

using Clock = std::chrono::steady_clock;

std::string Value(double grams) {
    char text[32];
    std::snprintf(text, sizeof text, "%10.2f", grams);
    return text;
}

}  // namespace

struct VirtualBalance::State {
    Options options;
    std::mutex mutex;  // the pan and the modes; the instrument's thread answers under it

    // The pan.
    double from = 0;
    double to = 0;
    Clock::time_point moveStart{};
    double moveSeconds = 0;
    double zero = 0;
    double tare = 0;
    bool silent = false;
    bool garbage = false;

    double Gross(Clock::time_point now) const {
        if (moveSeconds <= 0) return to;
        const double part = std::chrono::duration<double>(now - moveStart).count() / moveSeconds;
        return part >= 1 ? to : from + (to - from) * std::max(0.0, part);
    }
    bool Moving(Clock::time_point now) const {
        return moveSeconds > 0 &&
               std::chrono::duration<double>(now - moveStart).count() < moveSeconds;
    }

    // The answer to one command line, without its line end; "" for none.
    std::string Answer(const std::string& line) {
        const auto now = Clock::now();
        for (char ch : line) {
            const auto c = static_cast<unsigned char>(ch);
            if (c < 0x20 || c > 0x7E) return "ET";
        }
        std::istringstream words(line);
        std::string command;
        words >> command;
        std::string extra;
        const bool arguments = static_cast<bool>(words >> extra);
        if (command.empty()) return "";
        static const char* known[] = {"S", "SI", "Z", "T", "I4", "@"};
        if (std::find_if(std::begin(known), std::end(known),
                         [&](const char* k) { return command == k; }) == std::end(known)) {
            return "ES";
        }
        if (arguments) return "EL";
        const double gross = Gross(now);
        const bool moving = Moving(now);
        const char* range = gross > options.capacity ? "+" : gross < options.lowest ? "-" : "";
        const std::string identity = "I4 A \"" + options.serialNumber + "\"";
        if (command == "I4") return identity;
        if (command == "@") {
            tare = 0;
            return identity;
        }
        const std::string head = command == "SI" ? "S" : command;
        if (*range) return head + " " + range;
        if (command == "S") return moving ? "S I" : "S S " + Value(gross - zero - tare) + " g";
        if (command == "SI") {
            return std::string(moving ? "S D " : "S S ") + Value(gross - zero - tare) + " g";
        }
        if (moving) return head + " I";
        if (command == "Z") {
            zero = gross;
            tare = 0;
            return "Z A";
        }
        tare = gross - zero;  // "T"
        return "T S " + Value(tare) + " g";
    }

    // What goes back for one command line, its line end included.
    std::string Reply(const std::string& line) {
        std::lock_guard lock(mutex);
        const std::string answer = Answer(line);
        if (silent || answer.empty()) return "";
        return garbage ? std::string("\x15\xFE#%\x07?\x80", 7) + "\r\n" : answer + "\r\n";
    }

    std::unique_ptr<detail::LineInstrument> terminal;  // last: it ends before the pan goes
};

VirtualBalance::VirtualBalance(Options options) : state_(std::make_unique<State>()) {
    state_->options = std::move(options);
    state_->to = state_->options.weight;
    state_->terminal = std::make_unique<detail::LineInstrument>(
        state_->options.link, "virtual balance",
        detail::LineInstrument::Behaviour{
            [s = state_.get()](const std::string& l) { return s->Reply(l); }, nullptr, {}});
}

VirtualBalance::~VirtualBalance() {
    state_->terminal.reset();
}

std::string VirtualBalance::Path() const {
    return state_->terminal->Path();
}

std::string VirtualBalance::DevicePath() const {
    return state_->terminal->DevicePath();
}

void VirtualBalance::SetWeight(double grams) {
    std::lock_guard lock(state_->mutex);
    state_->from = state_->to = grams;
    state_->moveSeconds = 0;
}

void VirtualBalance::MoveTo(double grams, double seconds) {
    std::lock_guard lock(state_->mutex);
    const auto now = Clock::now();
    state_->from = state_->Gross(now);
    state_->to = grams;
    state_->moveStart = now;
    state_->moveSeconds = seconds;
}

void VirtualBalance::SetSilent(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->silent = on;
}

void VirtualBalance::SetGarbage(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->garbage = on;
}

void VirtualBalance::Send(const std::string& bytes) {
    state_->terminal->Send(bytes);
}

void VirtualBalance::Vanish() {
    state_->terminal->Vanish();
}

void VirtualBalance::Return() {
    state_->terminal->Return();
}

std::int32_t VirtualBalance::LineBaud() const {
    return state_->terminal->LineBaud();
}

std::vector<std::string> VirtualBalance::Commands() const {
    return state_->terminal->Commands();
}

}  // namespace vodex::sim
