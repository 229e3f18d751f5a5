#include "scpi.h"

#include "tlx/error.h"
#include "tlx/port_map.h"
#include "tlx/text.h"
#include "vodex/drivers/serial_exchange.h"
#include "vodex/interface_ids.h"
#include "vodex/port/port_search.h"
#include "vodex/text/language.h"

namespace vodex::scpi {
namespace {

constexpr const char* kDescription =
    "Tisch- und Logging-Multimeter mit SCPI-Befehlen an einer seriellen Schnittstelle";

bool Is(std::string_view name, std::string_view member) {
    return tlx::EqualsNoCase(name, member);
}

std::string Described(const Identity& id) {
    return id.maker + " " + id.model +
           hLanguageText(" (Seriennummer " + id.serial + ", Firmware " + id.firmware + ")",
                         " (serial number " + id.serial + ", firmware " + id.firmware + ")");
}

}  // namespace

void cls_Scpi::Describe() {
    DescribeAs({.category = ID_DevCat_Multimeter,
                .name = "SCPI-Multimeter",
                .description = kDescription,
                .identifier = "SCPI",
                .image = ProductPicture(),
                .icon = IconPicture()});
    // The user's settings for meters of this kind are taken, when stored.
    drivers::OfferLine(
        *device_,
        {.bauds = {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200},
         .parities = {ID_DeviceComParity_None, ID_DeviceComParity_Odd, ID_DeviceComParity_Even},
         .dataBits = {ID_DeviceComData_8, ID_DeviceComData_7},
         .stopBits = {ID_DeviceComStop_1_0, ID_DeviceComStop_2_0}},
        true);

    std::int32_t id = 1;
    for (const FunctionInfo& f : Functions())
        device_->CHANNELS()->CREATE(id++, f.name, f.unit, 1.0, 0.0);
    device_->PORTS()->COMPORTS();
}

std::string cls_Scpi::Ask(const std::string& command) {
    return drivers::AskLine(port_, command + "\n", "\n", timeout_, portFailure_);
}

bool cls_Scpi::Tell(const std::string& command) {
    return port_.OUT(command + "\n", false, timeout_, false);
}

bool cls_Scpi::Reach(std::int32_t port) {
    connected_ = false;
    identity_.reset();
    if (port_.CONNECT(port, drivers::SettingsText(*device_->SETTINGSCOM()))) {
        identity_ = ParseIdentity(Ask("*IDN?"));
    }
    if (identity_ && Tell("*RST") && Tell("*CLS")) {
        connected_ = true;
        device_->INFO()->DESCRIPTION(std::string(kDescription) + ": " + Described(*identity_));
        device_->DEBUGINFO(Described(*identity_));
        return true;
    }
    identity_.reset();
    const std::string& why = port_.LastError().empty() ? portFailure_ : port_.LastError();
    const std::string where = tlx::PortDescription(port);
    device_->DEBUGINFO(!why.empty() ? why
                                    : hLanguageText("An der seriellen Schnittstelle " + where +
                                                        " antwortet kein SCPI-Multimeter",
                                                    "no SCPI multimeter answers on the serial "
                                                    "port " +
                                                        where));
    port_.DISCONNECT();
    return false;
}

std::optional<std::string> cls_Scpi::MeterError() {
    const auto entry = ParseQueueEntry(Ask("SYST:ERR?"));
    if (!entry || entry->code == 0) return std::nullopt;
    const std::string where = tlx::PortDescription(device_->PORT());
    return hLanguageText("Das Multimeter an der seriellen Schnittstelle " + where +
                             " meldet den Fehler " + std::to_string(entry->code) + " (" +
                             entry->text + ")",
                         "the multimeter on the serial port " + where + " reports the error " +
                             std::to_string(entry->code) + " (" + entry->text + ")");
}

cls_Scpi::Outcome cls_Scpi::Measure(std::int32_t id, const FunctionInfo& function) {
    const auto channel = device_->CHANNELS()->Item(id, true);
    if (!channel || !channel->MEASURE()) return Outcome::Measured;
    channel->MEASURED(false);
    const Reading reading = ParseReading(Ask(std::string("MEAS:") + function.keyword + "? AUTO"));
    switch (reading.kind) {
        case Reading::Kind::Value:
            channel->VALUE(reading.value);
            channel->STATUS(ID_ChannelStatus_Ready);
            channel->MEASURED(true);
            return Outcome::Measured;
        case Reading::Kind::Overload:
            channel->VALUE(0);  // beyond the range: no value
            channel->STATUS(ID_ChannelStatus_ErrOverflow);
            return Outcome::Measured;
        case Reading::Kind::Invalid:
            break;
    }
    channel->STATUS(ID_ChannelStatus_ErrUnknown);
    // The meter's own word on what went wrong (a function it does not have, say): this
    // channel's error, the others go on.
    if (portFailure_.empty()) {
        if (auto said = MeterError()) {
            meterError_ = std::move(*said);
            return Outcome::MeterRefused;
        }
    }
    const std::string where = tlx::PortDescription(device_->PORT());
    device_->STATUS(ID_DeviceStatus_Error);
    device_->DEBUGINFO(!portFailure_.empty()
                           ? portFailure_
                           : hLanguageText("Das Multimeter an der seriellen Schnittstelle " +
                                               where + " antwortet nicht oder unverständlich",
                                           "the multimeter on the serial port " + where +
                                               " gives no answer, or one that makes no sense"));
    if (!portFailure_.empty()) {
        // The port failed or its device has gone: reached again from the next cycle.
        port_.DISCONNECT();
        connected_ = false;
    }
    return Outcome::DeviceFailed;
}

void cls_Scpi::DeviceExecute() {
    if (!device_) return;
    // Nothing of an earlier cycle counts as measured in this one, whatever stops it.
    for (std::int32_t id = 1; id <= device_->CHANNELS()->COUNT(); ++id) {
        const auto channel = device_->CHANNELS()->Item(id, true);
        if (channel && channel->MEASURE()) channel->MEASURED(false);
    }
    // A meter that went away is looked for again each cycle, so measuring goes on by itself
    // once it is back.
    if (!connected_ && (device_->STATUS() != ID_DeviceStatus_Error || !Reach(device_->PORT()))) {
        for (std::int32_t id = 1; id <= device_->CHANNELS()->COUNT(); ++id) {
            const auto channel = device_->CHANNELS()->Item(id, true);
            if (channel && channel->MEASURE()) channel->STATUS(ID_ChannelStatus_ErrUnknown);
        }
        return;
    }
    meterError_.clear();
    std::int32_t id = 1;
    for (const FunctionInfo& f : Functions()) {
        if (Measure(id++, f) == Outcome::DeviceFailed) return;
    }
    device_->DEBUGINFO(!meterError_.empty() ? meterError_ : identity_ ? Described(*identity_) : "");
    device_->STATUS(ID_DeviceStatus_Ready);  // the meter answers (again)
}

std::optional<std::int32_t> cls_Scpi::Search() {
    PortSearch search;
    search.ports = drivers::AvailablePorts(*device_);
    search.settings = drivers::SettingsText(*device_->SETTINGSCOM());
    search.request = "*IDN?\n";
    search.terminator = "\n";
    search.timeout = timeout_;
    search.accept = [](const std::string& answer) { return ParseIdentity(answer).has_value(); };
    return FirstAnsweringPort(search);
}

bool cls_Scpi::StillThere() {
    return ParseIdentity(Ask("*IDN?")).has_value();
}

tlx::Variant cls_Scpi::GetProperty(std::string_view name) {
    if (Is(name, "IDENTITY")) {
        return tlx::Variant(identity_ ? identity_->maker + "," + identity_->model + "," +
                                            identity_->serial + "," + identity_->firmware
                                      : std::string());
    }
    return SerialDriver::GetProperty(name);
}

}  // namespace vodex::scpi
