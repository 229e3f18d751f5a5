#include "vodex/records/device_info.h"

#include "record_io.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/interface_ids.h"

namespace vodex {
namespace {

constexpr const char* kVersion = "2.4";

template <class T>
std::shared_ptr<T> MadeOnFirstUse(std::shared_ptr<T>& slot) {
    if (!slot) slot = std::make_shared<T>();
    return slot;
}

std::string Text(const tlx::Variant& v) {
    return v.ToText();
}
bool Flag(const tlx::Variant& v) {
    return v.ToBool();
}
double Real(const tlx::Variant& v) {
    return v.ToDouble();
}
std::int32_t Whole(const tlx::Variant& v) {
    return v.ToInt32();
}

}  // namespace

cls_DeviceInfo::cls_DeviceInfo() : DataRecord(std::string(kLibraryName) + ".cls_DeviceInfo") {}

cls_DeviceInfo::ValueList cls_DeviceInfo::COMBAUD() {
    return MadeOnFirstUse(comBaud_);
}
cls_DeviceInfo::ValueList cls_DeviceInfo::COMPARITIES() {
    return MadeOnFirstUse(comParities_);
}
cls_DeviceInfo::ValueList cls_DeviceInfo::COMSTOPBITS() {
    return MadeOnFirstUse(comStopBits_);
}
cls_DeviceInfo::ValueList cls_DeviceInfo::COMDATABITS() {
    return MadeOnFirstUse(comDataBits_);
}
cls_DeviceInfo::ValueList cls_DeviceInfo::COMHANDSHAKE() {
    return MadeOnFirstUse(comHandshake_);
}
cls_DeviceInfo::TextList cls_DeviceInfo::SUPPORTEDACTIVATORS() {
    return MadeOnFirstUse(supportedActivators_);
}

std::string cls_DeviceInfo::CATEGORYTEXT() const {
    switch (category_) {
        case ID_DevCat_Unspecified:
            return "Nicht angegeben";
        case ID_DevCat_ChemicalMultimeterDisplay:
            return "Chemie-Multimeter mit Anzeige";
        case ID_DevCat_ChemicalMultimeterNoDisplay:
            return "Chemie-Multim. ohne Anzeige";
        case ID_DevCat_ChemicalMultimeterKit:
            return "Chemie-Baukasten-System";
        case ID_DevCat_Laboratory:
            return "Labormessgerät - z.B.: pH, Temp, LF";
        case ID_DevCat_Balance:
            return "Waagen";
        case ID_DevCat_Photometer:
            return "Fotometer";
        case ID_DevCat_Spectrometer:
            return "Spektrometer";
        case ID_DevCat_ChemicalHandheld:
            return "Chemische Handmessgeräte";
        case ID_DevCat_GC:
            return "Spezialwandler für GC";
        case ID_DevCat_Other:
            return "Sonstige";
        case ID_DevCat_Multimeter:
            return "Multimeter für Elektroniker";
        default:
            return {};
    }
}

void cls_DeviceInfo::DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) {
    pcDone = true;
    auto& o = const_cast<cls_DeviceInfo&>(detail::SameClass<cls_DeviceInfo>(pOther));
    name_ = o.name_;
    manufacturer_ = o.manufacturer_;
    description_ = o.description_;
    category_ = o.category_;
    identifier_ = o.identifier_;
    setupScreen_ = o.setupScreen_;
    logger_ = o.logger_;
    manualWave_ = o.manualWave_;
    manualScan_ = o.manualScan_;
    waveInterval_ = o.waveInterval_;
    waveTimeBaseScan_ = o.waveTimeBaseScan_;
    waveTimeFirst_ = o.waveTimeFirst_;
    waveTimeSingleValue_ = o.waveTimeSingleValue_;
    waveTimeAutoScan_ = o.waveTimeAutoScan_;
    waveStart_ = o.waveStart_;
    waveEnd_ = o.waveEnd_;
    autoSense_ = o.autoSense_;
    autoSenseSure_ = o.autoSenseSure_;
    autoPort_ = o.autoPort_;
    autoChannel_ = o.autoChannel_;
    customSettings_ = o.customSettings_;
    comSettings_ = o.comSettings_;
    comSettingsDefault_ = o.comSettingsDefault_;
    setZero_ = o.setZero_;
    infoUrl_ = o.infoUrl_;
    // The lists are filled by their own data objects (the other's are made if need be).
    COMBAUD()->DATA()->COPY(*o.COMBAUD());
    COMPARITIES()->DATA()->COPY(*o.COMPARITIES());
    COMSTOPBITS()->DATA()->COPY(*o.COMSTOPBITS());
    COMDATABITS()->DATA()->COPY(*o.COMDATABITS());
    COMHANDSHAKE()->DATA()->COPY(*o.COMHANDSHAKE());
    SUPPORTEDACTIVATORS()->DATA()->COPY(*o.SUPPORTEDACTIVATORS());
    image_ = o.image_;
    icon_ = o.icon_;
}

