#include "setup_model.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "tlx/dialogs.h"
#include "tlx/downloader.h"
#include "tlx/filesystem.h"
#include "tlx/process.h"
#include "tlx/pump.h"
#include "tlx/text.h"
#include "tlx/tools.h"
#include "tlx/updatetag.h"
#include "vodex/core/detail/release_device.h"
#include "vodex/core/device.h"
#include "vodex/text/language.h"

namespace vodex::setup {
namespace {

namespace fs = std::filesystem;

constexpr const char* kNoVersion = "---/---";
constexpr const char* kTickFirst =
    "Sie müssen erst einen oder mehrere Wandler auswählen indem Sie einen Haken davor setzen!";

void Message(const std::string& text) {
    tlx::cls_CoreDialogs().MESSAGE(text);
}

// The driver folder of a drive: its root, else its "wandler/", else its "cd/wandler/", when
// one of them holds packages.
std::string PackageFolderOf(const std::string& root) {
    for (const char* sub : {"", "wandler/", "cd/wandler/"}) {
        if (DriverCatalogue::HoldsPackages(fs::path(root) / sub)) return root + sub;
    }
    return {};
}

// Marks the model busy while a long step lets window events run.
class Busy {
  public:
    explicit Busy(int& depth) : depth_(depth) { ++depth_; }
    ~Busy() { --depth_; }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

  private:
    int& depth_;
};

// Each text on a line of its own.
std::string Lines(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& t : texts)
        all += (all.empty() ? "" : "\n") + t;
    return all;
}

const VersionRecord* Chosen(const DriverEntry& e, std::int32_t source) {
    return source == 2 ? &e.internet : source == 1 ? &e.folder : nullptr;
}

}  // namespace

SetupModel::SetupModel(std::shared_ptr<cls_DeviceTool> registry, std::vector<std::string> drives,
                       std::string startFolder)
    : DialogModel("frm_DeviceInstaller",
                  "VQ ZarivuZarud: Wandlertreiber hinzufügen, aktualisieren, entfernen|"
                  "VQ ZarivuZarud: add, update and remove drivers"),
      registry_(std::move(registry)),
      catalogue_(registry_),
      drives_(std::move(drives)),
      startFolder_(std::move(startFolder)) {
    FormModel& f = Design();
    f.Add("lab_Folder", "Label")
        .Define("Caption", "Vergleichen mit Datenträger:|Compare with disc:");
    f.Add("but_Folder", "CommandButton")
        .Define("Caption", "Datenträger / Ordner...|Disc / folder...");
    f.Add("lab_Filter", "Label")
        .Define("Caption", "Folgende Wandlertreiber anzeigen:|Show these drivers:");
    f.Add("lab_Search", "Label")
        .Define("Caption", "Nach Name oder Hersteller suchen:|Search by name or maker:");
    f.Add("txt_Search", "TextBox").Define("Text", "<Suchbegriff eingeben>|<enter a search term>");
    ControlModel& list = f.Add("lst_Devices", "ListView");
    for (const char* column :
         {"Name|Name", "Status|Status", "Hersteller|Manufacturer", "Installiert|Installed",
          "Auf Datenträger|On disc", "Im Internet|On the internet"})
        list.AddMember(ControlCollection::ColumnHeaders, {{"Text", column}});
    f.Add("fra_Actions", "Frame")
        .Define("Caption", "Was wollen Sie machen?|What do you want to do?");
    const char* installs[] = {"Neuste Version installieren|Install the newest version",
                              "Update aus dem Internet|Update from the internet",
                              "Update von Datenträger|Update from disc"};
    for (std::int32_t i = 0; i < 3; ++i)
        f.Add("but_Install", "CommandButton", i).Define("Caption", installs[i]);
    f.Add("but_Remove", "CommandButton").Define("Caption", "Entfernen|Remove");
    f.Add("lab_Link", "Label", 0)
        .Define("Caption", "Alle verfügbaren Updates installieren|Install all available updates");
    f.Add("lab_Link", "Label", 2)
        .Define("Caption",
                "Rezira Dovarir auf Updates überprüfen|Check the Rezira Dovarir for "
                "updates");
    f.Add("lab_Hint", "Label")
        .Define("Caption",
                "Wählen Sie aus der Liste oben ein oder mehrere Wandler aus, <B>indem Sie ein "
                "Häkchen setzen.</B> Klicken Sie dann rechts auf die Schaltfläche mit der "
                "gewünschten Aktion. Zum Beispile \"Neuste Version installieren\" damit alle "
                "ausgewählten Wandler auf den aktuellsten Stand gebracht werden.|"
                "Choose one or more drivers from the list above <B>by ticking them.</B> Then "
                "click the button of the action you want on the right, for example \"Install "
                "the newest version\" to bring all chosen drivers up to date.");
    AddCommandBar("bar_Buttons", "DIALOG.OK();", "DIALOG.ABORT();", "DIALOG.HELP();");
}

