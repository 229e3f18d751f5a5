// The component entry of the random-generator driver: its classes cls_Randomizer and
// inf_Randomizer under the component name Vodex_Randomizer, and its information record.
#include "tlx/component.h"

#include <dlfcn.h>

#include "randomizer.h"
#include "tlx/error.h"
#include "tlx/text.h"

namespace vodex::randomizer {
namespace {

constexpr const char* kClasses[] = {"cls_Randomizer", "inf_Randomizer", nullptr};
constexpr tlx_component_version kVersion = {2, 0, 0, "5.12.2001", "Zufallsgenerator", 400};

// The path of this component's own file.
std::string OwnFile() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&OwnFile), &info) && info.dli_fname) return info.dli_fname;
    return "Vodex_Randomizer";
}

int Create(const char* className, tlx::ObjectRef* out) {
    return tlx::ComponentCall([&] {
        if (tlx::EqualsNoCase(className, "cls_Randomizer")) {
            *out = MakeDriver();
        } else if (tlx::EqualsNoCase(className, "inf_Randomizer")) {
            *out = std::make_shared<inf_Randomizer>();
        } else {
            throw tlx::Error(std::string("the component has no class '") + className + "'");
        }
    });
}

}  // namespace

inf_Randomizer::inf_Randomizer()
    : ComInfoClass([] {
          auto info = std::make_shared<tlx::cls_CoreComInfo>();
          info->FILL(OwnFile(), "VQ\\DEVICES\\RAND", "2.0", "Devices", "Randomizer Device",
                     "DE Vedaruzo", "5.12.2001");
          info->ICON(IconPicture());
          return info;
      }) {}

}  // namespace vodex::randomizer

extern "C" {
__attribute__((visibility("default"))) extern const tlx_component_table tlx_component_entry;
const tlx_component_table tlx_component_entry = {
    TLX_COMPONENT_ABI,
    "Vodex_Randomizer",
    vodex::randomizer::kClasses,
    &tlx::RegisterEntry<tlx_component_entry>,
    &tlx::UnregisterEntry<tlx_component_entry>,
    &vodex::randomizer::Create,
    &vodex::randomizer::kVersion,
};
}
