#include "tlx/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <utility>

#include "tlx/text.h"

namespace tlx {
namespace {

// 1 January 1970 counted from 30 December 1899.
constexpr double kUnixEpochSerial = 25569.0;
// 1 January of the years 1 and 10000 counted from 30 December 1899.
constexpr double kFirstSerial = -693593.0;
constexpr double kLastSerial = 2958466.0;

// Days from 1 January 1970 to the given day of the proleptic Gregorian calendar.
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3U : 9U)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2 ? 1 : 0;
}

[[noreturn]] void TypeMismatch(VarType from, const char* to) {
    throw Error(std::string("type mismatch: a ") + VarTypeName(from) + " cannot be read as " + to);
}

// Parses a whole trimmed text as a number with a point as decimal separator.
bool ParseNumber(const std::string& text, double& out) {
    std::string t = Trim(text);
    if (t.empty()) return false;
    const char* first = t.data();
    const char* last = t.data() + t.size();
    if (*first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, out);
    return ec == std::errc() && ptr == last && std::isfinite(out);
}

double RoundHalfEven(double v) {
    double r = std::round(v);
    if (std::fabs(v - std::trunc(v)) == 0.5) r = 2.0 * std::round(v / 2.0);
    return r;
}

template <class T>
T ToWhole(const Variant& v, const char* name) {
    double d = v.ToDouble();
    double r = RoundHalfEven(d);
    if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
          r <= static_cast<double>(std::numeric_limits<T>::max()))) {
        throw Error(std::string("overflow: ") + v.ToText() + " does not fit a " + name);
    }
    return static_cast<T>(r);
}

}  // namespace

const char* VarTypeName(VarType t) {
    switch (t) {
        case VarType::Empty:
            return "empty value";
        case VarType::Missing:
            return "missing argument";
        case VarType::Boolean:
            return "Boolean";
        case VarType::Integer:
            return "16-bit integer";
        case VarType::Long:
            return "32-bit integer";
        case VarType::Double:
            return "double";
        case VarType::Text:
            return "text";
        case VarType::Date:
            return "date";
        case VarType::Object:
            return "object reference";
        case VarType::ByteArray:
            return "byte array";
        case VarType::Array:
            return "array";
    }
    return "unknown value";
}

Date Date::FromParts(int year, int month, int day, int hour, int minute, double second) {
    double days = static_cast<double>(
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)));
    double time = (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
    return Date{days + kUnixEpochSerial + time};
}

Variant::Variant(VariantArray v) : value_(std::make_shared<VariantArray>(std::move(v))) {}

Variant Variant::Missing() {
    Variant v;
    v.value_ = MissingTag{};
    return v;
}

Variant Variant::Array(std::int32_t lower, std::vector<Variant> items) {
    return Variant(VariantArray(lower, std::move(items)));
}

bool Variant::IsNumeric() const {
    switch (Type()) {
        case VarType::Boolean:
        case VarType::Integer:
        case VarType::Long:
        case VarType::Double:
            return true;
        default:
            return false;
    }
}

bool Variant::IsNothing() const {
    return IsObject() && !std::get<ObjectRef>(value_);
}

double Variant::ToDouble() const {
    switch (Type()) {
        case VarType::Empty:
            return 0.0;
        case VarType::Boolean:
            return std::get<bool>(value_) ? -1.0 : 0.0;
        case VarType::Integer:
            return std::get<std::int16_t>(value_);
        case VarType::Long:
            return std::get<std::int32_t>(value_);
        case VarType::Double:
            return std::get<double>(value_);
        case VarType::Date:
            return std::get<Date>(value_).serial;
        case VarType::Text: {
            double d = 0;
            if (!ParseNumber(std::get<std::string>(value_), d)) {
                throw Error("type mismatch: the text '" + std::get<std::string>(value_) +
                            "' is not a number");
            }
            return d;
        }
        default:
            TypeMismatch(Type(), "a number");
    }
}

std::int32_t Variant::ToInt32() const {
    if (Type() == VarType::Long) return std::get<std::int32_t>(value_);
    return ToWhole<std::int32_t>(*this, "32-bit integer");
}

std::int16_t Variant::ToInt16() const {
    if (Type() == VarType::Integer) return std::get<std::int16_t>(value_);
    return ToWhole<std::int16_t>(*this, "16-bit integer");
}

bool Variant::ToBool() const {
    if (Type() == VarType::Boolean) return std::get<bool>(value_);
    if (Type() == VarType::Text) {
        std::string t = Trim(std::get<std::string>(value_));
        if (EqualsNoCase(t, "true")) return true;
        if (EqualsNoCase(t, "false")) return false;
    }
    return ToDouble() != 0.0;
}

