#include "reading_writers.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "json_writer.h"
#include "tlx/lists.h"

namespace vodex::cli {
namespace {

// `text` as one CSV field, as text output shows it: quoted, with its quotes doubled, when it
// holds a comma or a quote.
std::string Csv(const std::string& shown) {
    const std::string text = Shown(shown);
    if (text.find_first_of(",\"") == std::string::npos) return text;
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

std::shared_ptr<cls_DeviceChannel> ChannelOf(const MeasuringSession& session, std::int32_t id) {
    return session.Device().CHANNELS()->Item(id, false);
}

// A whole number in decimal digits.
void AppendWhole(std::string& out, long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, static_cast<std::size_t>(end - digits));
}

// Seconds to the millisecond, as CSV and JSON give them.
double Rounded(double seconds) {
    return std::round(seconds * 1000) / 1000;
}

class TableWriter : public ReadingWriter {
  public:
    void Head(const MeasuringSession& session) override {
        int_Device& device = session.Device();
        std::printf("%s: %s, %s %s, %s\n", Say("Gerät", "Device").c_str(),
                    Shown(device.INFO()->NAME()).c_str(), Say("Anschluss", "port").c_str(),
                    std::to_string(session.Port()).c_str(), Shown(device.STATUSTEXT()).c_str());
        std::printf("%6s %8s", "#", "t/s");
        for (std::int32_t id : session.Channels())
            std::printf(" %14s", Shown(ChannelOf(session, id)->NAME().substr(0, 14)).c_str());
        std::printf("\n");
    }
    void Line(const MeasuringSession& session, long cycle, double seconds) override {
        char head[32];
        std::snprintf(head, sizeof head, "%6ld %8.3f", cycle, seconds);
        std::string line = head;
        for (std::int32_t id : session.Channels()) {
            const auto c = ChannelOf(session, id);
            char cell[48];
            if (c->MEASURED()) {
                std::snprintf(cell, sizeof cell, " %14.4f", c->VALUE());
            } else {
                std::snprintf(cell, sizeof cell, " %14s", Shown(c->STATUSTEXTSHORT()).c_str());
            }
            line += cell;
        }
        std::printf("%s\n", line.c_str());
    }
};

class CsvWriter : public ReadingWriter {
  public:
    void Head(const MeasuringSession& session) override {
        std::printf("cycle,t");
        for (std::int32_t id : session.Channels()) {
            const auto c = ChannelOf(session, id);
            std::printf(",%s",
                        Csv(c->NAME() + (c->SIZE().empty() ? "" : " [" + c->SIZE() + "]")).c_str());
        }
        std::printf("\n");
    }
    void Line(const MeasuringSession& session, long cycle, double seconds) override {
        line_.clear();
        AppendWhole(line_, cycle);
        line_ += ',';
        AppendJsonNumber(line_, Rounded(seconds));
        for (std::int32_t id : session.Channels()) {
            const auto c = ChannelOf(session, id);
            line_ += ',';
            if (c->MEASURED()) {
                AppendJsonNumber(line_, c->VALUE());
            } else {
                line_ += Csv(c->STATUSTEXTSHORT());
            }
        }
        line_ += '\n';
        std::fwrite(line_.data(), 1, line_.size(), stdout);
    }

  private:
    std::string line_;  // kept, so a cycle's line needs no memory of its own
};

// One object per cycle, written as it is read: the field names fixed, each number formatted
// once, a channel's name and unit written out once and again only when they change.
class JsonWriter : public ReadingWriter {
  public:
    void Head(const MeasuringSession&) override {}
    void Line(const MeasuringSession& session, long cycle, double seconds) override {
        line_ = "{\"cycle\":";
        AppendWhole(line_, cycle);
        line_ += ",\"t\":";
        AppendJsonNumber(line_, Rounded(seconds));
        line_ += ",\"channels\":[";
        const auto& ids = session.Channels();
        if (texts_.size() != ids.size()) texts_.assign(ids.size(), {});
        for (std::size_t i = 0; i < ids.size(); ++i) {
            const auto c = ChannelOf(session, ids[i]);
            Texts& t = texts_[i];
            if (t.name != c->NAME() || t.unit != c->SIZE() || t.written.empty()) {
                t.name = c->NAME();
                t.unit = c->SIZE();
                t.written = "{\"id\":";
                AppendWhole(t.written, ids[i]);
                t.written += ",\"name\":";
                AppendJsonString(t.written, t.name);
                t.written += ",\"unit\":";
                AppendJsonString(t.written, t.unit);
                t.written += ",\"value\":";
            }
            if (i > 0) line_ += ',';
            line_ += t.written;
            AppendJsonNumber(line_, c->VALUE());
            if (c->STATUS() == ID_ChannelStatus_Ready && c->MEASURED()) {
                line_ += ",\"status\":0,\"measured\":true}";  // the usual end
            } else {
                line_ += ",\"status\":";
                AppendWhole(line_, c->STATUS());
                line_ += c->MEASURED() ? ",\"measured\":true}" : ",\"measured\":false}";
            }
        }
        line_ += "]}\n";
        std::fwrite(line_.data(), 1, line_.size(), stdout);
    }

  private:
    struct Texts {
        std::string name;
        std::string unit;
        std::string written;  // from the name's key to the value's, as written
    };
    std::vector<Texts> texts_;
    std::string line_;
};

}  // namespace

std::unique_ptr<ReadingWriter> MakeReadingWriter(const std::string& format) {
    if (format == "table") return std::make_unique<TableWriter>();
    if (format == "csv") return std::make_unique<CsvWriter>();
    if (format == "json") return std::make_unique<JsonWriter>();
    return nullptr;
}

}  // namespace vodex::cli
