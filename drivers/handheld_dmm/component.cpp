// The component entry of the handheld multimeter driver: its classes cls_HandheldDmm and
// inf_HandheldDmm under the component name Vodex_HandheldDmm, and its information record.
#include "tlx/component.h"

#include <dlfcn.h>

#include "handheld_dmm.h"
#include "tlx/error.h"
#include "tlx/text.h"

namespace vodex::handheld_dmm {
namespace {

constexpr const char* kClasses[] = {"cls_HandheldDmm", "inf_HandheldDmm", nullptr};
constexpr tlx_component_version kVersion = {1, 0, 0, "8.12.2026", "Hand-Multimeter", 400};

std::string OwnFile() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&OwnFile), &info) && info.dli_fname) return info.dli_fname;
    return "Vodex_HandheldDmm";
}

int Create(const char* className, tlx::ObjectRef* out) {
    return tlx::ComponentCall([&] {
        if (tlx::EqualsNoCase(className, "cls_HandheldDmm")) {
            *out = cls_HandheldDmm::Create();
        } else if (tlx::EqualsNoCase(className, "inf_HandheldDmm")) {
            *out = std::make_shared<inf_HandheldDmm>();
        } else {
            throw tlx::Error(std::string("the component has no class '") + className + "'");
        }
    });
}

}  // namespace

inf_HandheldDmm::inf_HandheldDmm()
    : ComInfoClass([] {
          auto info = std::make_shared<tlx::cls_CoreComInfo>();
          info->FILL(OwnFile(), "VQ\\DEVICES\\DMM14", "1.0", "Devices",
                     "Handheld Multimeter Device", "Vodex", "8.12.2026");
          info->ICON(IconPicture());
          return info;
      }) {}

}  // namespace vodex::handheld_dmm

extern "C" {
__attribute__((visibility("default"))) extern const tlx_component_table tlx_component_entry;
const tlx_component_table tlx_component_entry = {
    TLX_COMPONENT_ABI,
    "Vodex_HandheldDmm",
    vodex::handheld_dmm::kClasses,
    &tlx::RegisterEntry<tlx_component_entry>,
    &tlx::UnregisterEntry<tlx_component_entry>,
    &vodex::handheld_dmm::Create,
    &vodex::handheld_dmm::kVersion,
};
}
