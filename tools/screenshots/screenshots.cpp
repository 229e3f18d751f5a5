// Draws every window of the library in a known state into PNG files, in German and in English,
// on the offscreen platform: vodex_screenshots [FOLDER] (default: screenshots/ beside bin/).
// Each language runs as a process of its own, as the interface language is chosen once per
// thread; both use a home of their own with the random generator and the balance installed.
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QPixmap>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "tlx/dialogs.h"
#include "tlx/port_map.h"
#include "tlx/process.h"
#include "tlx/tools.h"
#include "tlx/updatetag.h"
#include "vodex/core/device.h"
#include "vodex/core/device_tool.h"
#include "vodex/sim/virtual_balance.h"
#include "vodex/ui/qt_ui.h"
#include "vodex/ui/views.h"

namespace {

using Device = std::shared_ptr<vodex::int_Device>;
const std::string kDevices = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\";

// The pictures of one language, written into one folder; counts what could not be drawn.
class Pictures {
  public:
    Pictures(QString folder, const char* language)
        : folder_(std::move(folder)), language_(language) {}

    bool Failed() const { return failures_ > 0; }

    void Save(QDialog& window, const char* form) {
        const QString file = File(form);
        if (!vodex::ui::SaveWindowPicture(window, file)) {
            std::fprintf(stderr, "vodex_screenshots: %s could not be written\n", qPrintable(file));
            ++failures_;
        }
        window.hide();
    }

    // A program of the toolkit draws its own main window ("--picture FILE").
    void Program(const char* program, const char* form, std::vector<std::string> more = {}) {
        std::vector<std::string> command{program, "--picture", File(form).toStdString()};
        command.insert(command.end(), more.begin(), more.end());
        if (tlx::RunAndWait(command) != 0) {
            std::fprintf(stderr, "vodex_screenshots: the picture %s failed\n", form);
            ++failures_;
        }
    }

  private:
    QString File(const char* form) const {
        return QDir(folder_).filePath(QString("%1_%2.png").arg(form, language_));
    }

    QString folder_;
    const char* language_;
    int failures_ = 0;
};

// The settings and error dialogs of the two drivers.
void DrawSettings(Pictures& pictures, const std::shared_ptr<vodex::cls_DeviceTool>& registry,
                  const Device& balance, const Device& randomizer) {
    {
        vodex::CommSettingsModel model(balance);
        model.Load();
        vodex::ui::CommSettingsView view(model);
        pictures.Save(view, "frm_DialogCommunication");
    }
    {
        vodex::ErrorChecklistModel model(vodex::ErrorChecklistModel::Kind::Connect,
                                         randomizer->INFO()->NAME());
        model.Load();
        model.Tick(0);
        vodex::ui::ErrorChecklistView view(model);
        pictures.Save(view, "frm_DialogErrorConnect");
    }
    {
        vodex::ErrorChecklistModel model(vodex::ErrorChecklistModel::Kind::Range,
                                         balance->INFO()->NAME(),
                                         balance->CHANNELS()->Item(1)->NAME());
        model.Load();
        vodex::ui::ErrorChecklistView view(model);
        pictures.Save(view, "frm_DialogErrorRange");
    }
    {
        vodex::DeviceSelectModel model;
        model.Registry(registry);
        model.Load();
        model.Select(0);
        vodex::ui::DeviceSelectView view(model);
        pictures.Save(view, "frm_DeviceSelect");
    }
    {
        vodex::DeviceSettingsModel model;
        model.Device(randomizer);
        model.Load();
        vodex::ui::DeviceSettingsView view(model);
        pictures.Save(view, "frm_DeviceSettings");
    }
}

// The detection with two virtual balances found on ports 1 and 3 (2 leads nowhere).
void DrawDetection(Pictures& pictures, const std::shared_ptr<vodex::cls_DeviceTool>& registry,
                   const std::string& home) {
    vodex::sim::VirtualBalance first{{.link = home + "/waage1", .serialNumber = "W1"}};
    vodex::sim::VirtualBalance second{{.link = home + "/waage3", .serialNumber = "W3"}};
    tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE,
                                      "Software\\VQ Morvane\\VQ ReziraDovarir\\PortMax",
                                      tlx::Variant(3));
    tlx::SetPortDevicePath(1, first.Path());
    tlx::SetPortDevicePath(2, home + "/nichts");
    tlx::SetPortDevicePath(3, second.Path());
    vodex::cls_DevicePorts().RESETCACHE();  // the ports were looked at before they moved
    vodex::AutoSenseModel model(registry);
    model.Load();
    model.Search();
    for (int i = 0; i < 4; ++i)
        model.AnimationTick();
    vodex::ui::AutoSenseView view(model);
    pictures.Save(view, "frm_DialogAutoSense");
}

