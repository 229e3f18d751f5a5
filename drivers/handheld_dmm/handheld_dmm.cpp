#include "handheld_dmm.h"

#include <algorithm>

#include "tlx/error.h"
#include "tlx/port_map.h"
#include "tlx/text.h"
#include "vodex/drivers/serial_exchange.h"
#include "vodex/interface_ids.h"
#include "vodex/port/port_search.h"
#include "vodex/text/language.h"

namespace vodex::handheld_dmm {
namespace {

bool Is(std::string_view name, std::string_view member) {
    return tlx::EqualsNoCase(name, member);
}

// What the channel is called while the switch is on `display`'s unit.
std::string ChannelName(const dmm14::Display& d) {
    if (d.unit == "V") return d.dc ? "Gleichspannung" : d.ac ? "Wechselspannung" : "Spannung";
    if (d.unit == "A") return d.dc ? "Gleichstrom" : d.ac ? "Wechselstrom" : "Strom";
    if (d.unit == "Ω") return "Widerstand";
    if (d.unit == "F") return "Kapazität";
    if (d.unit == "Hz") return "Frequenz";
    if (d.unit == "%") return "Tastgrad";
    if (d.unit == "°C" || d.unit == "°F") return "Temperatur";
    return "Anzeige";
}

// How many of the packets in `bytes` show a display.
std::size_t WholePackets(const std::string& bytes) {
    dmm14::PacketReader reader;
    std::vector<dmm14::Packet> packets;
    reader.Feed({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}, packets);
    std::size_t whole = 0;
    for (const dmm14::Packet& p : packets) {
        if (dmm14::Decode(p)) ++whole;
    }
    return whole;
}

}  // namespace

void cls_HandheldDmm::Describe() {
    DescribeAs({.category = ID_DevCat_Multimeter,
                .name = "Hand-Multimeter",
                .description = "Hand-Multimeter, deren optisches RS-232/USB-Kabel die Anzeige in "
                               "Paketen zu 14 Byte sendet",
                .identifier = "DMM14",
                .image = ProductPicture(),
                .icon = IconPicture(),
                .setupScreen = false});
    drivers::OfferLine(*device_, {.bauds = {2400}, .baud = 2400}, false);  // the cable's line
    device_->CHANNELS()->CREATE(1, "Anzeige", "", 1.0, 0.0);
    device_->PORTS()->COMPORTS();
}

bool cls_HandheldDmm::Reach(std::int32_t port) {
    connected_ = false;
    first_.reset();
    previous_.reset();
    reader_ = {};
    // RTS off and DTR on: the cable's receiver is powered from the lines.
    if (port_.CONNECT(port, drivers::SettingsText(*device_->SETTINGSCOM()), false, true)) {
        // What the meter sent before anyone listened is old: its display now is what counts.
        try {
            port_.CLEAR();
        } catch (const std::exception&) {
        }
        std::size_t whole = 0;
        const auto end = Clock::now() + std::chrono::duration<double>(timeout_);
        while (whole < 2 && port_.LastError().empty()) {
            const double left = std::chrono::duration<double>(end - Clock::now()).count();
            if (left <= 0) break;
            // One byte (or the time-out), then whatever else is there.
            std::vector<std::uint8_t> bytes = port_.BIN(1, left);
            const std::vector<std::uint8_t> more = port_.BIN();
            bytes.insert(bytes.end(), more.begin(), more.end());
            std::vector<dmm14::Packet> packets;
            reader_.Feed(bytes, packets);
            for (const dmm14::Packet& p : packets) {
                if (dmm14::Decode(p)) ++whole;
                if (auto d = Confirmed(p)) first_ = std::move(d);
            }
        }
        if (whole >= 2 && first_) {
            connected_ = true;
            lastPacket_ = Clock::now();
            unshown_ = true;
            Show(*first_);
            device_->DEBUGINFO("");
            return true;
        }
    }
    const std::string where = tlx::PortDescription(port);
    device_->DEBUGINFO(
        !port_.LastError().empty()
            ? port_.LastError()
            : hLanguageText(
                  "An der seriellen Schnittstelle " + where + " sendet kein Hand-Multimeter",
                  "no handheld multimeter sends on the serial port " + where));
    port_.DISCONNECT();
    return false;
}

std::optional<dmm14::Display> cls_HandheldDmm::Confirmed(const dmm14::Packet& packet) {
    // The packets carry no checksum. A reading may change from one packet to the next, but its
    // unit, prefix and modes only when the switch turns: they count once two packets in a row
    // show them, so a flipped symbol bit never makes a value a thousand times off.
    const bool confirmed = previous_ && (*previous_)[0] == packet[0] &&
                           std::equal(packet.begin() + 9, packet.end(), previous_->begin() + 9);
    previous_ = packet;
    return confirmed ? dmm14::Decode(packet) : std::nullopt;
}

std::optional<dmm14::Display> cls_HandheldDmm::Latest() {
    portFailure_.clear();
    // Everything that has arrived, so that the latest packet is the meter's display now; of a
    // flood only the last few packets are kept.
    constexpr std::size_t kKept = 16 * 14;
    std::vector<std::uint8_t> bytes;
    for (std::size_t rounds = 0; rounds < 64; ++rounds) {
        const std::vector<std::uint8_t> more = port_.BIN();
        if (more.empty()) break;
        bytes.insert(bytes.end(), more.begin(), more.end());
        if (bytes.size() > kKept) {
            bytes.erase(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(kKept));
            reader_ = {};  // what it gathered belongs before the cut
        }
    }
    portFailure_ = port_.LastError();
    std::vector<dmm14::Packet> packets;
    reader_.Feed(bytes, packets);
    std::optional<dmm14::Display> latest;
    for (const dmm14::Packet& p : packets) {
        if (auto d = Confirmed(p)) latest = std::move(d);
    }
    return latest;
}

void cls_HandheldDmm::Show(const dmm14::Display& d) {
    const auto channel = device_->CHANNELS()->Item(1, true);
    if (!channel) return;
    // The rotary switch turned: the channel follows it.
    channel->NAME(ChannelName(d));
    channel->SIZE(d.unit);
    if (d.overload) {
        channel->VALUE(0);  // beyond the range: no value
        channel->STATUS(ID_ChannelStatus_ErrOverflow);
        return;
    }
    channel->VALUE(d.value);
    channel->STATUS(ID_ChannelStatus_Ready);
    channel->MEASURED(true);
}

void cls_HandheldDmm::DeviceExecute() {
    if (!device_) return;
    const auto channel = device_->CHANNELS()->Item(1, true);
    if (!channel || !channel->MEASURE()) return;
    channel->MEASURED(false);
    // A meter whose port went away is looked for again each cycle.
    if (!connected_ && (device_->STATUS() != ID_DeviceStatus_Error || !Reach(device_->PORT()))) {
        channel->STATUS(ID_ChannelStatus_ErrUnknown);
        return;
    }
    std::optional<dmm14::Display> latest = Latest();
    // The first cycle after connecting measures what connecting saw, when nothing newer came.
    if (!latest && unshown_) latest = first_;
    unshown_ = false;
    if (!portFailure_.empty()) {
        // The port failed or its device has gone: reached again from the next cycle.
        channel->STATUS(ID_ChannelStatus_ErrUnknown);
        device_->STATUS(ID_DeviceStatus_Error);
        device_->DEBUGINFO(portFailure_);
        port_.DISCONNECT();
        connected_ = false;
        return;
    }
    if (latest) {
        lastPacket_ = Clock::now();
        Show(*latest);
        device_->DEBUGINFO("");
        device_->STATUS(ID_DeviceStatus_Ready);  // packets come (again)
        return;
    }
    if (Clock::now() - lastPacket_ < std::chrono::duration<double>(silence_)) return;
    const std::string where = tlx::PortDescription(device_->PORT());
    channel->STATUS(ID_ChannelStatus_ErrUnknown);
    device_->STATUS(ID_DeviceStatus_Error);
    device_->DEBUGINFO(hLanguageText(
        "Das Hand-Multimeter an der seriellen Schnittstelle " + where + " sendet nichts mehr",
        "the handheld multimeter on the serial port " + where + " sends nothing any more"));
}

std::optional<std::int32_t> cls_HandheldDmm::Search() {
    PortSearch search;
    search.ports = drivers::AvailablePorts(*device_);
    search.settings = drivers::SettingsText(*device_->SETTINGSCOM());
    search.timeout = timeout_;
    search.rts = false;
    search.dtr = true;
    search.judge = [](const std::string& received) -> std::optional<bool> {
        // A meter at 2400 baud sends about 360 bytes in the time listened; far more is none.
        if (received.size() > 4096) return false;
        if (WholePackets(received) >= 2) return true;
        return std::nullopt;  // silent ports are decided by the time-out
    };
    return FirstAnsweringPort(search);
}

bool cls_HandheldDmm::StillThere() {
    // Packets still coming on the port held are the meter.
    const auto end = Clock::now() + std::chrono::duration<double>(timeout_);
    while (Clock::now() < end && portFailure_.empty()) {
        if (Latest()) {
            lastPacket_ = Clock::now();
            return true;
        }
        // Sleeps until bytes come, without taking any.
        port_.DIRECT()->WaitInput(std::chrono::duration<double>(end - Clock::now()).count());
    }
    return false;
}

void cls_HandheldDmm::ZarivuZarudScreen(bool& rDone) {
    rDone = false;  // nothing to set: the cable's line is fixed
}

tlx::Variant cls_HandheldDmm::GetProperty(std::string_view name) {
    if (Is(name, "SILENCE")) return tlx::Variant(silence_);
    return SerialDriver::GetProperty(name);
}

void cls_HandheldDmm::SetProperty(std::string_view name, const tlx::Variant& value) {
    if (Is(name, "SILENCE")) {
        silence_ = Seconds(value, "the silence of the handheld meter");
    } else {
        SerialDriver::SetProperty(name, value);
    }
}

}  // namespace vodex::handheld_dmm
