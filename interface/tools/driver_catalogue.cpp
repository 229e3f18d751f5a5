#include "vodex/tools/driver_catalogue.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "tlx/convert.h"
#include "tlx/downloader.h"
#include "tlx/filesystem.h"
#include "tlx/text.h"
#include "tlx/tools.h"
#include "tlx/updatetag.h"
#include "vodex/core/detail/release_device.h"

namespace vodex {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCataloguePath = "/files/devices/list.php5";
constexpr const char* kNoConnection = "Keine Internetverbindung!";

// A catalogue's number as a whole number, halves to even; what no whole number can hold (a
// hostile catalogue's 1e300 or nan) is held at the ends, and nan counts as 0.
std::int32_t Rounded(std::string_view value) {
    const double v = std::nearbyint(tlx::Val(value));
    if (std::isnan(v)) return 0;
    return static_cast<std::int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}

// The files of `folder` by lower-cased name, so that a disc written elsewhere in capitals
// still matches.
std::map<std::string, fs::path> FilesOf(const fs::path& folder) {
    std::map<std::string, fs::path> files;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(folder, ec)) {
        if (e.is_regular_file(ec))
            files.emplace(tlx::LCase(e.path().filename().string()), e.path());
    }
    return files;
}

std::string WithSlash(std::string folder) {
    if (!folder.empty() && !folder.ends_with("/")) folder += "/";
    return folder;
}

}  // namespace

bool DriverCatalogue::HoldsPackages(const std::filesystem::path& folder) {
    for (const auto& [name, path] : FilesOf(folder)) {
        if (name.starts_with("vodex_") && name.ends_with(".msi")) return true;
    }
    return false;
}

DriverCatalogue::DriverCatalogue(std::shared_ptr<cls_DeviceTool> registry)
    : registry_(std::move(registry)) {}

void DriverCatalogue::Folder(const std::string& folder) {
    folder_ = WithSlash(folder);
}

void DriverCatalogue::Build() {
    entries_.clear();
    index_.clear();
    AddInstalled();
    if (catalogueLoaded_) MergeCatalogue(catalogue_);
    MergeFolder();
    ClassifyAll();
}

void DriverCatalogue::ClassifyAll() {
    for (DriverEntry& e : entries_)
        Classify(e);
}

DriverEntry* DriverCatalogue::Find(std::string_view className) {
    const auto it = index_.find(tlx::UCase(className));
    return it == index_.end() ? nullptr : &entries_[it->second];
}

bool DriverCatalogue::SetInternet(std::string_view className, const VersionRecord& record) {
    DriverEntry* e = Find(className);
    if (e) e->internet = record;
    return e != nullptr;
}

bool DriverCatalogue::SetFolder(std::string_view className, const VersionRecord& record) {
    DriverEntry* e = Find(className);
    if (e) e->folder = record;
    return e != nullptr;
}

void DriverCatalogue::Append(DriverEntry entry) {
    index_.try_emplace(tlx::UCase(entry.ID), entries_.size());  // the first of an ID is found
    entries_.push_back(std::move(entry));
}

void DriverCatalogue::AddInstalled() {
    if (!registry_) return;
    const auto installed = registry_->CONTENTALL();
    {
        // Drivers installed or changed since they were last listed are checked all at once.
        std::vector<std::string> files;
        for (const std::string& cls : installed->ITEMS())
            files.push_back(registry_->FILENAME(cls));
        tlx::cls_CoreUpdateTag::VERIFYCOMPONENTS(files);
    }
    for (const std::string& cls : installed->ITEMS()) {
        const auto device = registry_->INFO(cls);
        if (!device) continue;  // a driver the registry cannot describe is left out
        DriverEntry e;
        try {
            const auto info = device->INFO();
            if (info->ICON()) images_[tlx::LCase(cls)] = info->ICON();
            e.ID = tlx::UCase(cls);
            e.className = cls;
            e.NAME = info->NAME();
            e.DESCRIPTION = info->DESCRIPTION();
            e.TEXT = info->MANUFACTURER();
        } catch (...) {
            detail::ReleaseDevice(device);
            continue;
        }
        detail::ReleaseDevice(device);
        const std::string file = registry_->FILENAME(cls);
        const tlx::cls_CoreFileSystem files;
        if (!file.empty() && files.FILEEXISTS(file)) {
            tlx::cls_CoreUpdateTag tag;
            if (tag.READCOMPONENT(file)) {
                e.installed.MAJOR = tag.MAJOR;
                e.installed.MINOR = tag.MINOR;
                e.installed.REVISION = tag.REVISION;
                e.installed.VERSION = tag.VERSION;
                e.installed.DATE = tag.FILEDATE;
                e.installed.NEEDINTERFACE = tag.NEEDINTERFACE;
            }
            e.installed.SIZE = static_cast<double>(files.FILESIZE(file));
            e.installed.location = file;
        }
        Append(std::move(e));
    }
}

