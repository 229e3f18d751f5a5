#include <filesystem>

#include "driver_store.h"
#include "installer.h"
#include "tlx/package.h"
#include "tlx/text.h"

namespace tlx::installer {

Outcome Uninstall(const std::string& productOrPackage) {
    std::string code = Trim(productOrPackage);
    if (!package::IsProductCode(code)) {
        // A package: the product it installs.
        try {
            code = package::ReadPackage(productOrPackage).manifest.productCode;
        } catch (const package::PackageNotOpenable& e) {
            return {kNotOpenable, std::string(e.what()) + ", and it is no product code either"};
        } catch (const package::InvalidPackage& e) {
            return {kInvalidPackage, e.what()};
        }
    }
    code = UCase(code);
    const InstallerLock lock;
    if (!lock.Held())
        return {kAnotherInstallation,
                "another installation is in progress; try again when it has ended"};
    Step("locked");
    try {
        const std::vector<std::string> classes = ClassesOfProduct(code);
        if (classes.empty())
            return {kUnknownProduct, "no installed driver has the product code " + code};
        std::string removed;
        for (const std::string& driverClass : classes) {
            const std::string component = ComponentOf(driverClass);
            // The registration and the driver's values go in one transaction: from then on
            // the driver is not installed. A component that is gone or cannot unregister
            // itself loses its values and every registration that names it all the same.
            if (component.empty() ||
                !Register(component, true, DriverValues(driverClass, "", "")).empty()) {
                ForgetDriver(driverClass, component);
            }
            Step("unregistered");
            if (const std::string folder = PackageFolderOf(component); !folder.empty()) {
                std::error_code ignored;
                std::filesystem::remove_all(folder, ignored);
            }
            Step("removed");
            removed += (removed.empty() ? "" : ", ") + driverClass;
        }
        RemoveLeftovers();
        return {kSuccess, removed + " is uninstalled"};
    } catch (const std::exception& e) {
        return {kFatal, "uninstalling " + code + " failed: " + e.what()};
    }
}

}  // namespace tlx::installer
