// The installer's view of the installed drivers: the driver folder with its lock, its staging
// folders and the folders of installed packages, the "Devices" values of the machine hive, and
// the programs it runs on components (the check of a component in a child process and the
// registration program).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tlx::installer {

inline constexpr const char* kDevicesKey = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices";

// Holds the installer's lock of the driver folder for its life; Held() is false when another
// installer kept it for longer than the wait.
class InstallerLock {
  public:
    InstallerLock();
    ~InstallerLock();
    InstallerLock(const InstallerLock&) = delete;
    InstallerLock& operator=(const InstallerLock&) = delete;
    bool Held() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
};

// A new, empty staging folder inside the driver folder.
std::string NewStagingFolder();
// The folder name an installed package's files get: "<class>-<version>-<random>".
std::string NewPackageFolder(const std::string& driverClass, const std::string& version);
// Removes staging folders and package folders that neither a driver value nor a component's
// registration names any more (left by an installer that was stopped), as the one holding the
// lock.
void RemoveLeftovers();
// The installer's own folder that holds `component` (a package folder directly in the driver
// folder), or "" when the component lies anywhere else: only such a folder is the installer's
// to remove, never the driver folder itself or a folder a user put a component in.
std::string PackageFolderOf(const std::string& component);

// The "Devices" values.
std::string ComponentOf(const std::string& driverClass);
std::string ProductOf(const std::string& driverClass);
// The driver classes whose ".msi" value is `productCode`.
std::vector<std::string> ClassesOfProduct(const std::string& productCode);

// A value of the machine hive to change together with a registration: written with its text,
// or removed when it has none.
struct ValueChange {
    std::string path;
    std::optional<std::string> text;
};
// What makes `driverClass` an installed driver: its ".msi" value the product code, its own
// value the component; or, with an empty `component`, what removes them.
std::vector<ValueChange> DriverValues(const std::string& driverClass, const std::string& component,
                                      const std::string& productCode);
// Removes the values of `driverClass` and every registration that names `component`, in one
// transaction: for a component that cannot unregister itself (gone, or broken).
void ForgetDriver(const std::string& driverClass, const std::string& component);

// Loads `component` in a child process and checks its entry table: that it is a component of
// this machine, named `name`, for this toolkit's build. Empty when it is; else why not, with
// `crashed` set when the child crashed or hung rather than refusing the component.
std::string CheckComponent(const std::string& component, const std::string& name, bool* crashed);
// Runs the registration program on `component` (with `unregister`, to remove it), changing
// `values` in the same transaction; empty on success, else what it said (and nothing changed).
std::string Register(const std::string& component, bool unregister = false,
                     const std::vector<ValueChange>& values = {});

}  // namespace tlx::installer
