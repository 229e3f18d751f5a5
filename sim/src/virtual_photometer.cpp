#include "vodex/sim/virtual_photometer.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>

#include "line_instrument.h"
#include "photometer_protocol.h"

namespace vodex::sim {
namespace {

using Clock = std::chrono::steady_clock;

// `value` with `decimals` decimals; with -1, in the shortest form that reads back as it.
std::string Format(double value, int decimals) {
    char text[64];
    if (decimals < 0) {
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        return std::string(text, static_cast<std::size_t>(end - text));
    }
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

}  // namespace

struct VirtualPhotometer::State {
    Options options;
    mutable std::mutex mutex;  // everything below; the photometer's thread answers under it
    double wave = 546;
    bool silent = false;
    Clock::time_point switchedOn = Clock::now();
    std::mt19937 random{20261209};
    // The scan under way: its wavelengths, how many are sent, and when it started.
    std::vector<double> scan;
    std::size_t sent = 0;
    Clock::time_point scanStart;

    double Clean(double nm) const {
        double a = 0;
        for (const Band& b : options.bands) {
            const double d = (nm - b.centre) / b.width;
            a += b.peak * std::exp(-4 * std::log(2.0) * d * d);
        }
        return a;
    }
    double Measured(double nm) {
        std::normal_distribution<double> noise(0.0, options.noise);
        return Clean(nm) + (options.noise > 0 ? noise(random) : 0.0);
    }
    double WarmingLeft() const {
        const double on = std::chrono::duration<double>(Clock::now() - switchedOn).count();
        return options.warmup - on;
    }

    std::string Reply(const std::string& line) {
        std::lock_guard lock(mutex);
        if (silent) return "";
        return Answer(line) + "\r\n";
    }

    std::string Answer(const std::string& line) {
        if (line == "ID?") return options.identity;
        if (line == "WL?") return "WL " + Format(wave, 0);
        if (line == "STOP") {
            if (scan.empty()) return "OK";
            scan.clear();
            return "END ABORTED";
        }
        if (!scan.empty()) return "ERR 4 scan under way";
        if (line.starts_with("WL ")) {
            double nm = 0;
            if (std::sscanf(line.c_str() + 3, "%lf", &nm) != 1 ||
                !(nm >= photometer::kLowestWave && nm <= photometer::kHighestWave)) {
                return "ERR 2 wavelength out of range";
            }
            wave = std::round(nm);
            return "OK";
        }
        const bool measuring = line == "ABS?" || line == "TRA?" || line == "BLANK" ||
                               line == "DARK" || line.starts_with("SCAN ");
        if (measuring && WarmingLeft() > 0) {
            return "ERR 5 lamp warming up " + Format(std::ceil(WarmingLeft()), 0) + " s";
        }
        if (line == "ABS?") {
            const double a = Measured(wave);
            return a > photometer::kHighestAbsorbance ? "ABS OVER" : "ABS " + Format(a, 4);
        }
        if (line == "TRA?") return "TRA " + Format(100 * std::pow(10, -Measured(wave)), 2);
        if (line == "BLANK" || line == "DARK") return "OK";
        if (line.starts_with("SCAN ")) {
            double from = 0, to = 0, step = 0;
            if (std::sscanf(line.c_str() + 5, "%lf %lf %lf", &from, &to, &step) != 3) {
                return "ERR 3 no such scan";
            }
            const std::int32_t points = photometer::ScanPoints(from, to, step);
            if (points == 0) return "ERR 3 no such scan";
            for (std::int32_t i = 0; i < points; ++i)
                scan.push_back(from + i * step);
            sent = 0;
            scanStart = Clock::now();
            return "SCAN " + std::to_string(points);
        }
        return "ERR 1 unknown command";
    }

    // The scan's lines that are due: its points at the photometer's pace, up to 20 on a line.
    std::string Stream() {
        std::lock_guard lock(mutex);
        if (scan.empty() || silent) return "";
        const double since = std::chrono::duration<double>(Clock::now() - scanStart).count();
        const auto due =
            std::min(scan.size(), static_cast<std::size_t>(since / options.pointSeconds));
        std::string bytes;
        while (sent < due) {
            std::string line = "D ";
            for (std::size_t n = 0; n < photometer::kMostChunkPoints && sent < due; ++n, ++sent) {
                const double a = std::min(Measured(scan[sent]), photometer::kHighestAbsorbance);
                line += (n ? "," : "") + Format(scan[sent], -1) + ":" + Format(a, 4);
            }
            bytes += line + "\r\n";
        }
        if (sent == scan.size()) {
            bytes += "END\r\n";
            scan.clear();
        }
        return bytes;
    }

    std::unique_ptr<detail::LineInstrument> terminal;  // last: it ends before the state goes
};

VirtualPhotometer::VirtualPhotometer(Options options) : state_(std::make_unique<State>()) {
    if (!(options.pointSeconds > 0) || options.noise < 0) {
        throw std::invalid_argument("virtual photometer: a scan's pace and the noise are positive");
    }
    state_->options = std::move(options);
    detail::LineInstrument::Behaviour behaviour;
    behaviour.answer = [s = state_.get()](const std::string& l) { return s->Reply(l); };
    behaviour.stream = [s = state_.get()] { return s->Stream(); };
    behaviour.period = std::chrono::milliseconds(20);
    state_->terminal = std::make_unique<detail::LineInstrument>(
        state_->options.link, "virtual photometer", std::move(behaviour));
}

VirtualPhotometer::~VirtualPhotometer() = default;

std::string VirtualPhotometer::Path() const {
    return state_->terminal->Path();
}

std::string VirtualPhotometer::DevicePath() const {
    return state_->terminal->DevicePath();
}

double VirtualPhotometer::Absorbance(double nm) const {
    std::lock_guard lock(state_->mutex);
    return state_->Clean(nm);
}

double VirtualPhotometer::Wave() const {
    std::lock_guard lock(state_->mutex);
    return state_->wave;
}

void VirtualPhotometer::SetSilent(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->silent = on;
}

void VirtualPhotometer::Send(const std::string& bytes) {
    state_->terminal->Send(bytes);
}

void VirtualPhotometer::Vanish() {
    state_->terminal->Vanish();
}

void VirtualPhotometer::Return() {
    state_->terminal->Return();
    std::lock_guard lock(state_->mutex);
    state_->switchedOn = Clock::now();  // switched on anew: the lamp warms up again
    state_->scan.clear();
}

std::vector<std::string> VirtualPhotometer::Commands() const {
    return state_->terminal->Commands();
}

VirtualPhotometer::Band ParseBand(const std::string& text) {
    VirtualPhotometer::Band band;
    char rest = 0;
    if (std::sscanf(text.c_str(), "%lf:%lf:%lf%c", &band.centre, &band.peak, &band.width, &rest) !=
            3 ||
        !(band.centre >= photometer::kLowestWave && band.centre <= photometer::kHighestWave) ||
        !(band.peak >= 0 && band.peak <= 10) || !(band.width > 0 && band.width <= 1000)) {
        throw std::invalid_argument(
            "a band is centre:absorbance:width, as 510:0.8:30 (centre "
            "340 to 1000 nm, absorbance 0 to 10, width above 0)");
    }
    return band;
}

}  // namespace vodex::sim
