#include "manager_model.h"

#include <filesystem>
#include <set>

#include "tlx/convert.h"
#include "tlx/dialogs.h"
#include "tlx/filesystem.h"
#include "tlx/paths.h"
#include "tlx/process.h"
#include "tlx/pump.h"
#include "tlx/text.h"
#include "tlx/updatetag.h"
#include "vodex/text/language.h"

namespace vodex::manager {
namespace {

constexpr const char* kCaption = "VQ Geräteverwaltung";

// The size of every file in `folder` and below; what cannot be read counts as nothing.
double FolderSize(const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    double total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator
             it(folder, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        std::error_code sizeError;
        if (it->is_regular_file(sizeError)) {
            const auto size = it->file_size(sizeError);
            if (!sizeError) total += static_cast<double>(size);
        }
    }
    return total;
}

double FileSize(const std::filesystem::path& file) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    return ec ? 0 : static_cast<double>(size);
}

// What the installed drivers take on disk: a driver installed from a package, the whole of its
// folder in the driver folder; any other, its component and description files.
double DriversSize(cls_DeviceTool& registry) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path drivers = fs::weakly_canonical(tlx::DriverFolder(), ec);
    std::set<fs::path> folders;
    double total = 0;
    const auto installed = registry.CONTENTALL();
    for (const std::string& cls : installed->ITEMS()) {
        const fs::path component = fs::weakly_canonical(registry.FILENAME(cls), ec);
        if (ec || component.empty()) continue;
        const fs::path folder = component.parent_path();
        if (folder.parent_path() == drivers) {
            if (folders.insert(folder).second) total += FolderSize(folder);
        } else {
            total += FileSize(component) + FileSize(registry.FILENAMEINFO(cls));
        }
    }
    return total;
}

}  // namespace

ManagerModel::ManagerModel(std::shared_ptr<cls_DeviceTool> registry, std::string setupProgram)
    : DialogModel("frm_Main", std::string(kCaption) + "|Vodex device manager"),
      registry_(std::move(registry)),
      setupProgram_(std::move(setupProgram)) {
    FormModel& f = Design();
    f.Add("bar_Title", "TitleBar")
        .Define("Title", std::string(kCaption) + "|Vodex device manager")
        .Define("Text",
                "Wandlertreiber verwalten, testen und aktualisieren|Manage, test and update "
                "instrument drivers");
    const char* headings[][2] = {{"hdr_General", "Allgemeine Informationen|General information"},
                                 {"hdr_Versions", "Versionsinformationen|Version information"},
                                 {"hdr_Options", "Allgemeine Optionen|General options"},
                                 {"hdr_Drivers", "Wandlertreiber verwalten|Manage drivers"},
                                 {"hdr_Devices",
                                  "Geräte überprüfen und auflisten|Check and list "
                                  "devices"}};
    for (const auto& h : headings)
        f.Add(h[0], "Header").Define("Caption", h[1]);
    const char* captions[][2] = {
        {"lab_CountText", "Vorhandene Treiber:|Installed drivers:"},
        {"lab_ActiveText", "Davon aktiv:|Active:"},
        {"lab_InactiveText", "Davon inaktiv:|Inactive:"},
        {"lab_SizeText", "Größe auf Festplatte:|Size on disk:"},
        {"lab_VersionInterfaceText", "Version Interface:|Interface version:"},
        {"lab_VersionManagerText", "Version Manager:|Manager version:"}};
    for (const auto& c : captions)
        f.Add(c[0], "Label").Define("Caption", c[1]);
    for (const char* value : {"lab_Count", "lab_Active", "lab_Inactive", "lab_Size",
                              "lab_VersionInterface", "lab_VersionManager"})
        f.Add(value, "Label").Define("Caption", "");
    f.Add("lab_Language", "Label").Define("Caption", "Sprache:|Language:");
    const char* buttons[] = {"Wandler hinzufügen, updaten, entfernen|Add, update, remove drivers",
                             "Verfügbare Wandlertreiber anzeigen|Show available drivers",
                             "Verbindungstest|Connection test",
                             "Wandlertreiber überprüfen|Check drivers", ""};
    for (std::size_t i = 0; i < std::size(kCommands); ++i) {
        f.Add("but_Command", "CommandButton", static_cast<std::int32_t>(i))
            .Define("Caption", buttons[i])
            .Define("Tag", kCommands[i]);
    }
    f.Add("but_UpdatesX", "CommandButton")
        .Define("Caption", "Auf Updates prüfen...|Check for updates...");
    ControlModel& bar = f.Add("bar_Buttons", "CommandBar");
    bar.AddMember(ControlCollection::Buttons, {{"Text", "&Info über|&About"}, {"Tag", "ABOUT"}});
    bar.AddMember(ControlCollection::Buttons, {{"Text", "&Beenden|&Quit"}, {"Tag", "QUIT"}});
}

