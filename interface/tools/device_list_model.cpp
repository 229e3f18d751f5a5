#include "vodex/tools/device_list_model.h"

#include <algorithm>

#include "tlx/dialogs.h"
#include "tlx/filesystem.h"
#include "tlx/process.h"
#include "tlx/text.h"
#include "vodex/core/detail/release_device.h"
#include "vodex/text/language.h"

namespace vodex {
namespace {

constexpr const char* kBroken = "-DEFEKT-";

}  // namespace

DeviceListModel::DeviceListModel(std::shared_ptr<cls_DeviceTool> registry)
    : DialogModel("frm_DeviceList", "Geräteliste|Device list"), registry_(std::move(registry)) {
    FormModel& f = Design();
    ControlModel& list = f.Add("lst_Devices", "ListView");
    for (const char* column :
         {"Name|Name", "Status|Status", "Hersteller|Manufacturer", "Beschreibung|Description"}) {
        list.AddMember(ControlCollection::ColumnHeaders, {{"Text", column}});
    }
    f.Add("txt_Search", "TextBox").Define("Text", "<Suchbegriff>|<search term>");
    f.Add("but_ActivateAll", "CommandButton").Define("Caption", "Alle aktivieren|Activate all");
    f.Add("but_DeactivateAll", "CommandButton")
        .Define("Caption", "Alle deaktivieren|Deactivate all");
    f.Add("but_DeviceInfo", "CommandButton").Define("Caption", "Informationen...|Information...");
    f.Add("but_DeviceTest", "CommandButton").Define("Caption", "Testen...|Test...");
    AddCommandBar("bar_Buttons", "DIALOG.OK();", "DIALOG.ABORT();", "DIALOG.HELP();");
}

void DeviceListModel::Load() {
    const tlx::WaitCursor busy;
    Translate();
    Open();
    search_ = Design().Control("txt_Search").Text("Text");
    // Every driver is asked once per opening: a broken one reports itself once, not on every
    // keystroke in the search box.
    drivers_.clear();
    const bool collectImages = images_.empty();
    if (collectImages) images_["ERROR"] = nullptr;  // the window's own error picture
    const auto disabled = registry_->DISABLED();
    const auto installed = registry_->CONTENTALL();
    for (const std::string& cls : installed->ITEMS()) {
        const auto device = registry_->INFO(cls);
        Row row;
        row.driverClass = cls;
        if (!device) {
            row.text = cls + " - DEFEKT";
            row.status = row.manufacturer = row.description = kBroken;
            row.image = "ERROR";
            row.broken = true;
        } else {
            const auto info = device->INFO();
            row.text = info->NAME();
            row.manufacturer = info->MANUFACTURER();
            row.description = info->DESCRIPTION();
            if (collectImages && info->ICON()) images_[cls] = info->ICON();
            detail::ReleaseDevice(device);
            row.checked = !disabled->EXISTS(cls);
            row.status = row.checked ? hLanguageText("Aktiv", "Active")
                                     : hLanguageText("Inaktiv", "Inactive");
            row.image = cls;
        }
        drivers_.push_back(std::move(row));
    }
    Fill();
}

void DeviceListModel::Search(const std::string& text) {
    search_ = text;
    Fill();
}

bool DeviceListModel::IsRandomizer(const std::string& driverClass) const {
    return tlx::UCase(driverClass) == tlx::UCase(registry_->RANDOMIZERID());
}

void DeviceListModel::Fill() {
    std::string search = search_;
    if (search.size() >= 2 && search.front() == '<' && search.back() == '>') search.clear();
    search = tlx::UCase(tlx::Trim(search));
    // Rows the search hides keep the check state the user gave them.
    for (const Row& shown : rows_) {
        for (Row& r : drivers_) {
            if (r.driverClass == shown.driverClass) r.checked = shown.checked;
        }
    }
    rows_.clear();
    for (const Row& row : drivers_) {
        const std::string searchable = row.broken
                                           ? tlx::UCase(row.text)
                                           : tlx::UCase(row.text + " " + row.manufacturer + " " +
                                                        row.description + " " + row.driverClass);
        if (search.empty() || searchable.find(search) != std::string::npos) rows_.push_back(row);
    }
    if (sortColumn_ >= 0) {
        const std::int32_t column = sortColumn_;
        sortColumn_ = -1;
        const bool descending = sortDescending_;
        Sort(column);
        if (descending) Sort(column);
    }
}

void DeviceListModel::Check(std::int32_t row, bool checked) {
    if (row < 0 || row >= static_cast<std::int32_t>(rows_.size())) return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    r.checked = checked || IsRandomizer(r.driverClass);  // the random generator stays active
}

void DeviceListModel::ActivateAll() {
    for (Row& r : rows_)
        r.checked = true;
}

void DeviceListModel::DeactivateAll() {
    for (Row& r : rows_)
        r.checked = IsRandomizer(r.driverClass);
}

void DeviceListModel::Sort(std::int32_t column) {
    if (column < 0 || column > 3) return;
    sortDescending_ = column == sortColumn_ && !sortDescending_;
    sortColumn_ = column;
    auto key = [column](const Row& r) {
        const std::string* texts[] = {&r.text, &r.status, &r.manufacturer, &r.description};
        return tlx::FoldCase(*texts[column]);
    };
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
        return sortDescending_ ? key(b) < key(a) : key(a) < key(b);
    });
}

