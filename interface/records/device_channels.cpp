#include "vodex/records/device_channels.h"

#include "field_record_impl.h"
#include "record_io.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/interface_ids.h"

namespace vodex {
namespace {}  // namespace

cls_DeviceChannels::cls_DeviceChannels()
    : FieldRecord(std::string(kLibraryName) + ".cls_DeviceChannels") {}

std::shared_ptr<cls_DeviceChannel> cls_DeviceChannels::Item(const tlx::Variant& pID,
                                                            bool pForceIndex) {
    auto found = Found(pID, pForceIndex);
    return found ? found : items_.At(0);
}

std::shared_ptr<cls_DeviceChannel> cls_DeviceChannels::CREATE(const tlx::Variant& pID,
                                                              const std::string& pName,
                                                              const std::string& pSize,
                                                              double pFactor, double pOffset) {
    auto channel = std::make_shared<cls_DeviceChannel>();
    channel->ID(pID);
    channel->NAME(pName);
    channel->SIZE(pSize);
    channel->FACTOR(pFactor);
    channel->OFFSET(pOffset);
    return ADD(channel, pID);
}

bool cls_DeviceChannels::LOAD(const std::string& pFile, const std::string& pPW) {
    return detail::LoadRecord(*this, pFile, pPW);
}

bool cls_DeviceChannels::SAVE(const std::string& pFile, const std::string& pPW) {
    return detail::SaveRecord(*this, pFile, pPW);
}

void cls_DeviceChannels::RESET() {
    for (std::int32_t i = 1; i <= COUNT(); ++i) {
        auto c = Item(i, true);
        c->STATUS(ID_ChannelStatus_Ready);
        c->MEASURE(false);
        c->MEASURED(false);
        c->VALUE(0.0);
        c->FLAG(0);
    }
}

// ---- persistence ----

template <class F, class... R>
void cls_DeviceChannels::Fields(F& f, R&... r) {
    f.Entries(r...);
}

template class detail::FieldRecord<cls_DeviceChannels, detail::RecordList<cls_DeviceChannel>>;

std::span<const std::string_view> cls_DeviceChannels::INTERFACEIDS() const {
    return iid::cls_DeviceChannels;
}

}  // namespace vodex
