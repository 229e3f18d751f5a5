#include "vodex/records/device_comsettings.h"

#include "field_record_impl.h"
#include "record_io.h"
#include "tlx/error.h"
#include "tlx/file.h"
#include "tlx/text.h"
#include "tlx/tools.h"
#include "vodex/interface_ids.h"

namespace vodex {
namespace {

constexpr const char* kDevicesKey = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\";

}  // namespace

cls_DeviceComsettings::cls_DeviceComsettings()
    : FieldRecord(std::string(kLibraryName) + ".cls_DeviceComsettings") {}

std::shared_ptr<tlx::cls_CoreSettings> cls_DeviceComsettings::OTHERS() {
    if (!others_) others_ = std::make_shared<tlx::cls_CoreSettings>();
    return others_;
}

bool cls_DeviceComsettings::LOAD(const std::string& pFile, const std::string& pPW) {
    return detail::LoadRecord(*this, pFile, pPW);
}

bool cls_DeviceComsettings::SAVE(const std::string& pFile, const std::string& pPW) {
    return detail::SaveRecord(*this, pFile, pPW);
}

std::string cls_DeviceComsettings::DefaultKey() const {
    if (!parent_ || !identifier_) {
        throw tlx::Error("the communication settings belong to no device");
    }
    return kDevicesKey + tlx::Trim(identifier_()) + "\\ComSettings\\";
}

bool cls_DeviceComsettings::STOREDEFAULT() {
    try {
        const std::string key = DefaultKey();
        tlx::cls_CoreRegistry& reg = tlx::CoreTools().REGISTRY();
        reg.WRITE(tlx::HKEY_CURRENT_USER, key + "Default", tlx::Variant(true));
        reg.WRITE(tlx::HKEY_CURRENT_USER, key + "Baud", tlx::Variant(baud_));
        reg.WRITE(tlx::HKEY_CURRENT_USER, key + "Parity", tlx::Variant(parity_));
        reg.WRITE(tlx::HKEY_CURRENT_USER, key + "Handshake", tlx::Variant(handshake_));
        reg.WRITE(tlx::HKEY_CURRENT_USER, key + "Databits", tlx::Variant(dataBits_));
        reg.WRITE(tlx::HKEY_CURRENT_USER, key + "Stopbits", tlx::Variant(stopBits_));
        if (others_ && others_->COUNT() > 0) {
            reg.WRITE(tlx::HKEY_CURRENT_USER, key + "Others",
                      tlx::Variant(others_->DATA()->PACK()));
        } else {
            reg.DELETEVALUE(tlx::HKEY_CURRENT_USER, key + "Others");
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool cls_DeviceComsettings::LOADDEFAULT() {
    try {
        const std::string key = DefaultKey();
        tlx::cls_CoreRegistry& reg = tlx::CoreTools().REGISTRY();
        if (!reg.READBOOL(tlx::HKEY_CURRENT_USER, key + "Default", false)) return false;
        // Everything is read first, so that a failure leaves the record as it was.
        const std::int32_t baud = reg.READLONG(tlx::HKEY_CURRENT_USER, key + "Baud", 9600);
        const std::int32_t parity = reg.READLONG(tlx::HKEY_CURRENT_USER, key + "Parity", 0);
        const std::int32_t handshake = reg.READLONG(tlx::HKEY_CURRENT_USER, key + "Handshake", 0);
        // The number 8, not ID_DeviceComData_8.
        const std::int32_t dataBits = reg.READLONG(tlx::HKEY_CURRENT_USER, key + "Databits", 8);
        const std::int32_t stopBits = reg.READLONG(tlx::HKEY_CURRENT_USER, key + "Stopbits", 0);
        // The whole package text: cutting it to a buffer's length would lose settings.
        const std::string others = reg.READTEXT(tlx::HKEY_CURRENT_USER, key + "Others", "");
        if (others.empty()) {
            others_ = std::make_shared<tlx::cls_CoreSettings>();
        } else {
            OTHERS()->DATA()->UNPACK(others);  // takes all settings or throws, changing none
        }
        baud_ = baud;
        parity_ = parity;
        handshake_ = handshake;
        dataBits_ = dataBits;
        stopBits_ = stopBits;
        return true;
    } catch (...) {
        return false;
    }
}

template <class F, class... R>
void cls_DeviceComsettings::Fields(F& f, R&... r) {
    f(r.baud_...);
    f(r.parity_...);
    f(r.stopBits_...);
    f(r.dataBits_...);
    f(r.handshake_...);
    // The other settings travel with a copy or a package, but files hold only these.
    f.Nested(*r.OTHERS()...);
}

template class detail::FieldRecord<cls_DeviceComsettings>;

std::span<const std::string_view> cls_DeviceComsettings::INTERFACEIDS() const {
    return iid::cls_DeviceComsettings;
}

}  // namespace vodex