void DeviceListModel::Command(const std::string& key) {
    if (IsCommand(key, "DIALOG.OK();")) {
        if (std::none_of(rows_.begin(), rows_.end(), [](const Row& r) { return r.checked; })) {
            tlx::cls_CoreDialogs().MESSAGE(
                "Sie müssen mindestens einen Wandler als 'aktiv' kennzeichnen, indem Sie einen "
                "Haken vor dem Gerät setzen - sonst kann kein Messprogramm arbeiten!");
            return;
        }
        // Only the listed rows: drivers the search hides keep their state.
        for (const Row& r : rows_) {
            if (r.checked) {
                registry_->ENABLE(r.driverClass);
            } else {
                registry_->DISABLE(r.driverClass);
            }
        }
        Close();
    } else if (IsCommand(key, "DIALOG.ABORT();")) {
        Close();
    } else if (IsCommand(key, "DIALOG.HELP();")) {
        tlx::cls_CoreDialogs().MESSAGE(
            hLanguageText("Ein Haken vor einem Wandler macht ihn aktiv: nur aktive Wandler werden "
                          "den Messprogrammen angeboten. Mit der rechten Maustaste erreichen Sie "
                          "Informationen, den Test und das Entfernen eines Wandlers.",
                          "A tick before a driver makes it active: only active drivers are offered "
                          "to measuring programs. The right mouse button leads to a driver's "
                          "information, its test and removing it."),
            Design().Caption());
    }
}

bool DeviceListModel::Uninstall(std::int32_t row) {
    if (row < 0 || row >= static_cast<std::int32_t>(rows_.size())) return false;
    const Row r = rows_[static_cast<std::size_t>(row)];
    tlx::cls_CoreDialogs dialogs;
    if (IsRandomizer(r.driverClass)) {
        dialogs.MESSAGE("Der Zufallsgenerator kann nicht entfernt werden.");
        return false;
    }
    if (dialogs.QUESTION("Sind Sie sicher, daß Sie den Wandlertreiber für '" + r.text +
                         "' entfernen wollen?") != tlx::ID_Answer_Yes) {
        return false;
    }
    const std::string product = registry_->MSI(r.driverClass);
    const int code = product.empty()
                         ? -1
                         : tlx::RunAndWait(std::vector<std::string>{
                               tlx::cls_CoreFileSystem::SYSTEMFOLDER() + "vodex_msiexec",
                               "/passive", "/x", product});
    if (code != 0) {
        dialogs.MESSAGE("Beim Versuch den Wandlertreiber zu entfernen ist ein Fehler aufgetreten.");
        return false;
    }
    // The installer let window events run: the rows may have been filled anew meanwhile.
    std::erase_if(rows_, [&](const Row& d) { return d.driverClass == r.driverClass; });
    std::erase_if(drivers_, [&](const Row& d) { return d.driverClass == r.driverClass; });
    return true;
}

}  // namespace vodex
