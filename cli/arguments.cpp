#include "arguments.h"

#include <charconv>
#include <cmath>

namespace vodex::cli {

Arguments::Arguments(const std::vector<std::string>& args, const std::set<std::string>& flags,
                     const std::set<std::string>& valued) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-') {
            throw UsageError("unknown option " + arg);  // "-" alone is the driver "no driver"
        }
        if (arg.rfind("--", 0) != 0 || arg == "--") {
            positional_.push_back(arg);
            continue;
        }
        std::string name = arg.substr(2);
        std::optional<std::string> value;
        if (auto eq = name.find('='); eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (flags.count(name)) {
            if (value) throw UsageError("the option --" + name + " takes no value");
            values_[name] = "";
        } else if (valued.count(name)) {
            if (!value) {
                if (i + 1 >= args.size())
                    throw UsageError("the option --" + name + " needs a value");
                value = args[++i];
            }
            values_[name] = *value;
        } else {
            throw UsageError("unknown option --" + name);
        }
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
