#include "tlx/convert.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "tlx/text.h"

namespace tlx {
namespace {

// Reads a whole number at `p`; False when there is none.
bool Number(const char*& p, const char* end, int& value) {
    const auto [next, ec] = std::from_chars(p, end, value);
    if (ec != std::errc()) return false;
    p = next;
    return true;
}

bool Expect(const char*& p, const char* end, char c) {
    if (p == end || *p != c) return false;
    ++p;
    return true;
}

bool ValidDay(int year, int month, int day) {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return year >= 1 && year <= 9999 && month >= 1 && month <= 12 && day >= 1 &&
           day <= kDays[month - 1] && !(month == 2 && day == 29 && !leap);
}

constexpr double kSerialOf1970 = 25569.0;  // days from 30 December 1899 to 1 January 1970

}  // namespace

double Val(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    // No number at the start (or only "inf"/"nan", which is no decimal number): 0.
    if (ec != std::errc() || std::isinf(value) || std::isnan(value)) return 0.0;
    (void)end;
    return value;
}

std::optional<Date> DateFromText(std::string_view text) {
    const std::string t = Trim(text);
    const char* p = t.data();
    const char* end = p + t.size();
    int a = 0, b = 0, c = 0;
    if (!Number(p, end, a)) return std::nullopt;
    int year = 0, month = 0, day = 0;
    if (Expect(p, end, '.')) {
        if (!Number(p, end, b) || !Expect(p, end, '.') || !Number(p, end, c)) return std::nullopt;
        day = a, month = b, year = c;
    } else if (Expect(p, end, '-')) {
        if (!Number(p, end, b) || !Expect(p, end, '-') || !Number(p, end, c)) return std::nullopt;
        year = a, month = b, day = c;
    } else {
        return std::nullopt;
    }
    if (!ValidDay(year, month, day)) return std::nullopt;
    int hour = 0, minute = 0, second = 0;
    if (p != end) {
        if (!Expect(p, end, ' ') && !Expect(p, end, 'T')) return std::nullopt;
        if (!Number(p, end, hour) || !Expect(p, end, ':') || !Number(p, end, minute)) {
            return std::nullopt;
        }
        if (Expect(p, end, ':') && !Number(p, end, second)) return std::nullopt;
        if (p != end || hour > 23 || minute > 59 || second > 59 || hour < 0 || minute < 0 ||
            second < 0) {
            return std::nullopt;
        }
    }
    return Date::FromParts(year, month, day, hour, minute, second);
}

Date Now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    return Date::FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                           local.tm_min, local.tm_sec);
}

std::string DateToText(Date date) {
    const double seconds = std::round((date.serial - kSerialOf1970) * 86400.0);
    const auto whole = static_cast<long long>(seconds);
    long long days = whole / 86400;
    long long rest = whole % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Civil date from days since 1970-01-01 (proleptic Gregorian calendar).
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const long long doe = days - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    const long long day = doy - (153 * mp + 2) / 5 + 1;
    const long long month = mp < 10 ? mp + 3 : mp - 9;
    const long long year = yoe + era * 400 + (month <= 2);
    char text[128];
    std::snprintf(text, sizeof text, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld", year, month, day,
                  rest / 3600, rest % 3600 / 60, rest % 60);
    return text;
}

std::string SizeText(double bytes, char decimal) {
    if (!(bytes >= 0)) bytes = 0;
    if (bytes < 1024) return std::to_string(static_cast<long long>(bytes)) + " Bytes";
    static const char* const units[] = {"KB", "MB", "GB", "TB"};
    std::size_t unit = 0;
    // Tenths of the unit, rounded before the unit is chosen, so 1023.96 KB reads "1.0 MB".
    double tenths = std::round(bytes / 1024 * 10);
    while (tenths >= 10240 && unit + 1 < std::size(units)) {
        tenths = std::round(tenths / 1024);
        ++unit;
    }
    // Whole numbers only, so the program's locale cannot change the separator.
    const auto whole = static_cast<long long>(tenths);
    return std::to_string(whole / 10) + decimal + std::to_string(whole % 10) + " " + units[unit];
}

std::string ReadingText(double value) {
    if (!std::isfinite(value)) return {};
    if (value == 0) value = 0;  // -0 reads as 0
    char text[64];
    const bool large = std::abs(value) >= 1e7;
    const auto result =
        large ? std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 0)
              : std::to_chars(text, text + sizeof text, value, std::chars_format::general, 7);
    std::string out(text, result.ptr);
    return out == "-0" ? "0" : out;
}

}  // namespace tlx
