#include <cctype>
#include <charconv>
#include <sstream>
#include <vector>

#include "tlx/serial_transport.h"
#include "tlx/text.h"

namespace tlx {
namespace {

std::vector<std::string> Parts(const std::string& text) {
    std::vector<std::string> parts;
    std::string part;
    std::stringstream in(text);
    while (std::getline(in, part, ','))
        parts.push_back(Trim(part));
    if (!text.empty() && text.back() == ',') parts.emplace_back();
    return parts;
}

bool WholeNumber(const std::string& s, std::int32_t& value) {
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

}  // namespace

SerialSettings ParseSerialSettings(const std::string& text) {
    const std::vector<std::string> parts = Parts(text);
    auto refuse = [&text](const std::string& why) {
        return Error("the serial settings \"" + text + "\" are not valid: " + why +
                     " (expected as \"9600,N,8,1\")");
    };
    if (parts.size() != 4) throw refuse("they need four parts");
    SerialSettings s;
    if (!WholeNumber(parts[0], s.baud) || s.baud <= 0) throw refuse("the baud rate");
    if (parts[1].size() != 1) throw refuse("the parity letter is N, O, E, M or S");
    s.parity = static_cast<char>(std::toupper(static_cast<unsigned char>(parts[1][0])));
    if (std::string("NOEMS").find(s.parity) == std::string::npos) {
        throw refuse("the parity letter is N, O, E, M or S");
    }
    if (!WholeNumber(parts[2], s.dataBits) || s.dataBits < 5 || s.dataBits > 8) {
        throw refuse("data bits are 5 to 8");
    }
    if (parts[3] == "1") {
        s.stopTenths = 10;
    } else if (parts[3] == "1.5") {
        s.stopTenths = 15;
    } else if (parts[3] == "2") {
        s.stopTenths = 20;
    } else {
        throw refuse("stop bits are 1, 1.5 or 2");
    }
    return s;
}

std::string FormatSerialSettings(const SerialSettings& s) {
    const std::string stop = s.stopTenths == 15 ? "1.5" : s.stopTenths == 20 ? "2" : "1";
    return std::to_string(s.baud) + "," + std::string(1, s.parity) + "," +
           std::to_string(s.dataBits) + "," + stop;
}

SerialTransport::~SerialTransport() = default;

namespace {

thread_local SerialTransportFactory tFactory;

}  // namespace

std::unique_ptr<SerialTransport> MakeSerialTransport() {
    return tFactory ? tFactory() : MakePortTransport();
}

SerialTransportFactory SetSerialTransportFactory(SerialTransportFactory factory) {
    SerialTransportFactory old = std::move(tFactory);
    tFactory = std::move(factory);
    return old;
}

}  // namespace tlx
