#include "tlx/text.h"

#include <cstdint>

namespace tlx {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// Maps the letters of ASCII and Latin-1 between cases; every other byte passes unchanged.
// Latin-1 letters are two-byte sequences C3 80..C3 BF in UTF-8: upper case C3 80..C3 9E,
// lower case C3 A0..C3 BE (without the multiplication and division signs).
template <bool kToUpper>
std::string MapCase(std::string_view s) {
    std::string out(s);
    for (std::size_t i = 0; i < out.size(); ++i) {
        auto c = static_cast<unsigned char>(out[i]);
        if (c < 0x80) {
            if (kToUpper && c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 32);
            if (!kToUpper && c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c + 32);
        } else if (c == 0xC3 && i + 1 < out.size()) {
            auto d = static_cast<unsigned char>(out[i + 1]);
            if (kToUpper && d >= 0xA0 && d <= 0xBE && d != 0xB7) {
                out[i + 1] = static_cast<char>(d - 0x20);
            } else if (!kToUpper && d >= 0x80 && d <= 0x9E && d != 0x97) {
                out[i + 1] = static_cast<char>(d + 0x20);
            }
            ++i;
        }
    }
    return out;
}

}  // namespace

std::string_view Trimmed(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::string Trim(std::string_view s) {
    return std::string(Trimmed(s));
}

std::string UCase(std::string_view s) {
    return MapCase<true>(s);
}
std::string LCase(std::string_view s) {
    return MapCase<false>(s);
}
std::string FoldCase(std::string_view s) {
    return MapCase<true>(s);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && FoldCase(a) == FoldCase(b);
}

std::string Replace(std::string_view s, std::string_view what, std::string_view with) {
    if (what.empty()) return std::string(s);
    std::string out;
    out.reserve(s.size());
    std::size_t pos = 0;
    for (;;) {
        std::size_t hit = s.find(what, pos);
        if (hit == std::string_view::npos) break;
        out.append(s.substr(pos, hit - pos));
        out.append(with);
        pos = hit + what.size();
    }
    out.append(s.substr(pos));
    return out;
}

std::size_t CharCount(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++n) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80           ? 1
                          : (c >> 5) == 0x6  ? 2
                          : (c >> 4) == 0xE  ? 3
                          : (c >> 3) == 0x1E ? 4
                                             : 1;
        bool valid = i + len <= s.size();
        for (std::size_t k = 1; valid && k < len; ++k) {
            valid = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        }
        i += valid ? len : 1;
    }
    return n;
}

std::string OneLine(std::string_view s) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char ch = s[i];
        const auto c = static_cast<unsigned char>(ch);
        // The control characters of Unicode's second set (C2 80 to C2 9F: NEL, a line break,
        // and CSI, which starts a terminal's commands as ESC [ does), and the line and
        // paragraph separators (E2 80 A8, E2 80 A9).
        if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(s[i + 1]) <= 0x9F) {
            const auto second = static_cast<unsigned char>(s[i + 1]);
            out += "\\u00";
            out += kHex[second >> 4];
            out += kHex[second & 0xF];
            ++i;
            continue;
        }
        if (c == 0xE2 && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(s[i + 2]) == 0xA8 ||
             static_cast<unsigned char>(s[i + 2]) == 0xA9)) {
            out += static_cast<unsigned char>(s[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
            continue;
        }
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace tlx
