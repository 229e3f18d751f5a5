// The port list of a device. Positions 1 to COUNT are the ports; unlike the channel list, a
// miss gives nothing. COMPORTS adds the machine's serial ports, each probed for presence.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tlx/data.h"
#include "tlx/database.h"
#include "vodex/enums.h"
#include "vodex/records/detail/record_array.h"
#include "vodex/records/device_port.h"

namespace vodex {

class cls_DevicePorts : public tlx::Object, public tlx::tmp_Data, public tlx::tmp_Database {
  public:
    cls_DevicePorts();
    ~cls_DevicePorts() override;

    // An enm_PortCategory value; 0 for a new list.
    std::int32_t CATEGORY() const { return category_; }
    void CATEGORY(std::int32_t v) { category_ = v; }

    // With `pForceIndex` the port at position `pID`, else the first port with the key `pID`;
    // nothing when there is none.
    std::shared_ptr<cls_DevicePort> Item(const tlx::Variant& pID, bool pForceIndex = true);
    bool EXISTS(const tlx::Variant& pID);
    std::int32_t COUNT();
    bool REMOVE(const tlx::Variant& pID, bool pForceIndex = false);
    // Appends `pEntry` (under the key `pID` unless it is missing); returns the entry now last.
    std::shared_ptr<cls_DevicePort> ADD(const std::shared_ptr<cls_DevicePort>& pEntry,
                                        const tlx::Variant& pID = tlx::Variant::Missing());
    // Makes a port and appends it under the key `pID`. The names "COM1" to "COM4" (also
    // written "COM 1" to "COM 4") are checked against the ports present: a missing one is
    // named "--- n" and is not available. Returns the entry now last.
    std::shared_ptr<cls_DevicePort> CREATE(const tlx::Variant& pID, const std::string& pName,
                                           bool pAvailable = true);
    // Appends the serial ports 1 to "PortMax": "COM n" for a present port, else "--- n".
    void COMPORTS();
    // Makes the next port check probe the ports again.
    void RESETCACHE();
    bool LOAD(const std::string& pFile, const std::string& pPW = {});
    bool SAVE(const std::string& pFile, const std::string& pPW = {});
    // Position 0 empty, position i the NAME of port i.
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
    std::int32_t category_ = 0;
    detail::RecordArray<cls_DevicePort> items_;
    std::shared_ptr<tlx::cls_CoreData> data_;
    std::shared_ptr<tlx::cls_CoreDatabase> database_;
};

}  // namespace vodex
