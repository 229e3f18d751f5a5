#include "vodex/core/device.h"

#include "../records/record_io.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "tlx/ui.h"
#include "vodex/interface_ids.h"
#include "vodex/text/language.h"

namespace vodex {
namespace {

constexpr const char* kVersion = "1.1";

template <class T>
std::shared_ptr<T> MadeOnFirstUse(std::shared_ptr<T>& slot) {
    if (!slot) slot = std::make_shared<T>();
    return slot;
}

struct StatusTexts {
    const char* longGerman;
    const char* longEnglish;
    const char* shortGerman;
    const char* shortEnglish;
};

const StatusTexts& TextsOf(std::int32_t status) {
    static constexpr StatusTexts kTexts[] = {
        {"Aus", "Off", "AUS", "OFF"},        {"Init...", "Init...", "INIT", "INIT"},
        {"Bereit", "Ready", "OK", "RDY"},    {"Deinit...", "Deinit...", "DEINIT", "DEINIT"},
        {"Fehler!", "Error!", "EEE", "EEE"},
    };
    static constexpr StatusTexts kUnknown = {"Unbekannter Zustand", "Unknown condition", "???",
                                             "???"};
    return status >= 0 && status <= 4 ? kTexts[status] : kUnknown;
}

}  // namespace

int_DeviceEvents::~int_DeviceEvents() = default;

std::span<const std::string_view> int_DeviceEvents::EVENTINTERFACEIDS() {
    return iid::int_DeviceEvents;
}

int_Device::int_Device()
    : DataRecord(std::string(kLibraryName) + ".int_Device"),
      dialog_(std::make_shared<cls_DeviceDialog>()),
      settingsCom_(std::make_shared<cls_DeviceComsettings>()) {
    dialog_->vParent(this);
    AdoptSettingsCom();
}

int_Device::~int_Device() {
    // Objects that outlive their device must not refer to it.
    if (dialog_ && dialog_->vParent() == this) dialog_->vParent(nullptr);
    if (settingsCom_ && settingsCom_->PARENT() == this) settingsCom_->PARENT(nullptr);
}

std::shared_ptr<cls_DeviceInfo> int_Device::INFO() {
    return MadeOnFirstUse(info_);
}
std::shared_ptr<cls_DeviceChannels> int_Device::CHANNELS() {
    return MadeOnFirstUse(channels_);
}
std::shared_ptr<cls_DevicePorts> int_Device::PORTS() {
    return MadeOnFirstUse(ports_);
}
std::shared_ptr<tlx::cls_CoreSettings> int_Device::SETTINGS() {
    return MadeOnFirstUse(settings_);
}
std::shared_ptr<cls_DeviceDatafield> int_Device::DATAFIELD() {
    return MadeOnFirstUse(datafield_);
}

void int_Device::DIALOG(std::shared_ptr<cls_DeviceDialog> v) {
    if (dialog_ && dialog_->vParent() == this) dialog_->vParent(nullptr);
    dialog_ = std::move(v);
    if (dialog_) dialog_->vParent(this);
}

void int_Device::SETTINGSCOM(std::shared_ptr<cls_DeviceComsettings> v) {
    if (settingsCom_ && settingsCom_->PARENT() == this) settingsCom_->PARENT(nullptr);
    settingsCom_ = std::move(v);
    if (settingsCom_) AdoptSettingsCom();
}

void int_Device::AdoptSettingsCom() {
    settingsCom_->PARENT(this, [this] { return INFO()->IDENTIFIER(); });
}

bool int_Device::WithEvents(const std::shared_ptr<int_DeviceEvents>& pHandler) {
    auto current = handler_.lock();
    if (current && current != pHandler) return false;
    handler_ = pHandler;
    return true;
}

void int_Device::WithoutEvents(const int_DeviceEvents* pHandler) {
    if (handler_.lock().get() == pHandler) handler_.reset();
}

std::span<const std::string_view> int_Device::INTERFACEIDS() const {
    return iid::int_Device;
}

// ---- methods ----

void int_Device::EXECUTE() {
    const auto alive = KeepAlive();
    if (auto h = Handler()) h->DeviceExecute();
}

bool int_Device::SETUPSCREEN() {
    const auto alive = KeepAlive();
    bool rDone = false;
    if (auto h = Handler()) h->ZarivuZarudScreen(rDone);
    return rDone;
}

bool int_Device::CONNECT(std::int32_t pPort) {
    const auto alive = KeepAlive();
    port_ = pPort;
    bool rSuccess = false;
    if (auto h = Handler()) h->DeviceConnect(rSuccess, pPort);
    if (rSuccess && status_ == ID_DeviceStatus_Off) status_ = ID_DeviceStatus_Ready;
    return rSuccess;
}

bool int_Device::DISCONNECT() {
    const auto alive = KeepAlive();
    bool rSuccess = false;
    if (auto h = Handler()) h->DeviceDisconnect(rSuccess);
    if (rSuccess && status_ != ID_DeviceStatus_Deinit) status_ = ID_DeviceStatus_Off;
    return rSuccess;
}

std::string int_Device::STATUSTEXT() const {
    const StatusTexts& t = TextsOf(status_);
    return hLanguageText(t.longGerman, t.longEnglish);
}

std::string int_Device::STATUSTEXTSHORT() const {
    const StatusTexts& t = TextsOf(status_);
    return hLanguageText(t.shortGerman, t.shortEnglish);
}

void int_Device::hPortsNow() {
    const auto ports = PORTS();
    ports->RESETCACHE();
    ports->hPortsRefresh();
}

bool int_Device::AUTOSENSE() {
    const auto alive = KeepAlive();
    hPortsNow();  // a search sees the ports as they are now
    bool rDone = false;
    bool rSuccess = false;
    std::int32_t rPort = 0;
    if (auto h = Handler()) h->DeviceAutosense(rDone, rSuccess, rPort);
    if (!(rDone && rSuccess)) return false;
    port_ = rPort;
    return true;
}

bool int_Device::AUTOPORT() {
    const auto alive = KeepAlive();
    hPortsNow();
    bool rDone = false;
    bool rSuccess = false;
    std::int32_t rPort = 0;
    if (auto h = Handler()) h->DeviceAutoPort(rDone, rSuccess, rPort);
    if (!(rDone && rSuccess)) return false;
    port_ = rPort;
    return true;
}

std::int32_t int_Device::AUTOCHANNEL() {
    const auto alive = KeepAlive();
    bool rDone = false;
    bool rSuccess = false;
    std::int32_t rChannel = 0;
    if (auto h = Handler()) h->DeviceAutoChannel(rDone, rSuccess, rChannel);
    return rDone && rSuccess ? rChannel : -1;
}

bool int_Device::SWITCH(std::int32_t pSwitch, bool pStatus, double pFlag1, double pFlag2,
                        const tlx::Variant& pData) {
    const auto alive = KeepAlive();
    bool rSuccess = false;
    if (auto h = Handler()) h->DeviceSwitch(rSuccess, pSwitch, pStatus, pFlag1, pFlag2, pData);
    return rSuccess;
}

void int_Device::PREPARE() {
    const auto alive = KeepAlive();
    if (auto h = Handler()) h->DevicePrepare();
}

void int_Device::RESET() {
    const auto alive = KeepAlive();
    const std::int32_t port = port_;
    DISCONNECT();
    CONNECT(port);
}

void int_Device::SAVE(const std::string& pFilename, const std::string& pPassword) {
    tlx::SaveRecordFile(*this, pFilename, pPassword);
}

void int_Device::LOAD(const std::string& pFilename, const std::string& pPassword) {
    tlx::LoadRecordFile(*this, pFilename, pPassword);
}

bool int_Device::SHOWSETTINGS() {
    const auto alive = KeepAlive();
    bool rDone = false;
    if (auto h = Handler()) h->DeviceSettings(rDone);
    return rDone;
}

bool int_Device::SHOWSETTINGSCOM() {
    const auto alive = KeepAlive();
    bool outcome = false;
    if (!INFO()->COMSETTINGSDEFAULT()) {
        if (auto h = Handler()) h->DeviceSettingsComm(outcome);
    } else {
        tlx::DialogRequest request;
        request.dialog = "frm_DialogCommunication";
        request.subject = weak_from_this().lock();
        outcome = tlx::ShowModalDialog(request);
    }
    if (outcome) {
        const std::int32_t answer = tlx::CoreTools().DIALOGS().QUESTION(
            "Möchten Sie die gerade getroffenen Einstellungen als Standard-Einstellungen für "
            "dieses Gerät speichern?",
            "");
        if (answer == tlx::ID_Answer_Yes && settingsCom_) settingsCom_->STOREDEFAULT();
    }
    return outcome;
}

void int_Device::DESTROY() {
    const auto alive = KeepAlive();
    try {
        DISCONNECT();
    } catch (...) {
    }
    try {
        if (auto h = Handler()) h->DeviceDestroy();
    } catch (...) {
    }
    parent_.reset();
}

bool int_Device::ACTIVATE(const std::string& pCommandID, std::int32_t pActivation,
                          tlx::VariantArray& pParameters) {
    const auto alive = KeepAlive();
    // Element by element into a new array with the same bounds.
    tlx::VariantArray copy(pParameters.LBound(), pParameters.Items());
    bool rSuccess = false;
    if (auto h = Handler()) h->DeviceActivate(rSuccess, pCommandID, pActivation, copy);
    return rSuccess;
}

// ---- persistence ----

void int_Device::DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) {
    auto& o = const_cast<int_Device&>(detail::SameClass<int_Device>(pOther));
    INFO()->DATA()->COPY(*o.INFO());
    CHANNELS()->DATA()->COPY(*o.CHANNELS());
    PORTS()->DATA()->COPY(*o.PORTS());
    status_ = o.status_;
    debugInfo_ = o.debugInfo_;
    port_ = o.port_;
    SETTINGS()->DATA()->COPY(*o.SETTINGS());
    pcDone = true;
}

