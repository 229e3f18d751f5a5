#include "json_writer.h"

#include <cstdint>
#include <span>

#include "tlx/codepage.h"

namespace vodex::cli {

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text` (1 to 4), or 0 when the
// bytes there are no such sequence (overlong forms, surrogates and values beyond U+10FFFF
// included).
std::size_t Utf8Length(std::string_view text) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(0);
    if (first < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        if (first == 0xE0) low = 0xA0;
        if (first == 0xED) high = 0x9F;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        if (first == 0xF0) low = 0x90;
        if (first == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

// `text` with each byte that starts no well-formed UTF-8 sequence replaced by the character
// the ANSI code page gives it.
std::string ValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(text.substr(i));
        if (length == 0) {
            const auto byte = static_cast<std::uint8_t>(text[i]);
            out += tlx::AnsiToText(std::span<const std::uint8_t>(&byte, 1));
            ++i;
        } else {
            out.append(text.substr(i, length));
            i += length;
        }
    }
    return out;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8Length(text.substr(i));
        if (length == 0) return false;
        i += length;
    }
    return true;
}

// Makes every text in `value` valid UTF-8; texts that are valid already (the usual case) are
// left as they are. The keys are the program's own names.
void MendTexts(Json& value) {
    if (value.is_string()) {
        auto& text = value.get_ref<std::string&>();
        if (!IsValidUtf8(text)) text = ValidUtf8(text);
    } else if (value.is_structured()) {
        for (Json& item : value)
            MendTexts(item);
    }
}

}  // namespace

std::string JsonText(Json value) {
    MendTexts(value);
    return value.dump();
}

}  // namespace vodex::cli
