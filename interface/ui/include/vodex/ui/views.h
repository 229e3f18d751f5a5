// The windows of the library's dialogs, each a thin view of its model (vodex/core and
// vodex/tools): it shows the model's state, hands the user's actions to the model and closes
// when the model has closed. Made visible by QtUiProvider, and by the picture program in a
// known state.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <vector>

#include "vodex/tools/autosense_model.h"
#include "vodex/tools/comm_settings_model.h"
#include "vodex/tools/device_choice_models.h"
#include "vodex/tools/device_info_model.h"
#include "vodex/tools/device_list_model.h"
#include "vodex/tools/device_test_model.h"
#include "vodex/tools/error_checklist_model.h"

namespace tlx::controls {
class CommandBar;
class ReadingsChart;
class ImageBox;
class Label;
class ListView;
class ProgressBar;
class TitleBar;
}  // namespace tlx::controls

class QCheckBox;
class QLayout;
class QLabel;
class QLineEdit;
class QComboBox;
class QPlainTextEdit;
class QTimer;
class QVBoxLayout;

namespace vodex::ui {

// What every view shares: the title band, the body and the command bar of the model's
// design, the caption, and closing when the model closes.
class ModelDialog : public QDialog {
  public:
    ModelDialog(DialogModel& model, QWidget* parent);

  protected:
    // The body between title band and command bar.
    QVBoxLayout* Body() const { return body_; }
    tlx::controls::CommandBar* Bar() const { return bar_; }
    // Hands a command to the model (`command`), then mirrors it; closes once the model has.
    void Run(const std::function<void()>& command);
    // The close box and Escape: `closeBox` tells the model.
    void SetCloseBox(std::function<void()> closeBox) { closeBox_ = std::move(closeBox); }
    void reject() override;
    void closeEvent(QCloseEvent* event) override;
    // Shows the model's state again.
    virtual void Mirror() {}
    // Gives the controls of the view the texts of the model's design, by name and index; the
    // views call it once they have made all their controls.
    void ShowDesign();
    // A label of the design (its text comes with ShowDesign).
    tlx::controls::Label* NewLabel(const char* name, std::optional<int> index = {});

  private:
    DialogModel& model_;
    tlx::controls::TitleBar* title_;
    QVBoxLayout* body_;
    tlx::controls::CommandBar* bar_;
    std::function<void()> closeBox_;
};

class CommSettingsView : public ModelDialog {
  public:
    CommSettingsView(CommSettingsModel& model, QWidget* parent = nullptr);
};

class ErrorChecklistView : public ModelDialog {
  public:
    ErrorChecklistView(ErrorChecklistModel& model, QWidget* parent = nullptr);

  private:
    void Mirror() override;
    ErrorChecklistModel& model_;
    std::vector<QCheckBox*> boxes_;
};

class DeviceSelectView : public ModelDialog {
  public:
    DeviceSelectView(DeviceSelectModel& model, QWidget* parent = nullptr);
};

class DeviceSettingsView : public ModelDialog {
  public:
    DeviceSettingsView(DeviceSettingsModel& model, QWidget* parent = nullptr);
};

// The automatic detection: the search starts 100 ms after the window shows and runs inside
// that timer's tick; the animation timer (100 ms) advances the animation and shows the
// search's state while it runs. The abort button and the close box stop the search at its
// next checkpoint; the window closes itself when the search has ended.
class AutoSenseView : public ModelDialog {
  public:
    AutoSenseView(AutoSenseModel& model, QWidget* parent = nullptr);

    // The picture of animation frame `frame` of AutoSenseModel::kFrames.
    static QPixmap AnimationFrame(int frame);

  private:
    void Mirror() override;
    AutoSenseModel& model_;
    tlx::controls::Label* steps_[3];
    tlx::controls::ImageBox* icon_;
    tlx::controls::ImageBox* animation_;
    tlx::controls::ProgressBar* progress_;
    tlx::controls::ListView* found_;
    QTimer* start_;
    QTimer* animate_;
};

// The device test: the port list, the channels with their status, value and rate and a chart
// of the last minute, the device's status and debug text, the driver's automatic functions,
// its setup screen and its switches. A timer runs the model's measurement cycle.
class DeviceTestView : public ModelDialog {
  public:
    DeviceTestView(DeviceTestModel& model, QWidget* parent = nullptr);

  private:
    // The port, the channels with their chart, the status and the history.
    QLayout* MeasuringColumn();
    // The command buttons and the device's switches.
    QLayout* CommandColumn();
    void ConnectControls();
    void Mirror() override;
    void Cycle();
    void DrawChart();

    DeviceTestModel& model_;
    QComboBox* port_;
    tlx::controls::ListView* channels_;
    tlx::controls::ReadingsChart* chart_;
    QLabel* status_;
    QLabel* debug_;
    QPlainTextEdit* log_;
    QCheckBox* autoChannel_;
    QCheckBox* retry_;
    std::vector<QCheckBox*> switches_;
    QTimer* timer_;
    QTimer* chartTimer_;
};

// A driver's description: its texts with a clickable information address, the date of its
// file, its picture and icon, what it can do, and its channels and ports.
class DeviceInfoView : public ModelDialog {
  public:
    DeviceInfoView(DeviceInfoModel& model, QWidget* parent = nullptr);
};

// The list of installed drivers: a search box, the list with check boxes (sorted by a click
// on a column header), buttons to activate or deactivate all and to open a driver's
// information and test dialogs, and a context menu on each row (information, its default
// entry, test, activate, deactivate, uninstall).
class DeviceListView : public ModelDialog {
  public:
    DeviceListView(DeviceListModel& model, QWidget* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Mirror() override;
    // The row under the cursor, or -1.
    std::int32_t Selected() const;
    void ShowMenu(const QPoint& at);
    void OpenInfo(std::int32_t row, bool test);

    DeviceListModel& model_;
    QLineEdit* search_;
    tlx::controls::ListView* list_;
};

}  // namespace vodex::ui
