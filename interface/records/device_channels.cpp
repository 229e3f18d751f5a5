#include "vodex/records/device_channels.h"

#include "record_io.h"
#include "tlx/file.h"
#include "tlx/tools.h"

namespace vodex {
namespace {

constexpr const char* kVersion = "1.0";

}  // namespace

cls_DeviceChannels::cls_DeviceChannels()
    : data_(std::make_shared<tlx::cls_CoreData>(this,
                                                std::string(kLibraryName) + ".cls_DeviceChannels")),
      database_(std::make_shared<tlx::cls_CoreDatabase>(this)) {}

cls_DeviceChannels::~cls_DeviceChannels() {
    data_->Detach(this);
    database_->Detach(this);
}

void cls_DeviceChannels::DATA(std::shared_ptr<tlx::cls_CoreData> d) {
    tlx::cls_CoreData::Replace(data_, std::move(d), this);
}

void cls_DeviceChannels::DATABASE(std::shared_ptr<tlx::cls_CoreDatabase> d) {
    tlx::cls_CoreDatabase::Replace(database_, std::move(d), this);
}

std::shared_ptr<cls_DeviceChannel> cls_DeviceChannels::Item(const tlx::Variant& pID,
                                                            bool pForceIndex) {
    auto found = std::dynamic_pointer_cast<cls_DeviceChannel>(database_->Item(pID, pForceIndex));
    return found ? found : items_.At(0);
}

bool cls_DeviceChannels::EXISTS(const tlx::Variant& pID) {
    return database_->EXISTS(pID);
}
std::int32_t cls_DeviceChannels::COUNT() {
    return database_->COUNT();
}

bool cls_DeviceChannels::REMOVE(const tlx::Variant& pID, bool pForceIndex) {
    return database_->REMOVE(pID, pForceIndex);
}

std::shared_ptr<cls_DeviceChannel> cls_DeviceChannels::ADD(
    const std::shared_ptr<cls_DeviceChannel>& pEntry, const tlx::Variant& pID) {
    database_->ADD(pEntry, pID);
    return Item(COUNT(), true);
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
    database_->ADD(channel, pID);
    return Item(COUNT(), true);
}

bool cls_DeviceChannels::LOAD(const std::string& pFile, const std::string& pPW) {
    return detail::LoadRecord(*data_, pFile, pPW);
}

bool cls_DeviceChannels::SAVE(const std::string& pFile, const std::string& pPW) {
    return detail::SaveRecord(*data_, pFile, pPW);
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

std::vector<std::string> cls_DeviceChannels::INFO() {
    std::vector<std::string> names(static_cast<std::size_t>(COUNT()) + 1);
    for (std::int32_t i = 1; i <= COUNT(); ++i) {
        names[static_cast<std::size_t>(i)] = Item(i, true)->NAME();
    }
    return names;
}

// ---- keyed store ----

void cls_DeviceChannels::DATABASE_DatabaseClear() {
    items_.Clear();
}
void cls_DeviceChannels::DATABASE_DatabaseCount(std::int32_t& ret) {
    ret = items_.Count();
}

void cls_DeviceChannels::DATABASE_DatabaseImport(const tlx::ObjectRef& NewEntry,
                                                 const tlx::Variant& ID) {
    items_.Import(NewEntry, ID);
}

void cls_DeviceChannels::DATABASE_DatabaseItem(tlx::Variant& rRet, std::int32_t pIndex) {
    rRet = tlx::Variant(items_.At(pIndex));
}

void cls_DeviceChannels::DATABASE_DatabaseItemObj(tlx::ObjectRef& rRet, std::int32_t pIndex) {
    rRet = items_.At(pIndex);
}

void cls_DeviceChannels::DATABASE_DatabaseRemove(std::int32_t ID) {
    items_.Remove(ID);
}

void cls_DeviceChannels::DATABASE_DatabaseSearch(std::int32_t& ret, const tlx::Variant& ID) {
    ret = items_.Search(ID);
}

// ---- persistence ----

void cls_DeviceChannels::DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) {
    // The other list is read through its own store, whose Item may make its spare.
    auto& other = const_cast<cls_DeviceChannels&>(detail::SameClass<cls_DeviceChannels>(pOther));
    data_->ID(other.data_->ID());
    const std::int32_t count = other.COUNT();
    detail::RecordArray<cls_DeviceChannel> rebuilt;
    for (std::int32_t i = 1; i <= count; ++i) {
        rebuilt.Append()->DATA()->COPY(*other.Item(i, true));
    }
    items_ = std::move(rebuilt);
    pcDone = true;
}

void cls_DeviceChannels::DATA_DataPACK(std::string& pcPackage) {
    pcPackage = tlx::CoreTools().PACKER().PACK({data_->ID(), items_.ToVariant()});
}

void cls_DeviceChannels::DATA_DataUnpack(const std::string& prPackage) {
    std::vector<tlx::Variant> v = tlx::CoreTools().PACKER().UNPACK(
        prPackage, 2, [] { return std::make_shared<cls_DeviceChannel>(); });
    items_.FromVariant(v[1]);
    data_->ID(tlx::Variant(v[0].ToText()));
}

void cls_DeviceChannels::DATA_DataStore(tlx::cls_CoreFile& pFile) {
    pFile.WRITE(kVersion);
    pFile.WRITE(data_->ID());
    items_.StoreTo(pFile);
}

void cls_DeviceChannels::DATA_DataRead(tlx::cls_CoreFile& pFile) {
    if (detail::ReadVersion(pFile) != kVersion) return;
    data_->ID(pFile.READ());
    items_.ReadFrom(pFile);
}

void cls_DeviceChannels::DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<cls_DeviceChannels>();
}

}  // namespace vodex
