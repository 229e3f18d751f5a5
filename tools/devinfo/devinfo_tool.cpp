// Writes a driver's description file: creates the driver from its component (without any
// registration), stores the driver's own device with SAVE beside the component, with the
// extension ".devinfo", and releases the driver.
//
//   vodex_devinfo COMPONENT CLASS
#include <cstdio>
#include <filesystem>
#include <string>

#include "tlx/component.h"
#include "tlx/dispatch.h"
#include "tlx/filesystem.h"
#include "tlx/program.h"
#include "tlx/text.h"
#include "vodex/core/device.h"

namespace {

constexpr const char* kHelp =
    "usage: vodex_devinfo COMPONENT CLASS\n"
    "  writes the description of the driver class CLASS beside the component file\n"
    "  COMPONENT, named as it with the extension .devinfo in place of its own\n";

}  // namespace

int main(int argc, char** argv) {
    if (const auto answered = tlx::AnswerHelpOrVersion(argc, argv, "vodex_devinfo", kHelp))
        return *answered;
    if (argc != 3) {
        std::fputs(kHelp, stderr);
        return 2;
    }
    // The component is loaded by its absolute path; a relative one counts from here.
    const std::string component = std::filesystem::absolute(argv[1]).lexically_normal().string();
    try {
        const tlx_component_table& entry = tlx::LoadComponent(component);
        tlx::ObjectRef driver;
        if (entry.create_object(argv[2], &driver) != 0 || !driver) {
            throw tlx::Error("the component cannot create '" + std::string(argv[2]) +
                             "': " + tlx::TakeComponentError());
        }
        auto device = tlx::GetPropertyByName(driver, "DEVICE").As<vodex::int_Device>();
        if (!device) throw tlx::Error("the driver has no device");
        device->SAVE(tlx::cls_CoreFileSystem::WITHOUTEXTENSION(component) + ".devinfo");
        device->DESTROY();
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vodex_devinfo: %s\n", tlx::OneLine(e.what()).c_str());
        return 1;
    }
}
