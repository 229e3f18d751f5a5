// The variant value of the core library: the one value type that records, files, packages,
// the registry and late-bound calls pass around.
//
// A Variant holds one of: empty, missing (an omitted optional argument), Boolean, 16- and
// 32-bit integers, double, text (UTF-8), date, object reference, byte array, or an array of
// variants with its own lower bound. Copies are values: copying an array copies its elements
// (the storage is shared until one side changes it).
//
// Thread-safety: a Variant is a plain value; distinct variants may be used on distinct threads.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tlx/error.h"
#include "tlx/object.h"

namespace tlx {

// A point in time as days since 30 December 1899, the fraction being the time of day.
struct Date {
    double serial = 0.0;

    static Date FromParts(int year, int month, int day, int hour = 0, int minute = 0,
                          double second = 0.0);
    bool operator==(const Date&) const = default;
};

using Bytes = std::vector<std::uint8_t>;

enum class VarType : std::uint8_t {
    Empty = 0,
    Missing = 1,
    Boolean = 2,
    Integer = 3,  // 16-bit
    Long = 4,     // 32-bit
    Double = 5,
    Text = 6,
    Date = 7,
    Object = 8,
    ByteArray = 9,
    Array = 10,
};

// Name of a type as shown in error messages ("text", "32-bit integer", ...).
const char* VarTypeName(VarType t);

class VariantArray;

class Variant {
  public:
    Variant() = default;
    Variant(bool v) : value_(v) {}
    Variant(std::int16_t v) : value_(v) {}
    Variant(std::int32_t v) : value_(v) {}
    Variant(double v) : value_(v) {}
    Variant(const char* v) : value_(std::string(v)) {}
    Variant(std::string v) : value_(std::move(v)) {}
    Variant(std::string_view v) : value_(std::string(v)) {}
    Variant(Date v) : value_(v) {}
    Variant(Bytes v) : value_(std::move(v)) {}
    Variant(VariantArray v);
    Variant(ObjectRef v) : value_(std::move(v)) {}
    template <class T>
    requires std::is_base_of_v<Object, T> Variant(std::shared_ptr<T> v)
        : value_(ObjectRef(std::move(v))) {}

    // The value of an omitted optional argument.
    static Variant Missing();
    // An array with the given lower bound and elements.
    static Variant Array(std::int32_t lower, std::vector<Variant> items);

    VarType Type() const { return static_cast<VarType>(value_.index()); }
    bool IsEmpty() const { return Type() == VarType::Empty; }
    bool IsMissing() const { return Type() == VarType::Missing; }
    bool IsText() const { return Type() == VarType::Text; }
    bool IsObject() const { return Type() == VarType::Object; }
    bool IsArray() const { return Type() == VarType::Array; }
    // Boolean, 16/32-bit integer or double.
    bool IsNumeric() const;
    // An object reference that refers to nothing.
    bool IsNothing() const;

    // Conversions as the system uses them. A conversion that cannot be made throws
    // tlx::Error ("type mismatch", "overflow").
    //  - numbers: doubles round half to even; Boolean True is -1; empty is 0;
    //    texts are read trimmed, with a point as the decimal separator.
    //  - Boolean: a number is True when not 0; texts "True"/"False" in any case or a number.
    //  - text: numbers in their shortest exact form, Booleans "True"/"False", empty "".
    std::int32_t ToInt32() const;
    std::int16_t ToInt16() const;
    double ToDouble() const;
    bool ToBool() const;
    std::string ToText() const;
    Date ToDate() const;
    ObjectRef ToObject() const;
    // The object reference cast to T; nothing when empty, nothing or of another class.
    template <class T>
    std::shared_ptr<T> As() const {
        return std::dynamic_pointer_cast<T>(ToObject());
    }
    const Bytes& ToBytes() const;
    const VariantArray& ToArray() const;
    // Array for changing; the variant must hold an array.
    VariantArray& MutableArray();

    // Exact access without conversion; throws tlx::Error when the type differs.
    const std::string& Text() const;

    // Equality of two values: same category and same value. Numbers compare by value
    // whatever their width; a number never equals a text; texts compare exactly.
    friend bool operator==(const Variant& a, const Variant& b);

  private:
    struct MissingTag {
        bool operator==(const MissingTag&) const = default;
    };
    using Storage =
        std::variant<std::monostate, MissingTag, bool, std::int16_t, std::int32_t, double,
                     std::string, Date, ObjectRef, Bytes, std::shared_ptr<VariantArray>>;
    Storage value_;
};

// An array of variants with its own lower bound (positions lower to lower + count - 1).
class VariantArray {
  public:
    VariantArray() = default;
    // Throws tlx::Error when the positions do not fit 32-bit indexes.
    explicit VariantArray(std::int32_t lower, std::vector<Variant> items = {});
    VariantArray(std::int32_t lower, std::initializer_list<Variant> items);

    // Whether `count` positions from `lower` fit 32-bit indexes (an empty array needs room for
    // its upper bound, lower - 1).
    static bool BoundsFit(std::int32_t lower, std::size_t count) {
        const std::int64_t upper = std::int64_t{lower} + static_cast<std::int64_t>(count) - 1;
        return count <= 0x7FFFFFFFu && upper <= INT32_MAX && upper >= INT32_MIN;
    }

    std::int32_t LBound() const { return lower_; }
    // LBound - 1 for an empty array.
    std::int32_t UBound() const {
        return static_cast<std::int32_t>(std::int64_t{lower_} +
                                         static_cast<std::int64_t>(items_.size()) - 1);
    }
    std::size_t Size() const { return items_.size(); }
    bool Contains(std::int32_t index) const { return index >= lower_ && index <= UBound(); }

    // Element by its own index; throws tlx::Error ("index out of range") outside the bounds.
    const Variant& operator[](std::int32_t index) const;
    Variant& operator[](std::int32_t index);

    const std::vector<Variant>& Items() const { return items_; }
    std::vector<Variant>& Items() { return items_; }

    bool operator==(const VariantArray& other) const = default;

  private:
    std::int32_t lower_ = 0;
    std::vector<Variant> items_;
};

// Keys compare as the system compares record keys: two texts trimmed and without regard to
// case; otherwise the two variants must be equal.
bool KeyEquals(const Variant& a, const Variant& b);

}  // namespace tlx
