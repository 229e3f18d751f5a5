#include "vodex/records/device_channels.h"

#include "record_io.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/interface_ids.h"

namespace vodex {
namespace {

constexpr const char* kVersion = "1.0";

}  // namespace

cls_DeviceChannels::cls_DeviceChannels()
    : RecordList(std::string(kLibraryName) + ".cls_DeviceChannels") {}

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

void cls_DeviceChannels::DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) {
    CopyEntries(const_cast<cls_DeviceChannels&>(detail::SameClass<cls_DeviceChannels>(pOther)));
    pcDone = true;
}

void cls_DeviceChannels::DATA_DataPACK(std::string& pcPackage) {
    pcPackage = tlx::CoreTools().PACKER().PACK({DATA()->ID(), items_.ToVariant()});
}

void cls_DeviceChannels::DATA_DataUnpack(const std::string& prPackage) {
    std::vector<tlx::Variant> v = tlx::CoreTools().PACKER().UNPACK(
        prPackage, 2, [] { return std::make_shared<cls_DeviceChannel>(); });
    items_.FromVariant(v[1]);
    DATA()->ID(tlx::Variant(v[0].ToText()));
}

void cls_DeviceChannels::DATA_DataStore(tlx::cls_CoreFile& pFile) {
    pFile.WRITE(kVersion);
    pFile.WRITE(DATA()->ID());
    items_.StoreTo(pFile);
}

void cls_DeviceChannels::DATA_DataRead(tlx::cls_CoreFile& pFile) {
    if (detail::ReadVersion(pFile) != kVersion) return;
    DATA()->ID(pFile.READ());
    items_.ReadFrom(pFile);
}

void cls_DeviceChannels::DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<cls_DeviceChannels>();
}

std::span<const std::string_view> cls_DeviceChannels::INTERFACEIDS() const {
    return iid::cls_DeviceChannels;
}

}  // namespace vodex
