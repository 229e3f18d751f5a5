#include "linemeter.h"

#include <algorithm>

#include "tlx/filesystem.h"
#include "tlx/port_map.h"
#include "tlx/pump.h"
#include "tlx/text.h"
#include "vodex/drivers/serial_exchange.h"
#include "vodex/port/port_search.h"
#include "vodex/text/language.h"

namespace vodex::linemeter {
namespace {

using Clock = std::chrono::steady_clock;

// How much of a meter's line a message quotes.
constexpr std::size_t kQuoted = 60;

bool Is(std::string_view name, std::string_view member) {
    return tlx::EqualsNoCase(name, member);
}

std::string Quoted(const std::string& line) {
    return "\"" + tlx::OneLine(line.size() > kQuoted ? line.substr(0, kQuoted) + "..." : line) +
           "\"";
}

// The line of a description's settings ("9600,N,8,1"), offered first; the user may choose
// others.
drivers::LineOffer OfferOf(const std::string& settings) {
    std::vector<std::string> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = settings.find(',', start);
        parts.push_back(tlx::Trim(settings.substr(start, end - start)));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    drivers::LineOffer offer;
    offer.bauds = {300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 57600, 115200};
    offer.baud = std::stoi(parts.at(0));
    const std::int32_t parity = parts.at(1) == "O"   ? ID_DeviceComParity_Odd
                                : parts.at(1) == "E" ? ID_DeviceComParity_Even
                                : parts.at(1) == "S" ? ID_DeviceComParity_Space
                                : parts.at(1) == "M" ? ID_DeviceComParity_Mark
                                                     : ID_DeviceComParity_None;
    const std::int32_t data = parts.at(2) == "7"   ? ID_DeviceComData_7
                              : parts.at(2) == "6" ? ID_DeviceComData_6
                              : parts.at(2) == "5" ? ID_DeviceComData_5
                                                   : ID_DeviceComData_8;
    const std::int32_t stop = parts.at(3) == "2"     ? ID_DeviceComStop_2_0
                              : parts.at(3) == "1.5" ? ID_DeviceComStop_1_5
                                                     : ID_DeviceComStop_1_0;
    // The described one first: the first of each list is what the meter starts with.
    auto first = [](std::vector<std::int32_t> all, std::int32_t chosen) {
        all.erase(std::remove(all.begin(), all.end(), chosen), all.end());
        all.insert(all.begin(), chosen);
        return all;
    };
    offer.parities =
        first({ID_DeviceComParity_None, ID_DeviceComParity_Odd, ID_DeviceComParity_Even}, parity);
    offer.dataBits = first({ID_DeviceComData_8, ID_DeviceComData_7}, data);
    offer.stopBits = first({ID_DeviceComStop_1_0, ID_DeviceComStop_2_0}, stop);
    return offer;
}

}  // namespace

cls_LineMeter::cls_LineMeter(std::shared_ptr<const Description> description, std::string file)
    : description_(std::move(description)), file_(std::move(file)) {
    timeout_ = description_->timeout;
}

void cls_LineMeter::Describe() {
    const Description& d = *description_;
    DescribeAs({.category = d.category,
                .name = d.name,
                .manufacturer = d.manufacturer,
                .description = !d.text.empty() ? d.text
                                               : "Messgerät, das Textzeilen sendet (" +
                                                     tlx::cls_CoreFileSystem::FILENAME(file_) + ")",
                .identifier = tlx::UCase(d.id),
                .image = ProductPicture(d.icon),
                .icon = IconPicture(d.icon),
                .sureDetection = !d.identify.empty()});
    drivers::OfferLine(*device_, OfferOf(d.settings), true);
    std::int32_t id = 1;
    // The driver applies factor and offset itself; the channel only carries them.
    for (const ChannelDescription& c : d.channels)
        device_->CHANNELS()->CREATE(id++, c.name, c.unit, 1.0, 0.0);
    device_->PORTS()->COMPORTS();
}

template <class Enough>
bool cls_LineMeter::Gather(const std::string& request, std::vector<std::string>& lines,
                           Enough&& enough) {
    portFailure_.clear();
    try {
        if (!request.empty()) {
            port_.CLEAR();  // a line that came too late belongs to no request
            splitter_.Clear();
            if (!port_.OUT(request, false, timeout_, false)) {
                portFailure_ = port_.LastError();
                return false;
            }
        }
        const auto end = Clock::now() + std::chrono::duration<double>(timeout_);
        // What is there already (a streaming meter's lines since the last cycle), then what
        // comes, until it is enough.
        std::vector<std::uint8_t> bytes = port_.BIN();
        for (;;) {
            if (!port_.LastError().empty()) {
                portFailure_ = port_.LastError();
                return false;
            }
            const std::size_t before = lines.size();
            splitter_.Append(
                std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), lines);
            bool done = false;
            for (std::size_t i = before; i < lines.size(); ++i)
                done = enough(lines[i]) || done;  // each line looked at once
            if (done) return true;
            const double left = std::chrono::duration<double>(end - Clock::now()).count();
            if (left <= 0 || tlx::WaitsCancelled()) return true;  // what came so far
            bytes = port_.BIN(1, left);                           // one byte, or the time-out
            if (bytes.empty()) continue;
            const std::vector<std::uint8_t> more = port_.BIN();
            bytes.insert(bytes.end(), more.begin(), more.end());
        }
    } catch (const std::exception& e) {
        portFailure_ = e.what();  // the port is closed, or its device has gone
        return false;
    }
}

