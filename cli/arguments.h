// The command line of `vodex`: a command, its positional arguments and its options.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vodex::cli {

// A usage error: the program ends with exit code 2 and this message.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Arguments {
  public:
    // Reads `args` (without the program name and the command word) for `command`. Its options
    // are those its help names ("--json" without a value, "--port N" with one, given as
    // "--port 3" or "--port=3"), so what the help promises and what is accepted cannot differ.
    // Throws UsageError for anything else.
    Arguments(const std::vector<std::string>& args, std::string_view command);

    const std::vector<std::string>& Positional() const { return positional_; }
    bool Has(const std::string& option) const { return values_.count(option) > 0; }
    std::optional<std::string> Value(const std::string& option) const;
    // The option's value as a whole number from `low` to `high`; UsageError otherwise.
    std::optional<long> Number(const std::string& option, long low, long high) const;
    std::optional<double> Real(const std::string& option, double low, double high) const;

  private:
    std::vector<std::string> positional_;
    std::map<std::string, std::string> values_;
};

}  // namespace vodex::cli
