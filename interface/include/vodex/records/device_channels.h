// The channel list of a device. Positions 1 to COUNT are the channels; position 0 holds a
// spare channel that is never counted, so that Item never gives nothing and a miss can be
// written to without effect on the list.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tlx/data.h"
#include "tlx/database.h"
#include "vodex/records/detail/record_array.h"
#include "vodex/records/device_channel.h"

namespace vodex {

class cls_DeviceChannels : public tlx::Object, public tlx::tmp_Data, public tlx::tmp_Database {
  public:
    cls_DeviceChannels();
    ~cls_DeviceChannels() override;

    // With `pForceIndex` the channel at position `pID`, else the first channel with the key
    // `pID`; the spare channel when there is none.
    std::shared_ptr<cls_DeviceChannel> Item(const tlx::Variant& pID, bool pForceIndex = true);
    bool EXISTS(const tlx::Variant& pID);
    std::int32_t COUNT();
    bool REMOVE(const tlx::Variant& pID, bool pForceIndex = false);
    // Appends `pEntry` (under the key `pID` unless it is missing); returns the entry now last.
    std::shared_ptr<cls_DeviceChannel> ADD(const std::shared_ptr<cls_DeviceChannel>& pEntry,
                                           const tlx::Variant& pID = tlx::Variant::Missing());
    // Makes a channel and appends it under the key `pID`; whether the key is in use already
    // is not checked. Returns the entry now last.
    std::shared_ptr<cls_DeviceChannel> CREATE(const tlx::Variant& pID, const std::string& pName,
                                              const std::string& pSize, double pFactor = 1.0,
                                              double pOffset = 0.0);
    // Read or store the list in a file; False on any error (what was read stays).
    bool LOAD(const std::string& pFile, const std::string& pPW = {});
    bool SAVE(const std::string& pFile, const std::string& pPW = {});
    // Clears the measurement of every channel: STATUS, MEASURE, MEASURED, VALUE and FLAG.
    void RESET();
    // Position 0 empty, position i the NAME of channel i.
    std::vector<std::string> INFO();

    std::shared_ptr<tlx::cls_CoreData> DATA() const { return data_; }
    void DATA(std::shared_ptr<tlx::cls_CoreData> d);
    std::shared_ptr<tlx::cls_CoreDatabase> DATABASE() const { return database_; }
    void DATABASE(std::shared_ptr<tlx::cls_CoreDatabase> d);

    std::shared_ptr<tlx::cls_CoreData> tmp_Data_DATA() override { return data_; }
    void DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) override;
    void DATA_DataPACK(std::string& pcPackage) override;
    void DATA_DataUnpack(const std::string& prPackage) override;
    void DATA_DataStore(tlx::cls_CoreFile& pFile) override;
    void DATA_DataRead(tlx::cls_CoreFile& pFile) override;
    void DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) override;

    std::shared_ptr<tlx::cls_CoreDatabase> tmp_Database_DATABASE() override { return database_; }
    void DATABASE_DatabaseClear() override;
    void DATABASE_DatabaseCount(std::int32_t& ret) override;
    void DATABASE_DatabaseImport(const tlx::ObjectRef& NewEntry, const tlx::Variant& ID) override;
    void DATABASE_DatabaseItem(tlx::Variant& rRet, std::int32_t pIndex) override;
    void DATABASE_DatabaseItemObj(tlx::ObjectRef& rRet, std::int32_t pIndex) override;
    void DATABASE_DatabaseRemove(std::int32_t ID) override;
    void DATABASE_DatabaseSearch(std::int32_t& ret, const tlx::Variant& ID) override;

  private:
    // Positions 0 to n; an empty position is made fresh on first need.
    detail::RecordArray<cls_DeviceChannel> items_;
    std::shared_ptr<tlx::cls_CoreData> data_;
    std::shared_ptr<tlx::cls_CoreDatabase> database_;
};

}  // namespace vodex
