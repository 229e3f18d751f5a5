#include "vodex/records/device_port.h"

#include "record_io.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/enums.h"
#include "vodex/interface_ids.h"

namespace vodex {
namespace {

// One type name for all records of the class.
const std::shared_ptr<const std::string>& TypeName() {
    static const auto name =
        std::make_shared<const std::string>(std::string(kLibraryName) + ".cls_DevicePort");
    return name;
}

constexpr const char* kVersion = "1.0";
}  // namespace

cls_DevicePort::cls_DevicePort() : DataRecord(TypeName()) {}

std::int32_t cls_DevicePort::ID() const {
    return DATA()->ID().ToInt32();
}
void cls_DevicePort::ID(const tlx::Variant& v) {
    DATA()->ID(v);
}

void cls_DevicePort::DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) {
    const auto& o = detail::SameClass<cls_DevicePort>(pOther);
    DATA()->ID(o.DATA()->ID());
    name_ = o.name_;
    available_ = o.available_;
    pcDone = true;
}

void cls_DevicePort::DATA_DataPACK(std::string& pcPackage) {
    pcPackage = tlx::CoreTools().PACKER().PACK({DATA()->ID(), name_, available_});
}

void cls_DevicePort::DATA_DataUnpack(const std::string& prPackage) {
    const std::vector<tlx::Variant> v = tlx::CoreTools().PACKER().UNPACK(prPackage, 3);
    DATA()->ID(tlx::Variant(v[0].ToText()));
    name_ = v[1].ToText();
    available_ = v[2].ToBool();
}

void cls_DevicePort::DATA_DataStore(tlx::cls_CoreFile& pFile) {
    pFile.WRITE(kVersion);
    pFile.WRITE(DATA()->ID());
    pFile.WRITE(name_);
    pFile.WRITE(available_);
}

void cls_DevicePort::DATA_DataRead(tlx::cls_CoreFile& pFile) {
    if (detail::ReadVersion(pFile) != kVersion) return;
    DATA()->ID(pFile.READ());
    name_ = pFile.READ().ToText();
    available_ = pFile.READ().ToBool();
}

void cls_DevicePort::DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<cls_DevicePort>();
}

std::span<const std::string_view> cls_DevicePort::INTERFACEIDS() const {
    return iid::cls_DevicePort;
}

}  // namespace vodex
