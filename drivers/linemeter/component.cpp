// The component entry of the text-line meters: one component file serves every description.
// It is named after the file it is loaded from: as Vodex_Line_PH20.so it is the component
// Vodex_Line_PH20 with the classes cls_Line_PH20 and inf_Line_PH20, and its driver follows
// the description Vodex_Line_PH20.linemeter beside it. Each description's driver package
// carries its own copy of the file under that name (the loader keeps one copy loaded per
// file, so every copy keeps its own name).
#include "tlx/component.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

#include "linemeter.h"
#include "tlx/error.h"
#include "tlx/filesystem.h"
#include "tlx/text.h"

namespace vodex::linemeter {
namespace {

// The names, as the file gives them when the component is loaded; the entry table points at
// them. Only the loader's constructor below writes them.
constexpr std::size_t kNameRoom = 64;
char gName[kNameRoom] = "Vodex_LineMeter";
char gDriverClass[kNameRoom] = "cls_LineMeter";
char gInfoClass[kNameRoom] = "inf_LineMeter";
const char* gClasses[] = {gDriverClass, gInfoClass, nullptr};
// The driver's version is its description's (VERSION), so that a changed description is
// installed, listed and offered as a newer driver.
tlx_component_version gVersion = {1, 0, 0, "9.12.2026", "Zeilen-Messgerät", 400};

std::string OwnFile() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&OwnFile), &info) && info.dli_fname) return info.dli_fname;
    return "Vodex_LineMeter";
}

__attribute__((constructor)) void NameAfterFile() {
    const std::string base = tlx::cls_CoreFileSystem::BASENAME(OwnFile());
    const std::string id = IdOfClass(base);
    if (id.empty() || base.size() + 1 > kNameRoom) return;  // the component as it is built
    std::strcpy(gName, base.c_str());
    std::strcpy(gDriverClass, ("cls_Line_" + id).c_str());
    std::strcpy(gInfoClass, ("inf_Line_" + id).c_str());
    try {
        const std::string version =
            ReadDescription(tlx::cls_CoreFileSystem::WITHOUTEXTENSION(OwnFile()) + ".linemeter")
                .version;
        std::int32_t parts[3] = {};
        if (std::sscanf(version.c_str(), "%d.%d.%d", &parts[0], &parts[1], &parts[2]) == 3) {
            gVersion.major = parts[0];
            gVersion.minor = parts[1];
            gVersion.revision = parts[2];
        }
    } catch (const std::exception&) {
        // A description that is refused: creating the driver says why.
    }
}

// The description of this component's driver, beside its file.
std::string DescriptionFile() {
    return tlx::cls_CoreFileSystem::WITHOUTEXTENSION(OwnFile()) + ".linemeter";
}

int Create(const char* className, tlx::ObjectRef* out) {
    return tlx::ComponentCall([&] {
        if (tlx::EqualsNoCase(className, gDriverClass) && IdOfClass(gName).size()) {
            const std::string file = DescriptionFile();
            auto description = std::make_shared<const Description>(ReadDescription(file));
            if (DriverClass(*description) != gName) {
                throw tlx::Error("the description '" + file + "' is that of " +
                                 DriverClass(*description) + ", not of " + gName);
            }
            *out = cls_LineMeter::Create(std::move(description), file);
        } else if (tlx::EqualsNoCase(className, gInfoClass)) {
            *out = std::make_shared<inf_LineMeter>(OwnFile());
        } else if (tlx::EqualsNoCase(className, gDriverClass)) {
            throw tlx::Error(std::string("the component ") + gName +
                             " serves descriptions: install it as Vodex_Line_<ID>.so beside "
                             "Vodex_Line_<ID>.linemeter (vodex install FILE.linemeter does)");
        } else {
            throw tlx::Error(std::string("the component has no class '") + className + "'");
        }
    });
}

}  // namespace

inf_LineMeter::inf_LineMeter(const std::string& component)
    : ComInfoClass([component] {
          auto info = std::make_shared<tlx::cls_CoreComInfo>();
          info->FILL(component, "VQ\\DEVICES\\LINE", "1.0", "Devices", "Text Line Meter Device",
                     "Vodex", "9.12.2026");
          info->ICON(IconPicture("meter"));
          return info;
      }) {}

}  // namespace vodex::linemeter

extern "C" {
__attribute__((visibility("default"))) extern const tlx_component_table tlx_component_entry;
const tlx_component_table tlx_component_entry = {
    TLX_COMPONENT_ABI,
    vodex::linemeter::gName,
    vodex::linemeter::gClasses,
    &tlx::RegisterEntry<tlx_component_entry>,
    &tlx::UnregisterEntry<tlx_component_entry>,
    &vodex::linemeter::Create,
    &vodex::linemeter::gVersion,
};
}
