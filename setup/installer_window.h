// The setup program's window (frm_DeviceInstaller) and its help window (frm_DialogHelp).
#pragma once

#include "help_model.h"
#include "setup_model.h"
#include "vodex/ui/views.h"

class QComboBox;
class QLabel;
class QLayout;
class QTimer;
class QLineEdit;

namespace tlx::controls {
class ListView;
}

namespace vodex::setup {

class HelpWindow : public ui::ModelDialog {
  public:
    explicit HelpWindow(HelpModel& model, QWidget* parent = nullptr);
};

// The setup program's window. It shows at once: the catalogue is fetched in the background,
// its state shown below the list, and the list fills as the sources arrive.
class InstallerWindow : public ui::ModelDialog {
  public:
    explicit InstallerWindow(SetupModel& model, QWidget* parent = nullptr);
    ~InstallerWindow() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The disc or folder, the filter and the search.
    QLayout* ChoiceRows();
    // The list of drivers, the wait panel and the catalogue's state under it.
    void AddList();
    // The hint with its links, and the actions.
    QLayout* BottomRow();
    // Widens the columns to their headers and gives the hint the height of its text.
    void FitToTexts();
    void ConnectControls();
    void Mirror() override;
    // Shows the model's state: the panels, the folder, the filter and the list.
    void ShowState();

    SetupModel& model_;
    QComboBox* folder_;
    QComboBox* filter_;
    QLineEdit* search_;
    tlx::controls::ListView* list_;
    QLabel* panel_;
    QLabel* internet_;
    QTimer* poll_;
};

}  // namespace vodex::setup
