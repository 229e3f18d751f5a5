// frm_DialogCommunication: the serial parameters of one device (baud rate, parity, stop bits,
// data bits, handshake). Only the values that the device's driver declares are offered; a
// parameter without declared values is disabled and left as it is. OK writes the choices
// into the device's SETTINGSCOM; Abort writes nothing.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vodex/tools/dialog_model.h"

namespace vodex {

class int_Device;

class CommSettingsModel : public DialogModel {
  public:
    enum ListId { Baud, Parity, StopBits, DataBits, Handshake };
    static constexpr std::size_t kLists = 5;
    // The control names of the lists, in ListId order.
    static const std::array<const char*, kLists> kListNames;

    struct Entry {
        std::string text;   // what the list shows
        std::int32_t code;  // the value written on OK (the rate itself for the baud list)
    };
    struct List {
        std::vector<Entry> entries;
        std::int32_t selected = -1;  // index into entries; -1 for none
        bool enabled = true;
    };

    explicit CommSettingsModel(std::shared_ptr<int_Device> device);

    // Translates the dialog and fills the lists from the device.
    void Load();
    const List& Items(ListId list) const { return lists_[list]; }
    // The user's choice in a list (ignored outside its entries).
    void Select(ListId list, std::int32_t index);
    // "DIALOG.OK();", "DIALOG.ABORT();" or "DIALOG.HELP();".
    void Command(const std::string& key) override;
    bool CONFIRMED() const { return confirmed_; }

  private:
    std::shared_ptr<int_Device> device_;
    std::array<List, kLists> lists_;
    bool confirmed_ = false;
};

}  // namespace vodex
