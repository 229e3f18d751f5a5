// The component entry of the SCPI multimeter driver: its classes cls_Scpi and inf_Scpi under the
// component name Vodex_Scpi, and its information record.
#include "tlx/component.h"

#include <dlfcn.h>

#include "scpi.h"
#include "tlx/error.h"
#include "tlx/text.h"

namespace vodex::scpi {
namespace {

constexpr const char* kClasses[] = {"cls_Scpi", "inf_Scpi", nullptr};
constexpr tlx_component_version kVersion = {1, 0, 0, "8.12.2026", "SCPI-Multimeter", 400};

std::string OwnFile() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&OwnFile), &info) && info.dli_fname) return info.dli_fname;
    return "Vodex_Scpi";
}

int Create(const char* className, tlx::ObjectRef* out) {
    return tlx::ComponentCall([&] {
        if (tlx::EqualsNoCase(className, "cls_Scpi")) {
            *out = cls_Scpi::Create();
        } else if (tlx::EqualsNoCase(className, "inf_Scpi")) {
            *out = std::make_shared<inf_Scpi>();
        } else {
            throw tlx::Error(std::string("the component has no class '") + className + "'");
        }
    });
}

}  // namespace

inf_Scpi::inf_Scpi()
    : ComInfoClass([] {
          auto info = std::make_shared<tlx::cls_CoreComInfo>();
          info->FILL(OwnFile(), "VQ\\DEVICES\\SCPI", "1.0", "Devices", "SCPI Multimeter Device",
                     "Vodex", "8.12.2026");
          info->ICON(IconPicture());
          return info;
      }) {}

}  // namespace vodex::scpi

extern "C" {
__attribute__((visibility("default"))) extern const tlx_component_table tlx_component_entry;
const tlx_component_table tlx_component_entry = {
    TLX_COMPONENT_ABI,
    "Vodex_Scpi",
    vodex::scpi::kClasses,
    &tlx::RegisterEntry<tlx_component_entry>,
    &tlx::UnregisterEntry<tlx_component_entry>,
    &vodex::scpi::Create,
    &vodex::scpi::kVersion,
};
}
