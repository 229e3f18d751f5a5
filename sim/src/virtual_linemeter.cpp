#include "vodex/sim/virtual_linemeter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <stdexcept>

#include "description.h"
#include "line_instrument.h"

namespace vodex::sim {
namespace {

using linemeter::Description;

std::string WithoutLineEnd(std::string text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n'))
        text.pop_back();
    return text;
}

// `value` written as `example` is: its decimals and its decimal mark.
std::string LikeExample(double value, std::string_view example) {
    const std::size_t mark = example.find_first_of(".,");
    const int decimals =
        mark == std::string_view::npos ? 0 : static_cast<int>(example.size() - mark - 1);
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    std::string written = text;
    if (mark != std::string_view::npos && example[mark] == ',') {
        if (const auto dot = written.find('.'); dot != std::string::npos) written[dot] = ',';
    }
    if (example.starts_with('+') && value >= 0) written.insert(0, "+");
    return written;
}

}  // namespace

struct VirtualLineMeter::State {
    Description description;
    std::mutex mutex;  // the readings and the modes; the meter's thread answers under it
    std::map<std::size_t, double> values;  // by channel position
    bool silent = false;

    std::size_t ChannelOf(const std::string& key) const {
        for (std::size_t i = 0; i < description.channels.size(); ++i) {
            if (description.channels[i].name == key || std::to_string(i + 1) == key) return i;
        }
        throw std::invalid_argument("virtual line meter: the description has no channel \"" + key +
                                    "\"");
    }

    // The example lines with the readings set in, under the lock.
    std::vector<std::string> LinesNow() const {
        std::vector<std::string> lines;
        for (std::string line : description.examples) {
            for (std::size_t i = 0; i < description.channels.size(); ++i) {
                const auto value = values.find(i);
                if (value == values.end()) continue;
                const auto& c = description.channels[i];
                const auto captured = c.pattern->Find(line);
                if (!captured) continue;
                const auto at = static_cast<std::size_t>(captured->data() - line.data());
                const double raw = (value->second - c.offset) / c.factor;
                line.replace(at, captured->size(), LikeExample(raw, *captured));
            }
            lines.push_back(std::move(line));
        }
        return lines;
    }

    std::string Sent(const std::vector<std::string>& lines) const {
        std::string bytes;
        for (const std::string& line : lines)
            bytes += line + description.lineEnd;
        return bytes;
    }

    std::string Stream() {
        std::lock_guard lock(mutex);
        return silent ? "" : Sent(LinesNow());
    }

    std::string Reply(const std::string& line) {
        std::lock_guard lock(mutex);
        if (silent) return "";
        if (!description.identify.empty() && line == WithoutLineEnd(description.identify)) {
            return description.identifyExample + description.lineEnd;
        }
        if (!description.request.empty() && line == WithoutLineEnd(description.request)) {
            return Sent(LinesNow());
        }
        return "";
    }

    std::unique_ptr<detail::LineInstrument> terminal;  // last: it ends before the meter goes
};

VirtualLineMeter::VirtualLineMeter(Options options) : state_(std::make_unique<State>()) {
    try {
        state_->description = linemeter::ReadDescription(options.description);
    } catch (const std::exception& e) {
        throw std::invalid_argument(e.what());
    }
    const Description& d = state_->description;
    if (!d.identify.empty() && d.identifyExample.empty()) {
        throw std::invalid_argument("virtual line meter: " + options.description +
                                    " gives no IDENTIFYEXAMPLE to answer its IDENTIFY with");
    }
    for (const auto& [key, value] : options.values) {
        const std::size_t channel = state_->ChannelOf(key);
        const auto& c = d.channels[channel];
        const bool sent = std::any_of(d.examples.begin(), d.examples.end(),
                                      [&](const std::string& l) { return c.pattern->Find(l); });
        if (!sent) {
            throw std::invalid_argument("virtual line meter: no EXAMPLE line of " +
                                        options.description + " matches the channel \"" + c.name +
                                        "\"");
        }
        state_->values[channel] = value;
    }
    detail::LineInstrument::Behaviour behaviour;
    behaviour.answer = [s = state_.get()](const std::string& l) { return s->Reply(l); };
    if (d.request.empty()) {
        behaviour.stream = [s = state_.get()] { return s->Stream(); };
        behaviour.period = options.every;
    }
    state_->terminal = std::make_unique<detail::LineInstrument>(options.link, "virtual line meter",
                                                                std::move(behaviour));
}

VirtualLineMeter::~VirtualLineMeter() = default;

std::string VirtualLineMeter::Path() const {
    return state_->terminal->Path();
}

std::string VirtualLineMeter::DevicePath() const {
    return state_->terminal->DevicePath();
}

void VirtualLineMeter::SetValue(const std::string& channel, double value) {
    std::lock_guard lock(state_->mutex);
    state_->values[state_->ChannelOf(channel)] = value;
}

std::vector<std::string> VirtualLineMeter::Lines() const {
    std::lock_guard lock(state_->mutex);
    return state_->LinesNow();
}

void VirtualLineMeter::SetSilent(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->silent = on;
}

void VirtualLineMeter::Send(const std::string& bytes) {
    state_->terminal->Send(bytes);
}

void VirtualLineMeter::Vanish() {
    state_->terminal->Vanish();
}

void VirtualLineMeter::Return() {
    state_->terminal->Return();
}

}  // namespace vodex::sim
