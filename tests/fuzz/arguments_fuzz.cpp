// The arguments of vodex: the input as a command and its arguments, separated by NUL bytes,
// read as the command reads them, with every option's value asked for as text and number.
#include <vector>

#include "arguments.h"
#include "command_table.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> words;
    const std::string bytes = vodex::fuzz::Bytes(data, size);
    for (std::size_t at = 0; at <= bytes.size();) {
        const std::size_t end = std::min(bytes.find('\0', at), bytes.size());
        words.push_back(bytes.substr(at, end - at));
        at = end + 1;
    }
    const std::string command = words.front();
    words.erase(words.begin());
    const vodex::cli::Command* help = vodex::cli::FindCommand(command);
    if (!help) return 0;
    try {
        const vodex::cli::Arguments arguments(words, command);
        for (const vodex::cli::OptionHelp& option : help->options) {
            std::string name = option.option;
            if (name.rfind("--", 0) != 0) continue;
            name = name.substr(2, name.find(' ') - 2);
            arguments.Has(name);
            arguments.Value(name);
            try {
                arguments.Number(name, 1, 32);
            } catch (const vodex::cli::UsageError&) {
            }
            try {
                arguments.Real(name, 0, 3600);
            } catch (const vodex::cli::UsageError&) {
            }
        }
    } catch (const vodex::cli::UsageError&) {
    }
    return 0;
}
