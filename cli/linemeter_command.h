// The driver of a text-line meter's description, made ready to be packaged: the component of
// the text-line meters copied under the description's driver class, with the description
// beside it, in a temporary folder that goes with the object.
#pragma once

#include <string>

namespace vodex::cli {

class StagedLineMeter {
  public:
    // Throws tlx::Error (naming the file and line) for a description that is refused.
    explicit StagedLineMeter(const std::string& description);
    ~StagedLineMeter();
    StagedLineMeter(const StagedLineMeter&) = delete;
    StagedLineMeter& operator=(const StagedLineMeter&) = delete;

    const std::string& Component() const { return component_; }

  private:
    std::string folder_;
    std::string component_;
};

// Whether `file` is named as a description of a text-line meter ("*.linemeter").
bool IsLineMeterDescription(const std::string& file);

}  // namespace vodex::cli
