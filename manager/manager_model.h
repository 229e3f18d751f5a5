// The device manager's window (frm_Main) without Qt: the panel of facts about the installed
// drivers and the commands its buttons carry in their tags. Everything goes through the
// library's driver registry; the model keeps nothing of its own.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "vodex/core/device_tool.h"
#include "vodex/tools/dialog_model.h"

namespace vodex::manager {

class ManagerModel : public DialogModel {
  public:
    struct Panel {
        std::string count, active, inactive, size, versionInterface, versionManager;
    };
    // The buttons of the command array, by index, with the tags they carry.
    static constexpr const char* kCommands[] = {"SETUP", "LIST", "AUTOSENSE", "CHECK", "WEB"};

    // `setupProgram` is the setup program's file (beside the manager's own).
    ManagerModel(std::shared_ptr<cls_DeviceTool> registry, std::string setupProgram);

    // Whether a command line asks for the check without a window: an argument "-auto" in any
    // case (a whole argument, so a file name that holds it does not count).
    static bool AutoRequested(const std::vector<std::string>& arguments);

    // Translates the window and fills the panel.
    void Load();
    void Refresh();
    const Panel& Info() const { return panel_; }

    // A button's tag (compared upper-cased): runs its command. Closed() afterwards means the
    // program ends.
    void Command(const std::string& tag) override;
    // "Auf Updates prüfen...": the toolkit update; the program ends when one was started.
    void UpdatesX();

    // The interface language chosen for this user, as offered in the options: 0 the
    // system's, 1 German, 2 English; with the entries' texts.
    static std::vector<std::string> Languages();
    std::int32_t Language() const;
    // Stores a choice of Languages(); the user is told it counts from the next start.
    void ChooseLanguage(std::int32_t choice);

  private:
    std::shared_ptr<cls_DeviceTool> registry_;
    std::string setupProgram_;
    Panel panel_;
};

}  // namespace vodex::manager
