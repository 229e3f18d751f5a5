#include "vodex/core/device_dialog.h"

#include "tlx/ui.h"
#include "vodex/core/device.h"
#include "vodex/interface_ids.h"

namespace vodex {
namespace {

tlx::DialogRequest RequestFor(const char* dialog, int_Device& device) {
    tlx::DialogRequest request;
    request.dialog = dialog;
    request.subject = device.weak_from_this().lock();
    request.parameters["DEVICE"] = tlx::Variant(device.INFO()->NAME());
    return request;
}

}  // namespace

bool cls_DeviceDialog::RANGE(const std::shared_ptr<cls_DeviceChannel>& pChannel) {
    if (!parent_) return false;
    tlx::DialogRequest request = RequestFor("frm_DialogErrorRange", *parent_);
    request.parameters["CHANNEL"] = tlx::Variant(pChannel ? pChannel->NAME() : std::string());
    return tlx::ShowModalDialog(request);
}

bool cls_DeviceDialog::CONNECTION() {
    if (!parent_) return false;
    tlx::DialogRequest request = RequestFor("frm_DialogErrorConnect", *parent_);
    return tlx::ShowModalDialog(request);
}

void cls_DeviceDialog::INFO() {
    if (!parent_) return;
    tlx::DialogRequest request = RequestFor("frm_DeviceInfo", *parent_);
    request.parameters["TYPENAME"] = tlx::Variant(parent_->DATA()->TYPENAME());
    tlx::ShowModalDialog(request);
}

bool cls_DeviceDialog::SETTINGS() {
    return parent_ && parent_->SHOWSETTINGS();
}
bool cls_DeviceDialog::SETUPSCREEN() {
    return parent_ && parent_->SETUPSCREEN();
}
bool cls_DeviceDialog::SETTINGSCOM() {
    return parent_ && parent_->SHOWSETTINGSCOM();
}

std::span<const std::string_view> cls_DeviceDialog::INTERFACEIDS() const {
    return iid::cls_DeviceDialog;
}

}  // namespace vodex
