#include "driver_store.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sodium.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <thread>

#include "tlx/component.h"
#include "tlx/filesystem.h"
#include "tlx/paths.h"
#include "tlx/process.h"
#include "tlx/registry.h"
#include "tlx/text.h"

namespace tlx::installer {
namespace {

namespace fs = std::filesystem;

constexpr const char* kStagingPrefix = ".staging-";
constexpr auto kLockWait = std::chrono::seconds(10);
// A component that takes longer to load counts as broken; VODEX_LOAD_SECONDS (1 to 3600)
// gives a slow machine more time.
int LoadSeconds() {
    int seconds = 30;
    if (const char* text = std::getenv("VODEX_LOAD_SECONDS")) {
        int value = 0;
        const auto [end, ec] = std::from_chars(text, text + std::strlen(text), value);
        if (ec == std::errc() && *end == '\0' && value >= 1 && value <= 3600) seconds = value;
    }
    return seconds;
}

std::string Random6() {
    static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string s;
    for (int i = 0; i < 6; ++i)
        s += kDigits[randombytes_uniform(sizeof kDigits - 1)];
    return s;
}

std::string Value(const std::string& name) {
    return cls_CoreRegistry().READTEXT(HKEY_LOCAL_MACHINE, std::string(kDevicesKey) + "\\" + name);
}

}  // namespace

InstallerLock::InstallerLock() {
    std::error_code ec;
    fs::create_directories(DriverFolder(), ec);
    if (ec)
        throw Error("the driver folder cannot be made: " + DriverFolder() + ": " + ec.message());
    // Not closed on exec: the programs the installer runs hold the lock with it, so one that
    // outlives a stopped installer still keeps the next installer waiting until it ends.
    const std::string file = DriverFolder() + "/.installer.lock";
    fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW, 0644);
    if (fd_ < 0)
        throw Error("the driver folder cannot be used: " + file + ": " + std::strerror(errno));
    const auto until = std::chrono::steady_clock::now() + kLockWait;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        if (std::chrono::steady_clock::now() > until) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // another installer works
    }
}

InstallerLock::~InstallerLock() {
    if (fd_ >= 0) ::close(fd_);
}

std::string NewStagingFolder() {
    for (;;) {
        const std::string folder = DriverFolder() + "/" + kStagingPrefix + Random6();
        if (fs::create_directory(folder)) return folder;
    }
}

std::string NewPackageFolder(const std::string& driverClass, const std::string& version) {
    for (;;) {
        const std::string folder =
            DriverFolder() + "/" + driverClass + "-" + version + "-" + Random6();
        if (!fs::exists(fs::symlink_status(folder))) return folder;
    }
}

namespace {

// A package folder's name, "<class>-<version>-<random>"; other folders are not the installer's.
bool IsPackageFolderName(const std::string& name) {
    const std::size_t dash = name.rfind('-');
    return dash != std::string::npos && dash + 7 == name.size() && name.find('-') < dash &&
           name.front() != '.' &&
           std::all_of(name.begin() + static_cast<long>(dash) + 1, name.end(),
                       [](char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'); });
}

// `path` as the file system names it, so that two spellings of one folder compare equal.
fs::path Canonical(const fs::path& path) {
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(path, ec);
    return ec ? path.lexically_normal() : canonical;
}

}  // namespace

std::string PackageFolderOf(const std::string& component) {
    const fs::path folder = Canonical(fs::path(component).parent_path());
    if (folder.parent_path() != Canonical(DriverFolder())) return {};
    if (!IsPackageFolderName(folder.filename().string())) return {};
    return folder.string();
}

void RemoveLeftovers() {
    // Folders that a driver value or a registration of a component still names are in use.
    std::set<fs::path> used;
    cls_CoreRegistry registry;
    for (const char* key : {kDevicesKey, kComponentsKey}) {
        for (const std::string& name : registry.VALUENAMES(HKEY_LOCAL_MACHINE, key)) {
            const std::string file =
                registry.READTEXT(HKEY_LOCAL_MACHINE, std::string(key) + "\\" + name);
            if (!file.empty()) used.insert(Canonical(fs::path(file).parent_path()));
        }
    }
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(DriverFolder(), ec)) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_directory(ec) || entry.is_symlink(ec)) continue;
        const bool staging = name.starts_with(kStagingPrefix);
        if (staging || (IsPackageFolderName(name) && !used.count(Canonical(entry.path())))) {
            fs::remove_all(entry.path(), ec);
        }
    }
}

std::string ComponentOf(const std::string& driverClass) {
    return Value(driverClass);
}

std::string ProductOf(const std::string& driverClass) {
    return Value(driverClass + ".msi");
}

