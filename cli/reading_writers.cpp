#include "reading_writers.h"

#include <cmath>
#include <cstdio>

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
        std::string line = std::to_string(cycle) + "," + Json(Rounded(seconds)).dump();
        for (std::int32_t id : session.Channels()) {
            const auto c = ChannelOf(session, id);
            line += "," + (c->MEASURED() ? Json(c->VALUE()).dump() : Csv(c->STATUSTEXTSHORT()));
        }
        std::printf("%s\n", line.c_str());
    }
};

class JsonWriter : public ReadingWriter {
  public:
    void Head(const MeasuringSession&) override {}
    void Line(const MeasuringSession& session, long cycle, double seconds) override {
        Json json = {{"cycle", cycle}, {"t", Rounded(seconds)}, {"channels", Json::array()}};
        for (std::int32_t id : session.Channels()) {
            const auto c = ChannelOf(session, id);
            json["channels"].push_back({{"id", c->ID()},
                                        {"name", c->NAME()},
                                        {"unit", c->SIZE()},
                                        {"value", c->VALUE()},
                                        {"status", c->STATUS()},
                                        {"measured", c->MEASURED()}});
        }
        std::printf("%s\n", JsonText(std::move(json)).c_str());
    }
};

}  // namespace

std::unique_ptr<ReadingWriter> MakeReadingWriter(const std::string& format) {
    if (format == "table") return std::make_unique<TableWriter>();
    if (format == "csv") return std::make_unique<CsvWriter>();
    if (format == "json") return std::make_unique<JsonWriter>();
    return nullptr;
}

}  // namespace vodex::cli
