// The list of installed drivers (frm_DeviceList), as a model without a window: every
// installed driver with its name, state, maker and description (a driver that cannot describe
// itself as "-DEFEKT-"), a search over the list, check boxes that take effect only on OK, the
// random generator that always stays active, and uninstalling through the installer.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tlx/picture.h"
#include "vodex/core/device_tool.h"
#include "vodex/tools/dialog_model.h"

namespace vodex {

class DeviceListModel : public DialogModel {
  public:
    struct Row {
        std::string driverClass;  // the row's tag
        std::string text;         // the name, or "<class> - DEFEKT"
        std::string status;       // "Aktiv" / "Inaktiv", or "-DEFEKT-"
        std::string manufacturer;
        std::string description;
        std::string image;  // the image key: the class name, or "ERROR"
        bool checked = false;
        bool broken = false;
    };

    explicit DeviceListModel(std::shared_ptr<cls_DeviceTool> registry);

    // Translates the dialog, collects the drivers' icons and fills the list.
    void Load();
    // The search box: every change fills the list again. The placeholder "<Suchbegriff>" (any
    // text between "<" and ">") counts as empty.
    void Search(const std::string& text);
    const std::string& SearchText() const { return search_; }

    const std::vector<Row>& Rows() const { return rows_; }
    // Checks or unchecks a row; the random generator's row stays checked.
    void Check(std::int32_t row, bool checked);
    void ActivateAll();
    void DeactivateAll();
    // Sorts the rows by a column (0 name, 1 status, 2 maker, 3 description); the same column
    // again sorts the other way round.
    void Sort(std::int32_t column);

    // "DIALOG.OK();" applies the check boxes of the listed rows and closes, unless no row is
    // checked (a message, and the dialog stays); "DIALOG.ABORT();" closes; "DIALOG.HELP();"
    // shows the help text.
    void Command(const std::string& key) override;
    // Uninstalls the row's driver through the installer after asking; False when it was
    // refused, not confirmed or failed (with its message).
    bool Uninstall(std::int32_t row);

    // The drivers' icons by class name, and "ERROR".
    const std::map<std::string, std::shared_ptr<tlx::cls_CorePicture>>& Images() const {
        return images_;
    }

  private:
    void Fill();
    bool IsRandomizer(const std::string& driverClass) const;

    std::shared_ptr<cls_DeviceTool> registry_;
    std::string search_;
    std::vector<Row> drivers_;  // every installed driver, as read on load
    std::vector<Row> rows_;     // the listed ones
    std::map<std::string, std::shared_ptr<tlx::cls_CorePicture>> images_;
    std::int32_t sortColumn_ = -1;
    bool sortDescending_ = false;
};

}  // namespace vodex