bool cls_LineMeter::AnyChannelMatches(const std::string& line) const {
    return std::any_of(description_->channels.begin(), description_->channels.end(),
                       [&line](const ChannelDescription& c) { return c.pattern->Matches(line); });
}

bool cls_LineMeter::Reach(std::int32_t port) {
    connected_ = false;
    identity_.clear();
    splitter_.Clear();
    const Description& d = *description_;
    std::vector<std::string> lines;
    bool found = false;
    if (port_.CONNECT(port, drivers::SettingsText(*device_->SETTINGSCOM()))) {
        if (!d.identify.empty()) {
            Gather(d.identify, lines, [&](const std::string& line) {
                if (found || !d.identifyAnswer->Matches(line)) return found;
                identity_ = line;
                return found = true;
            });
        } else {
            Gather(d.request, lines, [&](const std::string& line) {
                return found = found || AnyChannelMatches(line);
            });
        }
    }
    if (found) {
        connected_ = true;
        device_->DEBUGINFO(identity_);
        return true;
    }
    const std::string where = tlx::PortDescription(port);
    const std::string why = !port_.LastError().empty() ? port_.LastError() : portFailure_;
    device_->DEBUGINFO(
        !why.empty() ? why
                     : hLanguageText("An der seriellen Schnittstelle " + where +
                                         " antwortet kein Gerät \"" + d.name + "\"",
                                     "no \"" + d.name + "\" answers on the serial port " + where));
    port_.DISCONNECT();
    return false;
}

void cls_LineMeter::Fail(const std::string& why) {
    device_->STATUS(ID_DeviceStatus_Error);
    device_->DEBUGINFO(why);
}