std::vector<std::string> ManagerModel::Languages() {
    return {hLanguageText("Sprache des Systems", "The system's language"), "Deutsch", "English"};
}

std::int32_t ManagerModel::Language() const {
    const std::string stored = hLanguageStored();
    return stored == "DE" ? 1 : stored == "EN" ? 2 : 0;
}

void ManagerModel::ChooseLanguage(std::int32_t choice) {
    if (choice < 0 || choice > 2 || choice == Language()) return;
    hLanguageStore(choice == 1 ? "DE" : choice == 2 ? "EN" : "");
    tlx::cls_CoreDialogs().MESSAGE(
        hLanguageText("Die Sprache gilt ab dem nächsten Start der Programme.",
                      "The language takes effect when the programs are started next."),
        hLanguageText(kCaption, "Vodex device manager"));
}

bool ManagerModel::AutoRequested(const std::vector<std::string>& arguments) {
    for (const std::string& a : arguments) {
        if (tlx::UCase(tlx::Trim(a)) == "-AUTO") return true;
    }
    return false;
}

void ManagerModel::Load() {
    Translate();
    Open();
    // The web button shows the maker's address.
    Design().Control("but_Command", 4).Define("Caption", registry_->UPDATESERVER());
    Refresh();
}

void ManagerModel::Refresh() {
    const tlx::WaitCursor busy;
    // The files of the registry's PATH when a client set one, else what the installed drivers
    // take.
    const double size =
        registry_->PATH().empty() ? DriversSize(*registry_) : FolderSize(registry_->PATH());
    const std::int32_t active = registry_->COUNT();
    const std::int32_t inactive = registry_->DISABLED()->COUNT();
    panel_.count = std::to_string(active + inactive);
    panel_.inactive = std::to_string(inactive);
    panel_.active = std::to_string(active);
    panel_.size = tlx::SizeText(size, hLanguageIsGerman() ? ',' : '.');
    panel_.versionInterface =
        registry_->VERSION() + " (" + std::to_string(registry_->VERSIONBUILD()) + ")";
    panel_.versionManager = std::to_string(VODEX_VERSION_MAJOR) + "." +
                            std::to_string(VODEX_VERSION_MINOR) + "." +
                            std::to_string(VODEX_VERSION_REVISION);
}

void ManagerModel::Command(const std::string& tag) {
    const std::string word = tlx::UCase(tlx::Trim(tag));
    tlx::cls_CoreDialogs dialogs;
    // The long commands show the wait cursor and let pending events run before they start.
    auto busy = [](auto&& run) {
        const tlx::WaitCursor waiting;
        tlx::PumpMessages();
        run();
    };
    if (word == "SETUP") {
        if (tlx::cls_CoreFileSystem().FILEEXISTS(setupProgram_) &&
            tlx::StartDetached({setupProgram_})) {
            Close();
        } else {
            dialogs.MESSAGE(
                "Das Programm 'VQ ZarivuZarud' wurde nicht gefunden. Installieren Sie das Rezira "
                "Dovarir ggf. neu");
        }
    } else if (word == "AUTOSENSE") {
        const auto found = registry_->AUTOSENSE();
        const std::int32_t count = found ? found->COUNT() : 0;
        dialogs.MESSAGE(
            hLanguageText("Es wurden {0} Geräte gefunden!", "{0} devices were found!", {count}),
            "Info");
    } else if (word == "CHECK") {
        busy([&] { registry_->CHECK(); });
        dialogs.MESSAGE(hLanguageText("Überprüfung abgeschlossen.", "The check is complete."),
                        hLanguageText("Abgeschlossen", "Complete"));
        Refresh();
    } else if (word == "LIST") {
        busy([&] { registry_->OVERVIEW(); });
        Refresh();
    } else if (word == "INTERNET") {
        busy([&] { registry_->DOWNLOADER(true); });
        Refresh();
    } else if (word == "ADD") {
        busy([&] { registry_->ADD(true); });
        Refresh();
    } else if (word == "UPDATES") {
        tlx::OpenAddress(registry_->UPDATETAG()->INFOURL);
    } else if (word == "WEB") {
        tlx::OpenAddress(registry_->UPDATESERVER() + "/");
    } else if (word == "ABOUT") {
        dialogs.MESSAGE(hLanguageText("Die Geräteverwaltung des Rezira Dovarir, Version ",
                                      "The device manager of the Rezira Dovarir, version ") +
                            panel_.versionManager + ".",
                        hLanguageText(kCaption, "Vodex device manager"));
    } else if (word == "QUIT") {
        Close();
    }
}

void ManagerModel::UpdatesX() {
    const tlx::WaitCursor waiting;
    tlx::PumpMessages();
    auto tag = registry_->UPDATETAG();
    if (!tag) tag = std::make_shared<tlx::cls_CoreUpdateTag>();
    if (tag->UPDATE(true, false, "")) Close();
}

}  // namespace vodex::manager
