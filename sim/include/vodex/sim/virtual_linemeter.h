// A virtual text-line meter that speaks what a line meter's description says: it sends the
// description's EXAMPLE lines, each channel's number replaced by the reading set for it (as
// the meter would send it: before the channel's factor and offset, with the example's number
// of decimals). A streaming meter sends them at a steady pace; a meter that is asked sends them
// when it receives the description's request, and its IDENTIFYEXAMPLE when it receives the
// identification request.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vodex::sim {

class VirtualLineMeter {
  public:
    struct Options {
        std::string link;         // where the meter's side appears ("" none)
        std::string description;  // the description file
        // Readings by channel name or number ("1"); a channel not named reads as its example.
        std::map<std::string, double> values;
        std::chrono::milliseconds every{500};  // the pace of a streaming meter
    };

    // Throws std::invalid_argument when the description is refused (its reason naming the file
    // and line), when an EXAMPLE matches no channel that a value is set for, or when the meter
    // cannot answer the identification request it describes.
    explicit VirtualLineMeter(Options options);
    ~VirtualLineMeter();
    VirtualLineMeter(const VirtualLineMeter&) = delete;
    VirtualLineMeter& operator=(const VirtualLineMeter&) = delete;

    std::string Path() const;
    std::string DevicePath() const;
    // The reading of a channel (by name or number); throws std::invalid_argument for none.
    void SetValue(const std::string& channel, double value);
    // The lines it sends now, without their line ends.
    std::vector<std::string> Lines() const;
    void SetSilent(bool on);
    // Sends bytes unasked; returns once they can be read on the port's side.
    void Send(const std::string& bytes);
    void Vanish();
    void Return();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vodex::sim