std::string DriverCatalogue::Address() const {
    return registry_ ? registry_->UPDATESERVER() + kCataloguePath : std::string();
}

std::string DriverCatalogue::Download(const std::string& address,
                                      std::shared_ptr<const std::atomic<bool>> stop,
                                      std::string& why) {
    // Tried once more after a failure or an empty answer, within the same time limits.
    tlx::cls_CoreDownloader downloader;
    downloader.RETRIES = 1;
    downloader.STOP = std::move(stop);
    std::string text = downloader.DOWNLOADTEXT(address);
    why.clear();
    if (text.empty()) {
        why = !downloader.LASTERROR().empty()
                  ? downloader.LASTERROR()
                  : tlx::CoreText("Der Katalog ist leer.", "the catalogue is empty");
    }
    return text;
}

bool DriverCatalogue::Fetch() {
    if (catalogueLoaded_ || !registry_) return catalogueLoaded_;
    std::string why;
    std::string text = Download(Address(), nullptr, why);
    TakeCatalogue(std::move(text), why);
    return catalogueLoaded_;
}

void DriverCatalogue::TakeCatalogue(std::string text, const std::string& why) {
    if (catalogueLoaded_) return;
    if (text.empty()) {
        notice_ = kNoConnection;
        why_ = why;
        return;
    }
    notice_.clear();
    why_.clear();
    catalogue_ = std::move(text);
    catalogueLoaded_ = true;
}

namespace {

enum class Key {
    ID,
    NAME,
    TEXT,
    DESCRIPTION,
    MAJOR,
    MINOR,
    VERSION,
    REVISION,
    SIZE,
    DOWNLOADURL,
    NEEDINTERFACE,
    DATE,
    Other
};

Key KeyOf(std::string_view key) {
    static constexpr std::pair<std::string_view, Key> kKeys[] = {
        {"ID", Key::ID},
        {"NAME", Key::NAME},
        {"TEXT", Key::TEXT},
        {"DESCRIPTION", Key::DESCRIPTION},
        {"MAJOR", Key::MAJOR},
        {"MINOR", Key::MINOR},
        {"VERSION", Key::VERSION},
        {"REVISION", Key::REVISION},
        {"SIZE", Key::SIZE},
        {"DOWNLOADURL", Key::DOWNLOADURL},
        {"NEEDINTERFACE", Key::NEEDINTERFACE},
        {"DATE", Key::DATE}};
    for (const auto& [name, k] : kKeys) {
        if (name.size() == key.size() && tlx::EqualsNoCase(name, key)) return k;
    }
    return Key::Other;  // BUILD, UPDATEURL, TAGURL, NEEDCORE, FILENAME, PACKED, SIZEPACKED,
                        // CRC and keys the catalogue is not expected to hold: passed over
}

}  // namespace

void DriverCatalogue::MergeCatalogue(std::string_view text) {
    const tlx::Date now = tlx::Now();  // the date of a record that names none
    DriverEntry current;
    tlx::EachKeyValueLine(text, [&](const tlx::KeyValueLine& line) {
        if (line.assignment) {
            const std::string_view value = tlx::Trimmed(line.value);
            VersionRecord& r = current.internet;
            switch (KeyOf(tlx::Trimmed(line.key))) {
                case Key::ID:
                    current.ID = tlx::UCase(value);
                    break;
                case Key::NAME:
                    current.NAME = value;
                    break;
                case Key::TEXT:
                    current.TEXT = value;
                    break;
                case Key::DESCRIPTION:
                    current.DESCRIPTION = value;
                    break;
                case Key::MAJOR:
                    r.MAJOR = Rounded(value);
                    break;
                case Key::MINOR:
                    r.MINOR = Rounded(value);
                    break;
                case Key::REVISION:
                    r.REVISION = Rounded(value);
                    break;
                case Key::VERSION:
                    r.VERSION = value;  // replaced at the end of the record
                    break;
                case Key::SIZE:
                    r.SIZE = tlx::Val(value);
                    break;
                case Key::DOWNLOADURL:
                    r.location = value;
                    break;
                case Key::NEEDINTERFACE:
                    r.NEEDINTERFACE = Rounded(value);
                    break;
                case Key::DATE:
                    if (auto date = tlx::DateFromText(value)) r.DATE = date;
                    break;
                case Key::Other:
                    break;
            }
        } else if (line.line == "[BEGIN]") {
            current = DriverEntry{};
            current.internet.DATE = now;
        } else if (line.line == "[END]") {
            VersionRecord& r = current.internet;
            const std::string base = r.location.substr(r.location.rfind('/') + 1);
            current.className = tlx::LCase(base.substr(0, base.find('.')));
            r.VERSION = std::to_string(r.MAJOR) + "." + std::to_string(r.MINOR) + "." +
                        std::to_string(r.REVISION);
            if (DriverEntry* known = Find(current.ID)) {
                known->internet = r;
            } else {
                DriverEntry added;
                added.ID = current.ID;
                added.className = current.className;
                added.NAME = current.NAME;
                added.DESCRIPTION = current.DESCRIPTION;
                added.TEXT = current.TEXT;
                added.internet = r;
                Append(std::move(added));
            }
        }
        return true;
    });
}

