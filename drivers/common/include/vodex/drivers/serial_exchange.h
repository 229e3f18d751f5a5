// What the toolkit's serial drivers share: the line they offer and start with, the device's
// communication settings as the port's settings text, the ports a search looks at, and one
// request with its answer line. Header-only, installed with the
// toolkit's headers for drivers built elsewhere too.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tlx/error.h"
#include "vodex/core/device.h"
#include "vodex/enums.h"
#include "vodex/port/vq_port.h"
#include "vodex/records/device_comsettings.h"

namespace vodex::drivers {

namespace detail {

inline char ParityLetter(std::int32_t parity) {
    switch (parity) {
        case ID_DeviceComParity_Odd:
            return 'O';
        case ID_DeviceComParity_Even:
            return 'E';
        case ID_DeviceComParity_Space:
            return 'S';
        case ID_DeviceComParity_Mark:
            return 'M';
        default:
            return 'N';
    }
}

inline std::string DataBits(std::int32_t bits) {
    switch (bits) {
        case ID_DeviceComData_7:
            return "7";
        case ID_DeviceComData_6:
            return "6";
        case ID_DeviceComData_5:
            return "5";
        case ID_DeviceComData_4:
            return "4";
        default:
            return "8";
    }
}

inline std::string StopBits(std::int32_t stop) {
    return stop == ID_DeviceComStop_2_0 ? "2" : stop == ID_DeviceComStop_1_5 ? "1.5" : "1";
}

}  // namespace detail

// "9600,N,8,1" from the settings record.
inline std::string SettingsText(const cls_DeviceComsettings& settings) {
    return std::to_string(settings.BAUD()) + "," + detail::ParityLetter(settings.PARITY()) + "," +
           detail::DataBits(settings.DATABITS()) + "," + detail::StopBits(settings.STOPBITS());
}

// The line settings a driver offers (each list in the order shown) and starts with: the baud
// rate given, and the first of each other list.
struct LineOffer {
    std::vector<std::int32_t> bauds;
    std::int32_t baud = 9600;
    std::vector<std::int32_t> parities = {ID_DeviceComParity_None};
    std::vector<std::int32_t> dataBits = {ID_DeviceComData_8};
    std::vector<std::int32_t> stopBits = {ID_DeviceComStop_1_0};
};

// Describes the line of `device`'s driver and sets the device's settings to its start; with
// `userMayChange`, the user may change them, and the settings the user stored for the type
// are taken.
inline void OfferLine(int_Device& device, const LineOffer& offer, bool userMayChange) {
    const auto info = device.INFO();
    info->COMSETTINGS(userMayChange);
    info->COMSETTINGSDEFAULT(userMayChange);
    for (std::int32_t baud : offer.bauds)
        info->COMBAUDADD(baud);
    for (std::int32_t parity : offer.parities)
        info->COMPARITIESADD(parity);
    for (std::int32_t bits : offer.dataBits)
        info->COMDATABITSADD(bits);
    for (std::int32_t stop : offer.stopBits)
        info->COMSTOPBITSADD(stop);
    info->COMHANDSHAKEADD(ID_DeviceComHand_None);
    const auto com = device.SETTINGSCOM();
    com->BAUD(offer.baud);
    com->PARITY(offer.parities.front());
    com->DATABITS(offer.dataBits.front());
    com->STOPBITS(offer.stopBits.front());
    com->HANDSHAKE(ID_DeviceComHand_None);
    if (userMayChange) com->LOADDEFAULT();
}

// The ports of the device's list that are available now, in the list's order: where a search
// looks.
inline std::vector<std::int32_t> AvailablePorts(int_Device& device) {
    std::vector<std::int32_t> ports;
    const auto list = device.PORTS();
    for (std::int32_t i = 1; i <= list->COUNT(); ++i) {
        const auto entry = list->Item(i, true);
        if (entry && entry->AVAILABLE()) ports.push_back(entry->ID());
    }
    return ports;
}

// Sends `request` on `port` after discarding what came too late for an earlier one, and reads
// the answer up to `lineEnd` within `timeout` seconds. The answer, "" when none came in time;
// `failure` says why when the port failed or its device went ("" otherwise). The request is
// not waited for: its answer shows that it left.
inline std::string AskLine(cls_VQPort& port, const std::string& request, const std::string& lineEnd,
                           double timeout, std::string& failure) {
    failure.clear();
    try {
        port.CLEAR();  // an answer that came too late belongs to no request
        std::string answer;
        // As the previous request was answered, nothing of it waits to be discarded.
        if (port.OUT(request, false, timeout, false)) answer = port.INPUTTILL(lineEnd, timeout);
        failure = port.LastError();
        return answer;
    } catch (const tlx::Error& e) {
        failure = e.what();  // the port is closed, or its device has gone
        return {};
    }
}

}  // namespace vodex::drivers
