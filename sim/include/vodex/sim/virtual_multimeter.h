// A multimeter on a pseudo-terminal, for tests, demonstrations and driver authors, published
// like the virtual balance (see line_instrument.h's rules for its link). Two kinds:
//
//   SCPI: a bench meter answering SCPI commands line by line (LF), each answer ending in LF
//   (CR LF with crlf): *IDN? its identity; *RST and *CLS; SYST:ERR? the oldest entry of its
//   error queue ("+0,\"No error\"" when empty); MEAS:<function>? [range] a reading of that
//   function; CONF:<function> [range] chooses the function that READ? reads. The functions are
//   VOLT:DC, VOLT:AC, CURR:DC, CURR:AC, RES, FREQ and TEMP. A reading is "%+.8E", or
//   +9.90000000E+37 while overloaded. Anything else queues -113,"Undefined header" and has no
//   answer, as has a function the meter lacks (missing). With echo on, it sends every command
//   back before its answer (a meter set to echo); with garbage on, its answers are bytes that
//   are no answer; silent, it answers nothing.
//
//   Handheld (dmm14): a meter whose optical cable streams its display as 14-byte packets (see
//   the handheld driver's dmm14_protocol.h), four a second, the reading of the function its
//   rotary switch is on, auto-ranged to four digits; "OL" while overloaded. It reads nothing.
//   For testing the reader it can drop bytes (each with the chance given) and turn its switch
//   to the next function every few seconds.
//
// Readings per function are set by their short names: VDC, VAC, ADC, AAC, OHM, HZ, TEMP, and
// for the handheld also CAP (F) and DUTY (%).
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vodex::sim {

class VirtualMultimeter {
  public:
    enum class Protocol { Scpi, Dmm14 };
    struct Options {
        std::string link;  // where the meter's side appears ("" none)
        Protocol protocol = Protocol::Scpi;
        std::map<std::string, double> values;  // by short name; 0 for the others
        std::string function = "VDC";          // what READ? reads until CONF chooses
        bool overload = false;
        bool crlf = false;
        bool echo = false;
        std::set<std::string> missing;  // functions it does not have, by short name
        double dropBytes = 0.0;         // dmm14: the chance that a byte is lost
        double switchEvery = 0.0;       // dmm14: seconds between turns of the switch (0 never)
        std::string identity = "Vodex Messtechnik,VM-2000,MM0451,1.07";
    };

    explicit VirtualMultimeter(Options options);
    ~VirtualMultimeter();
    VirtualMultimeter(const VirtualMultimeter&) = delete;
    VirtualMultimeter& operator=(const VirtualMultimeter&) = delete;

    std::string Path() const;
    std::string DevicePath() const;
    // The reading of a function (by its short name; unknown names throw std::invalid_argument).
    void SetValue(const std::string& function, double value);
    void SetOverload(bool on);
    // The function the rotary switch is on (dmm14), by short name.
    void SetFunction(const std::string& function);
    // The function it is on now.
    std::string Function() const;
    void SetGarbage(bool on);
    void SetSilent(bool on);
    // scpi: each answer breaks off halfway, without its line end.
    void SetCutOff(bool on);
    // Sends bytes unasked; returns once they can be read on the port's side.
    void Send(const std::string& bytes);
    void Vanish();
    void Return();
    std::vector<std::string> Commands() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// Whether `name` is a function's short name (VDC, VAC, ADC, AAC, OHM, HZ, TEMP, CAP, DUTY; any
// case).
bool IsMultimeterFunction(const std::string& name);

}  // namespace vodex::sim