// The list of drivers (with a damaged one), the balance's description and the device test.
void DrawDrivers(Pictures& pictures, const std::shared_ptr<vodex::cls_DeviceTool>& registry,
                 const Device& balance, const std::string& home) {
    {
        std::ofstream(home + "/Vodex_Photometer.so") << "damaged";
        tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE, kDevices + "Vodex_Photometer",
                                          tlx::Variant(home + "/Vodex_Photometer.so"));
        vodex::DeviceListModel model(std::make_shared<vodex::cls_DeviceTool>());
        // The damaged driver's message goes to a script, not into a window nobody closes.
        const auto shown =
            tlx::cls_CoreDialogs::SetProvider(std::make_shared<tlx::ScriptedDialogProvider>());
        model.Load();
        tlx::cls_CoreDialogs::SetProvider(shown);
        vodex::ui::DeviceListView view(model);
        pictures.Save(view, "frm_DeviceList");
    }
    {
        vodex::DeviceInfoModel model(balance, registry->FILENAME("Vodex_Balance"));
        model.Load();
        vodex::ui::DeviceInfoView view(model);
        pictures.Save(view, "frm_DeviceInfo");
    }
    {
        // The random generator measured for most of a minute: two channels checked, each tick
        // half a second later on the dialog's clock.
        double clock = 36000;
        vodex::DeviceTestModel model(registry, [&clock] { return clock; });
        model.DeviceClass("Vodex_Randomizer");
        model.Load();
        model.CheckChannel(0, true);
        model.CheckChannel(1, true);
        for (int i = 0; i < 100; ++i, clock += 0.5)
            model.Tick();
        vodex::ui::DeviceTestView view(model);
        pictures.Save(view, "frm_DeviceTest");
    }
}

// What the setup program shows a driver in every status: two more installed drivers (copies
// of the balance), a disc with a newer one of them and a new one, and a catalogue (read from a
// file address) with a newer balance, a newer random generator and a new driver. Gives the
// disc's folder.
std::filesystem::path SetUpDriverSources(const std::filesystem::path& root) {
    auto& reg = tlx::CoreTools().REGISTRY();
    reg.DELETEVALUE(tlx::HKEY_LOCAL_MACHINE, kDevices + "Vodex_Photometer");
    reg.DELETEVALUE(tlx::HKEY_LOCAL_MACHINE, kDevices + "Vodex_Photometer.Disabled");
    const std::filesystem::path devinfo =
        std::filesystem::path(VODEX_BALANCE_PACKAGE).replace_extension(".devinfo");
    constexpr auto kOverwrite = std::filesystem::copy_options::overwrite_existing;
    for (const char* cls : {"Vodex_Older", "Vodex_Gone"}) {
        const auto copy = root / "installed" / (std::string(cls) + ".so");
        std::filesystem::create_directories(copy.parent_path());
        std::filesystem::copy_file(VODEX_BALANCE_COMPONENT, copy, kOverwrite);
        std::filesystem::copy_file(
            devinfo, std::filesystem::path(copy).replace_extension(".devinfo"), kOverwrite);
        reg.WRITE(tlx::HKEY_LOCAL_MACHINE, kDevices + cls, tlx::Variant(copy.string()));
    }
    const auto disc = root / "disc";
    std::filesystem::create_directories(disc);
    for (const auto& [base, title, version] :
         {std::tuple{"vodex_older", "Laborwaage (älter)", "1.2.0"},
          std::tuple{"vodex_conductivity", "Leitfähigkeitsmesser", "1.0.0"}}) {
        std::ofstream(disc / (std::string(base) + ".msi")) << "package";
        std::filesystem::copy_file(devinfo, disc / (std::string(base) + ".devinfo"), kOverwrite);
        tlx::cls_CoreUpdateTag tag;
        tag.NAME = title;
        tag.MANUFACTURER = "Vodex";
        tag.DESCRIPTION = title;
        tag.VERSION = version;
        tag.WRITEDESCRIPTION((disc / (std::string(base) + ".tlx-udt")).string());
    }
    std::filesystem::create_directories(root / "web" / "files" / "devices");
    std::ofstream(root / "web" / "files" / "devices" / "list.php5")
        << "[BEGIN]\nID=Vodex_Randomizer\nMAJOR=2\nMINOR=1\nDOWNLOADURL=http://h/r.msi\n[END]\n"
           "[BEGIN]\nID=VODEX_BALANCE\nMAJOR=2\nMINOR=2\nNEEDINTERFACE=999\n"
           "DOWNLOADURL=http://h/b.msi\n[END]\n"
           "[BEGIN]\nID=VODEX_PH\nNAME=pH-Meter\nTEXT=Vodex\nDESCRIPTION=pH-Meter mit "
           "Temperaturfühler\nMAJOR=1\nMINOR=10\nDOWNLOADURL=http://h/ph.msi\n[END]\n";
    reg.WRITE(tlx::HKEY_LOCAL_MACHINE, "Software\\VQ Morvane\\VQ ReziraDovarir\\UpdateServer",
              tlx::Variant("file://" + (root / "web").string()));
    return disc;
}

