#include "vodex/sim/virtual_multimeter.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <deque>
#include <mutex>
#include <random>
#include <stdexcept>

#include "dmm14_protocol.h"
#include "line_instrument.h"

namespace vodex::sim {
namespace {

struct MeterFunction {
    const char* name;     // the short name
    const char* keyword;  // SCPI's
    const char* unit;     // on the handheld's display
    bool ac;
    bool dc;
    const char* prefixes[4];  // the handheld's ranges, smallest first
};

constexpr MeterFunction kFunctions[] = {
    {"VDC", "VOLT:DC", "V", false, true, {"m", ""}},
    {"VAC", "VOLT:AC", "V", true, false, {"m", ""}},
    {"ADC", "CURR:DC", "A", false, true, {"µ", "m", ""}},
    {"AAC", "CURR:AC", "A", true, false, {"µ", "m", ""}},
    {"OHM", "RES", "Ω", false, false, {"", "k", "M"}},
    {"HZ", "FREQ", "Hz", false, false, {"", "k", "M"}},
    {"TEMP", "TEMP", "°C", false, false, {""}},
    {"CAP", "CAP", "F", false, false, {"n", "µ", "m"}},
    {"DUTY", "DUTY", "%", false, false, {""}},
};

double Factor(const std::string& prefix) {
    return prefix == "n"   ? 1e-9
           : prefix == "µ" ? 1e-6
           : prefix == "m" ? 1e-3
           : prefix == "k" ? 1e3
           : prefix == "M" ? 1e6
                           : 1.0;
}

// What a handheld shows for `value` of `f`, auto-ranged: the range with the largest prefix in
// which the reading is at least 1 (the smallest when none), four digits; "OL" beyond.
dmm14::Packet Display(const MeterFunction& f, double value, bool overload) {
    std::string prefix = f.prefixes[0];
    for (const char* p : f.prefixes) {
        if (p && std::fabs(value) / Factor(p) >= 1.0) prefix = p;
    }
    const double shown = value / Factor(prefix);
    if (overload || std::fabs(shown) >= 9999.5) {
        return dmm14::Encode(" OL ", prefix, f.unit, f.ac, f.dc, true);
    }
    const double magnitude = std::fabs(shown);
    const int decimals = magnitude < 9.9995   ? 3
                         : magnitude < 99.995 ? 2
                         : magnitude < 999.95 ? 1
                                              : 0;
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, shown);
    return dmm14::Encode(text, prefix, f.unit, f.ac, f.dc, true);
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

const MeterFunction* ByName(const std::string& name) {
    const std::string upper = Upper(name);
    for (const MeterFunction& f : kFunctions) {
        if (upper == f.name) return &f;
    }
    return nullptr;
}

const MeterFunction* ByKeyword(const std::string& keyword) {
    for (const MeterFunction& f : kFunctions) {
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
    bool cutOff = false;
    const MeterFunction* switchedTo = &kFunctions[0];  // the handheld's rotary switch
    std::chrono::steady_clock::time_point lastTurn = std::chrono::steady_clock::now();
    std::mt19937 random{20261208};

    // The next packet of the handheld, its lost bytes left out.
    std::string Stream() {
        std::lock_guard lock(mutex);
        if (silent) return "";
        const auto now = std::chrono::steady_clock::now();
        if (options.switchEvery > 0 &&
            now - lastTurn >= std::chrono::duration<double>(options.switchEvery)) {
            lastTurn = now;
            const auto next = static_cast<std::size_t>(switchedTo - kFunctions + 1);
            switchedTo = &kFunctions[next % std::size(kFunctions)];
        }
        const auto it = options.values.find(switchedTo->name);
        const dmm14::Packet packet =
            Display(*switchedTo, it == options.values.end() ? 0.0 : it->second, options.overload);
        std::string bytes;
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        for (const std::uint8_t b : packet) {
            if (options.dropBytes > 0 && chance(random) < options.dropBytes) continue;
            bytes += static_cast<char>(b);
        }
        return bytes;
    }
    const MeterFunction* configured = &kFunctions[0];

    std::string Reading(const MeterFunction& f) const {
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
            const MeterFunction* f = ByKeyword(head.substr(5, head.size() - 6));
            if (f && !options.missing.contains(f->name)) return Reading(*f);
        }
        if (head.starts_with("CONF:")) {
            const MeterFunction* f = ByKeyword(head.substr(5));
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
        if (cutOff) return answer.substr(0, answer.size() / 2);
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
    state_->switchedTo = state_->configured;
    detail::LineInstrument::Behaviour behaviour;
    if (state_->options.protocol == Protocol::Scpi) {
        behaviour.answer = [s = state_.get()](const std::string& l) { return s->Reply(l); };
    } else {
        behaviour.stream = [s = state_.get()] { return s->Stream(); };
        behaviour.period = std::chrono::milliseconds(250);
    }
    state_->terminal = std::make_unique<detail::LineInstrument>(
        state_->options.link, "virtual multimeter", std::move(behaviour));
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
    const MeterFunction* f = ByName(function);
    if (!f) throw std::invalid_argument("virtual multimeter: no function " + function);
    std::lock_guard lock(state_->mutex);
    state_->options.values[f->name] = value;
}

void VirtualMultimeter::SetOverload(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->options.overload = on;
}

void VirtualMultimeter::SetFunction(const std::string& function) {
    const MeterFunction* f = ByName(function);
    if (!f) throw std::invalid_argument("virtual multimeter: no function " + function);
    std::lock_guard lock(state_->mutex);
    state_->switchedTo = f;
}

std::string VirtualMultimeter::Function() const {
    std::lock_guard lock(state_->mutex);
    return state_->options.protocol == Protocol::Scpi ? state_->configured->name
                                                      : state_->switchedTo->name;
}

void VirtualMultimeter::SetGarbage(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->garbage = on;
}

void VirtualMultimeter::SetCutOff(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->cutOff = on;
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
