#include "tlx/database.h"

#include "tlx/error.h"

namespace tlx {

tmp_Database::~tmp_Database() = default;

tmp_Database& cls_CoreDatabase::Owner() const {
    if (!owner_) throw Error("the keyed store belongs to no list any more");
    return *owner_;
}

std::int32_t cls_CoreDatabase::COUNT() {
    std::int32_t n = 0;
    Owner().DATABASE_DatabaseCount(n);
    return n;
}

std::int32_t cls_CoreDatabase::Position(const Variant& pID, bool pForceIndex) {
    if (!pForceIndex) {
        std::int32_t found = 0;
        Owner().DATABASE_DatabaseSearch(found, pID);
        return found;
    }
    // A position that is no whole number names no entry.
    std::int32_t pos = 0;
    try {
        pos = pID.ToInt32();
    } catch (const Error&) {
        return 0;
    }
    return pos >= 1 && pos <= COUNT() ? pos : 0;
}

bool cls_CoreDatabase::EXISTS(const Variant& pID) {
    return Position(pID, false) > 0;
}

ObjectRef cls_CoreDatabase::Item(const Variant& pID, bool pForceIndex) {
    std::int32_t pos = Position(pID, pForceIndex);
    if (pos == 0) return nullptr;
    ObjectRef entry;
    Owner().DATABASE_DatabaseItemObj(entry, pos);
    return entry;
}

void cls_CoreDatabase::ADD(const ObjectRef& pEntry, const Variant& pID) {
    Owner().DATABASE_DatabaseImport(pEntry, pID);
}

bool cls_CoreDatabase::REMOVE(const Variant& pID, bool pForceIndex) {
    std::int32_t pos = Position(pID, pForceIndex);
    if (pos == 0) return false;
    Owner().DATABASE_DatabaseRemove(pos);
    return true;
}

void cls_CoreDatabase::Replace(std::shared_ptr<cls_CoreDatabase>& slot,
                               std::shared_ptr<cls_CoreDatabase> next, tmp_Database* owner) {
    if (!next) throw Error("a list needs a keyed store; nothing cannot replace it");
    if (slot) slot->Detach(owner);
    next->owner_ = owner;
    slot = std::move(next);
}

void cls_CoreDatabase::CLEAR() {
    Owner().DATABASE_DatabaseClear();
}

}  // namespace tlx
