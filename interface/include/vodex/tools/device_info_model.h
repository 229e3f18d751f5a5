// A driver's description (frm_DeviceInfo), as a model without a window: its texts, the date
// of its file, its pictures, what it can do, its channels and its ports, with the labels in
// the interface language.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tlx/picture.h"
#include "vodex/tools/dialog_model.h"

namespace vodex {

class int_Device;

class DeviceInfoModel : public DialogModel {
  public:
    struct Property {
        std::string label;  // "Auto. Kanal-Erkennung" / "Auto channel detection", ...
        std::string value;  // "Ja" / "Yes" or "Nein" / "No"
    };
    struct Channel {
        std::string name, size, factor, offset;
    };
    struct Port {
        std::string name, available;
    };

    // `device` is the driver's device object; `file` its component file, whose date is shown
    // ("" when it is not known).
    DeviceInfoModel(std::shared_ptr<int_Device> device, std::string file);

    // Translates the dialog and reads the driver's record.
    void Load();

    const std::string& Name() const { return name_; }
    const std::string& Manufacturer() const { return manufacturer_; }
    const std::string& Description() const { return description_; }
    const std::string& Identifier() const { return identifier_; }
    const std::string& InfoUrl() const { return infoUrl_; }
    // "yyyy-mm-dd HH:MM:SS", or "" when the file is not there.
    const std::string& FileDate() const { return fileDate_; }
    const std::shared_ptr<tlx::cls_CorePicture>& Image() const { return image_; }
    const std::shared_ptr<tlx::cls_CorePicture>& Icon() const { return icon_; }
    // The yes/no rows, then "Unterstützt weiterhin:" / "Supports:" with the activators.
    const std::vector<Property>& Properties() const { return properties_; }
    const std::string& SupportsLabel() const { return supportsLabel_; }
    const std::vector<std::string>& Activators() const { return activators_; }
    const std::vector<Channel>& Channels() const { return channels_; }
    const std::vector<Port>& Ports() const { return ports_; }

    // A click on the information address: opens it when there is one; False otherwise.
    bool OpenInfoUrl() const;

    void Command(const std::string& key) override;

  private:
    std::shared_ptr<int_Device> device_;
    std::string file_;
    std::string name_, manufacturer_, description_, identifier_, infoUrl_, fileDate_;
    std::shared_ptr<tlx::cls_CorePicture> image_, icon_;
    std::vector<Property> properties_;
    std::string supportsLabel_;
    std::vector<std::string> activators_;
    std::vector<Channel> channels_;
    std::vector<Port> ports_;
};

}  // namespace vodex
