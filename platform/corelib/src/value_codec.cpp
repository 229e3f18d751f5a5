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

void Tag(std::string& out, VarType type) {
    out.push_back(static_cast<char>(type));
}

void Encode(std::string& out, const Variant& v, int depth) {
    if (depth > kMaxDepth) throw Error("arrays are nested too deeply to be written");
    switch (v.Type()) {
        case VarType::Boolean:
            return EncodeBoolean(out, v.ToBool());
        case VarType::Integer:
            return EncodeInteger(out, v.ToInt16());
        case VarType::Long:
            return EncodeLong(out, v.ToInt32());
        case VarType::Double:
            return EncodeDouble(out, v.ToDouble());
        case VarType::Text:
            return EncodeText(out, v.Text());
        default:
            break;
    }
    Tag(out, v.Type());
    switch (v.Type()) {
        case VarType::Empty:
        case VarType::Missing:
        case VarType::Boolean:
        case VarType::Integer:
        case VarType::Long:
        case VarType::Double:
        case VarType::Text:
            break;
        case VarType::Date:
            PutLE<double>(out, v.ToDate().serial);
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
            case VarType::Boolean:
                return Variant(Boolean());
            case VarType::Integer:
                return Variant(Get<std::int16_t>());
            case VarType::Long:
                return Variant(Get<std::int32_t>());
            case VarType::Double:
                return Variant(Get<double>());
            case VarType::Date:
                return Variant(Date{Get<double>()});
            case VarType::Text:
                return Variant(Text());
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

    // The payloads of the common types, behind their tags.
    bool Boolean() {
        auto b = Get<std::uint8_t>();
        if (b > 1) throw Error("a Boolean value is malformed");
        return b == 1;
    }
    std::string Text() {
        std::size_t n = Length(1);
        allowance_.Take(n);
        std::string s = in_.substr(pos_, n);
        pos_ += n;
        return s;
    }

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

  private:
    const std::string& in_;
    std::size_t& pos_;
    Allowance& allowance_;
};

// Reads the payload of a value of type `type` at `pos` with `read`, when the value has that
// type.
template <class T, class Read>
bool DecodeTyped(const std::string& in, std::size_t& pos, Allowance& allowance, VarType type, T& v,
                 Read read) {
    if (pos >= in.size() || static_cast<VarType>(in[pos]) != type) return false;
    std::size_t at = pos + 1;
    Reader reader(in, at, allowance);
    v = read(reader);
    pos = at;
    return true;
}

}  // namespace

void EncodeValue(std::string& out, const Variant& v) {
    Encode(out, v, 0);
}

void EncodeBoolean(std::string& out, bool v) {
    Tag(out, VarType::Boolean);
    out.push_back(v ? 1 : 0);
}

void EncodeInteger(std::string& out, std::int16_t v) {
    Tag(out, VarType::Integer);
    PutLE<std::int16_t>(out, v);
}

void EncodeLong(std::string& out, std::int32_t v) {
    Tag(out, VarType::Long);
    PutLE<std::int32_t>(out, v);
}

void EncodeDouble(std::string& out, double v) {
    Tag(out, VarType::Double);
    PutLE<double>(out, v);
}

void EncodeText(std::string& out, std::string_view v) {
    Tag(out, VarType::Text);
    PutLength(out, v.size());
    out.append(v);
}

bool DecodeIf(const std::string& in, std::size_t& pos, Allowance& allowance, bool& v) {
    return DecodeTyped(in, pos, allowance, VarType::Boolean, v,
                       [](Reader& r) { return r.Boolean(); });
}

bool DecodeIf(const std::string& in, std::size_t& pos, Allowance& allowance, std::int32_t& v) {
    return DecodeTyped(in, pos, allowance, VarType::Long, v,
                       [](Reader& r) { return r.Get<std::int32_t>(); });
}

bool DecodeIf(const std::string& in, std::size_t& pos, Allowance& allowance, double& v) {
    return DecodeTyped(in, pos, allowance, VarType::Double, v,
                       [](Reader& r) { return r.Get<double>(); });
}

bool DecodeIf(const std::string& in, std::size_t& pos, Allowance& allowance, std::string& v) {
    return DecodeTyped(in, pos, allowance, VarType::Text, v, [](Reader& r) { return r.Text(); });
}

Variant DecodeValue(const std::string& in, std::size_t& pos, Allowance& allowance) {
    if (pos > in.size()) throw Error("unexpected end of the data");
    return Reader(in, pos, allowance).Value(0);
}

}  // namespace tlx::detail
