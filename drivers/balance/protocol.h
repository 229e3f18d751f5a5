// The answers of balances with the standard interface command set (level 0 and 1): each
// answer is one line, its words separated by blanks, ending in CR LF.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vodex::balance {

enum class Reading {
    Stable,     // "S S <value> <unit>"
    Dynamic,    // "S D <value> <unit>": the weight still moves
    Overload,   // "S +"
    Underload,  // "S -"
    NotNow,     // "S I": the balance cannot answer now (moving, busy)
    Invalid,    // anything else, or no answer
};

struct Weight {
    Reading reading = Reading::Invalid;
    double grams = 0.0;  // for Stable and Dynamic, converted from kg or mg where given so
};

// A weight answer (to S or SI).
Weight ParseWeight(std::string_view line);
// The serial number of an identity answer (I4 A "<serial number>"); nothing when the line is
// no such answer.
std::optional<std::string> ParseIdentity(std::string_view line);
// Whether the line confirms zeroing ("Z A").
bool ParseZeroed(std::string_view line);

}  // namespace vodex::balance
