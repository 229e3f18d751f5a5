// The library's windows in Qt. A program with windows calls InstallQtUi() on its window
// thread after making its QApplication: the library's dialogs then appear as windows, the
// core library's messages and questions as message boxes, and every wait of the library
// (serial reads, the clock's wait, the process runner) runs Qt's pending events, so the
// windows stay alive while the library waits.
#pragma once

#include <memory>

#include "tlx/ui.h"

class QString;
class QWidget;

namespace vodex::ui {

// Shows the dialogs the library asks for by their form names; a dialog it does not know is
// answered "not confirmed", as without windows.
class QtUiProvider : public tlx::UiProvider {
  public:
    bool ShowModal(tlx::DialogRequest& request) override;
};

// Installs the Qt provider, the message boxes and the message pump for the calling thread.
void InstallQtUi();

// Lays `window` out at its natural size, shows it and writes its picture to `file` (PNG),
// under a strip with its caption as a window frame would show it (the offscreen platform draws
// no frames). False when the file could not be written.
bool SaveWindowPicture(QWidget& window, const QString& file);

}  // namespace vodex::ui
