// The one exception type of the core library. Its message says what failed and, where it
// helps, what the user can do about it.
#pragma once

#include <stdexcept>
#include <string>

namespace tlx {

class Error : public std::runtime_error {
  public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tlx
