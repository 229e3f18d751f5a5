#include "session.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>
#include <string_view>

#include "tlx/convert.h"
#include "vodex/core/detail/release_device.h"
#include "vodex/core/device_dialog.h"
#include "vodex/core/device_manager.h"
#include "vodex/core/device_tool.h"
#include "vodex/text/language.h"

namespace vodex::example {
namespace {

// A CSV field: quoted when it holds a separator, a quote or a line break.
std::string Field(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

}  // namespace

MeasureSession::MeasureSession() : entry_(std::make_shared<sys_Device>()) {}

MeasureSession::~MeasureSession() {
    Disconnect();
}

bool MeasureSession::Choose() {
    const auto registry = entry_->DEVICE();
    const std::string chosen = registry->USERSELECT();
    if (chosen.empty()) return false;
    const auto described = registry->INFO(chosen);
    if (!described) return false;
    std::int32_t port = 0;
    std::int32_t channel = 0;
    const bool confirmed = registry->SETTINGS(described, port, channel);
    detail::ReleaseDevice(described);  // a driver made to describe itself goes again
    if (!confirmed) return false;
    Use(chosen, port, channel);
    return true;
}

void MeasureSession::Use(std::string driverClass, std::int32_t port, std::int32_t channel) {
    Disconnect();
    class_ = std::move(driverClass);
    port_ = port;
    channel_ = channel;
    chosenName_ = class_;
    try {
        const auto described = entry_->DEVICE()->INFO(class_);
        if (described && !described->INFO()->NAME().empty())
            chosenName_ = described->INFO()->NAME();
        detail::ReleaseDevice(described);
    } catch (...) {
    }
}

bool MeasureSession::Connect() {
    if (class_.empty()) return false;
    Disconnect();
    readings_.clear();  // a curve of an earlier connection is no reading of this one
    std::shared_ptr<int_Device> device;
    try {
        device = entry_->DEVICEMAN()->CREATE(class_, port_);
    } catch (...) {
        device = nullptr;
    }
    if (!device) return false;
    const std::int32_t status = device->STATUS();
    if (status == ID_DeviceStatus_Off || status == ID_DeviceStatus_Error) {
        device->DIALOG()->CONNECTION();
        Release(device);
        return false;
    }
    const auto channels = device->CHANNELS();
    shown_ = 0;
    for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
        channels->Item(i)->MEASURE(true);
        if (channels->Item(i)->ID() == channel_) shown_ = static_cast<std::size_t>(i - 1);
    }
    readings_.assign(static_cast<std::size_t>(std::max(0, channels->COUNT())), {});
    device_ = device;
    return true;
}

void MeasureSession::Disconnect() {
    scanTrouble_.clear();
    if (!device_) return;
    Release(device_);
    device_.reset();
}

void MeasureSession::Release(const std::shared_ptr<int_Device>& device) {
    // The manager disconnects the device once nobody uses it any more; then its driver is
    // let go as well.
    try {
        const auto manager = entry_->DEVICEMAN();
        manager->DEINIT(class_, port_);
        if (!manager->ONLINE(class_, port_)) device->DESTROY();
    } catch (...) {
    }
}

void MeasureSession::Cycle(double seconds) {
    if (!device_) return;
    device_->EXECUTE();
    const bool ready = device_->STATUS() == ID_DeviceStatus_Ready;
    const auto channels = device_->CHANNELS();
    const auto count = static_cast<std::size_t>(std::max(0, channels->COUNT()));
    if (readings_.size() < count) readings_.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const auto c = channels->Item(static_cast<std::int32_t>(i + 1));
        const bool measured = ready && c->MEASURED();
        auto& kept = readings_[i];
        kept.push_back({seconds, measured ? c->VALUE() : std::numeric_limits<double>::quiet_NaN(),
                        ready ? c->STATUSTEXT() : device_->STATUSTEXT(), c->NAME(), c->SIZE()});
        if (kept.size() > kKept) kept.pop_front();
    }
}

bool MeasureSession::CommunicationSettings() {
    if (device_) return device_->DIALOG()->SETTINGSCOM();
    if (class_.empty()) return false;
    // The driver's own device: a description carries no serial settings of its driver.
    std::shared_ptr<int_Device> device;
    try {
        device = entry_->DEVICE()->CREATE(class_);
    } catch (...) {
        device = nullptr;
    }
    if (!device) return false;
    const bool confirmed = device->DIALOG()->SETTINGSCOM();
    detail::ReleaseDevice(device);
    return confirmed;
}

std::string MeasureSession::DeviceName() const {
    return device_ ? device_->INFO()->NAME() : std::string();
}