void int_Device::DATA_DataPACK(std::string& pcPackage) {
    pcPackage = tlx::CoreTools().PACKER().PACK({INFO()->DATA()->PACK(), CHANNELS()->DATA()->PACK(),
                                                PORTS()->DATA()->PACK(), status_, debugInfo_, port_,
                                                SETTINGS()->DATA()->PACK()});
}

void int_Device::DATA_DataUnpack(const std::string& prPackage) {
    const std::vector<tlx::Variant> v = tlx::CoreTools().PACKER().UNPACK(prPackage, 7);
    INFO()->DATA()->UNPACK(v[0].ToText());
    CHANNELS()->DATA()->UNPACK(v[1].ToText());
    PORTS()->DATA()->UNPACK(v[2].ToText());
    status_ = v[3].ToInt32();
    debugInfo_ = v[4].ToText();
    port_ = v[5].ToInt32();
    SETTINGS()->DATA()->UNPACK(v[6].ToText());
}

void int_Device::DATA_DataStore(tlx::cls_CoreFile& pFile) {
    pFile.WRITE(kVersion);
    INFO()->DATA()->STORE(pFile);
    CHANNELS()->DATA()->STORE(pFile);
    PORTS()->DATA()->STORE(pFile);
    pFile.WRITE(status_);
    pFile.WRITE(debugInfo_);
    pFile.WRITE(port_);
    SETTINGS()->DATA()->STORE(pFile);
}

void int_Device::DATA_DataRead(tlx::cls_CoreFile& pFile) {
    const std::string version = pFile.READ().ToText();
    if (!detail::VersionWithin(version, "1.0", "1.1")) return;
    INFO()->DATA()->READ(pFile);
    CHANNELS()->DATA()->READ(pFile);
    PORTS()->DATA()->READ(pFile);
    status_ = pFile.READ().ToInt32();
    debugInfo_ = pFile.READ().ToText();
    port_ = pFile.READ().ToInt32();
    if (version >= "1.1") SETTINGS()->DATA()->READ(pFile);
}

void int_Device::DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<int_Device>();
}

}  // namespace vodex
