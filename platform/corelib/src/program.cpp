#include "tlx/program.h"

#include <cstdio>
#include <string>

namespace tlx {

std::optional<int> AnswerHelpOrVersion(int argc, char** argv, std::string_view program,
                                       std::string_view help) {
    if (argc < 2) return std::nullopt;
    const std::string_view first = argv[1];
    // The short forms only on their own: "-V FILE" may mean something else to a program.
    const bool alone = argc == 2;
    if (first == "--help" || (alone && first == "-h")) {
        std::fwrite(help.data(), 1, help.size(), stdout);
        return 0;
    }
    if (first == "--version" || (alone && first == "-V")) {
        std::printf("%.*s %d.%d.%d\n", static_cast<int>(program.size()), program.data(),
                    VODEX_VERSION_MAJOR, VODEX_VERSION_MINOR, VODEX_VERSION_REVISION);
        return 0;
    }
    return std::nullopt;
}

}  // namespace tlx
