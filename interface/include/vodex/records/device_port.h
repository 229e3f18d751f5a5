// A port over which a device can be reached: its name as shown to the user ("COM 3", or
// "--- 3" for a port that is missing) and whether it can be used now. Its key is the port
// number.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tlx/data.h"

namespace vodex {

class cls_DevicePort : public tlx::DataRecord {
  public:
    cls_DevicePort();

    const std::string& NAME() const { return name_; }
    void NAME(std::string v) { name_ = std::move(v); }
    bool AVAILABLE() const { return available_; }
    void AVAILABLE(bool v) { available_ = v; }
    // The port number, held by the data object; reading converts it to a whole number.
    std::int32_t ID() const;
    void ID(const tlx::Variant& v);

    using DataRecord::DATA;

    std::span<const std::string_view> INTERFACEIDS() const override;

    void DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) override;
    void DATA_DataPACK(std::string& pcPackage) override;
    void DATA_DataUnpack(const std::string& prPackage) override;
    void DATA_DataStore(tlx::cls_CoreFile& pFile) override;
    void DATA_DataRead(tlx::cls_CoreFile& pFile) override;
    void DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) override;

  private:
    std::string name_;
    bool available_ = false;
};

}  // namespace vodex
