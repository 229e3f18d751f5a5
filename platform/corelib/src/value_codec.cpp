#include "value_codec.h"

#include <bit>
#include <cstring>

namespace tlx::detail {
namespace {

constexpr int kMaxDepth = 32;

template <class T>
void PutLE(std::string& out, T v) {
    static_assert(std::endian::native == std::endian::little, "little-endian host assumed");
    char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    out.append(b, sizeof(T));
}

void PutLength(std::string& out, std::size_t n) {
    if (n > 0xFFFFFFFFu) throw Error("a value is too large to be written (over 4 GiB)");
    PutLE<std::uint32_t>(out, static_cast<std::uint32_t>(n));
}

void Encode(std::string& out, const Variant& v, int depth) {
    if (depth > kMaxDepth) throw Error("arrays are nested too deeply to be written");
    out.push_back(static_cast<char>(v.Type()));
    switch (v.Type()) {
        case VarType::Empty:
        case VarType::Missing:
            break;
        case VarType::Boolean:
            out.push_back(v.ToBool() ? 1 : 0);
            break;
        case VarType::Integer:
            PutLE<std::int16_t>(out, v.ToInt16());
            break;
        case VarType::Long:
            PutLE<std::int32_t>(out, v.ToInt32());
            break;
        case VarType::Double:
            PutLE<double>(out, v.ToDouble());
            break;
        case VarType::Date:
            PutLE<double>(out, v.ToDate().serial);
            break;
        case VarType::Text:
            PutLength(out, v.Text().size());
            out.append(v.Text());
            break;
        case VarType::ByteArray: {
            const Bytes& b = v.ToBytes();
            PutLength(out, b.size());
            out.append(reinterpret_cast<const char*>(b.data()), b.size());
            break;
        }
        case VarType::Array: {
            const VariantArray& a = v.ToArray();
            PutLE<std::int32_t>(out, a.LBound());
            PutLength(out, a.Size());
            for (const Variant& e : a.Items())
                Encode(out, e, depth + 1);
            break;
        }
        case VarType::Object:
            throw Error(
                "an object reference cannot be written to a file; store the object "
                "through its data object");
    }
}

class Reader {
  public:
    Reader(const std::string& in, std::size_t& pos, Allowance& allowance)
        : in_(in), pos_(pos), allowance_(allowance) {}

    Variant Value(int depth) {
        if (depth > kMaxDepth) throw Error("arrays are nested too deeply");
        auto tag = Get<std::uint8_t>();
        switch (static_cast<VarType>(tag)) {
            case VarType::Empty:
                return {};
            case VarType::Missing:
                return Variant::Missing();
            case VarType::Boolean: {
                auto b = Get<std::uint8_t>();
                if (b > 1) throw Error("a Boolean value is malformed");
                return Variant(b == 1);
            }
            case VarType::Integer:
                return Variant(Get<std::int16_t>());
            case VarType::Long:
                return Variant(Get<std::int32_t>());
            case VarType::Double:
                return Variant(Get<double>());
            case VarType::Date:
                return Variant(Date{Get<double>()});
            case VarType::Text: {
                std::size_t n = Length(1);
                allowance_.Take(n);
                std::string s = in_.substr(pos_, n);
                pos_ += n;
                return Variant(std::move(s));
            }
            case VarType::ByteArray: {
                std::size_t n = Length(1);
                allowance_.Take(n);
                auto first = in_.begin() + static_cast<std::ptrdiff_t>(pos_);
                Bytes b(first, first + static_cast<std::ptrdiff_t>(n));
                pos_ += n;
                return Variant(std::move(b));
            }
            case VarType::Array: {
                auto lower = Get<std::int32_t>();
                // Every element takes at least its tag byte.
                std::size_t n = Length(1);
                if (!VariantArray::BoundsFit(lower, n))
                    throw Error("an array's bounds are malformed");
                // No reserve: memory grows with the elements really there, not the claim.
                // Each takes a variant's room (twice, for the list's growth), however little
                // of the file it takes.
                allowance_.Take(sizeof(VariantArray) + 64);
                std::vector<Variant> items;
                for (std::size_t i = 0; i < n; ++i) {
                    allowance_.Take(2 * sizeof(Variant));
                    items.push_back(Value(depth + 1));
                }
                return Variant::Array(lower, std::move(items));
            }
            case VarType::Object:
                break;
        }
        throw Error("unknown value type " + std::to_string(tag));
    }

  private:
    template <class T>
    T Get() {
        if (in_.size() - pos_ < sizeof(T)) throw Error("unexpected end of the data");
        T v;
        std::memcpy(&v, in_.data() + pos_, sizeof(T));
        pos_ += sizeof(T);
        return v;
    }

    // A 32-bit count of items of at least `minSize` bytes each, checked against what is left.
    std::size_t Length(std::size_t minSize) {
        std::size_t n = Get<std::uint32_t>();
        if (n > (in_.size() - pos_) / minSize) throw Error("a length exceeds the data");
        return n;
    }

    const std::string& in_;
    std::size_t& pos_;
    Allowance& allowance_;
};

}  // namespace

void EncodeValue(std::string& out, const Variant& v) {
    Encode(out, v, 0);
}

Variant DecodeValue(const std::string& in, std::size_t& pos, Allowance& allowance) {
    if (pos > in.size()) throw Error("unexpected end of the data");
    return Reader(in, pos, allowance).Value(0);
}

}  // namespace tlx::detail