std::string MeasureSession::StatusText() const {
    if (!device_) return {};
    const std::string text = device_->STATUSTEXT();
    const std::string why = device_->DEBUGINFO();
    if (InError() && !why.empty()) return text + " " + why;
    // A scan that did not end well says why while the device is well otherwise.
    return !scanTrouble_.empty() ? text + " - " + scanTrouble_ : text;
}

bool MeasureSession::InError() const {
    return device_ && device_->STATUS() == ID_DeviceStatus_Error;
}

std::vector<MeasureSession::Row> MeasureSession::Rows() const {
    std::vector<Row> rows;
    if (!device_) return rows;
    const auto channels = device_->CHANNELS();
    for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
        const auto c = channels->Item(i);
        const std::string unit = c->SIZE().empty() ? "" : " " + c->SIZE();
        const bool measured = c->MEASURED() && !InError();
        rows.push_back(
            {c->NAME(), measured ? tlx::ReadingText(c->VALUE()) + unit : c->STATUSTEXTSHORT()});
    }
    return rows;
}

void MeasureSession::Show(std::size_t row) {
    if (row < readings_.size()) shown_ = row;
}

std::string MeasureSession::ShownName() const {
    if (!device_ || shown_ >= readings_.size()) return {};
    return device_->CHANNELS()->Item(static_cast<std::int32_t>(shown_ + 1))->NAME();
}

std::string MeasureSession::ShownUnit() const {
    if (!device_ || shown_ >= readings_.size()) return {};
    return device_->CHANNELS()->Item(static_cast<std::int32_t>(shown_ + 1))->SIZE();
}

const std::deque<MeasureSession::Reading>& MeasureSession::Readings() const {
    static const std::deque<Reading> none;
    return shown_ < readings_.size() ? readings_[shown_] : none;
}

bool MeasureSession::CanScan() const {
    return device_ && device_->INFO()->MANUALSCAN();
}

double MeasureSession::WaveStart() const {
    return device_ ? device_->INFO()->WAVESTART() : 0;
}

double MeasureSession::WaveEnd() const {
    return device_ ? device_->INFO()->WAVEEND() : 0;
}

double MeasureSession::WaveInterval() const {
    return device_ && device_->INFO()->WAVEINTERVAL() > 0 ? device_->INFO()->WAVEINTERVAL() : 1;
}

bool MeasureSession::Scan(double from, double to, double step) {
    if (!CanScan()) return false;
    tlx::VariantArray parameters(1, {tlx::Variant(from), tlx::Variant(to), tlx::Variant(step)});
    const bool complete = device_->ACTIVATE("SCAN", ID_DeviceAct_On, parameters);
    scanTrouble_ = complete ? std::string() : device_->DEBUGINFO();
    TakeSpectrum();
    return complete;
}

void MeasureSession::TakeSpectrum() {
    spectrum_.clear();
    if (!device_) return;
    const auto field = device_->DATAFIELD();
    for (std::int32_t i = 1; i <= field->COUNT(); ++i)
        spectrum_.emplace_back(field->x(i), field->Y(i));
}

bool MeasureSession::SaveSpectrumCsv(const std::string& file, std::string& why) const {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (out) {
        out << Field(hLanguageText("Wellenlänge (nm)", "Wavelength (nm)")) << ','
            << Field(hLanguageText("Extinktion", "Absorbance")) << "\r\n";
        for (const auto& [x, y] : spectrum_)
            out << tlx::ReadingText(x) << ',' << tlx::ReadingText(y) << "\r\n";
        out.flush();
    }
    if (out) return true;
    why = std::strerror(errno);
    return false;
}

std::size_t MeasureSession::PresentFrom() const {
    const auto& readings = Readings();
    std::size_t from = readings.size();
    while (from > 0 && readings[from - 1].name == readings.back().name &&
           readings[from - 1].unit == readings.back().unit) {
        --from;
    }
    return from;
}

bool MeasureSession::SaveCsv(const std::string& file, std::string& why) const {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    if (out) {
        out << Field(hLanguageText("Zeit (s)", "Time (s)")) << ',' << hLanguageText("Wert", "Value")
            << ',' << hLanguageText("Einheit", "Unit") << ',' << "Status\r\n";
        for (const Reading& r : Readings()) {
            char seconds[32];
            const auto end = std::to_chars(seconds, seconds + sizeof seconds, r.seconds,
                                           std::chars_format::fixed, 3);
            out << std::string_view(seconds, static_cast<std::size_t>(end.ptr - seconds)) << ','
                << tlx::ReadingText(r.value) << ',' << Field(r.unit) << ',' << Field(r.status)
                << "\r\n";
        }
        out.flush();
    }
    if (out) return true;
    why = std::strerror(errno);
    return false;
}

}  // namespace vodex::example
