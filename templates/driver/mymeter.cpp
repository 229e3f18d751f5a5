#include "mymeter.h"

#include <exception>

#include "protocol.h"
#include "tlx/error.h"
#include "tlx/port_map.h"
#include "tlx/text.h"
#include "vodex/interface_ids.h"
#include "vodex/port/port_search.h"

namespace mymeter {

using namespace vodex;

namespace {

// CHANGE: the serial settings of your instrument, "baud,parity,data bits,stop bits".
constexpr const char* kSettings = "9600,N,8,1";
// CHANGE: the seconds an answer may take.
constexpr double kTimeout = 1.0;

}  // namespace

std::shared_ptr<cls_MyMeter> cls_MyMeter::Create() {
    std::shared_ptr<cls_MyMeter> driver(new cls_MyMeter());
    driver->device_ = std::make_shared<int_Device>();
    driver->Describe();
    // The device raises its events in this driver, and keeps the driver alive through PARENT
    // until the device's DESTROY.
    if (!driver->device_->WithEvents(driver)) {
        throw tlx::Error("the device is handled by another driver");
    }
    driver->device_->PARENT(driver);
    return driver;
}

std::span<const std::string_view> cls_MyMeter::INTERFACEIDS() const {
    return iid::tmp_Device;
}

void cls_MyMeter::Describe() {
    const std::shared_ptr<cls_DeviceInfo> info = device_->INFO();
    // CHANGE: what the instrument is. The toolkit's drivers give these texts in German.
    info->CATEGORY(ID_DevCat_Other);  // a pH meter: ID_DevCat_ChemicalMultimeterDisplay
    info->NAME("Mein Messgerät");
    info->MANUFACTURER("Mein Hersteller");
    info->DESCRIPTION("Vorlage eines Treibers für ein Messgerät an einer seriellen Schnittstelle");
    info->IDENTIFIER("MYMETER");  // the device type; default settings are kept under it
    // What the driver can do: it looks for its instrument on the serial ports (DeviceAutosense,
    // DeviceAutoPort). CHANGE: AUTOSENSESURE(true) once the identity answer names your
    // instrument beyond doubt; the template's answer is the virtual balance's.
    info->AUTOSENSE(true);
    info->AUTOSENSESURE(false);
    info->AUTOPORT(true);

    // CHANGE: the channels: key, name, unit (a pH meter: CREATE(1, "pH", "pH")).
    device_->CHANNELS()->CREATE(1, "Messwert", "g");
    // The machine's serial ports, each marked present or missing.
    device_->PORTS()->COMPORTS();
}

std::string cls_MyMeter::Ask(std::string_view command) {
    portFailure_.clear();
    try {
        port_.CLEAR();  // an answer that came too late belongs to no request
        std::string answer;
        // The answer shows that the request has left, so the sending is not waited for.
        if (port_.OUT(std::string(command) + std::string(kLineEnd), false, kTimeout, false)) {
            answer = port_.INPUTTILL(std::string(kLineEnd), kTimeout);
        }
        portFailure_ = port_.LastError();
        return answer;
    } catch (const std::exception& e) {
        portFailure_ = e.what();  // the port is closed, or its device has gone
        return {};
    }
}

bool cls_MyMeter::Reach(std::int32_t port) {
    connected_ = port_.CONNECT(port, kSettings) && ParseIdentity(Ask(kIdentify)).has_value();
    if (connected_) {
        device_->DEBUGINFO("");
        return true;
    }
    // Why, for the user: the port's own reason, or an instrument that does not answer.
    const std::string why = !port_.LastError().empty() ? port_.LastError() : portFailure_;
    device_->DEBUGINFO(!why.empty() ? why
                                    : "no instrument answers on the serial port " +
                                          tlx::PortDescription(port));
    port_.DISCONNECT();
    return false;
}

void cls_MyMeter::DeviceConnect(bool& rSuccess, std::int32_t pPort) {
    device_->STATUS(ID_DeviceStatus_Init);
    device_->CHANNELS()->RESET();
    rSuccess = Reach(pPort);
    device_->STATUS(rSuccess ? ID_DeviceStatus_Ready : ID_DeviceStatus_Error);
}

void cls_MyMeter::DeviceDisconnect(bool& rSuccess) {
    port_.DISCONNECT();
    connected_ = false;
    rSuccess = true;
    device_->STATUS(ID_DeviceStatus_Off);
}

void cls_MyMeter::DeviceExecute() {
    // CHANGE: with more channels, measure each one the client asked for (MEASURE).
    const auto channel = device_->CHANNELS()->Item(1, true);
    if (!channel->MEASURE()) return;
    channel->MEASURED(false);
    // Never connected: nothing to measure. Lost while measuring (the device is in error): its
    // port is opened anew, so measuring goes on by itself once the instrument is back.
    if (!connected_ && (device_->STATUS() != ID_DeviceStatus_Error || !Reach(device_->PORT()))) {
        channel->STATUS(ID_ChannelStatus_ErrUnknown);
        return;
    }
    const Reading reading = ParseReading(Ask(kMeasure));
    switch (reading.kind) {
        case Reading::Kind::Value:
            channel->VALUE(reading.value);
            channel->STATUS(ID_ChannelStatus_Ready);
            channel->MEASURED(true);
            break;
        case Reading::Kind::Settling:
            channel->VALUE(reading.value);  // shown while it settles, not measured yet
            channel->STATUS(ID_ChannelStatus_Busy);
            break;
        case Reading::Kind::Busy:
            channel->STATUS(ID_ChannelStatus_Busy);
            break;
        case Reading::Kind::Over:
            channel->STATUS(ID_ChannelStatus_ErrOverflow);
            break;
        case Reading::Kind::Under:
            channel->STATUS(ID_ChannelStatus_ErrUnderrun);
            break;
        case Reading::Kind::Invalid:
            channel->STATUS(ID_ChannelStatus_ErrUnknown);
            device_->STATUS(ID_DeviceStatus_Error);
            if (!portFailure_.empty()) {
                // The port failed or its device has gone: reached again from the next cycle.
                device_->DEBUGINFO(portFailure_);
                port_.DISCONNECT();
                connected_ = false;
            } else {
                device_->DEBUGINFO("the instrument on the serial port " +
                                   tlx::PortDescription(device_->PORT()) +
                                   " gives no answer, or one that makes no sense");
            }
            return;
    }
    device_->DEBUGINFO("");
    device_->STATUS(ID_DeviceStatus_Ready);  // the instrument answers (again)
}

void cls_MyMeter::DeviceAutosense(bool& rDone, bool& rSuccess, std::int32_t& rPort) {
    rDone = true;
    // Only the available ports of the device's own list, in its order: detection takes the
    // ports where it found an instrument already out of that list.
    PortSearch search;
    const auto ports = device_->PORTS();
    for (std::int32_t i = 1; i <= ports->COUNT(); ++i) {
        const auto entry = ports->Item(i, true);
        if (entry && entry->AVAILABLE()) search.ports.push_back(entry->ID());
    }
    search.settings = kSettings;
    search.request = std::string(kIdentify) + std::string(kLineEnd);
    search.terminator = std::string(kLineEnd);
    search.timeout = kTimeout;
    search.accept = [](const std::string& answer) { return ParseIdentity(answer).has_value(); };
    if (const auto found = FirstAnsweringPort(search)) {
        rSuccess = true;
        rPort = *found;
    }
}

void cls_MyMeter::DeviceAutoPort(bool& rDone, bool& rSuccess, std::int32_t& rPort) {
    DeviceAutosense(rDone, rSuccess, rPort);
}

void cls_MyMeter::DeviceDestroy() {
    port_.DISCONNECT();
    connected_ = false;
}

tlx::Variant cls_MyMeter::GetProperty(std::string_view name) {
    if (tlx::EqualsNoCase(name, "DEVICE")) return tlx::Variant(device_);
    return Dispatch::GetProperty(name);
}

}  // namespace mymeter
