#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <vector>

#include "driver_store.h"
#include "installer.h"
#include "tlx/component.h"
#include "tlx/package.h"
#include "tlx/paths.h"
#include "tlx/text.h"

namespace tlx::installer {
namespace {

namespace fs = std::filesystem;

// The built-in driver comes with the toolkit and is never replaced by a package.
constexpr const char* kRandomizer = "VODEX_RANDOMIZER";

void WriteNewFile(const std::string& path, const std::string& content, mode_t mode) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) throw Error("'" + path + "' cannot be written: " + std::strerror(errno));
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string why = std::strerror(errno);
            ::close(fd);
            throw Error("'" + path + "' cannot be written: " + why);
        }
        done += static_cast<std::size_t>(n);
    }
    // On the disk before the registry names it: after a power cut the registry never names a
    // component that is empty or half there.
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const std::string why = std::strerror(errno);
        ::close(fd);
        throw Error("'" + path + "' cannot be written: " + why);
    }
}

// Makes the entries of `folder` (files written, renamed or removed in it) durable.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) throw Error("'" + folder + "' cannot be opened: " + std::strerror(errno));
    const bool synced = ::fsync(fd) == 0;
    const std::string why = std::strerror(errno);
    ::close(fd);
    if (!synced) throw Error("'" + folder + "' cannot be written: " + why);
}

// The installation was asked to stop.
struct Stopped {};

// Removes `folder` when it is set; never throws.
void Discard(const std::string& folder) {
    std::error_code ignored;
    if (!folder.empty()) fs::remove_all(folder, ignored);
}

volatile std::sig_atomic_t gStop = 0;

void OnStop(int) {
    gStop = 1;
}

// Ends the installation as stopped when that was asked.
void CheckStop() {
    if (gStop) throw Stopped();
}

}  // namespace

void StopOnSignals() {
    struct sigaction action {};
    action.sa_handler = OnStop;
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

bool StopRequested() {
    return gStop != 0;
}

namespace {

// A package that is refused before anything is touched: one that would replace the random
// generator, or whose driver needs a newer toolkit.
std::optional<Outcome> Refused(const package::Manifest& m, const std::string& packageFile) {
    if (UCase(m.classes.front()) == kRandomizer) {
        return Outcome{kInvalidPackage,
                       "the package '" + packageFile +
                           "' would replace the random generator, which comes with the toolkit"};
    }
    // The manifest's claim holds as the component's own does.
    if (m.needInterface > ToolkitBuild()) {
        return Outcome{kFatal, "the package '" + packageFile +
                                   "' cannot be installed: its driver needs a newer version of "
                                   "the toolkit (build " +
                                   std::to_string(m.needInterface) + " or newer; this is build " +
                                   std::to_string(ToolkitBuild()) + ")"};
    }
    return std::nullopt;
}

// Writes the package's files into the staging folder, all with one time, so the description
// is never older than the component.
void WriteStaged(const package::Package& pkg, const std::string& staging) {
    for (const auto& [name, content] : pkg.files) {
        WriteNewFile(staging + "/" + name, content, name == pkg.manifest.component ? 0755 : 0644);
        Step("written");
    }
    const timespec now[2] = {{0, UTIME_NOW}, {0, UTIME_NOW}};
    for (const auto& f : pkg.files)
        ::utimensat(AT_FDCWD, (staging + "/" + f.first).c_str(), now, 0);
}

// The switch-over: the component's registration and the driver's values change in one
// transaction, so they name the old driver or the new one, whenever this stops.
void SwitchOver(const package::Manifest& m, const std::string& component) {
    std::vector<ValueChange> values;
    for (const std::string& c : m.classes) {
        const auto named = DriverValues(c, component, m.productCode);
        values.insert(values.end(), named.begin(), named.end());
    }
    if (const std::string refused = Register(component, false, values);
        !refused.empty() && ComponentOf(m.classes.front()) != component) {
        throw Error("the component cannot be registered: " + refused);
    }
}

// Stages, checks and moves the package's files into their folder, then switches the driver
// over. `staging` and `folder` name what is to be discarded should this stop.
Outcome Place(const package::Package& pkg, const std::string& packageFile, std::string& staging,
              std::string& folder) {
    const package::Manifest& m = pkg.manifest;
    const std::string driverClass = m.classes.front();
    const std::string old = ComponentOf(driverClass);
    CheckStop();
    RemoveLeftovers();
    Step("cleared");
    staging = NewStagingFolder();
    WriteStaged(pkg, staging);
    CheckStop();
    bool crashed = false;
    const std::string base = m.component.substr(0, m.component.rfind('.'));
    const std::string why = CheckComponent(staging + "/" + m.component, base, &crashed);
    if (!why.empty()) {
        Discard(staging);
        return {crashed ? kFatal : kInvalidPackage,
                "the package '" + packageFile + "' holds a component that is refused: " + why};
    }
    Step("checked");
    CheckStop();
    SyncFolder(staging);
    folder = NewPackageFolder(driverClass, m.version);
    fs::rename(staging, folder);
    staging.clear();
    SyncFolder(DriverFolder());
    Step("moved");
    CheckStop();
    const std::string component = folder + "/" + m.component;
    SwitchOver(m, component);
    folder.clear();  // the driver's now
    Step("switched");
    // The driver it replaced: its files go once nothing names them.
    if (const std::string oldFolder = old.empty() ? "" : PackageFolderOf(old);
        !oldFolder.empty() && oldFolder != PackageFolderOf(component)) {
        Discard(oldFolder);
    }
    Step("replaced");
    // What stopped installers left and only the replaced registration still named; the driver
    // is installed whether or not this succeeds.
    try {
        RemoveLeftovers();
    } catch (...) {
    }
    return {kSuccess, driverClass + " " + m.version + " is installed"};
}

}  // namespace

Outcome Install(const std::string& packageFile) {
    package::Package pkg;
    try {
        pkg = package::ReadPackage(packageFile);
    } catch (const package::PackageNotOpenable& e) {
        return {kNotOpenable, e.what()};
    } catch (const package::InvalidPackage& e) {
        return {kInvalidPackage, e.what()};
    }
    if (auto refused = Refused(pkg.manifest, packageFile)) return *refused;
    const InstallerLock lock;
    if (!lock.Held())
        return {kAnotherInstallation,
                "another installation is in progress; try again when it has ended"};
    Step("locked");
    std::string staging;
    std::string folder;
    try {
        return Place(pkg, packageFile, staging, folder);
    } catch (...) {
        // Nothing names the new files yet: they go, and the old driver stays as it was.
        std::string why = "the installation was stopped";
        try {
            throw;
        } catch (const Stopped&) {
        } catch (const std::exception& e) {
            why = e.what();
        }
        Discard(staging);
        Discard(folder);
        if (StopRequested()) return {kCancelled, "installing '" + packageFile + "' was stopped"};
        return {kFatal, "installing '" + packageFile + "' failed: " + why};
    }
}

}  // namespace tlx::installer