std::int32_t SetupModel::Build() const {
    return registry_->BUILD();
}

bool SetupModel::IsRandomizer(const std::string& cls) const {
    return tlx::UCase(cls) == tlx::UCase(registry_->RANDOMIZERID());
}

void SetupModel::ShowPanel(std::string text) {
    panel_ = std::move(text);
    if (onPanel_) onPanel_();
    tlx::PumpMessages();  // the window shows the panel before the work starts
}

void SetupModel::Load() {
    const tlx::WaitCursor busy;
    Translate();
    Open();
    search_ = Design().Control("txt_Search").Text("Text");
    // The first drive holding packages, at its root or in "wandler/" or "cd/wandler/".
    std::string folder;
    for (const std::string& root : drives_) {
        folder = PackageFolderOf(root);
        if (!folder.empty()) break;
    }
    if (!startFolder_.empty()) folder = startFolder_;
    catalogue_.Folder(folder);
    filter_ = ShowAll;
    Rebuild();
}

void SetupModel::ToolkitCheck() {
    const std::int32_t build = Build();
    std::int32_t needed = 0;
    std::string source;
    for (const DriverEntry& e : catalogue_.Entries()) {
        if (e.internet.NEEDINTERFACE > build && e.internet.NEEDINTERFACE > needed) {
            needed = e.internet.NEEDINTERFACE;
            source = "aus dem Internet";
        }
        if (e.folder.NEEDINTERFACE > build && e.folder.NEEDINTERFACE > needed) {
            needed = e.folder.NEEDINTERFACE;
            source = "vom Datenträger " + catalogue_.Folder();
        }
    }
    if (needed <= 0) return;
    const std::int32_t answer = tlx::cls_CoreDialogs().QUESTION(
        "Auf Ihrem Rechner ist das VQ Rezira Dovarir Build " + std::to_string(build) +
            " installiert - für ein oder mehrere verfügbare Updates benötigen Sie jedoch die "
            "Version " +
            std::to_string(needed) + " " + source +
            ". Möchten Sie jetzt die neuste Version des VQ Rezira Dovarir installieren? Wenn Sie "
            "'Nein' wählen werden Sie nicht alle verfügbaren Updates installieren können!",
        "Update für VQ Rezira Dovarir verfügbar!", true);
    if (answer == tlx::ID_Answer_Cancel) {
        Close();
    } else if (answer == tlx::ID_Answer_Yes) {
        auto tag = registry_->UPDATETAG();
        if (tag) tag->UPDATE(true, false, "");  // the user hears why when none was started
        Close();
    }
}

void SetupModel::ChooseDrive(std::int32_t index) {
    if (busy_) return;
    if (index < 0 || index >= static_cast<std::int32_t>(drives_.size())) return;
    ChooseFolder(drives_[static_cast<std::size_t>(index)]);
    if (!DriverCatalogue::HoldsPackages(catalogue_.Folder())) {
        Message(
            "In dem von Ihnen ausgewählten Ordner befinden sich keine Updates für Wandlertreiber.");
    }
}

void SetupModel::ChooseFolder(const std::string& folder) {
    if (busy_) return;
    catalogue_.Folder(folder);
    Rebuild();
}

void SetupModel::BrowseFolder() {
    if (busy_) return;
    const std::string chosen = tlx::cls_CoreDialogs().BROWSEFOLDER(
        "Ordner mit Wandlertreibern auswählen", catalogue_.Folder());
    if (!chosen.empty()) ChooseFolder(chosen);
}

void SetupModel::Rebuild() {
    BuildList();
    // A catalogue that could not be fetched is asked for again, in the background; its
    // notice was given once.
    if (!catalogue_.CatalogueLoaded() && !fetch_) StartFetch();
}

