#include "photometer.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "tlx/clock.h"
#include "tlx/port_map.h"
#include "tlx/pump.h"
#include "tlx/text.h"
#include "vodex/drivers/serial_exchange.h"
#include "vodex/port/port_search.h"
#include "vodex/text/language.h"

namespace vodex::photometer {
namespace {

constexpr const char* kDescription =
    "Scannendes Photometer (340 bis 1000 nm): Extinktion und Transmission, Spektren";

bool Is(std::string_view name, std::string_view member) {
    return tlx::EqualsNoCase(name, member);
}

// The shortest text that reads back as `value`: what is sent is what is expected.
std::string Number(double value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, static_cast<std::size_t>(end - text));
}

}  // namespace

void cls_Photometer::Describe() {
    DescribeAs({.category = ID_DevCat_Photometer,
                .name = "Scan-Photometer",
                .description = kDescription,
                .identifier = "PHOT",
                .image = ProductPicture(),
                .icon = IconPicture(),
                .setZero = true});
    const std::shared_ptr<cls_DeviceInfo> info = device_->INFO();
    // The wavelength is set by hand and scans are started by hand; a scan takes about 5 ms a
    // point, a single value about 50 ms.
    info->MANUALWAVE(true);
    info->MANUALSCAN(true);
    info->WAVESTART(kLowestWave);
    info->WAVEEND(kHighestWave);
    info->WAVEINTERVAL(1.0);
    info->WAVETIMESINGLEVALUE(0.05);
    info->WAVETIMEFIRST(0.05);
    info->WAVETIMEAUTOSCAN(0.005 * (kHighestWave - kLowestWave + 1));
    info->WAVETIMEBASESCAN(0.005 * (kHighestWave - kLowestWave + 1));
    for (const char* command : {"WAVE", "SCAN", "BLANK", "DARK"})
        info->SUPPORTEDACTIVATORS()->ADD(command);
    drivers::OfferLine(*device_,
                       {.bauds = {9600, 19200, 38400, 57600, 115200},
                        .parities = {ID_DeviceComParity_None},
                        .dataBits = {ID_DeviceComData_8},
                        .stopBits = {ID_DeviceComStop_1_0}},
                       true);
    device_->CHANNELS()->CREATE(1, "Extinktion", "", 1.0, 0.0);
    device_->CHANNELS()->CREATE(2, "Transmission", "%", 1.0, 0.0);
    device_->CHANNELS()->CREATE(3, "Wellenlänge", "nm", 1.0, 0.0);
    device_->PORTS()->COMPORTS();
}

Answer cls_Photometer::Ask(const std::string& command) {
    return ParseAnswer(drivers::AskLine(port_, command + "\r\n", "\n", timeout_, portFailure_));
}

void cls_Photometer::Fail(const std::string& why) {
    device_->STATUS(ID_DeviceStatus_Error);
    device_->DEBUGINFO(why);
    if (!portFailure_.empty()) {
        // The port failed or its device has gone: reached again from the next cycle.
        port_.DISCONNECT();
        connected_ = false;
    }
}

bool cls_Photometer::Expect(const Answer& answer, Answer::Kind expected,
                            const std::string& command) {
    if (answer.kind == expected) return true;
    const std::string where = tlx::PortDescription(device_->PORT());
    if (answer.kind == Answer::Kind::Error) {
        // The photometer's own word: the device is well, the command was refused.
        device_->DEBUGINFO(hLanguageText(
            "Das Photometer an der seriellen Schnittstelle " + where + " meldet zu \"" + command +
                "\" den Fehler " + std::to_string(answer.code) + " (" + answer.text + ")",
            "the photometer on the serial port " + where + " answers \"" + command +
                "\" with the error " + std::to_string(answer.code) + " (" + answer.text + ")"));
        return false;
    }
    Fail(!portFailure_.empty()
             ? portFailure_
             : hLanguageText("Das Photometer an der seriellen Schnittstelle " + where +
                                 " antwortet auf \"" + command + "\" nicht oder unverständlich",
                             "the photometer on the serial port " + where +
                                 " gives no answer to \"" + command +
                                 "\", or one that makes no sense"));
    return false;
}