void cls_DeviceInfo::DATA_DataPACK(std::string& pcPackage) {
    pcPackage = tlx::CoreTools().PACKER().PACK({
        name_,
        manufacturer_,
        identifier_,
        description_,
        setupScreen_,
        logger_,
        manualWave_,
        infoUrl_,
        tlx::PictureToText(image_),
        tlx::PictureToText(icon_),
        autoSense_,
        autoSenseSure_,
        autoPort_,
        autoChannel_,
        customSettings_,
        comSettings_,
        comSettingsDefault_,
        COMBAUD()->DATA()->PACK(),
        COMPARITIES()->DATA()->PACK(),
        COMSTOPBITS()->DATA()->PACK(),
        COMDATABITS()->DATA()->PACK(),
        COMHANDSHAKE()->DATA()->PACK(),
        SUPPORTEDACTIVATORS()->DATA()->PACK(),
        category_,
        manualScan_,
        waveTimeSingleValue_,
        waveTimeAutoScan_,
        waveStart_,
        waveEnd_,
        setZero_,
        waveTimeBaseScan_,
        waveInterval_,
        waveTimeFirst_,
    });
}

void cls_DeviceInfo::DATA_DataUnpack(const std::string& prPackage) {
    const std::vector<tlx::Variant> v = tlx::CoreTools().PACKER().UNPACK(prPackage, 33);
    name_ = Text(v[0]);
    manufacturer_ = Text(v[1]);
    identifier_ = Text(v[2]);
    description_ = Text(v[3]);
    setupScreen_ = Flag(v[4]);
    logger_ = Flag(v[5]);
    manualWave_ = Flag(v[6]);
    infoUrl_ = Text(v[7]);
    image_ = tlx::TextToPicture(Text(v[8]));
    icon_ = tlx::TextToPicture(Text(v[9]));
    autoSense_ = Flag(v[10]);
    autoSenseSure_ = Flag(v[11]);
    autoPort_ = Flag(v[12]);
    autoChannel_ = Flag(v[13]);
    customSettings_ = Flag(v[14]);
    comSettings_ = Flag(v[15]);
    comSettingsDefault_ = Flag(v[16]);
    COMBAUD()->DATA()->UNPACK(Text(v[17]));
    COMPARITIES()->DATA()->UNPACK(Text(v[18]));
    COMSTOPBITS()->DATA()->UNPACK(Text(v[19]));
    COMDATABITS()->DATA()->UNPACK(Text(v[20]));
    COMHANDSHAKE()->DATA()->UNPACK(Text(v[21]));
    SUPPORTEDACTIVATORS()->DATA()->UNPACK(Text(v[22]));
    category_ = Whole(v[23]);
    manualScan_ = Flag(v[24]);
    waveTimeSingleValue_ = Real(v[25]);
    waveTimeAutoScan_ = Real(v[26]);
    waveStart_ = Whole(v[27]);
    waveEnd_ = Whole(v[28]);
    setZero_ = Flag(v[29]);
    waveTimeBaseScan_ = Real(v[30]);
    waveInterval_ = Real(v[31]);
    waveTimeFirst_ = Real(v[32]);
}

void cls_DeviceInfo::DATA_DataStore(tlx::cls_CoreFile& pFile) {
    pFile.WRITE(kVersion);
    pFile.WRITE(name_, manufacturer_, identifier_, description_, setupScreen_);
    pFile.WRITE(category_, infoUrl_);
    pFile.WRITE(tlx::PictureToText(image_), tlx::PictureToText(icon_));
    pFile.WRITE(autoSense_, autoSenseSure_, autoPort_, autoChannel_);
    pFile.WRITE(customSettings_, comSettings_, comSettingsDefault_);
    pFile.WRITE(logger_, manualWave_);
    pFile.WRITE(manualScan_);
    pFile.WRITE(waveTimeSingleValue_, waveTimeAutoScan_, waveStart_, waveEnd_);
    pFile.WRITE(setZero_);
    pFile.WRITE(waveTimeBaseScan_, waveInterval_, waveTimeFirst_);
    SUPPORTEDACTIVATORS()->DATA()->STORE(pFile);
    COMBAUD()->DATA()->STORE(pFile);
    COMPARITIES()->DATA()->STORE(pFile);
    COMSTOPBITS()->DATA()->STORE(pFile);
    COMDATABITS()->DATA()->STORE(pFile);
    COMHANDSHAKE()->DATA()->STORE(pFile);
}

