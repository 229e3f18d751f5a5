#include "vodex/port/port_tools.h"

#include <cstdint>

#include "tlx/error.h"
#include "tlx/pump.h"
#include "tlx/tools.h"
#include "vodex/interface_ids.h"

namespace vodex {
namespace {

constexpr double kDay = 86400.0;

}  // namespace

std::span<const std::string_view> cls_VQPortToolTime::INTERFACEIDS() const {
    return iid::cls_VQPortToolTime;
}

std::span<const std::string_view> cls_VQPortToolConv::INTERFACEIDS() const {
    return iid::cls_VQPortToolConv;
}

std::span<const std::string_view> cls_VQPortTool::INTERFACEIDS() const {
    return iid::cls_VQPortTool;
}

double cls_VQPortToolTime::Now() const {
    return clock_ ? clock_() : tlx::CoreTools().CLOCK().SECONDS();
}

void cls_VQPortToolTime::DELAY(std::int16_t pMilli) {
    tlx::CoreTools().CLOCK().WAIT(pMilli / 1000.0, true);
}

double cls_VQPortToolTime::START() {
    return Now();
}

bool cls_VQPortToolTime::OUT(double& rStart, double& pDuration) {
    const double now = Now();
    if (now < rStart) rStart -= kDay;  // midnight has passed since the start
    if (now - rStart >= pDuration) return true;
    tlx::PumpMessages();
    return tlx::WaitsCancelled();  // a stopped operation's time is up
}

std::int32_t cls_VQPortToolConv::BIN2LNG(const std::string& pExpression) {
    // One step per character (a character of several bytes counts once, as a non-digit).
    std::size_t characters = 0;
    for (char c : pExpression)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    std::int64_t value = 0;
    std::size_t seen = 0;
    for (std::size_t i = 0; i < pExpression.size(); ++i) {
        const auto c = static_cast<unsigned char>(pExpression[i]);
        if ((c & 0xC0) == 0x80) continue;  // inside a character
        ++seen;
        if (c >= '0' && c <= '9') value += c - '0';
        if (seen < characters) value *= 2;
        if (value > INT32_MAX) throw tlx::Error("overflow");
    }
    return static_cast<std::int32_t>(value);
}

std::string cls_VQPortToolConv::LNG2BIN(std::int32_t pExpression) {
    std::string text;
    std::int32_t value = pExpression;
    do {
        const std::int32_t quotient = value / 2;
        const std::int32_t remainder = value - 2 * quotient;
        text.insert(0, std::to_string(remainder));
        value = quotient;
    } while (value != 0);
    return text;
}

cls_VQPortTool::cls_VQPortTool()
    : timing_(std::make_shared<cls_VQPortToolTime>()),
      conv_(std::make_shared<cls_VQPortToolConv>()) {}

}  // namespace vodex
