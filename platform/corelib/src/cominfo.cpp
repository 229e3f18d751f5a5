#include "tlx/cominfo.h"

#include <charconv>

#include "tlx/error.h"
#include "tlx/text.h"

namespace tlx {

tmp_COMInfo::~tmp_COMInfo() = default;

Date DateFromDayMonthYear(const std::string& text) {
    int parts[3] = {0, 0, 0};
    const std::string t = Trim(text);
    const char* p = t.data();
    const char* end = t.data() + t.size();
    for (int i = 0; i < 3; ++i) {
        auto [next, ec] = std::from_chars(p, end, parts[i]);
        if (ec != std::errc() || (i < 2 && (next == end || *next != '.'))) {
            throw Error("'" + text + "' is no day of the form day.month.year");
        }
        p = i < 2 ? next + 1 : next;
    }
    const int day = parts[0];
    const int month = parts[1];
    const int year = parts[2];
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (p != end || year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > kDays[month - 1] || (month == 2 && day == 29 && !leap)) {
        throw Error("'" + text + "' is no day of the form day.month.year");
    }
    return Date::FromParts(year, month, day);
}

void cls_CoreComInfo::FILL(std::string pFileName, std::string pKey, std::string pVersion,
                           std::string pGroup, std::string pTitle, std::string pMaker,
                           const std::string& pDate) {
    Date date = DateFromDayMonthYear(pDate);
    fileName_ = std::move(pFileName);
    key_ = std::move(pKey);
    version_ = std::move(pVersion);
    group_ = std::move(pGroup);
    title_ = std::move(pTitle);
    maker_ = std::move(pMaker);
    date_ = date;
}

}  // namespace tlx
