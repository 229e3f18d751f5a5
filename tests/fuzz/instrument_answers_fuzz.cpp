// What multimeters send: the first byte chooses the reader. SCPI answers (identity, reading,
// error-queue entry) never give a reading that is not finite; the handheld meters' stream, cut
// as the second byte says, gives only packets whose bytes stand in their places, and a
// decoded display is a finite value with a known unit.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dmm14_protocol.h"
#include "scpi_protocol.h"

namespace {

void Scpi(std::string_view text) {
    vodex::scpi::ParseIdentity(text);
    vodex::scpi::ParseQueueEntry(text);
    const auto reading = vodex::scpi::ParseReading(text);
    if (!std::isfinite(reading.value)) std::abort();
}

void Handheld(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return;
    const std::size_t piece = 1 + data[0] % 16;
    vodex::dmm14::PacketReader reader;
    std::vector<vodex::dmm14::Packet> packets;
    for (std::size_t at = 1; at < size; at += piece)
        reader.Feed({data + at, std::min(piece, size - at)}, packets);
    for (const auto& p : packets) {
        for (std::size_t i = 0; i < p.size(); ++i) {
            if ((p[i] >> 4) != i + 1) std::abort();
        }
        if (const auto d = vodex::dmm14::Decode(p)) {
            static const std::string_view kUnits[] = {"",   "V", "A",  "Ω", "F",
                                                      "Hz", "%", "°C", "°F"};
            if (std::find(std::begin(kUnits), std::end(kUnits), d->unit) == std::end(kUnits)) {
                std::abort();
            }
            // Four digits and the largest prefix: never more than 9999 M.
            if (!std::isfinite(d->value) || std::fabs(d->value) > 9999e6) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    if (data[0] % 2 == 0) {
        Scpi({reinterpret_cast<const char*>(data + 1), size - 1});
    } else {
        Handheld(data + 1, size - 1);
    }
    return 0;
}
