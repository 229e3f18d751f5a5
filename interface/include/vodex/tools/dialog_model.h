// What the library's dialogs share, without any window system: the design of a dialog as a
// tree of controls whose texts carry both languages ("Kommunikation|Communication"), put
// into the interface language when the dialog loads, and the command bar's keys that close
// it. A window shows a model's state and hands it the user's actions; the models hold all
// behaviour, so they are what tests exercise.
#pragma once

#include <string>

#include "tlx/lists.h"
#include "vodex/text/form.h"

namespace vodex {

class DialogModel {
  public:
    DialogModel(const DialogModel&) = delete;
    DialogModel& operator=(const DialogModel&) = delete;
    virtual ~DialogModel();

    // The dialog's controls with their texts (translated once the dialog has loaded).
    FormModel& Design() { return design_; }
    const FormModel& Design() const { return design_; }
    // Whether the dialog has closed itself (by a command of its bar).
    bool Closed() const { return closed_; }
    // A button of the command bar, by its key.
    virtual void Command(const std::string& key) = 0;

    // A key of the command bar, compared without regard to case and surrounding blanks
    // ("DIALOG.OK();", "DIALOG.OK").
    static bool IsCommand(const std::string& key, const char* command);

  protected:
    DialogModel(std::string name, std::string caption);
    // Puts the design texts into the interface language; the texts in both languages are
    // kept from the first time, so a dialog loaded again translates alike.
    void Translate();
    void Close() { closed_ = true; }
    void Open() { closed_ = false; }
    // A command bar with OK, Abort and Help, whose buttons carry `keys` as their tags.
    void AddCommandBar(const std::string& name, const char* ok, const char* abort,
                       const char* help);

  private:
    FormModel design_;
    tlx::cls_CoreCollection store_;
    bool closed_ = false;
};

}  // namespace vodex
