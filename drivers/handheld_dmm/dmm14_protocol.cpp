#include "dmm14_protocol.h"

#include <cmath>

namespace vodex::dmm14 {
namespace {

// The seven segments of a digit as one number: the first byte's E F A in bits 6 to 4, the
// second byte's D C G B in bits 3 to 0.
struct Shape {
    std::uint8_t segments;
    char shows;  // '0' to '9', ' ' blank, 'L'
};

constexpr Shape kShapes[] = {{0x7D, '0'}, {0x05, '1'}, {0x5B, '2'}, {0x1F, '3'},
                             {0x27, '4'}, {0x3E, '5'}, {0x7E, '6'}, {0x15, '7'},
                             {0x7F, '8'}, {0x3F, '9'}, {0x00, ' '}, {0x68, 'L'}};

std::optional<char> Shows(std::uint8_t first, std::uint8_t second) {
    const auto segments = static_cast<std::uint8_t>(((first & 0x7) << 4) | (second & 0xF));
    for (const Shape& s : kShapes) {
        if (s.segments == segments) return s.shows;
    }
    return std::nullopt;
}

std::uint8_t SegmentsOf(char c) {
    for (const Shape& s : kShapes) {
        if (s.shows == c) return s.segments;
    }
    return 0;
}

bool Bit(const Packet& p, std::size_t byte, std::uint8_t mask) {
    return (p[byte - 1] & mask) != 0;
}

struct Symbol {
    std::size_t byte;
    std::uint8_t mask;
    const char* name;
};

constexpr Symbol kPrefixes[] = {
    {10, 0x4, "n"}, {10, 0x8, "µ"}, {11, 0x8, "m"}, {10, 0x2, "k"}, {11, 0x2, "M"}};
constexpr double kPrefixFactors[] = {1e-9, 1e-6, 1e-3, 1e3, 1e6};
constexpr Symbol kUnits[] = {{13, 0x4, "V"},  {13, 0x8, "A"}, {12, 0x4, "Ω"},  {12, 0x8, "F"},
                             {13, 0x2, "Hz"}, {11, 0x4, "%"}, {14, 0x2, "°C"}, {14, 0x4, "°F"}};

}  // namespace

void PacketReader::Feed(std::span<const std::uint8_t> bytes, std::vector<Packet>& packets) {
    for (const std::uint8_t b : bytes) {
        const std::size_t place = b >> 4;
        if (place == 1) {
            have_ = 0;  // a packet begins, whatever was gathered before
        } else if (place != have_ + 1) {
            have_ = 0;  // out of place: what was gathered is no packet
            continue;
        }
        gathering_[have_++] = b;
        if (have_ == gathering_.size()) {
            packets.push_back(gathering_);
            have_ = 0;
        }
    }
}

std::optional<Display> Decode(const Packet& packet) {
    for (std::size_t i = 0; i < packet.size(); ++i) {
        if ((packet[i] >> 4) != i + 1) return std::nullopt;
    }
    Display d;
    std::string digits;
    int decimals = -1;  // digits after the point
    for (std::size_t k = 0; k < 4; ++k) {
        const auto shows = Shows(packet[1 + 2 * k], packet[2 + 2 * k]);
        if (!shows) return std::nullopt;
        if (k > 0 && Bit(packet, 2 + 2 * k, 0x8)) {
            if (decimals >= 0) return std::nullopt;  // two points
            decimals = static_cast<int>(4 - k);
        }
        digits += *shows;
    }
    const bool negative = Bit(packet, 2, 0x8);
    d.ac = Bit(packet, 1, 0x8);
    d.dc = Bit(packet, 1, 0x4);
    d.autoRange = Bit(packet, 1, 0x2);
    d.hold = Bit(packet, 12, 0x1);
    d.relative = Bit(packet, 12, 0x2);
    d.lowBattery = Bit(packet, 13, 0x1);
    std::string prefix;
    double factor = 1.0;
    for (std::size_t i = 0; i < std::size(kPrefixes); ++i) {
        if (!Bit(packet, kPrefixes[i].byte, kPrefixes[i].mask)) continue;
        if (!prefix.empty()) return std::nullopt;
        prefix = kPrefixes[i].name;
        factor = kPrefixFactors[i];
    }
    for (const Symbol& u : kUnits) {
        if (!Bit(packet, u.byte, u.mask)) continue;
        if (!d.unit.empty()) return std::nullopt;
        d.unit = u.name;
    }
    d.shownUnit = prefix + d.unit;
    if (digits.find('L') != std::string::npos) {
        d.overload = true;  // "OL": the shapes of 0 and L, blanks around
        return d;
    }
    // Blanks lead (a short number); a blank between digits is no number.
    const std::size_t first = digits.find_first_not_of(' ');
    if (first == std::string::npos || digits.find(' ', first) != std::string::npos) {
        return std::nullopt;
    }
    double value = std::stod(digits.substr(first));
    if (decimals > 0) value /= std::pow(10.0, decimals);
    d.value = (negative ? -value : value) * factor;
    return d;
}

Packet Encode(const std::string& text, const std::string& prefix, const std::string& unit, bool ac,
              bool dc, bool autoRange, bool hold, bool relative, bool lowBattery) {
    Packet p{};
    for (std::size_t i = 0; i < p.size(); ++i)
        p[i] = static_cast<std::uint8_t>((i + 1) << 4);
    auto set = [&](std::size_t byte, std::uint8_t mask) { p[byte - 1] |= mask; };
    std::string shown = text;
    if (!shown.empty() && shown.front() == '-') {
        set(2, 0x8);
        shown.erase(0, 1);
    }
    std::size_t k = 0;
    for (char c : shown) {
        if (c == '.') {
            if (k > 0 && k < 4) set(2 + 2 * k, 0x8);
            continue;
        }
        if (k >= 4) break;
        const std::uint8_t segments = SegmentsOf(c == 'O' ? '0' : c);
        p[1 + 2 * k] |= static_cast<std::uint8_t>(segments >> 4);
        p[2 + 2 * k] |= static_cast<std::uint8_t>(segments & 0xF);
        ++k;
    }
    if (ac) set(1, 0x8);
    if (dc) set(1, 0x4);
    if (autoRange) set(1, 0x2);
    set(1, 0x1);  // RS232
    if (hold) set(12, 0x1);
    if (relative) set(12, 0x2);
    if (lowBattery) set(13, 0x1);
    for (const Symbol& s : kPrefixes) {
        if (prefix == s.name) set(s.byte, s.mask);
    }
    for (const Symbol& s : kUnits) {
        if (unit == s.name) set(s.byte, s.mask);
    }
    return p;
}

}  // namespace vodex::dmm14
