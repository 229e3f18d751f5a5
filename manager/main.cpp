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
#include "tlx/program.h"
#include "vodex/core/sys_device.h"
#include "vodex/ui/qt_ui.h"

namespace {

constexpr const char* kHelp =
    "Usage: vodex-manager [-auto] [Qt options]\n"
    "The toolkit's device manager: facts about the installed drivers, the list of drivers with\n"
    "their descriptions and tests, the connection test, the driver check and the setup program.\n"
    "\n"
    "  -auto           check the installed drivers and end, without a window\n"
    "  -h, --help      show this help\n"
    "  -V, --version   show the version\n";

}  // namespace

int main(int argc, char** argv) {
    if (const auto answered = tlx::AnswerHelpOrVersion(argc, argv, "vodex-manager", kHelp))
        return *answered;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    // --picture FILE: the window drawn into a picture, on the offscreen platform.
    const bool picture = argc == 3 && arguments[0] == "--picture";
    if (picture) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto registry = vodex::SysDevice()->DEVICETOOL();
    if (vodex::manager::ManagerModel::AutoRequested(arguments)) {
        registry->CHECK();
        return 0;
    }
    const auto app = vodex::ui::StartApplication(argc, argv, "vodex-manager");
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
