#include "tlx/packer.h"

#include <charconv>
#include <cstring>

#include "tlx/data.h"
#include "tlx/error.h"

namespace tlx {
namespace {

// Package text: "VP1:" count ";" and the values, each a letter and its payload:
//   E empty   M missing   N nothing   T/F Boolean
//   s<int>;  l<int>;  16/32-bit integer      d<number>;  double      D<number>;  date
//   t<len>:<text>     text (valid UTF-8 without NUL)
//   u<len>:<hex>      any other text, as hexadecimal bytes
//   b<len>:<hex>      byte array
//   a<lower>,<count>: array, followed by its elements
//   o<len>:<package>  a record, as its own package
constexpr std::string_view kPrefix = "VP1:";
constexpr int kMaxDepth = 32;
constexpr char kHex[] = "0123456789abcdef";

bool IsCleanUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        if (c == 0) return false;
        std::size_t len = c < 0x80           ? 1
                          : (c >> 5) == 0x6  ? 2
                          : (c >> 4) == 0xE  ? 3
                          : (c >> 3) == 0x1E ? 4
                                             : 0;
        if (len == 0 || i + len > s.size()) return false;
        std::uint32_t cp = len == 1 ? c : c & (0x7Fu >> len);
        for (std::size_t k = 1; k < len; ++k) {
            auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (d & 0x3Fu);
        }
        // Overlong forms, surrogates and values above U+10FFFF are refused.
        static constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[len] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) return false;
        i += len;
    }
    return true;
}

void AppendHex(std::string& out, const unsigned char* p, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(kHex[p[i] >> 4]);
        out.push_back(kHex[p[i] & 15]);
    }
}

template <class T>
void AppendNumber(std::string& out, char letter, T v) {
    char buf[64];
    auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, v);
    out.push_back(letter);
    out.append(buf, ptr);
    out.push_back(';');
}

void Pack(std::string& out, const Variant& v, int depth) {
    if (depth > kMaxDepth) throw Error("arrays are nested too deeply to be packed");
    switch (v.Type()) {
        case VarType::Empty:
            out.push_back('E');
            break;
        case VarType::Missing:
            out.push_back('M');
            break;
        case VarType::Boolean:
            out.push_back(v.ToBool() ? 'T' : 'F');
            break;
        case VarType::Integer:
            AppendNumber(out, 's', v.ToInt16());
            break;
        case VarType::Long:
            AppendNumber(out, 'l', v.ToInt32());
            break;
        case VarType::Double:
            AppendNumber(out, 'd', v.ToDouble());
            break;
        case VarType::Date:
            AppendNumber(out, 'D', v.ToDate().serial);
            break;
        case VarType::Text: {
            const std::string& t = v.Text();
            if (IsCleanUtf8(t)) {
                out += 't' + std::to_string(t.size()) + ':';
                out += t;
            } else {
                out += 'u' + std::to_string(t.size()) + ':';
                AppendHex(out, reinterpret_cast<const unsigned char*>(t.data()), t.size());
            }
            break;
        }
        case VarType::ByteArray: {
            const Bytes& b = v.ToBytes();
            out += 'b' + std::to_string(b.size()) + ':';
            AppendHex(out, b.data(), b.size());
            break;
        }
        case VarType::Array: {
            const VariantArray& a = v.ToArray();
            out += 'a' + std::to_string(a.LBound()) + ',' + std::to_string(a.Size()) + ':';
            for (const Variant& e : a.Items())
                Pack(out, e, depth + 1);
            break;
        }
        case VarType::Object: {
            ObjectRef obj = v.ToObject();
            if (!obj) {
                out.push_back('N');
                break;
            }
            auto data = DataOf(obj.get());
            if (!data) throw Error("an object that is no record cannot be packed");
            std::string inner = data->PACK();
            out += 'o' + std::to_string(inner.size()) + ':';
            out += inner;
            break;
        }
    }
}

class Unpacker {
  public:
    Unpacker(const std::string& in, const cls_CorePacker::Spawner& spawn)
        : in_(in), spawn_(spawn) {}

    std::vector<Variant> All() {
        if (in_.compare(0, kPrefix.size(), kPrefix) != 0) Fail("it does not start like one");
        pos_ = kPrefix.size();
        std::size_t count = Whole<std::size_t>(';');
        // Every value takes at least one character.
        if (count > in_.size() - pos_) Fail("it counts more values than it holds");
        std::vector<Variant> values;  // grows with the values really there, not the claim
        for (std::size_t i = 0; i < count; ++i)
            values.push_back(Value(0));
        if (pos_ != in_.size()) Fail("it goes on after its last value");
        return values;
    }

