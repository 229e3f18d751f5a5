// The device object through which a client program and a driver meet.
//
// A client holds the device and calls its methods (CONNECT, EXECUTE, SWITCH, ...); each call
// raises the matching event of the driver that created the device, synchronously, and returns
// when the driver's handler has returned. The driver answers through by-reference arguments
// and by writing into the device's records and STATUS. The device itself remembers the port,
// moves STATUS between off and ready after a successful connect or disconnect, gives status
// texts, and stores, reads, copies and packs a whole device.
//
// Ownership: the driver holds its device; the device holds the driver in PARENT. That cycle
// keeps the driver alive for as long as anyone holds the device, and DESTROY breaks it.
// Everything belongs to the thread that made it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "tlx/data.h"
#include "tlx/lists.h"
#include "vodex/core/device_dialog.h"
#include "vodex/core/device_events.h"
#include "vodex/records/device_channels.h"
#include "vodex/records/device_comsettings.h"
#include "vodex/records/device_datafield.h"
#include "vodex/records/device_info.h"
#include "vodex/records/device_ports.h"

namespace vodex {

class int_Device : public tlx::DataRecord, public std::enable_shared_from_this<int_Device> {
  public:
    int_Device();
    ~int_Device() override;
    int_Device(const int_Device&) = delete;
    int_Device& operator=(const int_Device&) = delete;

    // Properties in the order of their slots. "Made on first use": reading an empty place
    // makes a new empty object there; writing nothing empties it until the next read.
    std::shared_ptr<cls_DeviceInfo> INFO();  // made on first use
    void INFO(std::shared_ptr<cls_DeviceInfo> v) { info_ = std::move(v); }
    std::shared_ptr<cls_DeviceChannels> CHANNELS();  // made on first use
    void CHANNELS(std::shared_ptr<cls_DeviceChannels> v) { channels_ = std::move(v); }
    std::shared_ptr<cls_DevicePorts> PORTS();  // made on first use
    void PORTS(std::shared_ptr<cls_DevicePorts> v) { ports_ = std::move(v); }
    // An enm_DeviceStatus value.
    std::int32_t STATUS() const { return status_; }
    void STATUS(std::int32_t v) { status_ = v; }
    const std::string& DEBUGINFO() const { return debugInfo_; }
    void DEBUGINFO(std::string v) { debugInfo_ = std::move(v); }
    // The driver that owns this device; the device never makes one.
    const tlx::ObjectRef& PARENT() const { return parent_; }
    void PARENT(tlx::ObjectRef v) { parent_ = std::move(v); }
    // The port in use (1 = COM1; 0 = none).
    std::int32_t PORT() const { return port_; }
    void PORT(std::int32_t v) { port_ = v; }
    // Made with the device, its vParent set to the device.
    std::shared_ptr<cls_DeviceDialog> DIALOG() const { return dialog_; }
    void DIALOG(std::shared_ptr<cls_DeviceDialog> v);
    std::shared_ptr<tlx::cls_CoreSettings> SETTINGS();  // made on first use
    void SETTINGS(std::shared_ptr<tlx::cls_CoreSettings> v) { settings_ = std::move(v); }
    // Made with the device, its PARENT set to the device; a record put in its place gets
    // this device as PARENT, and the one it replaces loses it.
    std::shared_ptr<cls_DeviceComsettings> SETTINGSCOM() const { return settingsCom_; }
    void SETTINGSCOM(std::shared_ptr<cls_DeviceComsettings> v);
    // For the client's and the driver's use; the device never reads it.
    std::int32_t STARTPORT() const { return startPort_; }
    void STARTPORT(std::int32_t v) { startPort_ = v; }
    using DataRecord::DATA;
    std::shared_ptr<cls_DeviceDatafield> DATAFIELD();  // made on first use
    void DATAFIELD(std::shared_ptr<cls_DeviceDatafield> v) { datafield_ = std::move(v); }