void SetupModel::BuildList() {
    const Busy busy(busy_);
    {
        const tlx::WaitCursor waiting;
        ShowPanel("Die Liste wird aktualisiert. Bitte warten!");
        catalogue_.Build();
        panel_.clear();
        if (onPanel_) onPanel_();
    }
    rows_.clear();
    Redraw();
}

void SetupModel::StartFetch() {
    const std::string address = catalogue_.Address();
    if (address.empty()) return;
    fetch_ = std::make_unique<CatalogueFetch>(address);
    internet_ = hLanguageText("Suche im Internet nach Wandlertreibern ...",
                              "Searching the internet for drivers ...");
}

bool SetupModel::Poll() {
    if (!fetch_ || busy_ || Closed()) return false;  // a step that lets events run goes first
    std::optional<CatalogueFetch::Result> result = fetch_->Take();
    if (!result) return false;
    fetch_.reset();
    catalogue_.TakeCatalogue(std::move(result->text), result->why);
    BuildList();
    internet_ = catalogue_.Notice();  // the state changes with the list that shows it
    if (onPanel_) onPanel_();         // the window shows the new list before anything is asked
    // The notice once per run, with the reason; the next attempts fail silently.
    if (!catalogue_.Notice().empty() && !noticeGiven_) {
        noticeGiven_ = true;
        Message(catalogue_.Notice() + " (" + catalogue_.NoticeReason() + ")");
    }
    // The toolkit check at start needs the catalogue's versions: it comes after the first
    // fetch, found or not.
    if (!toolkitChecked_) {
        toolkitChecked_ = true;
        ToolkitCheck();
    }
    return true;
}

void SetupModel::WaitForInternet() {
    if (fetch_) fetch_->Wait();
    Poll();
}

void SetupModel::SetFilter(Filter filter) {
    if (busy_) return;
    filter_ = filter;
    Redraw();
}

void SetupModel::Search(const std::string& text) {
    if (busy_) return;
    search_ = text;
    Redraw();
}

void SetupModel::Redraw() {
    std::string term = tlx::Trim(search_);
    if (term.size() >= 2 && term.front() == '<' && term.back() == '>') term.clear();
    term = tlx::UCase(term);
    // Ticks survive a redraw for the rows that stay.
    std::vector<std::string> ticked;
    for (const Row& r : rows_)
        if (r.checked) ticked.push_back(r.key);
    rows_.clear();
    const std::int32_t build = Build();
    const auto& entries = catalogue_.Entries();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const DriverEntry& e = entries[i];
        if (!term.empty() &&
            tlx::UCase(e.DESCRIPTION + e.TEXT + e.NAME).find(term) == std::string::npos)
            continue;
        const bool passes = filter_ == ShowAll ||
                            (filter_ == UpdatesOnly && e.Installed() && e.bestSource != 0) ||
                            (filter_ == NewAndUpdates && e.bestSource != 0) ||
                            (filter_ == InstalledOnly && e.Installed());
        if (!passes) continue;
        Row row;
        row.key = "k" + std::to_string(i + 1);
        row.className = e.className;
        const DriverStatus status = DriverCatalogue::Status(e, catalogue_.CatalogueLoaded());
        row.cells[0] = e.NAME;
        row.cells[1] = status.text;
        row.cells[2] = e.TEXT;
        row.statusIcon = status.iconKey;
        row.statusRed = status.red;
        row.statusGreen = status.green;
        row.statusBlue = status.blue;
        row.statusBold = status.bold;
        const VersionRecord* versions[] = {&e.installed, &e.folder, &e.internet};
        for (std::size_t c = 0; c < 3; ++c) {
            const VersionRecord& v = *versions[c];
            row.cells[3 + c] = v.VERSION.empty() ? kNoVersion : v.VERSION;
            row.grey[3 + c] = v.VERSION.empty();
            row.red[3 + c] = c > 0 && v.NEEDINTERFACE > build;
        }
        row.boldColumn = e.bestSource == 2 ? 5 : e.bestSource == 1 ? 4 : 3;
        const std::string lower = tlx::LCase(e.className);
        row.image = catalogue_.Images().count(lower) ? lower : "generic";
        row.checked = std::find(ticked.begin(), ticked.end(), row.key) != ticked.end();
        rows_.push_back(std::move(row));
    }
    if (sortColumn_ >= 0) {
        const std::int32_t column = sortColumn_;
        const bool descending = sortDescending_;
        sortColumn_ = -1;
        Sort(column);
        if (descending) Sort(column);
    }
}

