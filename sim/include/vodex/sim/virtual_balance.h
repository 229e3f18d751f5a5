// A laboratory balance on a pseudo-terminal, for tests, demonstrations and driver authors.
// It makes a pseudo-terminal pair, publishes the instrument's side under a path of one's
// choosing (a symbolic link to the terminal's device), and answers on a thread of its own
// like a balance of the common level-0/1 command set, each command and answer ending in
// CR LF:
//
//   S    stable weight   "S S <value> g"; "S I" while the weight moves; "S +" / "S -" over-
//                        and underload
//   SI   weight now      "S S <value> g" when stable, "S D <value> g" while it moves
//   Z    zero            "Z A"; "Z I" while it moves; "Z +" / "Z -"
//   T    tare            "T S <tare> g"; "T I" while it moves; "T +" / "T -"
//   I4   serial number   I4 A "<serial number>"
//   @    reset           clears the tare, answers as I4
//   otherwise "ES" (syntax), "ET" (bytes that are no command text), "EL" (a command with
//   arguments it does not take)
//
// Values have two decimals, right-aligned in ten characters. Tests script it: a weight that
// moves and settles, overload and underload, silence, garbage instead of answers, and
// vanishing (its side closed, as an unplugged USB adapter) and coming back under the same
// path. All members may be called from any thread. A program that held the port exclusively
// and ended without giving it back (killed, say) leaves it exclusive for a second at most.
//
// The link replaces only the link of an earlier virtual instrument (one that leads to a
// pseudo-terminal, as a killed instrument leaves behind); anything else at its path makes the
// constructor throw and stays as it is. The instrument takes its link away when it ends, as
// long as the link is still its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vodex::sim {

class VirtualBalance {
  public:
    struct Options {
        std::string link;          // where the instrument's side appears ("" none)
        double weight = 0.0;       // gross weight on the pan, g
        double capacity = 2200.0;  // above it: overload
        double lowest = -10.0;     // below it: underload
        std::string serialNumber = "B021045183";
    };

    explicit VirtualBalance(Options options);
    VirtualBalance() : VirtualBalance(Options{}) {}
    ~VirtualBalance();
    VirtualBalance(const VirtualBalance&) = delete;
    VirtualBalance& operator=(const VirtualBalance&) = delete;

    // The path to open: the link when there is one, else the terminal's device.
    std::string Path() const;
    // The terminal's device of the instrument's side, as "/dev/pts/7".
    std::string DevicePath() const;

    // A stable gross weight.
    void SetWeight(double grams);
    // The weight moves from where it is to `grams` and settles after `seconds`.
    void MoveTo(double grams, double seconds);
    // No answers while on (commands are still read).
    void SetSilent(bool on);
    // Answers replaced by bytes that are no answer, with a line end, while on.
    void SetGarbage(bool on);
    // Sends bytes unasked; returns once they can be read on the port's side.
    void Send(const std::string& bytes);
    // Closes the instrument's side, as an unplugged adapter; its path goes away with it.
    void Vanish();
    // Back on a new terminal, published under the same path. Throws std::runtime_error when
    // no terminal can be made.
    void Return();

    // The commands received so far, without line ends.
    std::vector<std::string> Commands() const;
    // The baud rate that the port's side has set on the terminal (0 for one it has no number
    // for), as a port server sets it for its client.
    std::int32_t LineBaud() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vodex::sim
