#include "session.h"

#include <cstdio>

#include "vodex/core/device_dialog.h"
#include "vodex/core/device_manager.h"
#include "vodex/core/device_tool.h"

namespace vodex::example {
namespace {

// The channel with the identifier `id`; the first channel when there is none such.
std::shared_ptr<cls_DeviceChannel> ChannelOf(int_Device& device, std::int32_t id) {
    const auto channels = device.CHANNELS();
    for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
        if (channels->Item(i)->ID() == id) return channels->Item(i);
    }
    return channels->COUNT() > 0 ? channels->Item(1) : nullptr;
}

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", v);
    return text;
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
    if (!confirmed) return false;
    Disconnect();
    class_ = chosen;
    port_ = port;
    channel_ = channel;
    return true;
}

void MeasureSession::Use(std::string driverClass, std::int32_t port, std::int32_t channel) {
    Disconnect();
    class_ = std::move(driverClass);
    port_ = port;
    channel_ = channel;
}

bool MeasureSession::Connect() {
    if (class_.empty()) return false;
    Disconnect();
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
    for (std::int32_t i = 1; i <= device->CHANNELS()->COUNT(); ++i)
        device->CHANNELS()->Item(i)->MEASURE(true);
    device_ = device;
    curve_.clear();
    return true;
}

void MeasureSession::Disconnect() {
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
    const auto channel = ChannelOf(*device_, channel_);
    if (channel && channel->MEASURED()) {
        curve_.emplace_back(seconds, channel->VALUE());
        if (curve_.size() > kKept) curve_.pop_front();
    }
}

bool MeasureSession::CommunicationSettings() {
    if (device_) return device_->DIALOG()->SETTINGSCOM();
    if (class_.empty()) return false;
    const auto described = entry_->DEVICE()->INFO(class_);
    return described && described->DIALOG()->SETTINGSCOM();
}

std::string MeasureSession::DeviceName() const {
    return device_ ? device_->INFO()->NAME() : std::string();
}

std::string MeasureSession::ChannelName() const {
    if (!device_) return {};
    const auto channel = ChannelOf(*device_, channel_);
    return channel ? channel->NAME() : std::string();
}

std::string MeasureSession::StatusText() const {
    return device_ ? device_->STATUSTEXT() : std::string();
}

std::vector<MeasureSession::Row> MeasureSession::Rows() const {
    std::vector<Row> rows;
    if (!device_) return rows;
    const auto channels = device_->CHANNELS();
    for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
        const auto c = channels->Item(i);
        const std::string unit = c->SIZE().empty() ? "" : " " + c->SIZE();
        rows.push_back(
            {c->NAME(), c->MEASURED() ? Number(c->VALUE()) + unit : c->STATUSTEXTSHORT()});
    }
    return rows;
}

}  // namespace vodex::example
