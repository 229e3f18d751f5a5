#include "vodex/records/device_channel.h"

#include "record_io.h"
#include "tlx/error.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/interface_ids.h"
#include "vodex/text/language.h"

namespace vodex {
namespace {

// One type name for all records of the class.
const std::shared_ptr<const std::string>& TypeName() {
    static const auto name =
        std::make_shared<const std::string>(std::string(kLibraryName) + ".cls_DeviceChannel");
    return name;
}

constexpr const char* kVersion = "1.1";

struct StatusTexts {
    std::int32_t status;
    const char* longGerman;
    const char* longEnglish;
    const char* shortGerman;
    const char* shortEnglish;
};

constexpr StatusTexts kStatusTexts[] = {
    {ID_ChannelStatus_Ready, "Bereit", "Ready", "EEE", "EEE"},
    {ID_ChannelStatus_Busy, "Arbeitet", "Busy", "...", "..."},
    {ID_ChannelStatus_ErrOverflow, "Überlauf!", "Overflow", "ÜL", "OV"},
    {ID_ChannelStatus_ErrUnderrun, "Unterlauf!", "Underrun", "UL", "UR"},
    {ID_ChannelStatus_ErrRange, "Bereich falsch!", "Range error", "BR", "RNG"},
    {ID_ChannelStatus_ErrOverflowOrConnect, "Überlauf! Verbindung?", "Overflow! Connection?", "ÜL?",
     "OV?"},
    {ID_ChannelStatus_ErrUnderrunOrConnect, "Unterlauf! Verbindung?", "Underrun! Connection?",
     "UL?", "UR?"},
    {ID_ChannelStatus_ErrUnknown, "Unbekannt!", "Unknown!", "EE?", "EE?"},
};
constexpr StatusTexts kOtherStatus = {0, "Keine Information", "No information", "N/A", "N/A"};

const StatusTexts& TextsOf(std::int32_t status) {
    for (const StatusTexts& t : kStatusTexts) {
        if (t.status == status) return t;
    }
    return kOtherStatus;
}

}  // namespace

cls_DeviceChannel::cls_DeviceChannel() : DataRecord(TypeName()) {}

std::int32_t cls_DeviceChannel::ID() const {
    return DATA()->ID().ToInt32();
}
void cls_DeviceChannel::ID(const tlx::Variant& v) {
    DATA()->ID(v);
}

std::string cls_DeviceChannel::STATUSTEXT() const {
    if (status_ == ID_ChannelStatus_ErrUserDefined) return hLanguageText(statusUser_, statusUser_);
    const StatusTexts& t = TextsOf(status_);
    return hLanguageText(t.longGerman, t.longEnglish);
}

std::string cls_DeviceChannel::STATUSTEXTSHORT() const {
    if (status_ == ID_ChannelStatus_ErrUserDefined) return hLanguageText(statusUser_, statusUser_);
    const StatusTexts& t = TextsOf(status_);
    return hLanguageText(t.shortGerman, t.shortEnglish);
}

void cls_DeviceChannel::DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) {
    const auto& o = detail::SameClass<cls_DeviceChannel>(pOther);
    DATA()->ID(o.DATA()->ID());
    name_ = o.name_;
    size_ = o.size_;
    factor_ = o.factor_;
    offset_ = o.offset_;
    status_ = o.status_;
    measure_ = o.measure_;
    value_ = o.value_;
    flag_ = o.flag_;
    measured_ = o.measured_;
    tag_ = o.tag_;
    pcDone = true;
}

void cls_DeviceChannel::DATA_DataPACK(std::string& pcPackage) {
    pcPackage = tlx::CoreTools().PACKER().PACK({DATA()->ID(), name_, size_, factor_, offset_,
                                                status_, measure_, value_, flag_, measured_, tag_});
}

void cls_DeviceChannel::DATA_DataUnpack(const std::string& prPackage) {
    std::vector<tlx::Variant> v = tlx::CoreTools().PACKER().UNPACK(prPackage, 11);
    DATA()->ID(tlx::Variant(v[0].ToText()));
    name_ = v[1].ToText();
    size_ = v[2].ToText();
    factor_ = v[3].ToDouble();
    offset_ = v[4].ToDouble();
    status_ = v[5].ToInt32();
    measure_ = v[6].ToBool();
    value_ = v[7].ToDouble();
    flag_ = v[8].ToInt32();
    measured_ = v[9].ToBool();
    tag_ = v[10].ToText();
}

void cls_DeviceChannel::DATA_DataStore(tlx::cls_CoreFile& pFile) {
    pFile.WRITE(kVersion);
    pFile.WRITE(DATA()->ID());
    pFile.WRITE(name_);
    pFile.WRITE(size_);
    pFile.WRITE(factor_);
    pFile.WRITE(offset_);
    pFile.WRITE(status_);
    pFile.WRITE(measure_);
    pFile.WRITE(value_);
    pFile.WRITE(flag_);
    pFile.WRITE(measured_);
    pFile.WRITE(tag_);
}

void cls_DeviceChannel::DATA_DataRead(tlx::cls_CoreFile& pFile) {
    const std::string version = detail::ReadVersion(pFile);
    if (!detail::VersionWithin(version, "1.0", "1.1")) return;
    DATA()->ID(pFile.READ());
    name_ = pFile.READTEXT();
    size_ = pFile.READTEXT();
    factor_ = pFile.READDOUBLE();
    offset_ = pFile.READDOUBLE();
    status_ = pFile.READLONG();
    measure_ = pFile.READBOOL();
    value_ = pFile.READDOUBLE();
    flag_ = pFile.READLONG();
    measured_ = pFile.READBOOL();
    if (version >= "1.1") tag_ = pFile.READTEXT();
}

void cls_DeviceChannel::DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<cls_DeviceChannel>();
}

std::span<const std::string_view> cls_DeviceChannel::INTERFACEIDS() const {
    return iid::cls_DeviceChannel;
}

}  // namespace vodex
