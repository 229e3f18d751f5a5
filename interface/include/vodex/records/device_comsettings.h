// The serial parameters with which a device is opened, plus further driver settings. The
// record can be kept in a file, and per device type in the user's registry as the default for
// that type.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tlx/data.h"
#include "tlx/lists.h"
#include "vodex/enums.h"
#include "vodex/records/detail/field_record.h"

namespace vodex {

class int_Device;

class cls_DeviceComsettings : public detail::FieldRecord<cls_DeviceComsettings> {
  public:
    cls_DeviceComsettings();

    // The owning device, set by the device object, which clears it again when it goes.
    // `pIdentifier` names the owner's device type (the IDENTIFIER of its information) when
    // asked; STOREDEFAULT and LOADDEFAULT need both.
    int_Device* PARENT() const { return parent_; }
    void PARENT(int_Device* v, std::function<std::string()> pIdentifier = {}) {
        parent_ = v;
        identifier_ = v ? std::move(pIdentifier) : nullptr;
    }

    std::int32_t BAUD() const { return baud_; }
    void BAUD(std::int32_t v) { baud_ = v; }
    // enm_DeviceComParity, enm_DeviceComStop, enm_DeviceComData, enm_DeviceComHandshake.
    std::int32_t PARITY() const { return parity_; }
    void PARITY(std::int32_t v) { parity_ = v; }
    std::int32_t STOPBITS() const { return stopBits_; }
    void STOPBITS(std::int32_t v) { stopBits_ = v; }
    std::int32_t DATABITS() const { return dataBits_; }
    void DATABITS(std::int32_t v) { dataBits_ = v; }
    std::int32_t HANDSHAKE() const { return handshake_; }
    void HANDSHAKE(std::int32_t v) { handshake_ = v; }
    // Further settings of the driver; made when first read.
    std::shared_ptr<tlx::cls_CoreSettings> OTHERS();
    void OTHERS(std::shared_ptr<tlx::cls_CoreSettings> v) { others_ = std::move(v); }

    using DataRecord::DATA;

    // Read or store the record in a file; False on any error.
    bool LOAD(const std::string& pFile, const std::string& pPW = {});
    bool SAVE(const std::string& pFile, const std::string& pPW = {});

    // Keeps the settings as the default of the device type (the IDENTIFIER of the parent's
    // information) in the user's registry. False when that failed.
    bool STOREDEFAULT();
    // Loads the default of the device type: True when one was stored and loaded, False
    // otherwise (nothing changes when none was stored).
    bool LOADDEFAULT();

    std::span<const std::string_view> INTERFACEIDS() const override;

  private:
    friend class detail::FieldRecord<cls_DeviceComsettings>;
    static constexpr const char* kVersion = "1.0";
    static constexpr const char* kOldestVersion = "1.0";
    // The fields after the key, in the order they are packed and stored.
    template <class F, class... R>
    static void Fields(F& f, R&... r);

    // The registry key of the parent's device type, ending in a backslash.
    std::string DefaultKey() const;

    int_Device* parent_ = nullptr;
    std::function<std::string()> identifier_;
    std::int32_t baud_ = 0;
    std::int32_t parity_ = 0;
    std::int32_t stopBits_ = 0;
    std::int32_t dataBits_ = 0;
    std::int32_t handshake_ = 0;
    std::shared_ptr<tlx::cls_CoreSettings> others_;
};

extern template class detail::FieldRecord<cls_DeviceComsettings>;

}  // namespace vodex
