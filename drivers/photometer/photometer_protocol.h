// What the scanning photometer says on its serial line (docs/drivers/photometer.md): one
// answer line per command, ending in CR LF. "OK", "ERR <code> <text>", "WL <nm>",
// "ABS <absorbance>" (or "ABS OVER"), "TRA <percent>", its identity as four comma-separated
// fields; a scan answers "SCAN <points>", then lines "D <nm>:<absorbance>,..." of up to 20
// points each, then "END" (or "END ABORTED" when it was stopped).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vodex::photometer {

// The wavelengths the photometer covers, in nm.
inline constexpr std::int32_t kLowestWave = 340;
inline constexpr std::int32_t kHighestWave = 1000;
// Beyond this absorbance the photometer answers OVER: too little light reaches the detector.
inline constexpr double kHighestAbsorbance = 3.0;
// The most points a scan may have, and on one data line.
inline constexpr std::int32_t kMostScanPoints = 10000;
inline constexpr std::size_t kMostChunkPoints = 20;

struct Answer {
    enum class Kind {
        Invalid,    // nothing the photometer says
        Ok,         // OK
        Error,      // ERR <code> <text>: code, text
        Value,      // WL, ABS, TRA: word, value
        Over,       // ABS OVER
        Identity,   // maker,model,serial,firmware: text
        ScanStart,  // SCAN <points>: value
        Data,       // D ...: points
        End,        // END
        Aborted,    // END ABORTED
    } kind = Kind::Invalid;
    std::string word;  // WL, ABS or TRA
    double value = 0;
    std::int32_t code = 0;
    std::string text;
    std::vector<std::pair<double, double>> points;  // x in nm, y the absorbance
};

// One answer line (its line end may be given or not).
Answer ParseAnswer(std::string_view line);

// The points of a scan from `from` to `to` nm in steps of `step` nm; 0 when that is no scan
// (a step that is not positive, `to` below `from`, beyond the photometer's range or too many
// points).
std::int32_t ScanPoints(double from, double to, double step);

}  // namespace vodex::photometer
