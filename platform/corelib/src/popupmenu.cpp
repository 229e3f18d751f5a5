#include "tlx/popupmenu.h"

namespace tlx {

cls_CorePopupMenu::Entry& cls_CorePopupMenu::ADD(std::string pKey, std::string pCaption,
                                                 std::shared_ptr<cls_CorePicture> pPicture) {
    return entries_.emplace_back(
        Entry{std::move(pKey), std::move(pCaption), std::move(pPicture), false, nullptr});
}

std::shared_ptr<cls_CorePopupMenu> cls_CorePopupMenu::ADDSUBMENU(std::string pCaption) {
    auto sub = std::make_shared<cls_CorePopupMenu>();
    entries_.push_back(Entry{{}, std::move(pCaption), nullptr, false, sub});
    return sub;
}

void cls_CorePopupMenu::CHECKONLY(const std::string& pKey) {
    for (Entry& e : entries_) {
        if (e.submenu) {
            e.submenu->CHECKONLY(pKey);
        } else {
            e.checked = e.key == pKey;
        }
    }
}

const cls_CorePopupMenu::Entry* cls_CorePopupMenu::FIND(const std::string& pKey) const {
    for (const Entry& e : entries_) {
        if (e.submenu) {
            if (const Entry* found = e.submenu->FIND(pKey)) return found;
        } else if (e.key == pKey) {
            return &e;
        }
    }
    return nullptr;
}

}  // namespace tlx
