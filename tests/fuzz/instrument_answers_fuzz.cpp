// What instruments send: the first byte chooses the reader. SCPI answers (identity, reading,
// error-queue entry) never give a reading that is not finite; the handheld meters' stream, cut
// as the second byte says, gives only packets whose bytes stand in their places, and a
// decoded display is a finite value with a known unit; the photometer's answers give only
// points it can measure.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dmm14_protocol.h"
#include "photometer_protocol.h"
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

// Each line of the text: a photometer's data line gives at most 20 points, each a wavelength
// the photometer has and a finite absorbance.
void Photometer(std::string_view text) {
    for (std::size_t start = 0; start <= text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const auto a = vodex::photometer::ParseAnswer(text.substr(start, end - start));
        if (a.points.size() > vodex::photometer::kMostChunkPoints) std::abort();
        for (const auto& [x, y] : a.points) {
            if (!(x >= vodex::photometer::kLowestWave && x <= vodex::photometer::kHighestWave) ||
                !std::isfinite(y)) {
                std::abort();
            }
        }
        if (a.kind == vodex::photometer::Answer::Kind::Value && !std::isfinite(a.value)) {
            std::abort();
        }
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (data[0] % 3 == 0) {
        Scpi(text);
    } else if (data[0] % 3 == 1) {
        Handheld(data + 1, size - 1);
    } else {
        Photometer(text);
    }
    return 0;
}
