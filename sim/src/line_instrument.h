// What every virtual instrument has: a pseudo-terminal pair whose instrument side it keeps,
// published under a path of one's choosing (a symbolic link to the terminal's device), and a
// thread of its own that reads the commands the port's side sends, line by line, and writes
// the instrument's answers; an instrument that streams sends what it has to say at a steady
// pace as well. It can vanish (its side closed, as an unplugged USB adapter) and come back
// under the same path. All members may be called from any thread.
//
// The link replaces only the link of an earlier virtual instrument (one that leads to a
// pseudo-terminal, as a killed instrument leaves behind); anything else at its path makes the
// constructor throw and stays as it is. The instrument takes its link away when it ends, as
// long as the link is still its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vodex::sim::detail {

class LineInstrument {
  public:
    struct Behaviour {
        // The bytes to send for one command line (given without CR or LF), its line end
        // included; "" for none. Called on the instrument's thread.
        std::function<std::string(const std::string& line)> answer;
        // Bytes the instrument sends unasked every `period` (none without it).
        std::function<std::string()> stream;
        std::chrono::milliseconds period{0};
    };

    // `kind` names the instrument in messages ("virtual balance").
    LineInstrument(std::string link, std::string kind, Behaviour behaviour);
    ~LineInstrument();
    LineInstrument(const LineInstrument&) = delete;
    LineInstrument& operator=(const LineInstrument&) = delete;

    std::string Path() const;
    std::string DevicePath() const;
    // Sends bytes unasked; returns once they can be read on the port's side.
    void Send(const std::string& bytes);
    void Vanish();
    // Back on a new terminal under the same path; throws std::runtime_error when no terminal
    // can be made.
    void Return();
    // The baud rate the port's side has set on the terminal (0 for one it has no number for).
    std::int32_t LineBaud() const;
    // The command lines received so far.
    std::vector<std::string> Commands() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vodex::sim::detail
