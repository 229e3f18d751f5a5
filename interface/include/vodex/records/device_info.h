// The description of a device and its driver: what the instrument is, who makes it, its
// category and capabilities, the serial parameters it accepts, and its pictures. The driver
// fills it; the driver registry and the dialogs read it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tlx/data.h"
#include "tlx/lists.h"
#include "tlx/picture.h"
#include "vodex/enums.h"

namespace vodex {

class cls_DeviceInfo : public tlx::DataRecord {
  public:
    using ValueList = std::shared_ptr<tlx::cls_CoreValueList>;
    using TextList = std::shared_ptr<tlx::cls_CoreList>;
    using Picture = std::shared_ptr<tlx::cls_CorePicture>;

    cls_DeviceInfo();

    const std::string& NAME() const { return name_; }
    void NAME(std::string v) { name_ = std::move(v); }
    const std::string& MANUFACTURER() const { return manufacturer_; }
    void MANUFACTURER(std::string v) { manufacturer_ = std::move(v); }
    const std::string& DESCRIPTION() const { return description_; }
    void DESCRIPTION(std::string v) { description_ = std::move(v); }
    // An enm_DeviceCategory value.
    std::int32_t CATEGORY() const { return category_; }
    void CATEGORY(std::int32_t v) { category_ = v; }
    const std::string& IDENTIFIER() const { return identifier_; }
    void IDENTIFIER(std::string v) { identifier_ = std::move(v); }
    bool SETUPSCREEN() const { return setupScreen_; }
    void SETUPSCREEN(bool v) { setupScreen_ = v; }
    bool LOGGER() const { return logger_; }
    void LOGGER(bool v) { logger_ = v; }
    bool MANUALWAVE() const { return manualWave_; }
    void MANUALWAVE(bool v) { manualWave_ = v; }
    bool MANUALSCAN() const { return manualScan_; }
    void MANUALSCAN(bool v) { manualScan_ = v; }
    double WAVEINTERVAL() const { return waveInterval_; }
    void WAVEINTERVAL(double v) { waveInterval_ = v; }
    double WAVETIMEBASESCAN() const { return waveTimeBaseScan_; }
    void WAVETIMEBASESCAN(double v) { waveTimeBaseScan_ = v; }
    double WAVETIMEFIRST() const { return waveTimeFirst_; }
    void WAVETIMEFIRST(double v) { waveTimeFirst_ = v; }
    double WAVETIMESINGLEVALUE() const { return waveTimeSingleValue_; }
    void WAVETIMESINGLEVALUE(double v) { waveTimeSingleValue_ = v; }
    double WAVETIMEAUTOSCAN() const { return waveTimeAutoScan_; }
    void WAVETIMEAUTOSCAN(double v) { waveTimeAutoScan_ = v; }
    std::int32_t WAVESTART() const { return waveStart_; }
    void WAVESTART(std::int32_t v) { waveStart_ = v; }
    std::int32_t WAVEEND() const { return waveEnd_; }
    void WAVEEND(std::int32_t v) { waveEnd_ = v; }
    bool AUTOSENSE() const { return autoSense_; }
    void AUTOSENSE(bool v) { autoSense_ = v; }
    bool AUTOSENSESURE() const { return autoSenseSure_; }
    void AUTOSENSESURE(bool v) { autoSenseSure_ = v; }
    bool AUTOPORT() const { return autoPort_; }
    void AUTOPORT(bool v) { autoPort_ = v; }
    bool AUTOCHANNEL() const { return autoChannel_; }
    void AUTOCHANNEL(bool v) { autoChannel_ = v; }
    bool CUSTOMSETTINGS() const { return customSettings_; }
    void CUSTOMSETTINGS(bool v) { customSettings_ = v; }
    bool COMSETTINGS() const { return comSettings_; }
    void COMSETTINGS(bool v) { comSettings_ = v; }
    bool COMSETTINGSDEFAULT() const { return comSettingsDefault_; }
    void COMSETTINGSDEFAULT(bool v) { comSettingsDefault_ = v; }
    bool SETZERO() const { return setZero_; }
    void SETZERO(bool v) { setZero_ = v; }
    const std::string& INFOURL() const { return infoUrl_; }
    void INFOURL(std::string v) { infoUrl_ = std::move(v); }