void SetupModel::Sort(std::int32_t column) {
    if (busy_) return;
    if (column < 0 || column >= kColumns) return;
    sortDescending_ = column == sortColumn_ && !sortDescending_;
    sortColumn_ = column;
    const auto c = static_cast<std::size_t>(column);
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        const std::string x = tlx::FoldCase(a.cells[c]), y = tlx::FoldCase(b.cells[c]);
        return sortDescending_ ? y < x : x < y;
    });
}

void SetupModel::Check(std::int32_t row, bool checked) {
    if (busy_) return;
    if (row < 0 || row >= static_cast<std::int32_t>(rows_.size())) return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    // The random generator cannot be unticked.
    r.checked = checked || (r.checked && IsRandomizer(r.className));
}

bool SetupModel::RunInstaller(const std::vector<std::string>& arguments) const {
    std::vector<std::string> words{tlx::cls_CoreFileSystem::SYSTEMFOLDER() + "vodex_msiexec"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return tlx::RunAndWait(words) == 0;
}

std::string SetupModel::Download(const std::string& address, std::string& why) {
    std::error_code tempError;
    const fs::path temp = fs::temp_directory_path(tempError);
    if (tempError) return {};
    std::string file = (temp / "vodex-driver-XXXXXX.msi").string();
    const int fd = ::mkstemps(file.data(), 4);
    if (fd < 0) return {};
    ::close(fd);
    ShowPanel("Der Wandlertreiber wird heruntergeladen...");
    tlx::cls_CoreDownloader downloader;
    downloader.WEBONLY = true;  // the catalogue's address
    downloader.RETRIES = 1;
    const bool done = downloader.DOWNLOADFILE(address, file);
    panel_.clear();
    if (onPanel_) onPanel_();
    if (!done) {
        why = downloader.LASTERROR();
        std::error_code ec;
        fs::remove(file, ec);
        return {};
    }
    return file;
}

std::vector<DriverEntry> SetupModel::TickedEntries() const {
    // Copies: the installer's wait lets window events run, and the list may be built anew.
    std::vector<DriverEntry> ticked;
    for (const Row& row : rows_) {
        const std::size_t position = std::stoul(row.key.substr(1)) - 1;
        if (row.checked && position < catalogue_.Entries().size())
            ticked.push_back(catalogue_.Entries()[position]);
    }
    if (ticked.empty()) Message(kTickFirst);
    return ticked;
}

void SetupModel::Install(InstallSource source) {
    if (busy_) return;  // a click while the list is read or a driver installed
    const Busy busy(busy_);
    const std::vector<DriverEntry> ticked = TickedEntries();
    if (ticked.empty()) return;
    const std::int32_t build = Build();
    bool asked = false;
    std::vector<std::string> done;  // what was installed, said at the end
    for (const DriverEntry& e : ticked) {
        std::int32_t from = e.bestSource;
        if (source == FromInternet && e.bestSource == 1) {
            from = DriverCatalogue::IsNewer(e.installed.VERSION, e.internet.VERSION) ? 2 : 0;
        } else if (source == FromFolder && e.bestSource == 2) {
            from = DriverCatalogue::IsNewer(e.installed.VERSION, e.folder.VERSION) ? 1 : 0;
        }
        const VersionRecord* chosen = Chosen(e, from);
        if (!chosen) continue;
        if (chosen->NEEDINTERFACE > build) {
            if (!asked) {
                asked = true;
                if (tlx::cls_CoreDialogs().QUESTION(
                        "Ein oder mehrere Wandler die Sie ausgewählt haben können nicht "
                        "installiert werden, da hierfür eine neuere Version des VQ Device SDKs "
                        "erforderlich ist! Wollen Sie probieren die restlichen Wandler zu "
                        "installieren?") != tlx::ID_Answer_Yes)
                    break;
            }
            continue;
        }
        // A folder version is installed from its file; an internet version is always downloaded.
        std::error_code ec;
        const bool local = from == 1;
        if (local && !fs::is_regular_file(chosen->location, ec)) continue;
        // A download that failed twice, or an installer that refused the package, is said as
        // for every source: nothing is installed without the user learning of it.
        std::string why;
        const std::string package = local ? chosen->location : Download(chosen->location, why);
        const bool installed =
            !package.empty() && RunInstaller({"/norestart", "/passive", "/i", package});
        if (!installed) {
            Message("Der Wandler " + e.NAME + " konnte nicht installiert werden" +
                    (why.empty() ? "" : " (" + why + ")"));
        } else {
            done.push_back(hLanguageText("Der Wandler {0} ist installiert (Version {1}).",
                                         "The driver {0} is installed (version {1}).",
                                         {e.NAME, chosen->VERSION}));
        }
        if (!local && !package.empty()) fs::remove(package, ec);
    }
    registry_->CHECK();
    Rebuild();
    if (!done.empty()) Message(Lines(done));
}

void SetupModel::Remove() {
    if (busy_) return;  // a click while the list is read or a driver installed
    const Busy busy(busy_);
    const std::vector<DriverEntry> ticked = TickedEntries();
    if (ticked.empty()) return;
    std::vector<std::string> done;  // what was removed or could not be, said at the end
    for (const DriverEntry& e : ticked) {
        if (!e.Installed()) {
            Message("Der Wandler '" + e.NAME +
                    "' ist nicht installiert und kann somit auch nicht entfernt werden.");
        } else if (IsRandomizer(e.className)) {
            Message(
                "Der Zufallsgenerator kann nicht entfernt werden - ohne ihn funktioniert das "
                "Rezira Dovarir nicht richtig!");
        } else {
            // A driver installed without a package goes the way it came.
            const std::string product = registry_->MSI(e.className);
            const bool removed =
                product.empty() ? RemoveUnpackaged(e.className)
                                : RunInstaller({"/norestart", "/passive", "/uninstall", product});
            done.push_back(removed
                               ? hLanguageText("Der Wandler {0} ist entfernt.",
                                               "The driver {0} is removed.", {e.NAME})
                               : hLanguageText("Der Wandler {0} konnte nicht entfernt werden.",
                                               "The driver {0} could not be removed.", {e.NAME}));
        }
    }
    registry_->CHECK();
    Rebuild();
    if (!done.empty()) Message(Lines(done));
}

bool SetupModel::RemoveUnpackaged(const std::string& cls) {
    // Its component unregistered and its driver value removed, together in one registry
    // transaction of the registration program; its files stay where they were, since nothing
    // copied them.
    const std::string value = registry_->REGROOTDEVICES() + "\\" + cls;
    const std::string file = registry_->FILENAME(cls);
    if (file.empty()) {
        return tlx::CoreTools().REGISTRY().DELETEVALUE(tlx::HKEY_LOCAL_MACHINE, value);
    }
    return tlx::RunAndWait({tlx::cls_CoreFileSystem::SYSTEMFOLDER() + "vodex_regsvr", "/u", "/s",
                            "/unset", value, file}) == 0;
}

void SetupModel::Link(std::int32_t index) {
    if (busy_) return;
    if (index == 0) {
        SetFilter(UpdatesOnly);
        if (rows_.empty()) {
            Message(
                "Für die bei Ihnen installierten Wandler sind derzeit keine Updates verfügbar.");
        } else {
            // "All available updates": every listed update is ticked and installed.
            for (Row& r : rows_)
                r.checked = true;
            Install(Newest);
        }
    } else if (index == 2) {
        auto tag = registry_->UPDATETAG();
        if (tag && tag->UPDATE(true, false, "")) Close();
    }
}

void SetupModel::OpenInfo(std::int32_t row) {
    if (busy_) return;
    if (row < 0 || row >= static_cast<std::int32_t>(rows_.size())) return;
    const auto device = registry_->INFO(rows_[static_cast<std::size_t>(row)].className);
    if (!device) return;
    device->DIALOG()->INFO();
    detail::ReleaseDevice(device);
}

void SetupModel::Command(const std::string& key) {
    if (IsCommand(key, "DIALOG.OK();") || IsCommand(key, "DIALOG.ABORT();")) {
        Close();
    } else if (IsCommand(key, "DIALOG.HELP();")) {
        helpRequested_ = true;
    }
}

bool SetupModel::TakeHelpRequest() {
    const bool requested = helpRequested_;
    helpRequested_ = false;
    return requested;
}

}  // namespace vodex::setup
