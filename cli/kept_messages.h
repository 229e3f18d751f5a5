// While it lives, the registry's messages are kept instead of shown: a command that reports
// a driver's failure itself, with the reason, says it once.
#pragma once

#include <memory>

#include "tlx/dialogs.h"

namespace vodex::cli {

class KeptMessages {
  public:
    KeptMessages() : old_(tlx::cls_CoreDialogs::SetProvider(kept_)) {}
    ~KeptMessages() { tlx::cls_CoreDialogs::SetProvider(old_); }
    KeptMessages(const KeptMessages&) = delete;
    KeptMessages& operator=(const KeptMessages&) = delete;

  private:
    std::shared_ptr<tlx::ScriptedDialogProvider> kept_ =
        std::make_shared<tlx::ScriptedDialogProvider>();
    std::shared_ptr<tlx::DialogProvider> old_;
};

}  // namespace vodex::cli
