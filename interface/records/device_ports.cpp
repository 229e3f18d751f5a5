#include "vodex/records/device_ports.h"

#include "field_record_impl.h"
#include "record_io.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/interface_ids.h"
#include "vodex/records/resource.h"

namespace vodex {
namespace {

// The port number that a name of the first four serial ports stands for, else 0.
std::int32_t ProbedNumber(const std::string& name) {
    for (std::int32_t n = 1; n <= 4; ++n) {
        const std::string digit = std::to_string(n);
        if (name == "COM" + digit || name == "COM " + digit) return n;
    }
    return 0;
}

}  // namespace

cls_DevicePorts::cls_DevicePorts() : FieldRecord(std::string(kLibraryName) + ".cls_DevicePorts") {}

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

template <class F, class... R>
void cls_DevicePorts::Fields(F& f, R&... r) {
    // CATEGORY is stored before the entries and packed after them; a copy does not take it.
    f.StoredOnly("1.1", r.category_...);
    f.Entries(r...);
    f.PackedOnly(r.category_...);
}

template class detail::FieldRecord<cls_DevicePorts, detail::RecordList<cls_DevicePort>>;

std::span<const std::string_view> cls_DevicePorts::INTERFACEIDS() const {
    return iid::cls_DevicePorts;
}

}  // namespace vodex
