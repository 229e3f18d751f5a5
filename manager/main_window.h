// The device manager's window: the information panel, the command buttons and the command bar
// of the model's design.
#pragma once

#include <QWidget>

#include "manager_model.h"
#include "vodex/ui/views.h"

namespace vodex::manager {

class MainWindow : public ui::ModelDialog {
  public:
    explicit MainWindow(ManagerModel& model, QWidget* parent = nullptr);

  private:
    void Mirror() override;

    ManagerModel& model_;
};

}  // namespace vodex::manager
