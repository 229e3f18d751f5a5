// What the toolkit's serial drivers share: the device's communication settings as the port's
// settings text, and one request with its answer line. Header-only, installed with the
// toolkit's headers for drivers built elsewhere too.
#pragma once

#include <memory>
#include <string>

#include "tlx/error.h"
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
