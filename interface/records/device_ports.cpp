#include "vodex/records/device_ports.h"

#include "record_io.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/interface_ids.h"
#include "vodex/records/resource.h"

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

cls_DevicePorts::cls_DevicePorts() : RecordList(std::string(kLibraryName) + ".cls_DevicePorts") {}

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

void cls_DevicePorts::hPortsRefresh() {
    for (std::int32_t i = 1; i <= COUNT(); ++i) {
        const auto port = Item(i, true);
        if (!port) continue;
        const std::int32_t n = port->ID();
        const std::string number = std::to_string(n);
        if (port->NAME() != "COM " + number && port->NAME() != "--- " + number) continue;
        const bool present = Resource().hPortCheck(n);
        port->NAME((present ? "COM " : "--- ") + number);
        port->AVAILABLE(present);
    }
}

void cls_DevicePorts::RESETCACHE() {
    Resource().hCacheClear();
}

bool cls_DevicePorts::LOAD(const std::string& pFile, const std::string& pPW) {
    return detail::LoadRecord(*this, pFile, pPW);
}

bool cls_DevicePorts::SAVE(const std::string& pFile, const std::string& pPW) {
    return detail::SaveRecord(*this, pFile, pPW);
}

// ---- persistence ----

void cls_DevicePorts::DATA_DataCopy(const tlx::Object& pOther, bool& pcDone) {
    // CATEGORY is not taken.
    CopyEntries(const_cast<cls_DevicePorts&>(detail::SameClass<cls_DevicePorts>(pOther)));
    pcDone = true;
}

void cls_DevicePorts::DATA_DataPACK(std::string& pcPackage) {
    pcPackage = tlx::CoreTools().PACKER().PACK({DATA()->ID(), items_.ToVariant(), category_});
}

void cls_DevicePorts::DATA_DataUnpack(const std::string& prPackage) {
    std::vector<tlx::Variant> v = tlx::CoreTools().PACKER().UNPACK(
        prPackage, 3, [] { return std::make_shared<cls_DevicePort>(); });
    items_.FromVariant(v[1]);
    DATA()->ID(tlx::Variant(v[0].ToText()));
    category_ = v[2].ToInt32();
}

void cls_DevicePorts::DATA_DataStore(tlx::cls_CoreFile& pFile) {
    pFile.WRITE(kVersion);
    pFile.WRITE(DATA()->ID());
    pFile.WRITE(category_);
    items_.StoreTo(pFile);
}

void cls_DevicePorts::DATA_DataRead(tlx::cls_CoreFile& pFile) {
    const std::string version = detail::ReadVersion(pFile);
    if (!detail::VersionWithin(version, "1.0", "1.1")) return;
    DATA()->ID(pFile.READ());
    if (version >= "1.1") category_ = pFile.READ().ToInt32();
    items_.ReadFrom(pFile);
}

void cls_DevicePorts::DATA_DataSpawn(tlx::ObjectRef& pcNewInstance) {
    pcNewInstance = std::make_shared<cls_DevicePorts>();
}

std::span<const std::string_view> cls_DevicePorts::INTERFACEIDS() const {
    return iid::cls_DevicePorts;
}

}  // namespace vodex
