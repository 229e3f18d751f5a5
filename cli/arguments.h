// The command line of `vodex`: a command, its positional arguments and its options.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace vodex::cli {

// A usage error: the program ends with exit code 2 and this message.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Arguments {
  public:
    // Reads `args` (without the program name) for a command that takes the options `flags`
    // (without a value) and `valued` (with one, as "--port 3" or "--port=3"). Throws
    // UsageError for anything else.
    Arguments(const std::vector<std::string>& args, const std::set<std::string>& flags,
              const std::set<std::string>& valued);

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
