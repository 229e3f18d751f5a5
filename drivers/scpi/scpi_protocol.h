// What SCPI multimeters say on a serial line: each answer one line, ending in LF (CR LF from
// some). Their identity (*IDN?) is four comma-separated fields; a reading is a number in SCPI's
// exponent notation, 9.9E37 standing for an overload; an entry of the error queue (SYST:ERR?)
// is a code and a quoted text.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vodex::scpi {

struct Identity {
    std::string maker;
    std::string model;
    std::string serial;
    std::string firmware;
};

// The measuring functions, in the order of the driver's channels (1 to 7).
enum class Function {
    VoltageDc,
    VoltageAc,
    CurrentDc,
    CurrentAc,
    Resistance,
    Frequency,
    Temperature
};

struct FunctionInfo {
    Function function;
    const char* name;     // the channel's name
    const char* unit;     // the channel's unit
    const char* keyword;  // SCPI's name of the function, as in CONF:<keyword>
    const char* option;   // what the settings, the simulator and the tests call it (VDC, ...)
};

// Every function, in channel order.
std::span<const FunctionInfo> Functions();
// The function the option names ("VDC", "ohm", ...; case does not matter), or nothing.
std::optional<Function> FunctionNamed(std::string_view option);

// The identity in an answer to *IDN?; nothing when the line has not four fields, or no maker
// or model.
std::optional<Identity> ParseIdentity(std::string_view line);

struct Reading {
    enum class Kind { Value, Overload, Invalid } kind = Kind::Invalid;
    double value = 0.0;
};
// A reading answer (to READ? or MEAS:<function>?): one number, or the overload mark.
Reading ParseReading(std::string_view line);

struct QueueEntry {
    std::int32_t code = 0;  // 0: no error
    std::string text;
};
// An entry of the error queue ("-113,\"Undefined header\""); nothing for a line that is none.
std::optional<QueueEntry> ParseQueueEntry(std::string_view line);

}  // namespace vodex::scpi