std::vector<std::string> ClassesOfProduct(const std::string& productCode) {
    std::vector<std::string> classes;
    cls_CoreRegistry registry;
    for (const std::string& name : registry.VALUENAMES(HKEY_LOCAL_MACHINE, kDevicesKey)) {
        if (name.find('.') != std::string::npos) continue;
        if (UCase(Trim(ProductOf(name))) == UCase(productCode)) classes.push_back(name);
    }
    return classes;
}

std::vector<ValueChange> DriverValues(const std::string& driverClass, const std::string& component,
                                      const std::string& productCode) {
    const std::string key = std::string(kDevicesKey) + "\\" + driverClass;
    if (component.empty()) return {{key, {}}, {key + ".msi", {}}, {key + ".Disabled", {}}};
    return {{key + ".msi", productCode}, {key, component}};
}

void ForgetDriver(const std::string& driverClass, const std::string& component) {
    cls_CoreRegistry registry;
    RegistryTransaction transaction(registry, HKEY_LOCAL_MACHINE);
    for (const ValueChange& change : DriverValues(driverClass, "", ""))
        registry.DELETEVALUE(HKEY_LOCAL_MACHINE, change.path);
    const std::string key = kComponentsKey;
    for (const std::string& name : registry.VALUENAMES(HKEY_LOCAL_MACHINE, key)) {
        const std::string path = key + "\\" + name;
        if (!component.empty() && registry.READTEXT(HKEY_LOCAL_MACHINE, path) == component) {
            registry.DELETEVALUE(HKEY_LOCAL_MACHINE, path);
        }
    }
    transaction.Commit();
}

std::string CheckComponent(const std::string& component, const std::string& name, bool* crashed) {
    *crashed = false;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0) return std::string("no pipe: ") + std::strerror(errno);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipe[0]);
        ::close(pipe[1]);
        return std::string("no child process: ") + std::strerror(errno);
    }
    if (child == 0) {
        ::close(pipe[0]);
        std::string why;
        try {
            const tlx_component_table& entry = LoadComponent(component);
            CheckComponentBuild(entry, component);
            if (entry.name != name) {
                why =
                    "the component calls itself '" + OneLine(entry.name) + "', not '" + name + "'";
            }
        } catch (const std::exception& e) {
            why = e.what();
        } catch (...) {
            why = "the component let an unknown error out while loading";
        }
        why = OneLine(why);
        [[maybe_unused]] const auto n = ::write(pipe[1], why.data(), why.size());
        ::_exit(why.empty() ? 0 : 1);
    }
    ::close(pipe[1]);
    std::string said;
    const int loadSeconds = LoadSeconds();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(loadSeconds);
    bool late = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            late = true;
            break;
        }
        pollfd p{pipe[0], POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) break;
        // Nothing to read yet (the time is up, or a signal came): a read now would wait for a
        // component that hangs while loading, past the limit.
        if (ready <= 0) continue;
        char buffer[512];
        const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
        if (n > 0 && said.size() < 4096) said.append(buffer, static_cast<std::size_t>(n));
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) break;
    }
    ::close(pipe[0]);
    if (late) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    *crashed = late || WIFSIGNALED(status);
    if (late)
        return "the component did not finish loading within " + std::to_string(loadSeconds) + " s";
    if (WIFSIGNALED(status)) {
        return "the component crashed while loading (" + std::string(strsignal(WTERMSIG(status))) +
               ")";
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && said.empty()) return {};
    // A refusal always says why; a child that ended without a word was ended by the
    // component (a crash handler of its own, an exit call while loading).
    if (said.empty()) {
        *crashed = true;
        return "the component ended the program that loaded it";
    }
    return said;
}

std::string Register(const std::string& component, bool unregister,
                     const std::vector<ValueChange>& values) {
    const std::string program = cls_CoreFileSystem::SYSTEMFOLDER() + "vodex_regsvr";
    std::vector<std::string> words{program, "/s"};
    if (unregister) words.push_back("/u");
    for (const ValueChange& change : values) {
        words.push_back(change.text ? "/set" : "/unset");
        words.push_back(change.text ? change.path + "=" + *change.text : change.path);
    }
    words.push_back(component);
    std::string errors;
    const int code = RunAndWait(words, &errors);
    PassOnLog(errors);
    if (code == 0) return {};
    errors = FailureSaid(errors, "vodex_regsvr");
    if (!errors.empty()) return errors;
    return code < 0 ? "the registration program could not run or ended abnormally"
                    : "the registration program failed with exit code " + std::to_string(code);
}

}  // namespace tlx::installer