    // Methods; each raises its event with the presets named.
    void EXECUTE();                    // DeviceExecute
    bool SETUPSCREEN();                // ZarivuZarudScreen(False)
    bool CONNECT(std::int32_t pPort);  // DeviceConnect(False, pPort)
    bool DISCONNECT();                 // DeviceDisconnect(False)
    std::string STATUSTEXT() const;    // in the interface language
    bool AUTOSENSE();                  // DeviceAutosense(False, False, 0)
    bool AUTOPORT();                   // DeviceAutoPort(False, False, 0)
    std::int32_t AUTOCHANNEL();        // DeviceAutoChannel(False, False, 0); -1 unless done
    bool SWITCH(std::int32_t pSwitch, bool pStatus = true, double pFlag1 = 0, double pFlag2 = 0,
                const tlx::Variant& pData = tlx::Variant::Missing());  // DeviceSwitch(False, ...)
    void PREPARE();                                                    // DevicePrepare
    // DISCONNECT, then CONNECT with the port in use before; both results are dropped.
    void RESET();
    // Store or read the whole device; file errors reach the caller as tlx::Error.
    void SAVE(const std::string& pFilename, const std::string& pPassword = {});
    void LOAD(const std::string& pFilename, const std::string& pPassword = {});
    bool SHOWSETTINGS();  // DeviceSettings(False)
    // DeviceSettingsComm(False), or the library's dialog when the driver lets the library
    // keep defaults (COMSETTINGSDEFAULT); after a confirmed outcome the user is asked whether
    // to keep the settings as defaults of the device type.
    bool SHOWSETTINGSCOM();
    // DISCONNECT, DeviceDestroy, then PARENT released; every error is ignored.
    void DESTROY();
    // DeviceActivate(False, pCommandID, pActivation, a copy of pParameters with its bounds):
    // the driver's changes to the elements do not reach the caller.
    bool ACTIVATE(const std::string& pCommandID, std::int32_t pActivation,
                  tlx::VariantArray& pParameters);
    std::string STATUSTEXTSHORT() const;  // in the interface language

    // Attaches the driver that handles this device's events. A device has at most the one
    // handler that created it: while one is attached and alive, another is refused (False).
    bool WithEvents(const std::shared_ptr<int_DeviceEvents>& pHandler);
    // Detaches `pHandler` when it is the attached handler; its events reach nobody from then.
    void WithoutEvents(const int_DeviceEvents* pHandler);

    std::span<const std::string_view> INTERFACEIDS() const override;

    void DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) override;
    void DATA_DataPACK(std::string& pcPackage) override;
    void DATA_DataUnpack(const std::string& prPackage) override;
    void DATA_DataStore(tlx::cls_CoreFile& pFile) override;
    void DATA_DataRead(tlx::cls_CoreFile& pFile) override;
    void DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) override;

  private:
    // Probes the ports anew and names the device's serial ports by what is there now.
    void hPortsNow();
    // Makes this device the owner of its communication settings.
    void AdoptSettingsCom();
    // The attached handler, or nothing once it is gone.
    std::shared_ptr<int_DeviceEvents> Handler() const { return handler_.lock(); }
    // This device held for the length of a call that raises events: a handler may release
    // the last reference to its device (by DESTROY, say) before the call is over.
    std::shared_ptr<int_Device> KeepAlive() { return weak_from_this().lock(); }

    std::shared_ptr<cls_DeviceInfo> info_;
    std::shared_ptr<cls_DeviceChannels> channels_;
    std::shared_ptr<cls_DevicePorts> ports_;
    std::int32_t status_ = ID_DeviceStatus_Off;
    std::string debugInfo_;
    tlx::ObjectRef parent_;
    std::int32_t port_ = 0;
    std::shared_ptr<cls_DeviceDialog> dialog_;
    std::shared_ptr<tlx::cls_CoreSettings> settings_;
    std::shared_ptr<cls_DeviceComsettings> settingsCom_;
    std::int32_t startPort_ = 0;
    std::shared_ptr<cls_DeviceDatafield> datafield_;
    std::weak_ptr<int_DeviceEvents> handler_;
};

}  // namespace vodex
