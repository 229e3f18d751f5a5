// A sample measuring program, written as a client of the library would write it: choose a
// driver and its port and channel through the library's dialogs, connect through the device
// manager, measure on a timer, show every channel's reading and draw the chosen channel as a
// live curve. With --picture FILE it measures the random generator for a few seconds and
// writes a picture of its window instead.
#include <stdlib.h>

#include <QApplication>
#include <cstring>

#include "measure_window.h"
#include "tlx/program.h"
#include "tlx/tools.h"
#include "vodex/ui/qt_ui.h"

namespace {

constexpr const char* kHelp =
    "Usage: vodex_measure_window [Qt options]\n"
    "A sample measuring program: choose a device and its port, connect, and watch the readings\n"
    "and the chosen channel's curve; save them as CSV or as a picture.\n";

}  // namespace

int main(int argc, char** argv) {
    if (const auto answered = tlx::AnswerHelpOrVersion(argc, argv, "vodex_measure_window", kHelp))
        return *answered;
    const bool picture = argc == 3 && std::strcmp(argv[1], "--picture") == 0;
    if (picture) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto app = vodex::ui::StartApplication(argc, argv, "vodex_measure_window");
    vodex::ui::InstallQtUi();
    vodex::example::MeasureWindow window;
    window.resize(820, 420);
    if (!picture) {
        window.show();
        return QApplication::exec();
    }
    // The random generator's pH channel, measured for a few seconds.
    if (!window.Start("Vodex_Randomizer", 1, 1)) return 1;
    window.show();
    for (int i = 0; i < 40; ++i) {
        tlx::CoreTools().CLOCK().WAIT(0.05);
        window.Measure();
    }
    QApplication::processEvents();
    return window.grab().save(argv[2]) ? 0 : 1;
}
