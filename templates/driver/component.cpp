// The component entry of the driver: its classes cls_MyMeter and inf_MyMeter under the
// component name Vodex_MyMeter, and its version record. The entry table is the one symbol the
// component exports.
#include "tlx/component.h"

#include <dlfcn.h>

#include <string>

#include "mymeter.h"
#include "tlx/error.h"
#include "tlx/text.h"

namespace mymeter {
namespace {

// The creatable classes: the driver "cls_" and its component information "inf_", each followed
// by what follows the first "_" of the component name.
constexpr const char* kClasses[] = {"cls_MyMeter", "inf_MyMeter", nullptr};
// CHANGE with each release: major, minor, revision, date (day.month.year), a comment, and the
// lowest toolkit build the driver works with (400 plus the toolkit's revision; 400 is 2.0.0).
// The package takes its version from here.
constexpr tlx_component_version kVersion = {1, 0, 0, "7.12.2026", "Mein Messgerät", 400};

// The component's own file, for its information record.
std::string OwnFile() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&OwnFile), &info) && info.dli_fname) return info.dli_fname;
    return "Vodex_MyMeter";
}

int Create(const char* className, tlx::ObjectRef* out) {
    return tlx::ComponentCall([&] {
        if (tlx::EqualsNoCase(className, "cls_MyMeter")) {
            *out = cls_MyMeter::Create();
        } else if (tlx::EqualsNoCase(className, "inf_MyMeter")) {
            *out = std::make_shared<inf_MyMeter>();
        } else {
            throw tlx::Error(std::string("the component has no class '") + className + "'");
        }
    });
}

}  // namespace

inf_MyMeter::inf_MyMeter()
    : ComInfoClass([] {
          auto info = std::make_shared<tlx::cls_CoreComInfo>();
          // CHANGE: file, key, version, group, title, maker, date.
          info->FILL(OwnFile(), "VQ\\DEVICES\\MYMETER", "1.0", "Devices", "MyMeter Device",
                     "Mein Hersteller", "7.12.2026");
          return info;
      }) {}

}  // namespace mymeter

extern "C" {
__attribute__((visibility("default"))) extern const tlx_component_table tlx_component_entry;
const tlx_component_table tlx_component_entry = {
    TLX_COMPONENT_ABI,
    "Vodex_MyMeter",  // CHANGE: the component name, the same as the project's in CMakeLists.txt
    mymeter::kClasses,
    &tlx::RegisterEntry<tlx_component_entry>,
    &tlx::UnregisterEntry<tlx_component_entry>,
    &mymeter::Create,
    &mymeter::kVersion,
};
}
