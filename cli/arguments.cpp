#include "arguments.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <cmath>

#include "command_table.h"

namespace vodex::cli {

Arguments::Arguments(const std::vector<std::string>& args, std::string_view command) {
    const Command* help = FindCommand(command);
    if (!help) throw UsageError("unknown command '" + std::string(command) + "'");
    CLI::App app("", "vodex " + std::string(command));
    app.set_help_flag();  // the program answers --help before a command reads its arguments
    std::map<std::string, CLI::Option*> options;
    for (const OptionHelp& o : help->options) {
        const std::string_view text = o.option;
        if (text.rfind("--", 0) != 0) continue;  // a sub-command, as "ports set N PATH"
        const std::size_t space = text.find(' ');
        const std::string name(text.substr(2, space == std::string_view::npos ? space : space - 2));
        options[name] =
            space == std::string_view::npos
                ? app.add_flag("--" + name)->disable_flag_override()
                : app.add_option("--" + name)->multi_option_policy(CLI::MultiOptionPolicy::Throw);
    }
    app.add_option("arguments", positional_);
    std::vector<std::string> reversed(args.rbegin(), args.rend());  // the order CLI11 reads
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        throw UsageError(e.what());
    }
    for (const auto& [name, option] : options) {
        if (option->count() == 0) continue;
        const auto& results = option->results();  // a flag has none
        values_[name] = results.empty() ? std::string() : results.front();
    }
}

std::optional<std::string> Arguments::Value(const std::string& option) const {
    auto it = values_.find(option);
    if (it == values_.end()) return std::nullopt;
    return it->second;
}

std::optional<long> Arguments::Number(const std::string& option, long low, long high) const {
    const auto text = Value(option);
    if (!text) return std::nullopt;
    long v = 0;
    auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), v);
    if (ec != std::errc() || end != text->data() + text->size() || v < low || v > high) {
        throw UsageError("--" + option + " needs a whole number from " + std::to_string(low) +
                         " to " + std::to_string(high));
    }
    return v;
}

std::optional<double> Arguments::Real(const std::string& option, double low, double high) const {
    const auto text = Value(option);
    if (!text) return std::nullopt;
    double v = 0;
    auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), v);
    if (ec != std::errc() || end != text->data() + text->size() || !std::isfinite(v) || v < low ||
        v > high) {
        throw UsageError("--" + option + " needs a number from " + std::to_string(low) + " to " +
                         std::to_string(high));
    }
    return v;
}

}  // namespace vodex::cli
