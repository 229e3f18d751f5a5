// The component entry of the scanning photometer driver: its classes cls_Photometer and
// inf_Photometer under the component name Vodex_Photometer, and its information record.
#include "tlx/component.h"

#include <dlfcn.h>

#include "photometer.h"
#include "tlx/error.h"
#include "tlx/text.h"

namespace vodex::photometer {
namespace {

constexpr const char* kClasses[] = {"cls_Photometer", "inf_Photometer", nullptr};
constexpr tlx_component_version kVersion = {1, 0, 0, "9.12.2026", "Scan-Photometer", 400};

std::string OwnFile() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&OwnFile), &info) && info.dli_fname) return info.dli_fname;
    return "Vodex_Photometer";
}

int Create(const char* className, tlx::ObjectRef* out) {
    return tlx::ComponentCall([&] {
        if (tlx::EqualsNoCase(className, "cls_Photometer")) {
            *out = cls_Photometer::Create();
        } else if (tlx::EqualsNoCase(className, "inf_Photometer")) {
            *out = std::make_shared<inf_Photometer>();
        } else {
            throw tlx::Error(std::string("the component has no class '") + className + "'");
        }
    });
}

}  // namespace

inf_Photometer::inf_Photometer()
    : ComInfoClass([] {
          auto info = std::make_shared<tlx::cls_CoreComInfo>();
          info->FILL(OwnFile(), "VQ\\DEVICES\\PHOTOMETER", "1.0", "Devices",
                     "Scanning Photometer Device", "Vodex", "9.12.2026");
          info->ICON(IconPicture());
          return info;
      }) {}

}  // namespace vodex::photometer

extern "C" {
__attribute__((visibility("default"))) extern const tlx_component_table tlx_component_entry;
const tlx_component_table tlx_component_entry = {
    TLX_COMPONENT_ABI,
    "Vodex_Photometer",
    vodex::photometer::kClasses,
    &tlx::RegisterEntry<tlx_component_entry>,
    &tlx::UnregisterEntry<tlx_component_entry>,
    &vodex::photometer::Create,
    &vodex::photometer::kVersion,
};
}
