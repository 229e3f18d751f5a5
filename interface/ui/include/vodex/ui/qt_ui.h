// The library's windows in Qt. A program with windows calls InstallQtUi() on its window
// thread after making its QApplication: the library's dialogs then appear as windows, the
// core library's messages and questions as message boxes, and every wait of the library
// (serial reads, the clock's wait, the process runner) runs Qt's pending events, so the
// windows stay alive while the library waits.
#pragma once

#include <memory>

#include "tlx/ui.h"

class QApplication;
class QString;
class QWidget;

namespace vodex::ui {

// Shows the dialogs the library asks for by their form names; a dialog it does not know is
// answered "not confirmed", as without windows.
class QtUiProvider : public tlx::UiProvider {
  public:
    bool ShowModal(tlx::DialogRequest& request) override;
};

// Makes the program's QApplication. Where Qt cannot start its windows (a platform that does
// not exist, no display to reach), the program ends at once with exit code 2 and one line on
// standard error, "<program>: no window can be shown: <Qt's reason>", instead of Qt's abort.
std::unique_ptr<QApplication> StartApplication(int& argc, char** argv, const char* program);

// Installs the Qt provider, the message boxes and the message pump for the calling thread.
void InstallQtUi();

// Lays `window` out at its natural size, shows it and writes its picture to `file` (PNG),
// under a strip with its caption as a window frame would show it (the offscreen platform draws
// no frames). False when the file could not be written.
bool SaveWindowPicture(QWidget& window, const QString& file);

}  // namespace vodex::ui
