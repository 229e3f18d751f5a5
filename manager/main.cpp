// The device manager: facts about the installed drivers and the library's tools, one window.
// "-auto" (any case) checks the drivers and ends without a window; "--picture FILE" draws the
// window into a picture instead of showing it.
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <string>
#include <vector>

#include "main_window.h"
#include "tlx/dialogs.h"
#include "vodex/core/sys_device.h"
#include "vodex/ui/qt_ui.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // --picture FILE: the window drawn into a picture, on the offscreen platform.
    const bool picture = argc == 3 && arguments[0] == "--picture";
    if (picture) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto registry = vodex::SysDevice()->DEVICETOOL();
    if (vodex::manager::ManagerModel::AutoRequested(arguments)) {
        registry->CHECK();
        return 0;
    }
    QApplication app(argc, argv);
    vodex::ui::InstallQtUi();
    // The setup program is looked for beside the manager's own file.
    const std::string setup =
        QDir(QCoreApplication::applicationDirPath()).filePath("vodex-setup").toStdString();
    vodex::manager::ManagerModel model(registry, setup);
    model.Load();
    vodex::manager::MainWindow window(model);
    if (picture) return vodex::ui::SaveWindowPicture(window, argv[2]) ? 0 : 1;
    window.show();
    window.exec();
    return 0;
}
