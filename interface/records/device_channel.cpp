#include "vodex/records/device_channel.h"

#include "field_record_impl.h"
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

cls_DeviceChannel::cls_DeviceChannel() : FieldRecord(TypeName()) {}

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

template <class F, class... R>
void cls_DeviceChannel::Fields(F& f, R&... r) {
    f(r.name_...);
    f(r.size_...);
    f(r.factor_...);
    f(r.offset_...);
    f(r.status_...);
    f(r.measure_...);
    f(r.value_...);
    f(r.flag_...);
    f(r.measured_...);
    f.Since("1.1", r.tag_...);
}

template class detail::FieldRecord<cls_DeviceChannel>;

std::span<const std::string_view> cls_DeviceChannel::INTERFACEIDS() const {
    return iid::cls_DeviceChannel;
}

}  // namespace vodex