bool cls_Photometer::Reach(std::int32_t port) {
    connected_ = false;
    identity_.clear();
    if (port_.CONNECT(port, drivers::SettingsText(*device_->SETTINGSCOM()))) {
        // Lines of an earlier exchange may still come (a scan it was stopping): the identity
        // is the line that counts.
        Answer id = Ask("ID?");
        const tlx::cls_CoreTimer asked;
        while (id.kind != Answer::Kind::Identity && portFailure_.empty() &&
               !asked.ELAPSED(timeout_)) {
            const std::string line = port_.INPUTTILL("\n", timeout_ - asked.SECONDSELAPSED());
            if (line.empty()) break;
            id = ParseAnswer(line);
        }
        if (id.kind == Answer::Kind::Identity) {
            identity_ = id.text;
            const Answer wave = Ask("WL?");
            if (wave.kind == Answer::Kind::Value && wave.word == "WL") wave_ = wave.value;
            connected_ = true;
            device_->DEBUGINFO(identity_);
            return true;
        }
    }
    const std::string& why = port_.LastError().empty() ? portFailure_ : port_.LastError();
    const std::string where = tlx::PortDescription(port);
    device_->DEBUGINFO(!why.empty()
                           ? why
                           : hLanguageText("An der seriellen Schnittstelle " + where +
                                               " antwortet kein Photometer",
                                           "no photometer answers on the serial port " + where));
    port_.DISCONNECT();
    return false;
}

void cls_Photometer::DeviceExecute() {
    if (!device_) return;
    const auto channels = device_->CHANNELS();
    for (std::int32_t id = 1; id <= channels->COUNT(); ++id) {
        const auto channel = channels->Item(id, true);
        if (channel && channel->MEASURE()) {
            channel->MEASURED(false);
            channel->STATUS(ID_ChannelStatus_ErrUnknown);  // until it has its reading
        }
    }
    if (!connected_ && (device_->STATUS() != ID_DeviceStatus_Error || !Reach(device_->PORT()))) {
        return;
    }
    std::string refused;  // what the photometer said of a reading it did not give
    const char* questions[] = {"ABS?", "TRA?", "WL?"};
    for (std::int32_t id = 1; id <= 3; ++id) {
        const auto channel = channels->Item(id, true);
        if (!channel || !channel->MEASURE()) continue;
        const Answer a = Ask(questions[id - 1]);
        if (a.kind == Answer::Kind::Over) {
            channel->VALUE(0);  // too little light: no value
            channel->STATUS(ID_ChannelStatus_ErrOverflow);
            continue;
        }
        if (a.kind == Answer::Kind::Value &&
            a.word == std::string_view(questions[id - 1]).substr(0, a.word.size())) {
            if (id == 3) wave_ = a.value;
            channel->VALUE(a.value);
            channel->STATUS(ID_ChannelStatus_Ready);
            channel->MEASURED(true);
            continue;
        }
        // An answer to another question is none to this one.
        if (!Expect(a.kind == Answer::Kind::Value ? Answer{} : a, Answer::Kind::Value,
                    questions[id - 1])) {
            if (device_->STATUS() == ID_DeviceStatus_Error) return;
            refused = device_->DEBUGINFO();
        }
    }
    device_->DEBUGINFO(!refused.empty() ? refused : identity_);
    device_->STATUS(ID_DeviceStatus_Ready);  // the photometer answers (again)
}

bool cls_Photometer::SetWave(double nm) {
    if (!(nm >= kLowestWave && nm <= kHighestWave)) {
        device_->DEBUGINFO(hLanguageText(
            "Die Wellenlänge " + Number(nm) + " nm liegt nicht zwischen 340 und 1000 nm",
            "the wavelength " + Number(nm) + " nm is not between 340 and 1000 nm"));
        return false;
    }
    const std::string command = "WL " + Number(std::round(nm));
    if (!Expect(Ask(command), Answer::Kind::Ok, command)) return false;
    wave_ = std::round(nm);
    return true;
}