    // The serial parameters the instrument accepts and the activation commands of the
    // driver; each list is made when it is first touched, so reading one never gives nothing.
    // Writing nothing empties the place until the next read.
    ValueList COMBAUD();
    void COMBAUD(ValueList v) { comBaud_ = std::move(v); }
    ValueList COMPARITIES();
    void COMPARITIES(ValueList v) { comParities_ = std::move(v); }
    ValueList COMSTOPBITS();
    void COMSTOPBITS(ValueList v) { comStopBits_ = std::move(v); }
    ValueList COMDATABITS();
    void COMDATABITS(ValueList v) { comDataBits_ = std::move(v); }
    ValueList COMHANDSHAKE();
    void COMHANDSHAKE(ValueList v) { comHandshake_ = std::move(v); }
    TextList SUPPORTEDACTIVATORS();
    void SUPPORTEDACTIVATORS(TextList v) { supportedActivators_ = std::move(v); }

    void COMBAUDADD(std::int32_t pBaudRate) { COMBAUD()->ADD(tlx::Variant(pBaudRate)); }
    void COMPARITIESADD(std::int32_t pParity) { COMPARITIES()->ADD(tlx::Variant(pParity)); }
    void COMSTOPBITSADD(std::int32_t pStopBits) { COMSTOPBITS()->ADD(tlx::Variant(pStopBits)); }
    void COMDATABITSADD(std::int32_t pDataBits) { COMDATABITS()->ADD(tlx::Variant(pDataBits)); }
    void COMHANDSHAKEADD(std::int32_t pHandShake) { COMHANDSHAKE()->ADD(tlx::Variant(pHandShake)); }

    // Picture and icon of the device; nothing when there is none.
    const Picture& IMAGE() const { return image_; }
    void IMAGE(Picture v) { image_ = std::move(v); }
    const Picture& ICON() const { return icon_; }
    void ICON(Picture v) { icon_ = std::move(v); }

    // The German name of CATEGORY, whatever the interface language; empty for an unknown one.
    std::string CATEGORYTEXT() const;
    // Gives no object.
    tlx::ObjectRef UPDATETAG() const { return nullptr; }

    using DataRecord::DATA;

    std::span<const std::string_view> INTERFACEIDS() const override;

    void DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) override;
    void DATA_DataPACK(std::string& pcPackage) override;
    void DATA_DataUnpack(const std::string& prPackage) override;
    void DATA_DataStore(tlx::cls_CoreFile& pFile) override;
    void DATA_DataRead(tlx::cls_CoreFile& pFile) override;
    void DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) override;

  private:
    void ReadOldLayout(tlx::cls_CoreFile& file, const std::string& version);

    std::string name_;
    std::string manufacturer_;
    std::string description_;
    std::int32_t category_ = ID_DevCat_Unspecified;
    std::string identifier_;
    bool setupScreen_ = false;
    bool logger_ = false;
    bool manualWave_ = false;
    bool manualScan_ = false;
    double waveInterval_ = -1;
    double waveTimeBaseScan_ = -1;
    double waveTimeFirst_ = -1;
    double waveTimeSingleValue_ = -1;
    double waveTimeAutoScan_ = -1;
    std::int32_t waveStart_ = 0;
    std::int32_t waveEnd_ = 0;
    bool autoSense_ = false;
    bool autoSenseSure_ = false;
    bool autoPort_ = false;
    bool autoChannel_ = false;
    bool customSettings_ = false;
    bool comSettings_ = false;
    bool comSettingsDefault_ = false;
    bool setZero_ = false;
    ValueList comBaud_;
    ValueList comParities_;
    ValueList comStopBits_;
    ValueList comDataBits_;
    ValueList comHandshake_;
    TextList supportedActivators_;
    Picture image_;
    Picture icon_;
    std::string infoUrl_;
};

}  // namespace vodex
