// frm_DialogErrorConnect and frm_DialogErrorRange: checklists that lead the user through the
// usual causes of a failed connection or of a wrong measuring range. The boxes become
// available one after the other; the buttons all the time. OK confirms (ticked boxes or
// not); Abort and the close box do not.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vodex/tools/dialog_model.h"

namespace vodex {

class ErrorChecklistModel : public DialogModel {
  public:
    enum class Kind { Connect, Range };

    // `device` names the device; `channel` the channel (the range checklist only).
    ErrorChecklistModel(Kind kind, std::string device, std::string channel = {});

    // Translates the dialog, fills in the names and enables the first box only.
    void Load();
    std::int32_t Count() const { return static_cast<std::int32_t>(boxes_.size()); }
    struct Box {
        std::string caption;
        bool enabled = false;
        bool ticked = false;
    };
    const Box& Item(std::int32_t index) const { return boxes_.at(static_cast<std::size_t>(index)); }
    // The explanation above the boxes.
    const std::string& Explanation() const { return explanation_; }
    // Ticks or clears box `index`; ticking enables the next and moves the focus to it (to the
    // command bar after the last box). A box that is not enabled is left as it is.
    void Tick(std::int32_t index, bool ticked = true);
    // Where the input focus is: the index of a box, or -1 for the command bar.
    std::int32_t Focus() const { return focus_; }
    // "OK", "ABORT" or "HELP".
    void Command(const std::string& key) override;
    // The window's close box: closes without confirming.
    void CloseBox() { Close(); }
    bool RESULT() const { return result_; }

  private:
    Kind kind_;
    std::string device_;
    std::string channel_;
    std::vector<Box> boxes_;
    std::string explanation_;
    std::int32_t focus_ = 0;
    bool result_ = false;
};

}  // namespace vodex