std::string Variant::ToText() const {
    switch (Type()) {
        case VarType::Empty:
            return {};
        case VarType::Boolean:
            return std::get<bool>(value_) ? "True" : "False";
        case VarType::Integer:
            return std::to_string(std::get<std::int16_t>(value_));
        case VarType::Long:
            return std::to_string(std::get<std::int32_t>(value_));
        case VarType::Double: {
            char buf[64];
            auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, std::get<double>(value_));
            return std::string(buf, ec == std::errc() ? ptr : buf);
        }
        case VarType::Text:
            return std::get<std::string>(value_);
        case VarType::Date: {
            double serial = std::get<Date>(value_).serial;
            // Years 1 to 9999, as the calendar texts below can show them.
            if (!(serial >= kFirstSerial && serial < kLastSerial)) {
                throw Error("the date " + std::to_string(serial) + " is out of range");
            }
            double dayPart = std::floor(serial);
            auto secs = static_cast<long long>(std::llround((serial - dayPart) * 86400.0));
            if (secs >= 86400) {
                dayPart += 1;
                secs -= 86400;
            }
            long long y = 0;
            unsigned m = 0;
            unsigned d = 0;
            CivilFromDays(static_cast<long long>(dayPart - kUnixEpochSerial), y, m, d);
            char buf[64];
            if (secs == 0) {
                std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u", y, m, d);
            } else {
                std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02lld:%02lld:%02lld", y, m, d,
                              secs / 3600, secs / 60 % 60, secs % 60);
            }
            return buf;
        }
        case VarType::ByteArray: {
            const Bytes& b = std::get<Bytes>(value_);
            return std::string(b.begin(), b.end());
        }
        default:
            TypeMismatch(Type(), "text");
    }
}

Date Variant::ToDate() const {
    if (Type() == VarType::Date) return std::get<Date>(value_);
    if (IsNumeric() || IsEmpty()) return Date{ToDouble()};
    TypeMismatch(Type(), "a date");
}

ObjectRef Variant::ToObject() const {
    if (IsObject()) return std::get<ObjectRef>(value_);
    if (IsEmpty()) return nullptr;
    TypeMismatch(Type(), "an object");
}

const Bytes& Variant::ToBytes() const {
    if (Type() == VarType::ByteArray) return std::get<Bytes>(value_);
    TypeMismatch(Type(), "a byte array");
}

const VariantArray& Variant::ToArray() const {
    if (IsArray()) return *std::get<std::shared_ptr<VariantArray>>(value_);
    TypeMismatch(Type(), "an array");
}

VariantArray& Variant::MutableArray() {
    if (!IsArray()) TypeMismatch(Type(), "an array");
    auto& p = std::get<std::shared_ptr<VariantArray>>(value_);
    if (p.use_count() > 1) p = std::make_shared<VariantArray>(*p);
    return *p;
}

const std::string& Variant::Text() const {
    if (IsText()) return std::get<std::string>(value_);
    TypeMismatch(Type(), "text");
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.IsNumeric() && b.IsNumeric()) return a.ToDouble() == b.ToDouble();
    if (a.Type() != b.Type()) return false;
    switch (a.Type()) {
        case VarType::Array:
            return *std::get<std::shared_ptr<VariantArray>>(a.value_) ==
                   *std::get<std::shared_ptr<VariantArray>>(b.value_);
        default:
            return a.value_ == b.value_;
    }
}

VariantArray::VariantArray(std::int32_t lower, std::vector<Variant> items)
    : lower_(lower), items_(std::move(items)) {
    if (!BoundsFit(lower_, items_.size())) throw Error("the bounds of an array are out of range");
}

VariantArray::VariantArray(std::int32_t lower, std::initializer_list<Variant> items)
    : VariantArray(lower, std::vector<Variant>(items)) {}

const Variant& VariantArray::operator[](std::int32_t index) const {
    if (!Contains(index)) {
        throw Error("index out of range: " + std::to_string(index) + " is not within " +
                    std::to_string(LBound()) + " to " + std::to_string(UBound()));
    }
    return items_[static_cast<std::size_t>(index - lower_)];
}

Variant& VariantArray::operator[](std::int32_t index) {
    return const_cast<Variant&>(std::as_const(*this)[index]);
}

bool KeyEquals(const Variant& a, const Variant& b) {
    if (a.IsText() && b.IsText()) return EqualsNoCase(Trim(a.Text()), Trim(b.Text()));
    return a == b;
}

}  // namespace tlx
