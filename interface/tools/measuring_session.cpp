#include "vodex/tools/measuring_session.h"

#include "tlx/error.h"
#include "tlx/port_map.h"
#include "tlx/text.h"
#include "vodex/core/device_manager.h"
#include "vodex/core/sys_device.h"
#include "vodex/text/language.h"

namespace vodex {
namespace {

std::string Say(const char* german, const char* english) {
    return hLanguageText(german, english);
}

}  // namespace

std::string DriverNotInstalledText(const std::string& pClass) {
    return Say("Der Wandlertreiber '", "The driver '") + pClass +
           Say("' ist nicht installiert", "' is not installed");
}

std::string DriverBrokenText(const std::string& pClass, const std::string& pWhy) {
    return Say("Der Wandlertreiber '", "The driver '") + pClass +
           Say("' ist defekt", "' is broken") + (pWhy.empty() ? std::string() : ": " + pWhy);
}

MeasuringSession::MeasuringSession(std::string pClass, std::optional<std::int32_t> pPort)
    : class_(std::move(pClass)) {
    const auto entry = SysDevice();
    const auto tool = entry->DEVICE();
    manager_ = entry->DEVICEMAN();
    // The built-in driver stands in for a missing or broken one, once.
    auto standIn = [&](const std::string& why) {
        if (tlx::UCase(tlx::Trim(class_)) == tlx::UCase(tool->RANDOMIZERID())) return false;
        tool->SURECREATE(nullptr, nullptr);
        replaced_ = why + Say("; der eingebaute Zufallsgenerator hat an seiner Stelle gemessen",
                              "; the built-in random generator measured in its place");
        class_ = tool->RANDOMIZERID();
        return true;
    };
    auto broken = [&] { return DriverBrokenText(class_, tool->TakeLastError()); };
    // A driver that is not installed at all has nothing to repair.
    tool->TakeLastError();
    if (!tool->EXISTSALL(class_)) standIn(DriverNotInstalledText(class_));
    // The port: the one asked for, else the first port the driver describes.
    auto firstPort = [&]() -> std::optional<std::int32_t> {
        if (pPort) return pPort;
        const auto described = tool->INFO(class_);
        if (!described) return std::nullopt;  // broken beyond repair, and already said so
        std::int32_t first = 1;
        if (auto p = described->PORTS()->Item(1)) first = p->ID();
        if (described->PARENT()) described->DESTROY();  // a driver made only to describe it
        return first;
    };
    std::optional<std::int32_t> port = firstPort();
    if (!port && standIn(broken())) port = firstPort();
    if (!port) throw tlx::Error(broken());
    try {
        device_ = manager_->CREATE(class_, *port);
    } catch (const tlx::Error&) {
        if (!standIn(broken())) throw;
        port = firstPort();
        if (!port) throw;
        device_ = manager_->CREATE(class_, *port);
    }
    if (!device_) throw tlx::Error(Say("Es ist kein Gerät frei", "No device is free"));
    port_ = *port;
    if (device_->STATUS() == ID_DeviceStatus_Off || device_->STATUS() == ID_DeviceStatus_Error) {
        const std::string why =
            Say("Das Gerät ist an Anschluss ", "The device did not connect on port ") + Where() +
            Say(" nicht verbunden: ", ": ") + Trouble();
        Release();
        throw tlx::Error(why);
    }
}

MeasuringSession::~MeasuringSession() {
    Release();
}

void MeasuringSession::Release() noexcept {
    if (!device_) return;
    try {
        manager_->DEINIT(class_, port_);
        device_->DESTROY();
    } catch (...) {
    }
    device_.reset();
}

std::string MeasuringSession::Where() const {
    return tlx::PortDescription(port_);
}

std::string MeasuringSession::Trouble() const {
    return device_->DEBUGINFO().empty() ? device_->STATUSTEXT() : device_->DEBUGINFO();
}

void MeasuringSession::Choose(const std::vector<std::int32_t>& pIds) {
    const auto channels = device_->CHANNELS();
    std::vector<std::int32_t> ids;
    for (std::int32_t id : pIds) {
        if (!channels->EXISTS(id)) {
            throw tlx::Error(Say("Das Gerät hat keinen Kanal ", "The device has no channel ") +
                             std::to_string(id));
        }
        ids.push_back(id);
    }
    if (pIds.empty()) {
        for (std::int32_t i = 1; i <= channels->COUNT(); ++i)
            ids.push_back(channels->Item(i)->ID());
    }
    for (std::int32_t id : ids)
        channels->Item(id, false)->MEASURE(true);
    ids_ = std::move(ids);
    named_ = Named();  // as the headers of a table show them
}

std::vector<std::string> MeasuringSession::Named() const {
    std::vector<std::string> named;
    const auto channels = device_->CHANNELS();
    for (std::int32_t id : ids_) {
        const auto c = channels->Item(id, true);
        named.push_back(c ? c->NAME() + '\n' + c->SIZE() : std::string());
    }
    return named;
}

MeasuringSession::Cycle MeasuringSession::Measure() {
    if (!started_) started_.emplace();
    device_->EXECUTE();
    Cycle cycle;
    cycle.inError = device_->STATUS() == ID_DeviceStatus_Error;
    cycle.changed = cycle.inError != inError_;
    inError_ = cycle.inError;
    cycle.seconds = started_->SECONDSELAPSED();
    std::vector<std::string> named = Named();
    for (std::size_t i = 0; i < ids_.size() && i < named_.size(); ++i) {
        if (named[i] != named_[i]) cycle.renamed.push_back(ids_[i]);
    }
    named_ = std::move(named);
    return cycle;
}

}  // namespace vodex
