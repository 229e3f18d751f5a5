// The driver list of the setup program, without windows: for every driver known from the
// installed drivers, the maker's online catalogue and a driver folder, the three versions,
// which source offers the newest, and the status shown for it.
//
// The catalogue comes from the update server (the machine-hive value "UpdateServer" of the
// driver registry), path "/files/devices/list.php5": fetched here (Fetch), or elsewhere and
// handed over (TakeCatalogue, as the setup program does from a thread of its own); a fetch
// tries once more after a quarter of a second, within one time budget. Once a catalogue is
// loaded it is kept; a failed fetch may be tried again. A driver folder
// holds "vodex_*.msi" packages, each beside its "<base>.devinfo", "<base>.bmp" and
// "<base>.tlx-udt" (its update description); a folder without packages is replaced by its
// "wandler/" or else its "cd/wandler/" subfolder when that holds some.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "tlx/picture.h"
#include "tlx/variant.h"
#include "vodex/core/device_tool.h"

namespace vodex {

struct VersionRecord {
    std::int32_t MAJOR = 0;
    std::int32_t MINOR = 0;
    std::int32_t REVISION = 0;
    std::string VERSION;  // dotted; "" when this source has no version
    std::optional<tlx::Date> DATE;
    double SIZE = 0.0;
    std::string location;  // file, package or download address; "" when not offered
    std::int32_t NEEDINTERFACE = 0;
};

struct DriverEntry {
    std::string ID;  // the class name upper-cased
    std::string className;
    std::string NAME;
    std::string DESCRIPTION;
    std::string TEXT;  // the maker
    VersionRecord installed;
    VersionRecord internet;
    VersionRecord folder;
    std::int32_t bestSource = 0;  // 0 none newer than installed, 1 the folder, 2 the internet

    bool Installed() const { return !installed.location.empty(); }
};

// How an entry's status is shown: its text, the image key of its icon ("" for none), the
// colour of the text and whether it is bold.
struct DriverStatus {
    std::string text;
    std::string iconKey;
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool bold = false;
};

class DriverCatalogue {
  public:
    explicit DriverCatalogue(std::shared_ptr<cls_DeviceTool> registry);

    // Clears the list and adds the installed drivers, then the catalogue's (when one is
    // loaded), then the driver folder's, and classifies every entry. Fetches nothing.
    void Build();

    // The catalogue's address on the update server ("" without a registry).
    std::string Address() const;
    // Downloads the catalogue at `address`, once more after a quarter of a second when that
    // failed, both within the downloader's time limits; "" with `why` when it failed. `stop`
    // (may be empty) ends it at once from another thread.
    static std::string Download(const std::string& address,
                                std::shared_ptr<const std::atomic<bool>> stop, std::string& why);
    // Fetches the catalogue unless one is loaded; whether one is loaded now.
    bool Fetch();
    // A fetched catalogue's text ("" with `why` when the fetch failed): kept when it is one.
    void TakeCatalogue(std::string text, const std::string& why);

    // The driver folder (ending with "/"); after a build, the subfolder used when the
    // packages were found in one.
    const std::string& Folder() const { return folder_; }
    void Folder(const std::string& folder);

    const std::vector<DriverEntry>& Entries() const { return entries_; }
    // The entry of `className` (compared without regard to case), or nothing.
    DriverEntry* Find(std::string_view className);
    // Sets the internet or the folder record of an existing entry; False when there is none.
    bool SetInternet(std::string_view className, const VersionRecord& record);
    bool SetFolder(std::string_view className, const VersionRecord& record);
    void Append(DriverEntry entry);

    // Merges a catalogue text into the list: every stored record becomes the internet record
    // of the entry with its ID, or a new entry.
    void MergeCatalogue(std::string_view text);
    bool CatalogueLoaded() const { return catalogueLoaded_; }
    // "Keine Internetverbindung!" after a fetch that failed twice, else "".
    const std::string& Notice() const { return notice_; }
    // Why that fetch failed, in the interface language.
    const std::string& NoticeReason() const { return why_; }

    // The icons of the drivers by lower-cased class name.
    const std::map<std::string, std::shared_ptr<tlx::cls_CorePicture>>& Images() const {
        return images_;
    }

    // Whether `folder` holds a driver package ("vodex_*.msi", in any case).
    static bool HoldsPackages(const std::filesystem::path& folder);
    // Whether version `b` is newer than version `a`.
    static bool IsNewer(std::string_view a, std::string_view b);
    // Sets the best source of `entry` from its three versions; of every entry.
    static void Classify(DriverEntry& entry);
    void ClassifyAll();
    static DriverStatus Status(const DriverEntry& entry, bool catalogueLoaded);

  private:
    void AddInstalled();
    void MergeFolder();

    std::shared_ptr<cls_DeviceTool> registry_;
    std::vector<DriverEntry> entries_;
    std::unordered_map<std::string, std::size_t> index_;  // upper-cased ID -> position
    std::map<std::string, std::shared_ptr<tlx::cls_CorePicture>> images_;
    std::string catalogue_;
    bool catalogueLoaded_ = false;
    std::string notice_;
    std::string why_;
    std::string folder_;
};

}  // namespace vodex
