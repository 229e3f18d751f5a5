#include "vodex/records/device_ports.h"

#include "record_io.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/core/resource.h"

namespace vodex {
namespace {

constexpr const char* kVersion = "1.1";

// The port number that a name of the first four serial ports stands for, else 0.
std::int32_t ProbedNumber(const std::string& name) {
    for (std::int32_t n = 1; n <= 4; ++n) {
        const std::string digit = std::to_string(n);
        if (name == "COM" + digit || name == "COM " + digit) return n;
    }
    return 0;
}

}  // namespace

cls_DevicePorts::cls_DevicePorts()
    : data_(std::make_shared<tlx::cls_CoreData>(this,
                                                std::string(kLibraryName) + ".cls_DevicePorts")),
      database_(std::make_shared<tlx::cls_CoreDatabase>(this)) {}

cls_DevicePorts::~cls_DevicePorts() {
    data_->Detach(this);
    database_->Detach(this);
}

void cls_DevicePorts::DATA(std::shared_ptr<tlx::cls_CoreData> d) {
    tlx::cls_CoreData::Replace(data_, std::move(d), this);
}

void cls_DevicePorts::DATABASE(std::shared_ptr<tlx::cls_CoreDatabase> d) {
    tlx::cls_CoreDatabase::Replace(database_, std::move(d), this);
}

std::shared_ptr<cls_DevicePort> cls_DevicePorts::Item(const tlx::Variant& pID, bool pForceIndex) {
    return std::dynamic_pointer_cast<cls_DevicePort>(database_->Item(pID, pForceIndex));
}

bool cls_DevicePorts::EXISTS(const tlx::Variant& pID) {
    return database_->EXISTS(pID);
}
std::int32_t cls_DevicePorts::COUNT() {
    return database_->COUNT();
}

bool cls_DevicePorts::REMOVE(const tlx::Variant& pID, bool pForceIndex) {
    return database_->REMOVE(pID, pForceIndex);
}

std::shared_ptr<cls_DevicePort> cls_DevicePorts::ADD(const std::shared_ptr<cls_DevicePort>& pEntry,
                                                     const tlx::Variant& pID) {
    database_->ADD(pEntry, pID);
    return Item(COUNT(), true);
}

std::shared_ptr<cls_DevicePort> cls_DevicePorts::CREATE(const tlx::Variant& pID,
                                                        const std::string& pName, bool pAvailable) {
    std::string name = pName;
    bool available = pAvailable;
    if (std::int32_t n = ProbedNumber(pName); n > 0 && !Resource().hPortCheck(n)) {
        name = "--- " + std::to_string(n);
        available = false;
    }
    auto port = std::make_shared<cls_DevicePort>();
    port->ID(pID);
    port->NAME(name);
    port->AVAILABLE(available);
    return ADD(port, pID);
}

void cls_DevicePorts::COMPORTS() {
    const std::int32_t max = hPortMax();
    for (std::int32_t i = 1; i <= max; ++i) {
        const std::string number = std::to_string(i);
        if (Resource().hPortCheck(i)) {
            CREATE(i, "COM " + number, true);
        } else {
            CREATE(i, "--- " + number, false);
        }
    }
}

void cls_DevicePorts::RESETCACHE() {
    Resource().hCacheClear();
}

bool cls_DevicePorts::LOAD(const std::string& pFile, const std::string& pPW) {
    return detail::LoadRecord(*data_, pFile, pPW);
}

bool cls_DevicePorts::SAVE(const std::string& pFile, const std::string& pPW) {
    return detail::SaveRecord(*data_, pFile, pPW);
}

std::vector<std::string> cls_DevicePorts::INFO() {
    std::vector<std::string> names(static_cast<std::size_t>(COUNT()) + 1);
    for (std::int32_t i = 1; i <= COUNT(); ++i) {
        if (auto port = Item(i, true)) names[static_cast<std::size_t>(i)] = port->NAME();
    }
    return names;
}

// ---- keyed store ----

void cls_DevicePorts::DATABASE_DatabaseClear() {
    items_.Clear();
}
void cls_DevicePorts::DATABASE_DatabaseCount(std::int32_t& ret) {
    ret = items_.Count();
}

void cls_DevicePorts::DATABASE_DatabaseImport(const tlx::ObjectRef& NewEntry,
                                              const tlx::Variant& ID) {
    items_.Import(NewEntry, ID);
}

void cls_DevicePorts::DATABASE_DatabaseItem(tlx::Variant& rRet, std::int32_t pIndex) {
    rRet = tlx::Variant(items_.At(pIndex));
}

void cls_DevicePorts::DATABASE_DatabaseItemObj(tlx::ObjectRef& rRet, std::int32_t pIndex) {
    rRet = items_.At(pIndex);
}

void cls_DevicePorts::DATABASE_DatabaseRemove(std::int32_t ID) {
    items_.Remove(ID);
}

void cls_DevicePorts::DATABASE_DatabaseSearch(std::int32_t& ret, const tlx::Variant& ID) {
    ret = items_.Search(ID);
}

// ---- persistence ----

void cls_DevicePorts::DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) {
    // The other list is read through its own store; its CATEGORY is not taken.
    auto& other = const_cast<cls_DevicePorts&>(detail::SameClass<cls_DevicePorts>(pOther));
    data_->ID(other.data_->ID());
    const std::int32_t count = other.COUNT();
    detail::RecordArray<cls_DevicePort> rebuilt;
    for (std::int32_t i = 1; i <= count; ++i) {
        auto source = other.Item(i, true);
        auto port = rebuilt.Append();
        if (source) port->DATA()->COPY(*source);
    }
    items_ = std::move(rebuilt);
    pcDone = true;
}

void cls_DevicePorts::DATA_DataPACK(std::string& pcPackage) {
    pcPackage = tlx::CoreTools().PACKER().PACK({data_->ID(), items_.ToVariant(), category_});
}

void cls_DevicePorts::DATA_DataUnpack(const std::string& prPackage) {
    std::vector<tlx::Variant> v = tlx::CoreTools().PACKER().UNPACK(
        prPackage, 3, [] { return std::make_shared<cls_DevicePort>(); });
    items_.FromVariant(v[1]);
    data_->ID(tlx::Variant(v[0].ToText()));
    category_ = v[2].ToInt32();
}

void cls_DevicePorts::DATA_DataStore(tlx::cls_CoreFile& pFile) {
    pFile.WRITE(kVersion);
    pFile.WRITE(data_->ID());
    pFile.WRITE(category_);
    items_.StoreTo(pFile);
}

void cls_DevicePorts::DATA_DataRead(tlx::cls_CoreFile& pFile) {
    const std::string version = detail::ReadVersion(pFile);
    if (!detail::VersionWithin(version, "1.0", "1.1")) return;
    data_->ID(pFile.READ());
    if (version >= "1.1") category_ = pFile.READ().ToInt32();
    items_.ReadFrom(pFile);
}

void cls_DevicePorts::DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<cls_DevicePorts>();
}

}  // namespace vodex
