// Record persistence of the core library. A record (channel, port, device, ...) implements
// tmp_Data and owns a cls_CoreData, its data object: the data object carries the record's type
// name and key (`ID`) and turns store, read, copy, pack, unpack and spawn requests into the
// record's callbacks.
#pragma once

#include <memory>
#include <string>

#include "tlx/object.h"
#include "tlx/variant.h"

namespace tlx {

class cls_CoreData;
class cls_CoreFile;

// Implemented by every record. The callbacks are called by the record's data object.
class tmp_Data {
  public:
    tmp_Data() = default;
    tmp_Data(const tmp_Data&) = delete;
    tmp_Data& operator=(const tmp_Data&) = delete;
    virtual ~tmp_Data();

    virtual std::shared_ptr<cls_CoreData> tmp_Data_DATA() = 0;
    // Takes every field of `pOther` (a record of the same class) and sets `pcDone`.
    virtual void DATA_DataCopy(const Object& pOther, bool& pcDone) = 0;
    virtual void DATA_DataPACK(std::string& pcPackage) = 0;
    virtual void DATA_DataUnpack(const std::string& prPackage) = 0;
    virtual void DATA_DataStore(cls_CoreFile& pFile) = 0;
    virtual void DATA_DataRead(cls_CoreFile& pFile) = 0;
    // A new, empty record of the same class.
    virtual void DATA_DataSpawn(ObjectRef& pcNewInstance) = 0;
};

class cls_CoreData : public Object {
  public:
    // `owner` receives the callbacks; the record detaches itself when it goes (see Detach).
    explicit cls_CoreData(tmp_Data* owner = nullptr, std::string typeName = {});
    // With a type name that records of one class share.
    cls_CoreData(tmp_Data* owner, std::shared_ptr<const std::string> typeName);
    ~cls_CoreData() override;

    // "library.class", as "Vodex_Interface.cls_DeviceChannel".
    const std::string& TYPENAME() const { return *typeName_; }
    void TYPENAME(std::string v) { typeName_ = std::make_shared<const std::string>(std::move(v)); }

    // The record's key, held as given.
    const Variant& ID() const { return id_; }
    void ID(Variant v) { id_ = std::move(v); }

    // Each call is forwarded to the owning record; without one it throws tlx::Error.
    void STORE(cls_CoreFile& file);
    void READ(cls_CoreFile& file);
    // Fills the record from `other`; returns the record's done flag.
    bool COPY(const Object& other);
    std::string PACK();
    void UNPACK(const std::string& package);
    ObjectRef SPAWN();

    tmp_Data* OWNER() const { return owner_; }
    // Called by a record that goes away while others may still hold its data object.
    void Detach(const tmp_Data* owner) {
        if (owner_ == owner) owner_ = nullptr;
    }

    // Puts `next` in the place of a record's data object `slot`: from now on `next` calls the
    // record `owner`, and the data object it replaces calls it no more. Refuses nothing.
    static void Replace(std::shared_ptr<cls_CoreData>& slot, std::shared_ptr<cls_CoreData> next,
                        tmp_Data* owner);

  private:
    tmp_Data& Owner() const;

    tmp_Data* owner_;
    std::shared_ptr<const std::string> typeName_;  // never nothing
    Variant id_;
};

// Base of the records: it owns the record's data object (made with the record's type name),
// answers tmp_Data_DATA, lets the data object be replaced, and detaches it when the record
// goes, so a data object that outlives its record never reaches it.
class DataRecord : public Object, public tmp_Data {
  public:
    explicit DataRecord(std::string typeName)
        : DataRecord(std::make_shared<const std::string>(std::move(typeName))) {}
    // With a type name that all records of the class share, so that a list of thousands of
    // records holds it once.
    explicit DataRecord(std::shared_ptr<const std::string> typeName)
        : kind_(typeName), data_(std::make_shared<cls_CoreData>(this, std::move(typeName))) {}
    ~DataRecord() override { data_->Detach(this); }

    // The record's own type name, as it was made: the data object's TYPENAME may be changed
    // by its users, this stays. Files name the kind of record they hold with it.
    const std::string& RecordKind() const { return *kind_; }

    const std::shared_ptr<cls_CoreData>& DATA() const { return data_; }
    // Throws tlx::Error for nothing.
    void DATA(std::shared_ptr<cls_CoreData> d) { cls_CoreData::Replace(data_, std::move(d), this); }
    std::shared_ptr<cls_CoreData> tmp_Data_DATA() override { return data_; }

  private:
    std::shared_ptr<const std::string> kind_;
    std::shared_ptr<cls_CoreData> data_;
};

// Stores the record into the file `file` (see cls_CoreFile), naming its kind in the file's
// header; throws tlx::Error.
void SaveRecordFile(DataRecord& record, const std::string& file, const std::string& password);
// Reads the record from the file `file`; throws tlx::Error, also for a file that names
// another kind of record (a file that names none is read as it is).
void LoadRecordFile(DataRecord& record, const std::string& file, const std::string& password);

// The data object of any record object, or nothing when the object is no record.
std::shared_ptr<cls_CoreData> DataOf(const Object* object);

}  // namespace tlx
