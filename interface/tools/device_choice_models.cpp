#include "vodex/tools/device_choice_models.h"

#include "tlx/tools.h"
#include "vodex/core/detail/release_device.h"
#include "vodex/core/device.h"
#include "vodex/core/device_tool.h"

namespace vodex {
namespace {

constexpr const char* kSelectHelp =
    "In diesem Fenster sehen Sie alle Messgeräte, mit denen Sie arbeiten können. Wählen Sie "
    "das gewünschte Gerät aus und klicken Sie dann auf 'OK'.";

std::int32_t Within(std::int32_t index, std::size_t size) {
    return index >= 0 && index < static_cast<std::int32_t>(size) ? index : -1;
}

}  // namespace

DeviceSelectModel::DeviceSelectModel()
    : DialogModel("frm_DeviceSelect", "Gerät wählen|Select device") {
    FormModel& f = Design();
    f.Add("bar_Title", "TitleBar")
        .Define("Title", "Wandler wählen|Select device")
        .Define("Text",
                "Wählen Sie aus der Liste den gewünschten Messwandler!|Select the desired device "
                "from the list below");
    ControlModel& list = f.Add("lst_Devices", "ListView");
    list.AddMember(ControlCollection::ColumnHeaders, {{"Text", "Gerät|Device"}});
    list.AddMember(ControlCollection::ColumnHeaders, {{"Text", "Hersteller|Manufacturer"}});
    AddCommandBar("bar_Buttons", "DIALOG.OK", "DIALOG.ABORT", "DIALOG.HELP");
}

DeviceSelectModel& DeviceSelectModel::Shared() {
    thread_local DeviceSelectModel shared;
    return shared;
}

void DeviceSelectModel::Load() {
    Translate();
    Open();
    rows_.clear();
    selected_ = -1;
    if (!registry_) return;
    const auto content = registry_->CONTENT();
    for (const std::string& driver : content->ITEMS()) {
        try {
            const std::shared_ptr<int_Device> device = registry_->CREATE(driver);
            if (!device) continue;
            const auto info = device->INFO();
            rows_.push_back({info->NAME(), info->MANUFACTURER(), driver, info->ICON()});
            detail::ReleaseDevice(device);
        } catch (...) {
            // a driver that cannot be made is not offered
        }
    }
}

void DeviceSelectModel::Select(std::int32_t row) {
    selected_ = Within(row, rows_.size());
}

void DeviceSelectModel::Command(const std::string& key) {
    if (IsCommand(key, "DIALOG.OK")) {
        chosen_ = selected_ >= 0 ? rows_[static_cast<std::size_t>(selected_)].driverClass : "";
        Close();
    } else if (IsCommand(key, "DIALOG.ABORT")) {
        chosen_.clear();
        Close();
    } else if (IsCommand(key, "DIALOG.HELP")) {
        tlx::CoreTools().DIALOGS().MESSAGE(kSelectHelp, "");
    }
}

void DeviceSelectModel::Activate(std::int32_t row) {
    Select(row);
    Command("DIALOG.OK");
}

std::pair<std::int32_t, std::int32_t> DeviceSelectModel::ColumnWidths(std::int32_t width) {
    const std::int32_t usable = width > 26 ? width - 26 : 0;
    const std::int32_t first = usable * 60 / 100;
    return {first, usable - first};
}

DeviceSettingsModel::DeviceSettingsModel()
    : DialogModel("frm_DeviceSettings", "Geräteeinstellungen|Device settings") {
    FormModel& f = Design();
    f.Add("bar_Title", "TitleBar")
        .Define("Title", "Geräteeinstellungen|Device settings")
        .Define("Text",
                "Legen Sie fest, wie das Gerät betrieben wird.|Her You must fix, who the devices "
                "has to work.");
    f.Add("lab_Info", "Label", 0).Define("Caption", "Gerät:|Device:");
    f.Add("lab_Info", "Label", 1).Define("Caption", "Anschluss:|Connection:");
    f.Add("lab_Info", "Label", 2).Define("Caption", "Kanal:|Channel:");
    f.Add("lab_Device", "Label").Define("Caption", "");
    f.Add("lst_Port", "ComboBox");
    f.Add("lst_Channel", "ComboBox");
    AddCommandBar("bar_Buttons", "DIALOG.OK", "DIALOG.ABORT", "DIALOG.HELP");
}

DeviceSettingsModel& DeviceSettingsModel::Shared() {
    thread_local DeviceSettingsModel shared;
    return shared;
}

void DeviceSettingsModel::Load() {
    Translate();
    Open();
    // A showing confirms only by its own OK: an earlier OK of the shared dialog does not
    // count for the next one.
    confirmed_ = false;
    // The port and channel chosen the last time are offered again where the list has them:
    // port numbers mean the same for every driver, channels only for the same device.
    const std::int32_t lastPort = PORT();
    const std::int32_t lastChannel = CHANNEL();
    const std::string lastDevice = deviceName_;
    deviceName_.clear();
    ports_.clear();
    channels_.clear();
    if (device_) {
        deviceName_ = device_->INFO()->NAME();
        const auto channels = device_->CHANNELS();
        for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
            const auto c = channels->Item(i);
            channels_.push_back({c->NAME(), c->ID()});
        }
        const auto ports = device_->PORTS();
        ports->RESETCACHE();  // the ports are named as they are now
        ports->hPortsRefresh();
        for (std::int32_t i = 1; i <= ports->COUNT(); ++i) {
            const auto p = ports->Item(i, true);
            if (p) ports_.push_back({p->NAME(), p->ID()});
        }
    }
    Design().Control("lab_Device").Define("Caption", deviceName_);
    auto position = [](const std::vector<Choice>& list, std::int32_t id) {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].id == id) return static_cast<std::int32_t>(i);
        return list.empty() ? -1 : 0;
    };
    const std::int32_t devicePort = device_ ? device_->PORT() : 0;
    port_ = position(ports_, devicePort > 0 ? devicePort : lastPort);
    channel_ = position(channels_, deviceName_ == lastDevice ? lastChannel : 0);
}

void DeviceSettingsModel::SelectPort(std::int32_t index) {
    if (Within(index, ports_.size()) >= 0) port_ = index;
}

void DeviceSettingsModel::SelectChannel(std::int32_t index) {
    if (Within(index, channels_.size()) >= 0) channel_ = index;
}

std::int32_t DeviceSettingsModel::PORT() const {
    return port_ >= 0 ? ports_[static_cast<std::size_t>(port_)].id : 0;
}

std::int32_t DeviceSettingsModel::CHANNEL() const {
    return channel_ >= 0 ? channels_[static_cast<std::size_t>(channel_)].id : 0;
}

void DeviceSettingsModel::Command(const std::string& key) {
    if (IsCommand(key, "DIALOG.OK")) {
        confirmed_ = true;
        Close();
    } else if (IsCommand(key, "DIALOG.ABORT")) {
        Close();
    } else if (IsCommand(key, "DIALOG.HELP")) {
        tlx::CoreTools().DIALOGS().MESSAGE(
            "Hier können Sie auswählen, an welchem Anschluss das Gerät '" + deviceName_ +
                "' angeschlossen ist und mit welchem Kanal Sie auf dem Gerät messen wollen.",
            "");
    }
}

}  // namespace vodex
