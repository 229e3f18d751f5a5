// The installer's view of the installed drivers: the driver folder with its lock, its staging
// folders and the folders of installed packages, the "Devices" values of the machine hive, and
// the programs it runs on components (the check of a component in a child process and the
// registration program).
#pragma once

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
void WriteDriver(const std::string& driverClass, const std::string& component,
                 const std::string& productCode);
void RemoveDriverValues(const std::string& driverClass);
void RemoveProductValue(const std::string& driverClass);

// Loads `component` in a child process and checks its entry table: that it is a component of
// this machine, named `name`, for this toolkit's build. Empty when it is; else why not, with
// `crashed` set when the child crashed or hung rather than refusing the component.
std::string CheckComponent(const std::string& component, const std::string& name, bool* crashed);
// Runs the registration program on `component` (with `unregister`, to remove it); empty on
// success, else what it said.
std::string Register(const std::string& component, bool unregister = false);

}  // namespace tlx::installer