void cls_LineMeter::DeviceExecute() {
    if (!device_) return;
    const auto channels = device_->CHANNELS();
    // Nothing of an earlier cycle counts as measured in this one, whatever stops it.
    std::vector<std::shared_ptr<cls_DeviceChannel>> measured;
    for (std::int32_t id = 1; id <= channels->COUNT(); ++id) {
        const auto channel = channels->Item(id, true);
        if (!channel || !channel->MEASURE()) continue;
        channel->MEASURED(false);
        channel->STATUS(ID_ChannelStatus_ErrUnknown);  // until it has its reading
        measured.push_back(channel);
    }
    if (measured.empty()) return;
    // A meter that went away is looked for again each cycle.
    if (!connected_ && (device_->STATUS() != ID_DeviceStatus_Error || !Reach(device_->PORT()))) {
        return;
    }
    const Description& d = *description_;
    const std::size_t overlongBefore = splitter_.Overlong();
    std::vector<std::string> lines;
    // Asked: until every channel to measure has a line of its own. Streaming: the lines since
    // the last cycle, or the next one.
    std::vector<bool> waiting(d.channels.size(), false);  // a channel to measure without a line
    for (std::size_t i = 0; i < d.channels.size(); ++i) {
        const auto channel = channels->Item(static_cast<std::int32_t>(i + 1), true);
        waiting[i] = channel && channel->MEASURE();
    }
    const bool ok = Gather(d.request, lines, [&](const std::string& line) {
        if (d.request.empty()) return true;
        bool left = false;
        for (std::size_t i = 0; i < d.channels.size(); ++i) {
            if (waiting[i] && d.channels[i].pattern->Matches(line)) waiting[i] = false;
            left = left || waiting[i];
        }
        return !left;
    });
    const std::string where = tlx::PortDescription(device_->PORT());
    if (!ok) {
        // The port failed or its device has gone: reached again from the next cycle.
        Fail(portFailure_);
        port_.DISCONNECT();
        connected_ = false;
        return;
    }
    if (lines.empty()) {
        Fail(splitter_.Overlong() > overlongBefore
                 ? hLanguageText("Das Gerät an der seriellen Schnittstelle " + where +
                                     " sendet Zeilen, die länger als " +
                                     std::to_string(kMostLineBytes) + " Bytes sind",
                                 "the meter on the serial port " + where +
                                     " sends lines longer than " + std::to_string(kMostLineBytes) +
                                     " bytes")
                 : hLanguageText(
                       "Das Gerät an der seriellen Schnittstelle " + where + " sendet keine Zeile",
                       "the meter on the serial port " + where + " sends no line"));
        return;
    }
    // Each channel: the newest line its pattern matches.
    bool any = false;
    std::string channelTrouble;
    for (std::size_t i = 0; i < d.channels.size(); ++i) {
        const auto channel = channels->Item(static_cast<std::int32_t>(i + 1), true);
        if (!channel || !channel->MEASURE()) continue;
        ChannelReading reading;
        for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
            reading = ReadChannel(d.channels[i], *line);
            if (reading.kind != ChannelReading::Kind::NoMatch) break;
        }
        switch (reading.kind) {
            case ChannelReading::Kind::Value:
                channel->VALUE(reading.value);
                channel->STATUS(ID_ChannelStatus_Ready);
                channel->MEASURED(true);
                any = true;
                break;
            case ChannelReading::Kind::Over:
            case ChannelReading::Kind::Under:
                channel->VALUE(0);  // beyond the limits: no value
                channel->STATUS(reading.kind == ChannelReading::Kind::Over
                                    ? ID_ChannelStatus_ErrOverflow
                                    : ID_ChannelStatus_ErrUnderrun);
                any = true;
                break;
            case ChannelReading::Kind::NotANumber:
                any = true;
                channelTrouble =
                    hLanguageText("Der Kanal \"" + d.channels[i].name +
                                      "\" liest keine Zahl: " + Quoted(reading.captured),
                                  "the channel \"" + d.channels[i].name +
                                      "\" reads no number: " + Quoted(reading.captured));
                break;
            case ChannelReading::Kind::NoMatch:
                channelTrouble = hLanguageText(
                    "Keine Zeile des Geräts passt zum Kanal \"" + d.channels[i].name + "\"",
                    "no line of the meter matches the channel \"" + d.channels[i].name + "\"");
                break;
        }
    }
    if (!any) {
        Fail(hLanguageText("Die Zeilen des Geräts an der seriellen Schnittstelle " + where +
                               " passen zu keinem Kanal: " + Quoted(lines.back()),
                           "the lines of the meter on the serial port " + where +
                               " match no channel: " + Quoted(lines.back())));
        return;
    }
    device_->DEBUGINFO(!channelTrouble.empty() ? channelTrouble : identity_);
    device_->STATUS(ID_DeviceStatus_Ready);  // the meter speaks (again)
}

std::optional<std::int32_t> cls_LineMeter::Search() {
    const Description& d = *description_;
    PortSearch search;
    search.ports = drivers::AvailablePorts(*device_);
    search.settings = drivers::SettingsText(*device_->SETTINGSCOM());
    search.timeout = timeout_;
    auto description = description_;
    if (!d.identify.empty()) {
        search.request = d.identify;
        search.terminator = d.lineEnd.substr(d.lineEnd.size() - 1);
        search.accept = [description](const std::string& answer) {
            std::vector<std::string> lines;
            LineSplitter().Append(answer, lines);
            return !lines.empty() && description->identifyAnswer->Matches(lines.back());
        };
    } else {
        // Asked or streaming alike: the port's lines, until one matches a channel.
        search.request = d.request;
        search.judge = [description](const std::string& received) -> std::optional<bool> {
            if (received.size() > 4 * kMostLineBytes) return false;
            std::vector<std::string> lines;
            LineSplitter().Append(received, lines);
            for (const std::string& line : lines) {
                for (const ChannelDescription& c : description->channels) {
                    if (c.pattern->Matches(line)) return true;
                }
            }
            return std::nullopt;  // a port whose lines match nothing is decided by the time-out
        };
    }
    return FirstAnsweringPort(search);
}

bool cls_LineMeter::StillThere() {
    const Description& d = *description_;
    std::vector<std::string> lines;
    bool found = false;
    Gather(!d.identify.empty() ? d.identify : d.request, lines, [&](const std::string& line) {
        return found = found || (!d.identify.empty() ? d.identifyAnswer->Matches(line)
                                                     : AnyChannelMatches(line));
    });
    return found;
}

tlx::Variant cls_LineMeter::GetProperty(std::string_view name) {
    if (Is(name, "DESCRIPTIONFILE")) return tlx::Variant(file_);
    return SerialDriver::GetProperty(name);
}

}  // namespace vodex::linemeter
