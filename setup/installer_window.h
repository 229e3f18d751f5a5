// The setup program's window (frm_DeviceInstaller) and its help window (frm_DialogHelp).
#pragma once

#include "help_model.h"
#include "setup_model.h"
#include "vodex/ui/views.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace tlx::controls {
class ListView;
}

namespace vodex::setup {

class HelpWindow : public ui::ModelDialog {
  public:
    explicit HelpWindow(HelpModel& model, QWidget* parent = nullptr);
};

class InstallerWindow : public ui::ModelDialog {
  public:
    explicit InstallerWindow(SetupModel& model, QWidget* parent = nullptr);
    ~InstallerWindow() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Mirror() override;

    SetupModel& model_;
    QComboBox* folder_;
    QComboBox* filter_;
    QLineEdit* search_;
    tlx::controls::ListView* list_;
    QLabel* panel_;
};

}  // namespace vodex::setup
