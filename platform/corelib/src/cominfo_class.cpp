#include "tlx/cominfo_class.h"

#include "tlx/text.h"

namespace tlx {

std::shared_ptr<cls_CoreComInfo> ComInfoClass::COMINFO() {
    if (!info_ && make_) info_ = make_();
    return info_;
}

Variant ComInfoClass::GetProperty(std::string_view name) {
    if (EqualsNoCase(name, "COMINFO")) return Variant(COMINFO());
    return Dispatch::GetProperty(name);
}

void ComInfoClass::SetProperty(std::string_view name, const Variant& value) {
    if (EqualsNoCase(name, "COMINFO")) {
        COMINFO(value.As<cls_CoreComInfo>());
    } else {
        Dispatch::SetProperty(name, value);
    }
}

}  // namespace tlx
