#include "vodex/sim/virtual_multimeter.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <deque>
#include <mutex>
#include <stdexcept>

#include "line_instrument.h"

namespace vodex::sim {
namespace {

struct Function {
    const char* name;     // the short name
    const char* keyword;  // SCPI's
};

constexpr Function kFunctions[] = {{"VDC", "VOLT:DC"}, {"VAC", "VOLT:AC"}, {"ADC", "CURR:DC"},
                                   {"AAC", "CURR:AC"}, {"OHM", "RES"},     {"HZ", "FREQ"},
                                   {"TEMP", "TEMP"}};

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

const Function* ByName(const std::string& name) {
    const std::string upper = Upper(name);
    for (const Function& f : kFunctions) {
        if (upper == f.name) return &f;
    }
    return nullptr;
}

const Function* ByKeyword(const std::string& keyword) {
    for (const Function& f : kFunctions) {
        if (keyword == f.keyword) return &f;
    }
    return nullptr;
}

}  // namespace

bool IsMultimeterFunction(const std::string& name) {
    return ByName(name) != nullptr;
}

struct VirtualMultimeter::State {
    Options options;
    std::mutex mutex;  // the readings and the modes; the meter's thread answers under it
    std::deque<std::string> errors;
    bool garbage = false;
    bool silent = false;
    const Function* configured = &kFunctions[0];

    std::string Reading(const Function& f) const {
        if (options.overload) return "+9.90000000E+37";
        const auto it = options.values.find(f.name);
        char text[32];
        std::snprintf(text, sizeof text, "%+.8E", it == options.values.end() ? 0.0 : it->second);
        return text;
    }

    // The answer to one command line, without its line end; "" for none.
    std::string Answer(const std::string& line) {
        const std::size_t blank = line.find(' ');
        const std::string head = Upper(line.substr(0, blank));
        if (head == "*IDN?") return options.identity;
        if (head == "*RST") {
            configured = ByName(options.function) ? ByName(options.function) : &kFunctions[0];
            errors.clear();
            return "";
        }
        if (head == "*CLS") {
            errors.clear();
            return "";
        }
        if (head == "SYST:ERR?") {
            if (errors.empty()) return "+0,\"No error\"";
            std::string oldest = errors.front();
            errors.pop_front();
            return oldest;
        }
        if (head == "READ?") return Reading(*configured);
        if (head.starts_with("MEAS:") && head.ends_with("?")) {
            const Function* f = ByKeyword(head.substr(5, head.size() - 6));
            if (f && !options.missing.contains(f->name)) return Reading(*f);
        }
        if (head.starts_with("CONF:")) {
            const Function* f = ByKeyword(head.substr(5));
            if (f && !options.missing.contains(f->name)) {
                configured = f;
                return "";
            }
        }
        if (errors.size() < 20) errors.push_back("-113,\"Undefined header\"");
        return "";
    }

    std::string Reply(const std::string& line) {
        std::lock_guard lock(mutex);
        const std::string end = options.crlf ? "\r\n" : "\n";
        const std::string answer = Answer(line);
        if (silent) return "";
        if (garbage && !answer.empty()) return std::string("\x15\xFE#%\x07?\x80", 7) + end;
        return (options.echo ? line + end : "") + (answer.empty() ? "" : answer + end);
    }

    std::unique_ptr<detail::LineInstrument> terminal;  // last: it ends before the meter goes
};

VirtualMultimeter::VirtualMultimeter(Options options) : state_(std::make_unique<State>()) {
    if (!ByName(options.function)) {
        throw std::invalid_argument("virtual multimeter: no function " + options.function);
    }
    for (const auto& [name, value] : options.values) {
        if (!ByName(name)) throw std::invalid_argument("virtual multimeter: no function " + name);
    }
    std::set<std::string> missing;
    for (const std::string& name : options.missing) {
        if (!ByName(name)) throw std::invalid_argument("virtual multimeter: no function " + name);
        missing.insert(ByName(name)->name);
    }
    options.missing = std::move(missing);
    std::map<std::string, double> values;
    for (const auto& [name, value] : options.values)
        values[ByName(name)->name] = value;
    options.values = std::move(values);
    state_->options = std::move(options);
    state_->configured = ByName(state_->options.function);
    state_->terminal = std::make_unique<detail::LineInstrument>(
        state_->options.link, "virtual multimeter",
        detail::LineInstrument::Behaviour{
            [s = state_.get()](const std::string& l) { return s->Reply(l); }, nullptr, {}});
}

VirtualMultimeter::~VirtualMultimeter() {
    state_->terminal.reset();
}

std::string VirtualMultimeter::Path() const {
    return state_->terminal->Path();
}

std::string VirtualMultimeter::DevicePath() const {
    return state_->terminal->DevicePath();
}

void VirtualMultimeter::SetValue(const std::string& function, double value) {
    const Function* f = ByName(function);
    if (!f) throw std::invalid_argument("virtual multimeter: no function " + function);
    std::lock_guard lock(state_->mutex);
    state_->options.values[f->name] = value;
}

void VirtualMultimeter::SetOverload(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->options.overload = on;
}

void VirtualMultimeter::SetGarbage(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->garbage = on;
}

void VirtualMultimeter::SetSilent(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->silent = on;
}

void VirtualMultimeter::Send(const std::string& bytes) {
    state_->terminal->Send(bytes);
}

void VirtualMultimeter::Vanish() {
    state_->terminal->Vanish();
}

void VirtualMultimeter::Return() {
    state_->terminal->Return();
}

std::vector<std::string> VirtualMultimeter::Commands() const {
    return state_->terminal->Commands();
}

}  // namespace vodex::sim
