// The popup-menu model of the core library: keyed, captioned entries with pictures and check
// marks, and sub-menus. Windows render it; the model holds what it shows.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tlx/object.h"
#include "tlx/picture.h"

namespace tlx {

class cls_CorePopupMenu : public Object {
  public:
    struct Entry {
        std::string key;
        std::string caption;
        std::shared_ptr<cls_CorePicture> picture;
        bool checked = false;
        std::shared_ptr<cls_CorePopupMenu> submenu;  // nothing for a plain entry
    };

    // Appends an entry and gives it back.
    Entry& ADD(std::string pKey, std::string pCaption,
               std::shared_ptr<cls_CorePicture> pPicture = nullptr);
    // Appends a sub-menu under `pCaption` and gives it back.
    std::shared_ptr<cls_CorePopupMenu> ADDSUBMENU(std::string pCaption);
    // Checks exactly the entries (in sub-menus too) whose key equals `pKey`.
    void CHECKONLY(const std::string& pKey);
    const std::vector<Entry>& ENTRIES() const { return entries_; }
    // The entry with `pKey`, in sub-menus too; nothing when there is none.
    const Entry* FIND(const std::string& pKey) const;

  private:
    std::vector<Entry> entries_;
};

}  // namespace tlx