void cls_DeviceInfo::DATA_DataRead(tlx::cls_CoreFile& pFile) {
    const std::string version = pFile.READ().ToText();
    auto read = [&pFile] { return pFile.READ(); };
    if (version == kVersion) {
        name_ = Text(read());
        manufacturer_ = Text(read());
        identifier_ = Text(read());
        description_ = Text(read());
        setupScreen_ = Flag(read());
        category_ = Whole(read());
        infoUrl_ = Text(read());
        image_ = tlx::TextToPicture(Text(read()));
        icon_ = tlx::TextToPicture(Text(read()));
        autoSense_ = Flag(read());
        autoSenseSure_ = Flag(read());
        autoPort_ = Flag(read());
        autoChannel_ = Flag(read());
        customSettings_ = Flag(read());
        comSettings_ = Flag(read());
        comSettingsDefault_ = Flag(read());
        logger_ = Flag(read());
        manualWave_ = Flag(read());
        manualScan_ = Flag(read());
        waveTimeSingleValue_ = Real(read());
        waveTimeAutoScan_ = Real(read());
        waveStart_ = Whole(read());
        waveEnd_ = Whole(read());
        setZero_ = Flag(read());
        waveTimeBaseScan_ = Real(read());
        waveInterval_ = Real(read());
        waveTimeFirst_ = Real(read());
        SUPPORTEDACTIVATORS()->DATA()->READ(pFile);
        COMBAUD()->DATA()->READ(pFile);
        COMPARITIES()->DATA()->READ(pFile);
        COMSTOPBITS()->DATA()->READ(pFile);
        COMDATABITS()->DATA()->READ(pFile);
        COMHANDSHAKE()->DATA()->READ(pFile);
    } else if (version == "2.0") {
        ReadOldLayout(pFile, "1.9");
        setZero_ = Flag(read());
    } else if (detail::VersionWithin(version, "2.1", "2.3")) {
        ReadOldLayout(pFile, "1.9");
        waveTimeBaseScan_ = Real(read());
        if (version >= "2.2") waveInterval_ = Real(read());
        if (version >= "2.3") {
            waveTimeFirst_ = Real(read());
            // Version 2.3 carries one more number at this place, read into the same field.
            waveTimeFirst_ = Real(read());
        }
    } else if (detail::VersionWithin(version, "1.0", "1.9")) {
        ReadOldLayout(pFile, version);
    }
}

// The layout of versions 1.0 to 1.9: each item only from the version that brought it.
void cls_DeviceInfo::ReadOldLayout(tlx::cls_CoreFile& file, const std::string& version) {
    auto read = [&file] { return file.READ(); };
    auto from = [&version](const char* since) { return version >= since; };
    name_ = Text(read());
    manufacturer_ = Text(read());
    identifier_ = Text(read());
    description_ = Text(read());
    setupScreen_ = Flag(read());
    logger_ = Flag(read());
    manualWave_ = Flag(read());
    if (from("1.7")) category_ = Whole(read());
    if (from("1.1")) {
        infoUrl_ = Text(read());
        image_ = tlx::TextToPicture(Text(read()));
        icon_ = tlx::TextToPicture(Text(read()));
    }
    if (from("1.2")) autoSense_ = Flag(read());
    if (from("1.6")) {
        autoSenseSure_ = Flag(read());
        SUPPORTEDACTIVATORS()->DATA()->READ(file);
    }
    if (from("1.3")) {
        autoPort_ = Flag(read());
        autoChannel_ = Flag(read());
    }
    if (from("1.4")) customSettings_ = Flag(read());
    if (from("1.5")) {
        comSettings_ = Flag(read());
        comSettingsDefault_ = Flag(read());
        COMBAUD()->DATA()->READ(file);
        COMPARITIES()->DATA()->READ(file);
        COMSTOPBITS()->DATA()->READ(file);
        COMDATABITS()->DATA()->READ(file);
        COMHANDSHAKE()->DATA()->READ(file);
    }
    if (from("1.8")) manualScan_ = Flag(read());
    if (from("1.9")) {
        waveTimeSingleValue_ = Real(read());
        waveTimeAutoScan_ = Real(read());
        waveStart_ = Whole(read());
        waveEnd_ = Whole(read());
    }
}

void cls_DeviceInfo::DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<cls_DeviceInfo>();
}

std::span<const std::string_view> cls_DeviceInfo::INTERFACEIDS() const {
    return iid::cls_DeviceInfo;
}

}  // namespace vodex
