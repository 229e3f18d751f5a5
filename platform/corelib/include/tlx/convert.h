// The core library's conversions of numbers and dates from and to text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tlx/variant.h"

namespace tlx {

// The leading number of `text` (after blanks: a sign, digits, a decimal point, an exponent);
// 0 when it begins with none. "1.10abc" gives 1.1, "abc" 0.
double Val(std::string_view text);
// A date written as "day.month.year" or "year-month-day", either followed by a time
// "hours:minutes[:seconds]"; nothing for anything else or a day that does not exist.
std::optional<Date> DateFromText(std::string_view text);
// "year-month-day hours:minutes:seconds", which DateFromText reads back.
std::string DateToText(Date date);
// The local date and time now.
Date Now();
// A size in bytes as people read it: "512 Bytes", "1.5 KB", "12.3 MB", "2.0 GB" (units of
// 1024), with `decimal` as the decimal separator.
std::string SizeText(double bytes, char decimal = '.');
// A measured value as people read it: at most seven significant digits, enough for an
// analytical balance ("7.012346", "120.5", "219.9999", "0.000123"), whole numbers from ten
// million on without an exponent, never "-0", with a point whatever the program's locale; ""
// for a value that is not a number.
std::string ReadingText(double value);

}  // namespace tlx