int DrawAll(const QString& folder, const char* language) {
    std::string home = (std::filesystem::temp_directory_path() / "vodex-pictures-XXXXXX").string();
    if (!::mkdtemp(home.data())) return 1;
    ::setenv("VODEX_HOME", home.c_str(), 1);
    for (const char* component : {VODEX_RANDOMIZER_COMPONENT, VODEX_BALANCE_COMPONENT}) {
        if (tlx::RunAndWait(std::vector<std::string>{VODEX_CLI, "install", "--quiet", component}) !=
            0) {
            std::fprintf(stderr, "vodex_screenshots: %s could not be installed\n", component);
            return 1;
        }
    }
    int argc = 1;
    char name[] = "vodex_screenshots";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    vodex::ui::InstallQtUi();
    Pictures pictures(folder, language);
    const auto registry = std::make_shared<vodex::cls_DeviceTool>();
    const auto balance = registry->CREATE("Vodex_Balance");
    const auto randomizer = registry->CREATE("Vodex_Randomizer");
    if (!balance || !randomizer) return 1;
    DrawSettings(pictures, registry, balance, randomizer);
    DrawDetection(pictures, registry, home);
    DrawDrivers(pictures, registry, balance, home);
    // The sample measuring program's window, measuring the random generator.
    pictures.Program(VODEX_MEASURE_WINDOW, "vodex_measure_window");
    // The device manager with two active drivers and a disabled one.
    tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE,
                                      kDevices + "Vodex_Photometer.Disabled", tlx::Variant(true));
    pictures.Program(VODEX_MANAGER, "frm_Main");
    const std::filesystem::path disc = SetUpDriverSources(home);
    pictures.Program(VODEX_SETUP, "frm_DeviceInstaller", {"--folder", disc.string()});
    balance->DESTROY();
    randomizer->DESTROY();
    std::filesystem::remove_all(home);
    return pictures.Failed() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    std::string folder =
        argc > 1 && std::string(argv[1]) != "--language"
            ? argv[1]
            : (std::filesystem::path(self).parent_path().parent_path() / "screenshots").string();
    if (argc > 3 && std::string(argv[2]) == "--language") {
        return DrawAll(QString::fromStdString(folder), argv[3]);
    }
    std::filesystem::create_directories(folder);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int result = 0;
    for (const auto& [language, locale] :
         {std::pair{"de", "de_DE.UTF-8"}, std::pair{"en", "en_GB.UTF-8"}}) {
        ::setenv("LC_ALL", locale, 1);
        if (tlx::RunAndWait(std::vector<std::string>{self, folder, "--language", language}) != 0) {
            std::fprintf(stderr, "vodex_screenshots: the %s pictures failed\n", language);
            result = 1;
        }
    }
    if (result == 0) std::printf("pictures written to %s\n", folder.c_str());
    return result;
}
