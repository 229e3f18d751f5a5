// Keyed store of the core library. A list record implements tmp_Database and owns a
// cls_CoreDatabase, which answers COUNT, EXISTS, Item, ADD and REMOVE through the list's
// callbacks. Positions count from 1.
#pragma once

#include <cstdint>
#include <memory>

#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

class cls_CoreDatabase;

class tmp_Database {
  public:
    tmp_Database() = default;
    tmp_Database(const tmp_Database&) = delete;
    tmp_Database& operator=(const tmp_Database&) = delete;
    virtual ~tmp_Database();

    virtual std::shared_ptr<cls_CoreDatabase> tmp_Database_DATABASE() = 0;
    virtual void DATABASE_DatabaseClear() = 0;
    virtual void DATABASE_DatabaseCount(std::int32_t& ret) = 0;
    // Appends the entry; a key that is not missing becomes the entry's key.
    virtual void DATABASE_DatabaseImport(const ObjectRef& NewEntry, const Variant& ID) = 0;
    virtual void DATABASE_DatabaseItem(Variant& rRet, std::int32_t pIndex) = 0;
    virtual void DATABASE_DatabaseItemObj(ObjectRef& rRet, std::int32_t pIndex) = 0;
    // `ID` is a position.
    virtual void DATABASE_DatabaseRemove(std::int32_t ID) = 0;
    // The first position whose key equals `ID`, else 0.
    virtual void DATABASE_DatabaseSearch(std::int32_t& ret, const Variant& ID) = 0;
};

class cls_CoreDatabase : public Object {
  public:
    explicit cls_CoreDatabase(tmp_Database* owner = nullptr) : owner_(owner) {}

    std::int32_t COUNT();
    // Whether an entry has the key `pID`.
    bool EXISTS(const Variant& pID);
    // With `pForceIndex` the entry at position `pID`, else the first entry with the key `pID`;
    // nothing when there is none.
    ObjectRef Item(const Variant& pID, bool pForceIndex);
    void ADD(const ObjectRef& pEntry, const Variant& pID = Variant::Missing());
    // Removes the entry at position `pID` (with `pForceIndex`) or with the key `pID`; False
    // when there is none.
    bool REMOVE(const Variant& pID, bool pForceIndex);
    void CLEAR();

    void Detach(const tmp_Database* owner) {
        if (owner_ == owner) owner_ = nullptr;
    }

    // Puts `next` in the place of a list's keyed store `slot`: from now on `next` calls the
    // list `owner`, and the store it replaces calls it no more.
    static void Replace(std::shared_ptr<cls_CoreDatabase>& slot,
                        std::shared_ptr<cls_CoreDatabase> next, tmp_Database* owner);

  private:
    tmp_Database& Owner() const;
    // Position for `pID`, or 0.
    std::int32_t Position(const Variant& pID, bool pForceIndex);

    tmp_Database* owner_;
};

}  // namespace tlx
