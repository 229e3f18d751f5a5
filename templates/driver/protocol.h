// The instrument's command set: what the driver sends and how it reads the answers, apart from
// the driver so that it can be tested on its own.
//
// CHANGE: this is the file to rewrite for your instrument. As it stands it speaks the command
// set of the virtual instrument vodex-sim (a balance), so that the template measures out of the
// box: each command and each answer is one line ending in CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace mymeter {

inline constexpr std::string_view kLineEnd = "\r\n";
// Asks the instrument who it is; a fitting answer shows that the instrument is there.
inline constexpr std::string_view kIdentify = "I4";
// Asks for a reading at once.
inline constexpr std::string_view kMeasure = "SI";

struct Reading {
    enum class Kind {
        Value,     // "S S <value> g": a settled reading
        Settling,  // "S D <value> g": a reading that still moves
        Busy,      // "S I": the instrument cannot answer now
        Over,      // "S +": above the range
        Under,     // "S -": below the range
        Invalid,   // no answer, or one that makes no sense
    };
    Kind kind = Kind::Invalid;
    double value = 0.0;  // for Value and Settling
};

// The identity in an answer to kIdentify (I4 A "<serial number>"); nothing when the line is no
// such answer.
std::optional<std::string> ParseIdentity(std::string_view line);
// An answer to kMeasure.
Reading ParseReading(std::string_view line);

}  // namespace mymeter