bool cls_Photometer::Scan(double from, double to, double step) {
    const auto field = device_->DATAFIELD();
    field->CLEAR();
    scanned_ = 0;
    scanPoints_ = ScanPoints(from, to, step);
    if (scanPoints_ == 0) {
        device_->DEBUGINFO(hLanguageText(
            "Kein Scan: von " + Number(from) + " bis " + Number(to) + " nm in Schritten von " +
                Number(step) + " nm (340 bis 1000 nm, höchstens 10000 Punkte)",
            "no scan: from " + Number(from) + " to " + Number(to) + " nm in steps of " +
                Number(step) + " nm (340 to 1000 nm, at most 10000 points)"));
        return false;
    }
    const std::string where = tlx::PortDescription(device_->PORT());
    const std::string command = "SCAN " + Number(from) + " " + Number(to) + " " + Number(step);
    auto so = [&](const std::string& german, const std::string& english) {
        return hLanguageText(german + " (" + std::to_string(scanned_) + " von " +
                                 std::to_string(scanPoints_) + " Punkten)",
                             english + " (" + std::to_string(scanned_) + " of " +
                                 std::to_string(scanPoints_) + " points)");
    };
    portFailure_.clear();
    try {
        port_.CLEAR();
        if (!port_.OUT(command + "\r\n", false, timeout_, false)) {
            portFailure_ = port_.LastError();
            Fail(portFailure_);
            return false;
        }
        bool started = false;  // the photometer announced the scan
        for (;;) {
            // Each line of the scan may take one time-out; the scan as long as they keep coming.
            const std::string line = port_.INPUTTILL("\n", timeout_);
            if (tlx::WaitsCancelled()) {
                // Stopped by the program: the photometer stops too; the points so far stay.
                port_.OUT("STOP\r\n", false, timeout_, false);
                device_->DEBUGINFO(so("Der Scan wurde abgebrochen", "the scan was stopped"));
                return false;
            }
            if (!port_.LastError().empty()) {
                portFailure_ = port_.LastError();
                Fail(portFailure_);
                return false;
            }
            const Answer a = ParseAnswer(line);
            switch (a.kind) {
                case Answer::Kind::ScanStart:
                    if (!started && a.value == scanPoints_) {
                        started = true;
                        continue;
                    }
                    break;
                case Answer::Kind::Data: {
                    // Every point of the line is the next wavelength of the scan, or none is
                    // taken.
                    bool inOrder =
                        scanned_ + static_cast<std::int32_t>(a.points.size()) <= scanPoints_;
                    for (std::size_t i = 0; inOrder && i < a.points.size(); ++i) {
                        const double expected = from + (scanned_ + static_cast<double>(i)) * step;
                        // A wavelength written rounded is still this one, not its neighbour's.
                        inOrder = std::fabs(a.points[i].first - expected) <= step / 4;
                    }
                    if (!inOrder) break;
                    for (const auto& [x, y] : a.points)
                        field->ADD(x, y);
                    scanned_ += static_cast<std::int32_t>(a.points.size());
                    continue;
                }
                case Answer::Kind::End:
                    if (scanned_ == scanPoints_) {
                        device_->DEBUGINFO(identity_);
                        device_->STATUS(ID_DeviceStatus_Ready);
                        return true;
                    }
                    break;
                case Answer::Kind::Aborted:
                    device_->DEBUGINFO(so("Das Photometer hat den Scan abgebrochen",
                                          "the photometer stopped the scan"));
                    return false;
                case Answer::Kind::Error:
                    Expect(a, Answer::Kind::End, command);
                    return false;
                default:
                    if (line.empty()) {
                        Fail(so("Das Photometer an der seriellen Schnittstelle " + where +
                                    " sendet seinen Scan nicht weiter",
                                "the photometer on the serial port " + where +
                                    " stopped sending its scan"));
                        return false;
                    }
                    break;
            }
            port_.OUT("STOP\r\n", false, timeout_, false);  // it is not to go on sending
            Fail(so("Das Photometer an der seriellen Schnittstelle " + where +
                        " sendet einen Scan, der keinen Sinn ergibt: \"" + tlx::OneLine(line) +
                        "\"",
                    "the photometer on the serial port " + where +
                        " sends a scan that makes no sense: \"" + tlx::OneLine(line) + "\""));
            return false;
        }
    } catch (const std::exception& e) {
        portFailure_ = e.what();  // the port is closed, or its device has gone
        Fail(portFailure_);
        return false;
    }
}

