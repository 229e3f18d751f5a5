// What a text-line meter is, read from its description (a "*.linemeter" file of KEY=value lines
// and one [CHANNEL] block per channel; docs/drivers/linemeter.md): its name and maker, its line,
// what to send and what its answers look like, and per channel a regular expression whose one
// capture group is the number. Descriptions come from users and the internet, so they are
// untrusted: their size is bounded and their patterns run in linear time (RE2). Every fault is
// a DescriptionError naming the file and line.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tlx/error.h"

namespace vodex::linemeter {

// A compiled pattern (RE2 syntax; it runs in time linear in the line).
class Pattern {
  public:
    // Throws std::invalid_argument with the reason when `text` is no such pattern.
    explicit Pattern(const std::string& text);
    ~Pattern();
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    const std::string& Text() const { return text_; }
    // How many capture groups it has.
    int Groups() const;
    // Where the pattern matches in `line`: what its one group captured; nothing when it does
    // not match, its group took no part, or it has not exactly one group.
    std::optional<std::string_view> Find(std::string_view line) const;
    // Whether the pattern matches somewhere in `line`.
    bool Matches(std::string_view line) const;

  private:
    struct Compiled;
    std::string text_;
    std::unique_ptr<Compiled> compiled_;
};

struct ChannelDescription {
    std::size_t line = 0;  // where its [CHANNEL] stands
    std::string name;
    std::string unit;
    std::shared_ptr<const Pattern> pattern;
    double factor = 1.0;
    double offset = 0.0;
    std::optional<double> min;  // below: a range error, not a value
    std::optional<double> max;  // above: a range error, not a value
};

struct Description {
    std::string id;  // letters and digits; the driver is Vodex_Line_<id>
    std::string name;
    std::string manufacturer;
    std::string text;                     // the driver's description ("" when not given)
    std::string icon = "meter";           // meter, ph, conductivity or thermometer
    std::int32_t category = 100;          // a device category (ID_DevCat_...)
    std::string settings = "9600,N,8,1";  // baud, parity, data bits, stop bits
    std::string lineEnd = "\r\n";         // what ends the meter's lines: "\r\n", "\n" or "\r"
    std::string request;                  // sent before each reading; "" for a streaming meter
    std::string identify;                 // sent to find the meter; "" to find it by its lines
    std::shared_ptr<const Pattern> identifyAnswer;  // what the answer to `identify` matches
    std::string identifyExample;                    // an answer the meter gives to `identify`
    std::vector<std::string> examples;  // lines the meter sends (for the check and the simulator)
    double timeout = 1.0;  // seconds an answer, or a streaming meter's next line, may take
    std::string version = "1.0.0";
    std::vector<ChannelDescription> channels;
};

// A fault of a description: "FILE, line N: what is wrong" (without the line when it is the
// whole file's).
class DescriptionError : public tlx::Error {
  public:
    DescriptionError(const std::string& file, std::size_t line, const std::string& what);
};

// The most a description may hold.
inline constexpr std::size_t kMostDescriptionBytes = 64 * 1024;
inline constexpr std::size_t kMostChannels = 32;
// The longest line a meter may send; a longer one is no line of a meter.
inline constexpr std::size_t kMostLineBytes = 4096;

// The description in `text`, read from `file` (which names it in errors).
Description ParseDescription(std::string_view text, const std::string& file);
// Reads and parses the description file `file`.
Description ReadDescription(const std::string& file);

// "Vodex_Line_<id>": the driver class of a description.
std::string DriverClass(const Description& description);
// The id of a driver class of a description ("PH20" of "Vodex_Line_PH20"); "" when `cls` is
// none.
std::string IdOfClass(std::string_view cls);

// What a channel reads from one line.
struct ChannelReading {
    enum class Kind { NoMatch, NotANumber, Value, Over, Under } kind = Kind::NoMatch;
    double value = 0;      // the number times the factor plus the offset (for Value)
    std::string captured;  // what the pattern captured (for NotANumber, Value, Over, Under)
};
ChannelReading ReadChannel(const ChannelDescription& channel, std::string_view line);

// Splits what a meter sends into lines (ended by CR, LF or both; empty lines are dropped). A
// line longer than kMostLineBytes is dropped and counted: a meter does not send such lines.
class LineSplitter {
  public:
    // Appends `bytes` and moves every line they complete into `lines`.
    void Append(std::string_view bytes, std::vector<std::string>& lines);
    // How many overlong lines were dropped so far.
    std::size_t Overlong() const { return overlong_; }
    void Clear();

  private:
    std::string partial_;
    bool skipping_ = false;  // in the middle of an overlong line
    std::size_t overlong_ = 0;
};

// The escapes of requests in a description: \r, \n, \t, \\ and \xHH; throws
// std::invalid_argument for another.
std::string Unescape(std::string_view text);

}  // namespace vodex::linemeter
