#include "vodex/records/device_port.h"

#include "field_record_impl.h"
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

}  // namespace

cls_DevicePort::cls_DevicePort() : FieldRecord(TypeName()) {}

std::int32_t cls_DevicePort::ID() const {
    return DATA()->ID().ToInt32();
}
void cls_DevicePort::ID(const tlx::Variant& v) {
    DATA()->ID(v);
}

template <class F, class... R>
void cls_DevicePort::Fields(F& f, R&... r) {
    f(r.name_...);
    f(r.available_...);
}

template class detail::FieldRecord<cls_DevicePort>;

std::span<const std::string_view> cls_DevicePort::INTERFACEIDS() const {
    return iid::cls_DevicePort;
}

}  // namespace vodex