void cls_Photometer::DeviceActivate(bool& rSuccess, const std::string& pCommandID,
                                    std::int32_t pActivation, tlx::VariantArray& pParameters) {
    if (!device_) return;
    const std::string command = tlx::UCase(tlx::Trim(pCommandID));
    // The parameters as numbers; nothing when one is not.
    std::vector<double> numbers;
    for (const tlx::Variant& p : pParameters.Items()) {
        double n = NAN;
        try {
            n = p.ToDouble();
        } catch (const std::exception&) {
        }
        if (!std::isfinite(n)) {
            device_->DEBUGINFO(
                hLanguageText("Die Werte zu \"" + pCommandID + "\" sind keine Zahlen",
                              "the values of \"" + pCommandID + "\" are no numbers"));
            return;
        }
        numbers.push_back(n);
    }
    if (!connected_ && !Reach(device_->PORT())) return;
    if (command == "WAVE" && pActivation == ID_DeviceAct_Set && numbers.size() == 1) {
        rSuccess = SetWave(numbers[0]);
    } else if (command == "WAVE" && pActivation == ID_DeviceAct_Get) {
        const Answer a = Ask("WL?");
        rSuccess = Expect(a, Answer::Kind::Value, "WL?");
        if (rSuccess) wave_ = a.value;
    } else if (command == "SCAN" && pActivation == ID_DeviceAct_On && numbers.size() == 3) {
        rSuccess = Scan(numbers[0], numbers[1], numbers[2]);
    } else if ((command == "BLANK" || command == "DARK") && pActivation == ID_DeviceAct_On) {
        rSuccess = Expect(Ask(command), Answer::Kind::Ok, command);
    } else {
        device_->DEBUGINFO(hLanguageText(
            "Das Photometer kennt \"" + pCommandID + "\" mit " +
                std::to_string(pParameters.Size()) +
                " Werten nicht (WAVE Set {nm}, WAVE Get, "
                "SCAN On {von, bis, Schritt}, BLANK On, DARK On)",
            "the photometer has no command \"" + pCommandID + "\" with " +
                std::to_string(pParameters.Size()) +
                " values (WAVE Set {nm}, WAVE Get, SCAN On {from, to, step}, BLANK On, DARK On)"));
    }
}

std::optional<std::int32_t> cls_Photometer::Search() {
    PortSearch search;
    search.ports = drivers::AvailablePorts(*device_);
    search.settings = drivers::SettingsText(*device_->SETTINGSCOM());
    search.request = "ID?\r\n";
    search.terminator = "\n";
    search.timeout = std::min(timeout_, 1.0);
    search.accept = [](const std::string& answer) {
        return ParseAnswer(answer).kind == Answer::Kind::Identity;
    };
    return FirstAnsweringPort(search);
}

bool cls_Photometer::StillThere() {
    return Ask("ID?").kind == Answer::Kind::Identity;
}

tlx::Variant cls_Photometer::GetProperty(std::string_view name) {
    if (Is(name, "IDENTITY")) return tlx::Variant(identity_);
    if (Is(name, "WAVELENGTH")) return tlx::Variant(wave_);
    if (Is(name, "SCANNED")) return tlx::Variant(scanned_);
    if (Is(name, "SCANPOINTS")) return tlx::Variant(scanPoints_);
    return SerialDriver::GetProperty(name);
}

}  // namespace vodex::photometer