  private:
    [[noreturn]] void Fail(const std::string& why) const {
        throw Error("the package text is malformed: " + why);
    }

    char Next() {
        if (pos_ >= in_.size()) Fail("it ends too early");
        return in_[pos_++];
    }

    // A decimal number ending with `end`.
    template <class T>
    T Whole(char end) {
        std::size_t stop = in_.find(end, pos_);
        if (stop == std::string::npos) Fail("a number is not terminated");
        T v{};
        auto [ptr, ec] = std::from_chars(in_.data() + pos_, in_.data() + stop, v);
        if (ec != std::errc() || ptr != in_.data() + stop) Fail("a number is malformed");
        pos_ = stop + 1;
        return v;
    }

    double Real() {
        std::size_t stop = in_.find(';', pos_);
        if (stop == std::string::npos) Fail("a number is not terminated");
        double v = 0;
        auto [ptr, ec] = std::from_chars(in_.data() + pos_, in_.data() + stop, v);
        if (ec != std::errc() || ptr != in_.data() + stop) Fail("a number is malformed");
        pos_ = stop + 1;
        return v;
    }

    // `n` characters of payload, checked against what is left.
    std::string_view Take(std::size_t n) {
        if (n > in_.size() - pos_) Fail("a length exceeds the text");
        std::string_view s(in_.data() + pos_, n);
        pos_ += n;
        return s;
    }

    Bytes Hex(std::size_t bytes) {
        if (bytes > (in_.size() - pos_) / 2) Fail("a length exceeds the text");
        std::string_view h = Take(bytes * 2);
        Bytes out(bytes);
        for (std::size_t i = 0; i < bytes; ++i) {
            int hi = Nibble(h[2 * i]);
            int lo = Nibble(h[2 * i + 1]);
            out[i] = static_cast<std::uint8_t>(hi * 16 + lo);
        }
        return out;
    }

    int Nibble(char c) const {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        Fail("a hexadecimal digit is malformed");
    }

    Variant Value(int depth) {
        if (depth > kMaxDepth) Fail("arrays are nested too deeply");
        switch (Next()) {
            case 'E':
                return {};
            case 'M':
                return Variant::Missing();
            case 'N':
                return Variant(ObjectRef());
            case 'T':
                return Variant(true);
            case 'F':
                return Variant(false);
            case 's':
                return Variant(Whole<std::int16_t>(';'));
            case 'l':
                return Variant(Whole<std::int32_t>(';'));
            case 'd':
                return Variant(Real());
            case 'D':
                return Variant(Date{Real()});
            case 't':
                return Variant(std::string(Take(Whole<std::size_t>(':'))));
            case 'u': {
                Bytes b = Hex(Whole<std::size_t>(':'));
                return Variant(std::string(b.begin(), b.end()));
            }
            case 'b':
                return Variant(Hex(Whole<std::size_t>(':')));
            case 'a': {
                auto lower = Whole<std::int32_t>(',');
                auto count = Whole<std::size_t>(':');
                if (count > in_.size() - pos_) Fail("an array counts more values than it holds");
                if (!VariantArray::BoundsFit(lower, count)) Fail("an array's bounds are malformed");
                std::vector<Variant> items;
                for (std::size_t i = 0; i < count; ++i)
                    items.push_back(Value(depth + 1));
                return Variant::Array(lower, std::move(items));
            }
            case 'o': {
                std::string inner(Take(Whole<std::size_t>(':')));
                if (!spawn_) {
                    throw Error("the package holds a record and nothing was given to restore it");
                }
                ObjectRef obj = spawn_();
                auto data = DataOf(obj.get());
                if (!data) throw Error("the object made for a packed record is no record");
                data->UNPACK(inner);
                return Variant(obj);
            }
            default:
                Fail("it holds an unknown value type");
        }
    }

    const std::string& in_;
    const cls_CorePacker::Spawner& spawn_;
    std::size_t pos_ = 0;
};

}  // namespace

std::string cls_CorePacker::PACK(const std::vector<Variant>& values) const {
    std::string out(kPrefix);
    out += std::to_string(values.size());
    out.push_back(';');
    for (const Variant& v : values)
        Pack(out, v, 0);
    return out;
}

std::vector<Variant> cls_CorePacker::UNPACK(const std::string& package,
                                            const Spawner& spawn) const {
    return Unpacker(package, spawn).All();
}

std::vector<Variant> cls_CorePacker::UNPACK(const std::string& package, std::size_t expected,
                                            const Spawner& spawn) const {
    std::vector<Variant> values = UNPACK(package, spawn);
    if (values.size() != expected) {
        throw Error("the package text holds " + std::to_string(values.size()) + " values where " +
                    std::to_string(expected) + " were expected");
    }
    return values;
}

}  // namespace tlx
