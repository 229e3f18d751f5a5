// frm_DeviceSelect and frm_DeviceSettings: choosing a driver from the installed, enabled ones,
// and choosing the port and channel of a device. Each thread shares one of each (as the
// registry shows them for USERSELECT and SETTINGS); the registry hands them their input
// before each showing, and they keep their fields in between.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tlx/picture.h"
#include "vodex/tools/dialog_model.h"

namespace vodex {

class cls_DeviceTool;
class int_Device;

class DeviceSelectModel : public DialogModel {
  public:
    struct Row {
        std::string device;
        std::string manufacturer;
        std::string driverClass;                     // the row's tag
        std::shared_ptr<tlx::cls_CorePicture> icon;  // the driver's icon, or nothing
    };

    DeviceSelectModel();
    // The calling thread's shared dialog.
    static DeviceSelectModel& Shared();

    void Registry(std::shared_ptr<cls_DeviceTool> registry) { registry_ = std::move(registry); }
    // Translates the dialog and lists the enabled drivers in the registry's order; a driver
    // that cannot be made is left out.
    void Load();
    const std::vector<Row>& Rows() const { return rows_; }
    // The row the user marked (-1: none).
    void Select(std::int32_t row);
    std::int32_t Selected() const { return selected_; }
    // "DIALOG.OK", "DIALOG.ABORT" or "DIALOG.HELP"; OK without a marked row chooses nothing.
    void Command(const std::string& key) override;
    // A row activated (double-clicked or Enter): marked and OK.
    void Activate(std::int32_t row);
    // The chosen driver class; "" after Abort.
    const std::string& CLASS() const { return chosen_; }
    // The widths of the two columns for a list `width` pixels wide.
    static std::pair<std::int32_t, std::int32_t> ColumnWidths(std::int32_t width);

  private:
    std::shared_ptr<cls_DeviceTool> registry_;
    std::vector<Row> rows_;
    std::int32_t selected_ = -1;
    std::string chosen_;
};

class DeviceSettingsModel : public DialogModel {
  public:
    struct Choice {
        std::string text;
        std::int32_t id;  // the port's or channel's identifier
    };

    DeviceSettingsModel();
    static DeviceSettingsModel& Shared();

    void Device(std::shared_ptr<int_Device> device) { device_ = std::move(device); }
    // Translates the dialog and lists the device's ports and channels, the first of each
    // chosen.
    void Load();
    const std::string& DeviceName() const { return deviceName_; }
    const std::vector<Choice>& Ports() const { return ports_; }
    const std::vector<Choice>& Channels() const { return channels_; }
    void SelectPort(std::int32_t index);
    void SelectChannel(std::int32_t index);
    std::int32_t SelectedPort() const { return port_; }
    std::int32_t SelectedChannel() const { return channel_; }
    // "DIALOG.OK", "DIALOG.ABORT" or "DIALOG.HELP".
    void Command(const std::string& key) override;
    bool CONFIRMED() const { return confirmed_; }
    // The identifiers of the chosen port and channel; 0 where the list is empty.
    std::int32_t PORT() const;
    std::int32_t CHANNEL() const;

  private:
    std::shared_ptr<int_Device> device_;
    std::string deviceName_;
    std::vector<Choice> ports_;
    std::vector<Choice> channels_;
    std::int32_t port_ = -1;
    std::int32_t channel_ = -1;
    bool confirmed_ = false;
};

}  // namespace vodex
