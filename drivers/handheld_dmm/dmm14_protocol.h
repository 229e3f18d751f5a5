// What cheap handheld multimeters send through their optical RS-232/USB cable: the LCD's
// segments, 2400 baud 8N1, in packets of 14 bytes sent over and over. The high nibble of each
// byte is its place in the packet (1 to 14), the low nibble four segments or symbols:
//
//   byte  1: AC 0x8, DC 0x4, AUTO 0x2, RS232 0x1
//   bytes 2-9: the four digits, two bytes each (digit 1 in bytes 2 and 3, ...):
//         first byte: 0x8 the sign (digit 1) or the decimal point before the digit (digits 2
//         to 4), E 0x4, F 0x2, A 0x1; second byte: D 0x8, C 0x4, G 0x2, B 0x1
//   byte 10: micro 0x8, nano 0x4, kilo 0x2, diode 0x1
//   byte 11: milli 0x8, % 0x4, mega 0x2, beep 0x1
//   byte 12: F 0x8, Ω 0x4, REL 0x2, HOLD 0x1
//   byte 13: A 0x8, V 0x4, Hz 0x2, low battery 0x1
//   byte 14: °F 0x4, °C 0x2
//
// A digit shows 0 to 9, blank, or L (in "OL", the overload). The reader resynchronises: a
// byte out of place ends the packet being gathered, so a lost byte or one whose place is
// garbled costs a packet, never a wrong value. The packets carry no checksum: a flipped bit
// within a byte cannot be told from the packet alone (the driver takes a unit, prefix or mode
// only once two packets in a row show it).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vodex::dmm14 {

using Packet = std::array<std::uint8_t, 14>;

// Gathers whole packets from the bytes as they arrive, however they were cut.
class PacketReader {
  public:
    // Appends the packets that `bytes` complete to `packets`.
    void Feed(std::span<const std::uint8_t> bytes, std::vector<Packet>& packets);

  private:
    Packet gathering_{};
    std::size_t have_ = 0;
};

// What the display shows.
struct Display {
    double value = 0.0;     // in the unit's base (volts, not millivolts); 0 when overloaded
    bool overload = false;  // "OL"
    std::string unit;       // V, A, Ω, F, Hz, %, °C, °F, or "" (diode test, continuity)
    std::string shownUnit;  // the unit with the display's prefix, as "mV"
    bool ac = false;
    bool dc = false;
    bool autoRange = false;
    bool hold = false;
    bool relative = false;
    bool lowBattery = false;
};

// The display a packet shows; nothing when a digit is none of the shapes above, or the packet
// names two prefixes or two units at once.
std::optional<Display> Decode(const Packet& packet);

// The packet of a display, for the virtual meter and the tests: `text` is what the four
// digits show ("-3.071", " 0L ", "12.34"), `prefix` one of "", "n", "µ", "m", "k", "M".
Packet Encode(const std::string& text, const std::string& prefix, const std::string& unit, bool ac,
              bool dc, bool autoRange, bool hold = false, bool relative = false,
              bool lowBattery = false);

}  // namespace vodex::dmm14
