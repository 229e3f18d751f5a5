// The driver setup program's window (frm_DeviceInstaller) without Qt: every driver known from
// the installed drivers, a driver folder and the online catalogue, filtered and searched, with
// installing, updating and removing through the installer, and the toolkit check at start.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vodex/core/device_tool.h"
#include "vodex/tools/catalogue_fetch.h"
#include "vodex/tools/dialog_model.h"
#include "vodex/tools/driver_catalogue.h"

namespace vodex::setup {

class SetupModel : public DialogModel {
  public:
    enum Filter { ShowAll, UpdatesOnly, NewAndUpdates, InstalledOnly };
    enum InstallSource { Newest, FromInternet, FromFolder };
    static constexpr int kColumns = 6;

    struct Row {
        std::string key;        // "k" and the entry's 1-based position in the driver list
        std::string className;  // the row's tag
        std::array<std::string, kColumns> cells;
        std::string statusIcon;             // the status icon's key ("" none)
        std::string image;                  // the lower-cased class name, or "generic"
        std::array<bool, kColumns> grey{};  // "---/---"
        std::array<bool, kColumns> red{};   // a version that needs a newer toolkit
        std::uint8_t statusRed = 0, statusGreen = 0, statusBlue = 0;
        bool statusBold = false;
        int boldColumn = -1;  // the version column of the best source
        bool checked = false;
    };

    // `drives` are the media folders offered in the drop-down; `startFolder` is the folder
    // "/DEV" or the command line chose ("" for none: the first drive holding packages).
    SetupModel(std::shared_ptr<cls_DeviceTool> registry, std::vector<std::string> drives,
               std::string startFolder = {});

    // Start, up to the toolkit check: the drives, the driver folder, the list.
    void Load();
    // The toolkit check: asks when a listed version needs a newer toolkit build, and closes on
    // Cancel or after starting the toolkit update. At start it runs once the first catalogue
    // fetch has ended.
    void ToolkitCheck();

    // The catalogue is fetched in the background while the window is used: Poll takes it
    // when it has come (the list is built anew, a failure said once per run, the toolkit
    // check run after the first fetch) and answers whether anything changed. Nothing is taken
    // while a step that lets window events run is under way.
    bool Poll();
    // Waits for the fetch to end and takes it (a picture, a test).
    void WaitForInternet();
    // The state of the internet: "Suche im Internet ..." while fetching, "Keine
    // Internetverbindung!" after a failed fetch, else "".
    const std::string& Internet() const { return internet_; }

    const std::vector<std::string>& Drives() const { return drives_; }
    // The text of the drop-down: the driver folder.
    const std::string& Folder() const { return catalogue_.Folder(); }
    // Choosing a drive of the drop-down, or any folder (the folder button's choice).
    void ChooseDrive(std::int32_t index);
    void ChooseFolder(const std::string& folder);
    // The folder button: asks for a folder through the dialog service.
    void BrowseFolder();

    Filter CurrentFilter() const { return filter_; }
    void SetFilter(Filter filter);
    const std::string& SearchText() const { return search_; }
    void Search(const std::string& text);
    // Sorts by a column's text, ascending; the same column again toggles the direction.
    void Sort(std::int32_t column);

    const std::vector<Row>& Rows() const { return rows_; }
    void Check(std::int32_t row, bool checked);
    const DriverCatalogue& Catalogue() const { return catalogue_; }
    // "Die Liste wird aktualisiert. Bitte warten!" or "Der Wandlertreiber wird
    // heruntergeladen..." while they last, else "".
    const std::string& Panel() const { return panel_; }
    // Called whenever the panel's text changes, before the work behind it starts, and when
    // the catalogue has come, before anything is asked.
    void OnPanel(std::function<void()> changed) { onPanel_ = std::move(changed); }

    void Install(InstallSource source);
    void Remove();
    // The links: index 0 installs every available update, index 2 runs the toolkit update.
    void Link(std::int32_t index);
    // A double-click on a row: the driver's information dialog.
    void OpenInfo(std::int32_t row);

    // "DIALOG.OK();" and "DIALOG.ABORT();" close the program; "DIALOG.HELP();" asks the window
    // for its help (HelpRequested).
    void Command(const std::string& key) override;
    bool TakeHelpRequest();

  private:
    // Builds the list anew, and fetches the catalogue again in the background when none came.
    void Rebuild();
    void BuildList();
    void StartFetch();
    void Redraw();
    void ShowPanel(std::string text);
    std::int32_t Build() const;
    bool RunInstaller(const std::vector<std::string>& arguments) const;
    // The catalogue entries of the ticked rows, in row order; none (after the message that
    // asks for a tick) when no row is ticked.
    std::vector<DriverEntry> TickedEntries() const;
    // The package at `address` in a temporary file; "" with `why` when it cannot be had.
    std::string Download(const std::string& address, std::string& why);
    bool RemoveUnpackaged(const std::string& cls);
    bool IsRandomizer(const std::string& cls) const;

    std::shared_ptr<cls_DeviceTool> registry_;
    DriverCatalogue catalogue_;
    std::vector<std::string> drives_;
    std::string startFolder_;
    Filter filter_ = ShowAll;
    std::string search_;
    std::vector<Row> rows_;
    std::string panel_;
    std::int32_t sortColumn_ = -1;
    bool sortDescending_ = false;
    bool helpRequested_ = false;
    int busy_ = 0;  // steps running that let window events run; commands wait for them
    std::function<void()> onPanel_;
    std::unique_ptr<CatalogueFetch> fetch_;
    std::string internet_;
    bool noticeGiven_ = false;
    bool toolkitChecked_ = false;
};

}  // namespace vodex::setup
