// The setup program's help window (frm_DialogHelp): fixed help texts under four headings.
#pragma once

#include <string>
#include <vector>

#include "vodex/tools/dialog_model.h"

namespace vodex::setup {

class HelpModel : public DialogModel {
  public:
    struct Topic {
        std::string heading;
        std::string text;
    };

    HelpModel();
    void Load();
    // The headings and texts in the interface language.
    const std::vector<Topic>& Topics() const { return topics_; }
    // Any button of the command bar closes the window.
    void Command(const std::string& key) override;

  private:
    std::vector<Topic> topics_;
};

}  // namespace vodex::setup
