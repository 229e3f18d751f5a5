// The toolkit's single-byte code page (Western European, as instruments and the system use
// it): each byte 0 to 255 is one character. Bytes from serial ports become text this way,
// and text to send becomes bytes, so one character always stands for one byte.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tlx {

// The bytes as UTF-8 text, one character per byte.
std::string AnsiToText(std::span<const std::uint8_t> bytes);
// The text as bytes, one byte per character. A character the code page lacks becomes "?";
// a byte that starts no valid UTF-8 sequence is passed on as it is.
std::vector<std::uint8_t> TextToAnsi(std::string_view text);

// The text as valid UTF-8: each byte that starts no well-formed UTF-8 sequence (overlong forms,
// surrogates and values beyond U+10FFFF included) becomes the code page's character for it, so
// a text in the code page keeps its characters. Valid text stays as it is.
std::string MendedText(std::string_view text);

}  // namespace tlx
