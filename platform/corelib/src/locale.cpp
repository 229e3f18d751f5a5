#include "tlx/locale.h"

#include <cstdlib>
#include <string>

#include "tlx/text.h"

namespace tlx {
namespace {

struct Language {
    const char* code;
    std::int32_t primary;
};

constexpr Language kLanguages[] = {
    {"zh", 4},  {"cs", 5},  {"da", 6},  {"de", 7},  {"el", 8},  {"en", 9},  {"es", 10},
    {"fi", 11}, {"fr", 12}, {"hu", 14}, {"it", 16}, {"ja", 17}, {"ko", 18}, {"nl", 19},
    {"nb", 20}, {"no", 20}, {"pl", 21}, {"pt", 22}, {"ro", 24}, {"ru", 25}, {"hr", 26},
    {"sk", 27}, {"sv", 29}, {"tr", 31}, {"sl", 36},
};

}  // namespace

std::int32_t UserDefaultLangID() {
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(name);
        if (v && *v) {
            locale = v;
            break;
        }
    }
    // "de_AT.UTF-8@euro" -> "de"
    std::string language = LCase(locale.substr(0, locale.find_first_of("_.@")));
    if (language.empty() || language == "c" || language == "posix") return 0x0409;
    for (const Language& l : kLanguages) {
        if (language == l.code) return 0x0400 | l.primary;
    }
    return 0;
}

}  // namespace tlx