void DriverCatalogue::MergeFolder() {
    if (folder_.empty()) return;
    fs::path folder(folder_);
    if (!HoldsPackages(folder)) {
        for (const char* sub : {"wandler/", "cd/wandler/"}) {
            if (HoldsPackages(folder / sub)) {
                folder_ = WithSlash((folder / sub).lexically_normal().string());
                folder = folder_;
                break;
            }
        }
    }
    const auto files = FilesOf(folder);
    for (const auto& [name, path] : files) {
        if (!name.ends_with(".devinfo")) continue;
        const std::string base = path.stem().string();
        const std::string lower = tlx::LCase(base);
        const auto package = files.find(lower + ".msi");
        if (package == files.end()) continue;  // no package, no offer
        if (const auto bmp = files.find(lower + ".bmp"); bmp != files.end()) {
            try {
                images_[lower] = tlx::cls_CorePicture::FromFile(bmp->second.string());
            } catch (...) {
                // a picture that cannot be loaded leaves the generic icon
            }
        }
        const auto described = files.find(lower + ".tlx-udt");
        tlx::cls_CoreUpdateTag tag;
        if (described == files.end() || !tag.READDESCRIPTION(described->second.string())) {
            continue;  // without its description the version on offer is not known
        }
        VersionRecord r;
        r.MAJOR = tag.MAJOR;
        r.MINOR = tag.MINOR;
        r.REVISION = tag.REVISION;
        r.VERSION = tag.VERSION;
        r.DATE = tag.FILEDATE;
        r.SIZE = tag.FILESIZE ? static_cast<double>(*tag.FILESIZE) : 0.0;
        r.NEEDINTERFACE = tag.NEEDINTERFACE;
        r.location = package->second.string();
        if (DriverEntry* known = Find(base)) {
            known->folder = r;
        } else {
            DriverEntry e;
            e.ID = tlx::UCase(base);
            e.className = base;
            e.NAME = tag.NAME;
            e.DESCRIPTION = tag.DESCRIPTION;
            e.TEXT = tag.MANUFACTURER;
            e.folder = r;
            Append(std::move(e));
        }
    }
}

bool DriverCatalogue::IsNewer(std::string_view a, std::string_view b) {
    auto parts = [](std::string_view v) {
        std::vector<double> out;
        for (;;) {
            const std::size_t dot = v.find('.');
            out.push_back(std::trunc(tlx::Val(v.substr(0, dot))));
            if (dot == std::string_view::npos) return out;
            v.remove_prefix(dot + 1);
        }
    };
    const auto pa = parts(a);
    const auto pb = parts(b);
    for (std::size_t i = 0; i < std::min(pa.size(), pb.size()); ++i) {
        if (pb[i] > pa[i]) return true;
        if (pa[i] > pb[i]) return false;
    }
    return pb.size() > pa.size();
}

void DriverCatalogue::Classify(DriverEntry& e) {
    const std::string& installed = e.installed.VERSION;
    if (!IsNewer(installed, e.internet.VERSION)) {
        e.bestSource = IsNewer(installed, e.folder.VERSION) ? 1 : 0;
    } else {
        e.bestSource = IsNewer(e.folder.VERSION, e.internet.VERSION) ? 2 : 1;
    }
}

DriverStatus DriverCatalogue::Status(const DriverEntry& e, bool catalogueLoaded) {
    if (e.bestSource == 2) {
        return e.Installed() ? DriverStatus{"Update im Internet", "updateinet", 255, 100, 0, true}
                             : DriverStatus{"Neu im Internet", "newinet", 0, 128, 0, true};
    }
    if (e.bestSource == 1) {
        return e.Installed()
                   ? DriverStatus{"Update auf Datenträger", "updatedisk", 255, 100, 0, true}
                   : DriverStatus{"Neu auf Datenträger", "newdisk", 0, 128, 0, true};
    }
    if (!e.internet.location.empty() || !e.folder.location.empty()) {
        return {"Aktuell", "ok", 128, 128, 128, false};
    }
    if (catalogueLoaded) return {"Nicht mehr unterstützt!", "decrepated", 255, 0, 0, true};
    return {"Unbekannt", "", 128, 128, 128, false};
}

}  // namespace vodex
