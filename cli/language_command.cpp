// vodex language: the user's interface language, shown or chosen for the next start.
#include <cstdio>

#include "arguments.h"
#include "commands.h"
#include "tlx/text.h"
#include "vodex/text/language.h"

namespace vodex::cli {

int Language(const Args& args) {
    const Arguments a(args, "language");
    const auto& words = a.Positional();
    if (words.size() > 1) throw UsageError("'language' takes DE, EN, auto or nothing");
    if (words.empty()) {
        const std::string stored = hLanguageStored();
        std::printf("%s\n", stored.empty() ? "auto" : stored.c_str());
        return 0;
    }
    const std::string choice = tlx::UCase(words[0]);
    if (choice != "DE" && choice != "EN" && choice != "AUTO") {
        throw UsageError("the language is DE, EN or auto, not '" + words[0] + "'");
    }
    hLanguageStore(choice == "AUTO" ? std::string() : choice);
    return 0;
}

}  // namespace vodex::cli
