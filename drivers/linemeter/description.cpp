#include "description.h"

#include <re2/re2.h>

#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <set>
#include <stdexcept>

#include "tlx/codepage.h"
#include "tlx/text.h"
#include "vodex/drivers/line_protocol.h"

namespace vodex::linemeter {

struct Pattern::Compiled {
    explicit Compiled(const std::string& text, const RE2::Options& options) : re(text, options) {}
    RE2 re;
};

namespace {

// The longest pattern, and the memory one may take compiled: enough for any meter's lines.
constexpr std::size_t kMostPatternBytes = 512;
constexpr std::int64_t kPatternMemory = 1 << 20;
constexpr std::size_t kMostExamples = 16;
constexpr std::size_t kMostTextBytes = 200;
constexpr std::string_view kClassPrefix = "Vodex_Line_";

RE2::Options PatternOptions() {
    RE2::Options options;
    options.set_log_errors(false);
    options.set_max_mem(kPatternMemory);
    return options;
}

std::vector<std::string> Split(const std::string& text, char at) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(at, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

bool IsId(std::string_view id) {
    if (id.empty() || id.size() > 20) return false;
    for (char c : id) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

// A number as a meter or a description writes it: "+7.01", "-0.5", "7,01" (a decimal comma).
std::optional<double> NumberOf(std::string_view text) {
    const std::string trimmed = tlx::Trim(std::string(text));
    std::string number = trimmed;
    if (number.find('.') == std::string::npos) {
        if (const auto comma = number.find(','); comma != std::string::npos) number[comma] = '.';
    }
    double value = 0;
    if (!line_protocol::Number(number, value)) return std::nullopt;
    return value;
}

bool IsSettings(const std::string& text) {
    const std::vector<std::string> parts = Split(text, ',');
    if (parts.size() != 4) return false;
    static const std::set<std::string> bauds = {"300",   "600",   "1200",  "2400",  "4800",  "9600",
                                                "14400", "19200", "38400", "57600", "115200"};
    const std::string parity = tlx::UCase(tlx::Trim(parts[1]));
    const std::string data = tlx::Trim(parts[2]);
    const std::string stop = tlx::Trim(parts[3]);
    return bauds.contains(tlx::Trim(parts[0])) && parity.size() == 1 &&
           std::string_view("NOEMS").find(parity[0]) != std::string_view::npos &&
           (data == "5" || data == "6" || data == "7" || data == "8") &&
           (stop == "1" || stop == "1.5" || stop == "2");
}

bool IsVersion(const std::string& text) {
    const std::vector<std::string> parts = Split(text, '.');
    if (parts.size() != 3) return false;
    for (const std::string& p : parts) {
        if (p.empty() || p.size() > 4 || p.find_first_not_of("0123456789") != std::string::npos)
            return false;
    }
    return true;
}

std::int32_t CategoryOf(const std::string& name) {
    const std::string n = tlx::LCase(name);
    if (n == "display") return 100;
    if (n == "nodisplay") return 101;
    if (n == "kit") return 102;
    if (n == "laboratory") return 200;
    if (n == "handheld") return 500;
    if (n == "other") return 700;
    return -1;
}

// Reads one description, line by line.
class Reader {
  public:
    Reader(std::string_view text, const std::string& file) : text_(text), file_(file) {}

    Description Read() {
        if (text_.size() > kMostDescriptionBytes) {
            Fail(0, "is larger than " + std::to_string(kMostDescriptionBytes / 1024) +
                        " KiB; a description is a short text");
        }
        if (text_.find('\0') != std::string_view::npos || tlx::MendedText(text_) != text_) {
            Fail(0, "is no text (it holds bytes that are no UTF-8)");
        }
        tlx::EachKeyValueLine(text_, [this](const tlx::KeyValueLine& l) {
            Line(l);
            return true;
        });
        Finish();
        return std::move(d_);
    }

  private:
    [[noreturn]] void Fail(std::size_t line, const std::string& what) const {
        throw DescriptionError(file_, line, what);
    }

    void Line(const tlx::KeyValueLine& l) {
        const std::string whole = tlx::Trim(std::string(l.line));
        if (whole.empty() || whole.front() == '#' || whole.front() == ';') return;
        if (whole.front() == '[') {
            if (tlx::UCase(whole) != "[CHANNEL]") {
                Fail(l.number, "\"" + whole + "\" is no section; the only one is [CHANNEL]");
            }
            if (d_.channels.size() == kMostChannels) {
                Fail(l.number,
                     "more than " + std::to_string(kMostChannels) + " channels are too many");
            }
            d_.channels.emplace_back().line = l.number;
            keys_.clear();
            return;
        }
        if (!l.assignment) Fail(l.number, "\"" + whole + "\" is no KEY=value line");
        const std::string key = tlx::UCase(tlx::Trim(std::string(l.key)));
        const std::string value = tlx::Trim(std::string(l.value));
        if (key != "EXAMPLE" && !keys_.insert(key).second) Fail(l.number, key + " is given twice");
        if (d_.channels.empty()) {
            Head(l.number, key, value);
        } else {
            Channel(l.number, key, value, d_.channels.back());
        }
    }

    std::shared_ptr<const Pattern> PatternAt(std::size_t line, const std::string& key,
                                             const std::string& value) {
        if (value.empty()) Fail(line, key + " is empty");
        if (value.size() > kMostPatternBytes) {
            Fail(line,
                 key + " is longer than " + std::to_string(kMostPatternBytes) + " characters");
        }
        std::shared_ptr<const Pattern> pattern;
        try {
            pattern = std::make_shared<const Pattern>(value);
        } catch (const std::invalid_argument& e) {
            Fail(line, key + " is no pattern: " + e.what());
        }
        return pattern;
    }

    double NumberAt(std::size_t line, const std::string& key, const std::string& value) {
        const auto n = NumberOf(value);
        if (!n) Fail(line, key + " is no number: \"" + value + "\"");
        return *n;
    }

    void Text(std::size_t line, const std::string& key, const std::string& value,
              std::string& into) {
        if (value.size() > kMostTextBytes) {
            Fail(line, key + " is longer than " + std::to_string(kMostTextBytes) + " characters");
        }
        into = value;
    }

    std::string Escaped(std::size_t line, const std::string& key, const std::string& value) {
        try {
            std::string bytes = Unescape(value);
            if (bytes.size() > kMostTextBytes) {
                Fail(line, key + " is longer than " + std::to_string(kMostTextBytes) + " bytes");
            }
            return bytes;
        } catch (const std::invalid_argument& e) {
            Fail(line, key + ": " + e.what());
        }
    }

    void Head(std::size_t line, const std::string& key, const std::string& value) {
        if (key == "ID") {
            if (!IsId(value)) {
                Fail(line, "ID is 1 to 20 letters (A to Z) and digits: \"" + value + "\"");
            }
            d_.id = value;
        } else if (key == "NAME") {
            Text(line, key, value, d_.name);
        } else if (key == "MANUFACTURER") {
            Text(line, key, value, d_.manufacturer);
        } else if (key == "DESCRIPTION") {
            Text(line, key, value, d_.text);
        } else if (key == "ICON") {
            const std::string icon = tlx::LCase(value);
            if (icon != "meter" && icon != "ph" && icon != "conductivity" &&
                icon != "thermometer") {
                Fail(line, "ICON is meter, ph, conductivity or thermometer: \"" + value + "\"");
            }
            d_.icon = icon;
        } else if (key == "CATEGORY") {
            d_.category = CategoryOf(value);
            if (d_.category < 0) {
                Fail(line,
                     "CATEGORY is display, nodisplay, kit, laboratory, handheld or other: \"" +
                         value + "\"");
            }
        } else if (key == "SETTINGS") {
            if (!IsSettings(value)) {
                Fail(line,
                     "SETTINGS are baud rate, parity, data bits and stop bits, as "
                     "\"9600,N,8,1\": \"" +
                         value + "\"");
            }
            d_.settings = tlx::UCase(value);
        } else if (key == "LINEEND") {
            const std::string end = tlx::UCase(value);
            if (end == "CRLF") {
                d_.lineEnd = "\r\n";
            } else if (end == "LF") {
                d_.lineEnd = "\n";
            } else if (end == "CR") {
                d_.lineEnd = "\r";
            } else {
                Fail(line, "LINEEND is CRLF, LF or CR: \"" + value + "\"");
            }
        } else if (key == "REQUEST") {
            d_.request = Escaped(line, key, value);
        } else if (key == "IDENTIFY") {
            d_.identify = Escaped(line, key, value);
            identifyLine_ = line;
        } else if (key == "IDENTIFYANSWER") {
            d_.identifyAnswer = PatternAt(line, key, value);
            answerLine_ = line;
        } else if (key == "IDENTIFYEXAMPLE") {
            Text(line, key, value, d_.identifyExample);
            exampleLine_ = line;
        } else if (key == "EXAMPLE") {
            if (d_.examples.size() == kMostExamples) {
                Fail(line, "more than " + std::to_string(kMostExamples) + " EXAMPLE lines");
            }
            Text(line, key, value, d_.examples.emplace_back());
        } else if (key == "TIMEOUT") {
            d_.timeout = NumberAt(line, key, value);
            if (!(d_.timeout > 0 && d_.timeout <= 60)) {
                Fail(line, "TIMEOUT is more than 0 and at most 60 seconds");
            }
        } else if (key == "VERSION") {
            if (!IsVersion(value)) Fail(line, "VERSION is three numbers, as \"1.0.2\"");
            d_.version = value;
        } else {
            Fail(line, "\"" + key + "\" is no key of a description");
        }
    }

    void Channel(std::size_t line, const std::string& key, const std::string& value,
                 ChannelDescription& c) {
        if (key == "NAME") {
            Text(line, key, value, c.name);
        } else if (key == "UNIT") {
            Text(line, key, value, c.unit);
        } else if (key == "PATTERN") {
            c.pattern = PatternAt(line, key, value);
            if (const int groups = c.pattern->Groups(); groups != 1) {
                Fail(line, groups == 0 ? "PATTERN has no capture group (in brackets) for the number"
                                       : "PATTERN has " + std::to_string(groups) +
                                             " capture groups; it needs one, for the number (write "
                                             "(?:...) for the others)");
            }
        } else if (key == "FACTOR") {
            c.factor = NumberAt(line, key, value);
            if (c.factor == 0) Fail(line, "FACTOR is 0, which would make every reading the same");
        } else if (key == "OFFSET") {
            c.offset = NumberAt(line, key, value);
        } else if (key == "MIN") {
            c.min = NumberAt(line, key, value);
        } else if (key == "MAX") {
            c.max = NumberAt(line, key, value);
        } else {
            Fail(line, "\"" + key + "\" is no key of a channel");
        }
    }

    void Finish() {
        if (d_.id.empty()) Fail(0, "gives no ID");
        if (d_.name.empty()) Fail(0, "gives no NAME");
        if (d_.channels.empty()) Fail(0, "describes no channel ([CHANNEL])");
        for (std::size_t i = 0; i < d_.channels.size(); ++i) {
            const ChannelDescription& c = d_.channels[i];
            if (c.name.empty()) Fail(c.line, "the channel gives no NAME");
            if (!c.pattern) Fail(c.line, "the channel gives no PATTERN");
            if (c.min && c.max && !(*c.min < *c.max)) Fail(c.line, "MIN is not below MAX");
        }
        if (!d_.identify.empty() && !d_.identifyAnswer) {
            Fail(identifyLine_, "IDENTIFY needs IDENTIFYANSWER, the pattern of the answer");
        }
        if (d_.identifyAnswer && d_.identify.empty()) {
            Fail(answerLine_, "IDENTIFYANSWER needs IDENTIFY, the request it answers");
        }
        if (!d_.identifyExample.empty() &&
            !(d_.identifyAnswer && d_.identifyAnswer->Matches(d_.identifyExample))) {
            Fail(exampleLine_, "IDENTIFYEXAMPLE does not match IDENTIFYANSWER");
        }
    }

    std::string_view text_;
    const std::string& file_;
    Description d_;
    std::set<std::string> keys_;  // of the head, or of the channel being read
    std::size_t identifyLine_ = 0;
    std::size_t answerLine_ = 0;
    std::size_t exampleLine_ = 0;
};

}  // namespace

Pattern::Pattern(const std::string& text)
    : text_(text), compiled_(std::make_unique<Compiled>(text, PatternOptions())) {
    if (!compiled_->re.ok()) throw std::invalid_argument(compiled_->re.error());
}

Pattern::~Pattern() = default;

int Pattern::Groups() const {
    return compiled_->re.NumberOfCapturingGroups();
}

std::optional<std::string_view> Pattern::Find(std::string_view line) const {
    re2::StringPiece captured;
    const re2::StringPiece input(line.data(), line.size());
    if (Groups() != 1 || !RE2::PartialMatch(input, compiled_->re, &captured) ||
        captured.data() == nullptr) {
        return std::nullopt;
    }
    return std::string_view(captured.data(), captured.size());
}

bool Pattern::Matches(std::string_view line) const {
    return RE2::PartialMatch(re2::StringPiece(line.data(), line.size()), compiled_->re);
}

DescriptionError::DescriptionError(const std::string& file, std::size_t line,
                                   const std::string& what)
    : tlx::Error(line == 0 ? file + ": the description " + what
                           : file + ", line " + std::to_string(line) + ": " + what) {}

Description ParseDescription(std::string_view text, const std::string& file) {
    return Reader(text, file).Read();
}

Description ReadDescription(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw DescriptionError(file, 0, "cannot be opened");
    std::string text(kMostDescriptionBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) throw DescriptionError(file, 0, "cannot be read");
    text.resize(static_cast<std::size_t>(in.gcount()));
    return ParseDescription(text, file);
}

std::string DriverClass(const Description& description) {
    return std::string(kClassPrefix) + description.id;
}

std::string IdOfClass(std::string_view cls) {
    if (cls.size() <= kClassPrefix.size() ||
        !tlx::EqualsNoCase(cls.substr(0, kClassPrefix.size()), kClassPrefix)) {
        return {};
    }
    const std::string_view id = cls.substr(kClassPrefix.size());
    return IsId(id) ? std::string(id) : std::string();
}

ChannelReading ReadChannel(const ChannelDescription& channel, std::string_view line) {
    ChannelReading reading;
    const auto captured = channel.pattern->Find(line);
    if (!captured) return reading;
    reading.captured = std::string(*captured);
    const auto number = NumberOf(*captured);
    if (!number) {
        reading.kind = ChannelReading::Kind::NotANumber;
        return reading;
    }
    const double value = *number * channel.factor + channel.offset;
    if (!std::isfinite(value)) {
        reading.kind = ChannelReading::Kind::NotANumber;
    } else if (channel.max && value > *channel.max) {
        reading.kind = ChannelReading::Kind::Over;
    } else if (channel.min && value < *channel.min) {
        reading.kind = ChannelReading::Kind::Under;
    } else {
        reading.kind = ChannelReading::Kind::Value;
        reading.value = value;
    }
    return reading;
}

void LineSplitter::Append(std::string_view bytes, std::vector<std::string>& lines) {
    for (char c : bytes) {
        if (c == '\r' || c == '\n') {
            if (!skipping_ && !partial_.empty()) lines.push_back(std::move(partial_));
            partial_.clear();
            skipping_ = false;
            continue;
        }
        if (skipping_) continue;
        if (partial_.size() == kMostLineBytes) {
            partial_.clear();
            skipping_ = true;
            ++overlong_;
            continue;
        }
        partial_ += c;
    }
}

void LineSplitter::Clear() {
    partial_.clear();
    skipping_ = false;
}

std::string Unescape(std::string_view text) {
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (++i == text.size()) throw std::invalid_argument("a \\ at the end escapes nothing");
        switch (text[i]) {
            case 'r':
                bytes += '\r';
                break;
            case 'n':
                bytes += '\n';
                break;
            case 't':
                bytes += '\t';
                break;
            case '\\':
                bytes += '\\';
                break;
            case 'x': {
                unsigned value = 0;
                const char* digits = text.data() + i + 1;
                const bool two = i + 3 <= text.size() && std::isxdigit(digits[0] & 0xFF) &&
                                 std::isxdigit(digits[1] & 0xFF);
                if (!two || std::from_chars(digits, digits + 2, value, 16).ec != std::errc()) {
                    throw std::invalid_argument("\\x needs two hexadecimal digits");
                }
                bytes += static_cast<char>(value);
                i += 2;
                break;
            }
            default:
                throw std::invalid_argument(std::string("\\") + text[i] +
                                            " is no escape (\\r, \\n, \\t, \\\\ and \\xHH are)");
        }
    }
    return bytes;
}

}  // namespace vodex::linemeter
