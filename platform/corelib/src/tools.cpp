#include "tlx/tools.h"

#include "tlx/error.h"
#include "tlx/text.h"

namespace tlx {
namespace {

// The first `n` characters of a UTF-8 text.
std::string LeftChars(const std::string& s, std::size_t n) {
    std::size_t bytes = 0;
    for (std::size_t chars = 0; chars < n && bytes < s.size(); ++chars) {
        ++bytes;
        while (bytes < s.size() && (static_cast<unsigned char>(s[bytes]) & 0xC0) == 0x80)
            ++bytes;
    }
    return s.substr(0, bytes);
}

std::string Repeat(const std::string& fill, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i)
        out += fill;
    return out;
}

}  // namespace

bool cls_CoreTools::SPLIT(const std::string& pText, const std::string& pSeparator,
                          std::string& rBefore, std::string& rAfter) const {
    std::size_t at = pSeparator.empty() ? std::string::npos : pText.find(pSeparator);
    if (at == std::string::npos) {
        rBefore = pText;
        rAfter.clear();
        return false;
    }
    rBefore = pText.substr(0, at);
    rAfter = pText.substr(at + pSeparator.size());
    return true;
}

std::string cls_CoreTools::FIT(const std::string& pText, std::int32_t pWidth,
                               const std::string& pFill, bool pCut, std::int32_t pAlign) const {
    std::size_t width = pWidth > 0 ? static_cast<std::size_t>(pWidth) : 0;
    std::size_t have = CharCount(pText);
    if (have >= width) return pCut ? LeftChars(pText, width) : pText;
    std::string fill = pFill.empty() ? std::string(" ") : LeftChars(pFill, 1);
    std::size_t missing = width - have;
    switch (pAlign) {
        case ID_Fit_Right:
            return Repeat(fill, missing) + pText;
        case ID_Fit_Centre:
            return Repeat(fill, missing / 2) + pText + Repeat(fill, missing - missing / 2);
        default:
            return pText + Repeat(fill, missing);
    }
}

void cls_CoreTools::LANGUAGE(std::int32_t pLanguage) {
    if (pLanguage != 7 && pLanguage != 9) {
        throw Error("unknown language " + std::to_string(pLanguage) + " (7 German, 9 English)");
    }
    language_ = pLanguage;
}

std::string CoreText(const std::string& german, const std::string& english) {
    return CoreTools().LANGUAGE() == 7 ? german : english;
}

cls_CoreTools& CoreTools() {
    thread_local cls_CoreTools tools;
    return tools;
}

}  // namespace tlx
