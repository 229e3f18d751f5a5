// The component entry of the balance driver: its classes cls_Balance and inf_Balance under the
// component name Vodex_Balance, and its information record.
#include "tlx/component.h"

#include <dlfcn.h>

#include "balance.h"
#include "tlx/error.h"
#include "tlx/text.h"

namespace vodex::balance {
namespace {

constexpr const char* kClasses[] = {"cls_Balance", "inf_Balance", nullptr};
// The tests build the driver once more with a higher revision, as a newer release of it.
#ifndef VODEX_BALANCE_REVISION
#define VODEX_BALANCE_REVISION 0
#endif
constexpr tlx_component_version kVersion = {
    1, 0, VODEX_BALANCE_REVISION, "7.12.2026", "Laborwaage", 400};

std::string OwnFile() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&OwnFile), &info) && info.dli_fname) return info.dli_fname;
    return "Vodex_Balance";
}

int Create(const char* className, tlx::ObjectRef* out) {
    return tlx::ComponentCall([&] {
        if (tlx::EqualsNoCase(className, "cls_Balance")) {
            *out = cls_Balance::Create();
        } else if (tlx::EqualsNoCase(className, "inf_Balance")) {
            *out = std::make_shared<inf_Balance>();
        } else {
            throw tlx::Error(std::string("the component has no class '") + className + "'");
        }
    });
}

}  // namespace

inf_Balance::inf_Balance()
    : ComInfoClass([] {
          auto info = std::make_shared<tlx::cls_CoreComInfo>();
          info->FILL(OwnFile(), "VQ\\DEVICES\\BALANCE", "1.0", "Devices", "Balance Device", "Vodex",
                     "7.12.2026");
          info->ICON(IconPicture());
          return info;
      }) {}

}  // namespace vodex::balance

extern "C" {
__attribute__((visibility("default"))) extern const tlx_component_table tlx_component_entry;
const tlx_component_table tlx_component_entry = {
    TLX_COMPONENT_ABI,
    "Vodex_Balance",
    vodex::balance::kClasses,
    &tlx::RegisterEntry<tlx_component_entry>,
    &tlx::UnregisterEntry<tlx_component_entry>,
    &vodex::balance::Create,
    &vodex::balance::kVersion,
};
}
