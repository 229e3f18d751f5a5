// A Qt window as the translation of dialogs and the dialog models see it: its named widgets
// are the controls (an index for a control array is the widget's property "Index"), and each
// exposes its texts by the property names of the control tree ("Caption", "Text", "Title",
// "ToolTipText", "Tag") and its buttons, panels and column headers as collections. So a window
// translates itself with hTranslateForm, and a view takes its texts from its model's design.
#pragma once

#include <QWidget>
#include <memory>
#include <vector>

#include "vodex/text/form.h"

namespace vodex::ui {

class QtForm : public Form {
  public:
    explicit QtForm(QWidget& window);
    ~QtForm() override;
    QtForm(const QtForm&) = delete;
    QtForm& operator=(const QtForm&) = delete;

    std::string Name() const override;
    std::vector<FormControl*> Controls() override;
    bool GetText(std::string_view property, std::string& value) const override;
    bool SetText(std::string_view property, const std::string& value) override;

    // Makes `control` the member `index` of the control array of its name.
    static void SetIndex(QWidget& control, int index);

  private:
    QWidget& window_;
    std::vector<std::unique_ptr<FormControl>> controls_;
};

// Gives every control of `window` that `design` has too (same name and index) the design's
// texts, its collections' members included; the design's caption becomes the window's.
void ShowDesignTexts(FormModel& design, Form& window);

}  // namespace vodex::ui
