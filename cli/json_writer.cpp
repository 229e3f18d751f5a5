#include "json_writer.h"

#include <algorithm>
#include <cmath>

#include "tlx/codepage.h"

namespace vodex::cli {

namespace {

// Makes every text in `value` valid UTF-8; texts that are valid already (the usual case) are
// left as they are. The keys are the program's own names.
void MendTexts(Json& value) {
    if (value.is_string()) {
        auto& text = value.get_ref<std::string&>();
        text = tlx::MendedText(text);
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

void AppendJsonNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    // The JSON library's own digits and layout: its serializer writes numbers with this.
    char text[64];
    const char* end = nlohmann::detail::to_chars(text, text + sizeof text, value);
    out.append(text, static_cast<std::size_t>(end - text));
}

void AppendJsonString(std::string& out, std::string_view text) {
    // Plain ASCII is valid UTF-8 as it stands.
    const bool ascii = std::all_of(text.begin(), text.end(),
                                   [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const std::string mended = ascii ? std::string() : tlx::MendedText(text);
    out += '"';
    for (const char c : ascii ? text : std::string_view(mended)) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    static constexpr char kHex[] = "0123456789abcdef";
                    out += "\\u00";
                    out += kHex[(c >> 4) & 0xF];
                    out += kHex[c & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

}  // namespace vodex::cli
