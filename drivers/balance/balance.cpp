#include "balance.h"

#include "protocol.h"
#include "tlx/error.h"
#include "tlx/port_map.h"
#include "tlx/text.h"
#include "vodex/drivers/serial_exchange.h"
#include "vodex/interface_ids.h"
#include "vodex/port/port_search.h"
#include "vodex/text/language.h"

namespace vodex::balance {

void cls_Balance::Describe() {
    DescribeAs({.category = ID_DevCat_Balance,
                .name = "Laborwaage",
                .description = "Laborwaagen mit dem Standard-Befehlssatz für Waagen (Stufe 0 und "
                               "1) an einer seriellen Schnittstelle",
                .identifier = "WAAGE",
                .image = ProductPicture(),
                .icon = IconPicture(),
                .setZero = true});
    // The user's settings for balances of this kind are taken, when stored.
    drivers::OfferLine(
        *device_,
        {.bauds = {1200, 2400, 4800, 9600, 19200},
         .parities = {ID_DeviceComParity_None, ID_DeviceComParity_Odd, ID_DeviceComParity_Even},
         .dataBits = {ID_DeviceComData_8, ID_DeviceComData_7},
         .stopBits = {ID_DeviceComStop_1_0, ID_DeviceComStop_2_0}},
        true);

    device_->CHANNELS()->CREATE(1, "Masse", "g", 1.0, 0.0);
    device_->PORTS()->COMPORTS();
}

std::string cls_Balance::SettingsText() const {
    return drivers::SettingsText(*device_->SETTINGSCOM());
}

std::string cls_Balance::Ask(cls_VQPort& port, const std::string& command) {
    return drivers::AskLine(port, command + "\r\n", "\r\n", timeout_, portFailure_);
}

bool cls_Balance::Reach(std::int32_t port) {
    connected_ = false;
    if (port_.CONNECT(port, SettingsText()) && ParseIdentity(Ask(port_, "I4"))) {
        connected_ = true;
        device_->DEBUGINFO("");
        return true;
    }
    // Why, for the user: the port's own reason, or a balance that does not answer.
    const std::string& why = port_.LastError().empty() ? portFailure_ : port_.LastError();
    const std::string where = tlx::PortDescription(port);
    device_->DEBUGINFO(
        !why.empty()
            ? why
            : hLanguageText("An der seriellen Schnittstelle " + where + " antwortet keine Waage",
                            "no balance answers on the serial port " + where));
    port_.DISCONNECT();
    return false;
}

void cls_Balance::DeviceExecute() {
    if (!device_) return;
    const auto channel = device_->CHANNELS()->Item(1, true);
    if (!channel || !channel->MEASURE()) return;
    channel->MEASURED(false);
    // A balance that went away (its adapter pulled, say) is looked for again each cycle, so
    // measuring goes on by itself once it is back.
    if (!connected_ && (device_->STATUS() != ID_DeviceStatus_Error || !Reach(device_->PORT()))) {
        channel->STATUS(ID_ChannelStatus_ErrUnknown);
        return;
    }
    const Weight weight = ParseWeight(Ask(port_, "SI"));
    switch (weight.reading) {
        case Reading::Stable:
            channel->VALUE(weight.grams);
            channel->STATUS(ID_ChannelStatus_Ready);
            channel->MEASURED(true);
            break;
        case Reading::Dynamic:
            channel->VALUE(weight.grams);  // shown while it settles, not measured yet
            channel->STATUS(ID_ChannelStatus_Busy);
            break;
        case Reading::NotNow:
            channel->STATUS(ID_ChannelStatus_Busy);
            break;
        case Reading::Overload:
            channel->STATUS(ID_ChannelStatus_ErrOverflow);
            break;
        case Reading::Underload:
            channel->STATUS(ID_ChannelStatus_ErrUnderrun);
            break;
        case Reading::Invalid:
            channel->STATUS(ID_ChannelStatus_ErrUnknown);
            device_->STATUS(ID_DeviceStatus_Error);
            if (!portFailure_.empty()) {
                // The port failed or its device has gone: reached again from the next cycle.
                device_->DEBUGINFO(portFailure_);
                port_.DISCONNECT();
                connected_ = false;
            } else {
                const std::string where = tlx::PortDescription(device_->PORT());
                device_->DEBUGINFO(
                    hLanguageText("Die Waage an der seriellen Schnittstelle " + where +
                                      " antwortet nicht oder unverständlich",
                                  "the balance on the serial port " + where +
                                      " gives no answer, or one that makes no sense"));
            }
            return;
    }
    device_->DEBUGINFO("");
    device_->STATUS(ID_DeviceStatus_Ready);  // the balance answers (again)
}

void cls_Balance::DeviceSwitch(bool& rSuccess, std::int32_t pSwitch, bool /*pStatus*/,
                               double /*pFlag1*/, double /*pFlag2*/,
                               const tlx::Variant& /*pData*/) {
    if (pSwitch != ID_DeviceSwitch_Zero || !connected_) return;
    rSuccess = ParseZeroed(Ask(port_, "Z"));
}

std::optional<std::int32_t> cls_Balance::Search() {
    PortSearch search;
    search.ports = drivers::AvailablePorts(*device_);
    search.settings = SettingsText();
    search.request = "I4\r\n";
    search.terminator = "\r\n";
    search.timeout = timeout_;
    search.accept = [](const std::string& answer) { return ParseIdentity(answer).has_value(); };
    return FirstAnsweringPort(search);
}

bool cls_Balance::StillThere() {
    return ParseIdentity(Ask(port_, "I4")).has_value();
}

}  // namespace vodex::balance
