// The driver setup program: every driver from the installed ones, a driver folder and the
// online catalogue, with installing, updating and removing. "/DEV" (any case) compares with
// the packages the build makes, "--folder DIR" with the packages in DIR; "--picture FILE"
// draws the window into a picture instead of showing it.
#include <stdlib.h>

#include <QApplication>
#include <QDir>
#include <string>
#include <vector>

#include "drives.h"
#include "installer_window.h"
#include "tlx/dialogs.h"
#include "tlx/program.h"
#include "tlx/text.h"
#include "vodex/core/sys_device.h"
#include "vodex/ui/qt_ui.h"

namespace {

constexpr const char* kHelp =
    "Usage: vodex-setup [/DEV] [--folder FOLDER] [Qt options]\n"
    "The driver setup program: every driver from the installed ones, a driver folder and the\n"
    "maker's catalogue, with installing, updating and removing.\n"
    "\n"
    "  /DEV              compare with the packages the build makes\n"
    "  --folder FOLDER   compare with the packages in FOLDER\n"
    "  -h, --help        show this help\n"
    "  -V, --version     show the version\n";

}  // namespace

int main(int argc, char** argv) {
    if (const auto answered = tlx::AnswerHelpOrVersion(argc, argv, "vodex-setup", kHelp))
        return *answered;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const bool picture = argc >= 3 && arguments[0] == "--picture";
    // --folder DIR: compare with the packages in DIR.
    std::string folder;
    for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
        if (arguments[i] == "--folder") folder = arguments[i + 1];
    if (picture) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    bool development = false;
    for (const std::string& a : arguments)
        development |= tlx::UCase(a) == "/DEV";  // a whole argument, not a folder's name
    const auto app = vodex::ui::StartApplication(argc, argv, "vodex-setup");
    vodex::ui::InstallQtUi();
    // A picture waits for no one: messages go to the standard error.
    if (picture) tlx::cls_CoreDialogs::SetProvider(nullptr);
    // The development folder: the packages the build puts beside its programs' folder.
    const std::string packages =
        QDir(QCoreApplication::applicationDirPath() + "/../packages").absolutePath().toStdString() +
        "/";
    if (development) folder = packages;
    vodex::setup::SetupModel model(vodex::SysDevice()->DEVICETOOL(), vodex::setup::MountedMedia(),
                                   folder);
    model.Load();
    vodex::setup::InstallerWindow window(model);
    if (picture) {
        model.WaitForInternet();
        return vodex::ui::SaveWindowPicture(window, argv[2]) ? 0 : 1;
    }
    // The window shows at once; the catalogue, and the toolkit check after it, follow.
    window.show();
    window.exec();
    return 0;
}
