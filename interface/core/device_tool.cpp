#include "vodex/core/device_tool.h"

#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <utility>

#include "tlx/component.h"
#include "tlx/dialogs.h"
#include "tlx/dispatch.h"
#include "tlx/error.h"
#include "tlx/filesystem.h"
#include "tlx/log.h"
#include "tlx/process.h"
#include "tlx/text.h"
#include "tlx/tools.h"
#include "tlx/ui.h"
#include "vodex/interface_ids.h"
#include "vodex/records/resource.h"

namespace vodex {
namespace {

constexpr const char* kRegRoot = "Software\\VQ Morvane\\VQ ReziraDovarir";
constexpr const char* kRegRootDevices = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices";
constexpr const char* kUpdateServerPath = "Software\\VQ Morvane\\VQ ReziraDovarir\\UpdateServer";
constexpr const char* kDefaultUpdateServer = "https://update.vodex.invalid";
constexpr std::int32_t kMajor = VODEX_VERSION_MAJOR;
constexpr std::int32_t kMinor = VODEX_VERSION_MINOR;
constexpr std::int32_t kRevision = VODEX_VERSION_REVISION;
constexpr std::size_t kReadBuffer = 1000;

// Runs `body`, ignoring every error, as the registry does where it traps errors.
template <class F>
void Trapped(F&& body) {
    try {
        body();
    } catch (...) {
    }
}

// The path of the library's own file.
std::string LibraryFile() {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<void*>(&LibraryFile), &info) && info.dli_fname) {
        return info.dli_fname;
    }
    return {};
}

// Releases a device that the registry made only to read its description.
void Release(const std::shared_ptr<int_Device>& device) {
    if (device && device->PARENT()) device->DESTROY();
}

}  // namespace

// On the first use of an installed toolkit, the drivers it ships as built in are installed into
// this state, as `vodex install` would: "vodex/builtin-drivers" beside the library lists their
// component files (relative to the library's folder), one per line. The build tree has no such
// list, so there nothing is installed by itself. A value in the machine hive remembers that it
// was done, so a driver the user removed later does not come back.
namespace {

void InstallBuiltInDrivers() {
    namespace fs = std::filesystem;
    tlx::cls_CoreRegistry& reg = tlx::CoreTools().REGISTRY();
    const std::string done = std::string(kRegRoot) + "\\BuiltInDriversInstalled";
    const fs::path folder = fs::path(LibraryFile()).parent_path();
    std::ifstream list(folder / "vodex" / "builtin-drivers");
    if (!list || reg.READBOOL(tlx::HKEY_LOCAL_MACHINE, done, false)) return;
    // Each driver on its own: one that is refused keeps neither the others from being
    // installed nor the list from counting as done (it would be tried again at every start).
    std::string refused;
    std::string line;
    while (std::getline(list, line)) {
        line = tlx::Trim(line);
        if (line.empty() || line.front() == '#') continue;
        const std::string file = (folder / line).lexically_normal().string();
        try {
            tlx::RegisterComponent(file);
            reg.WRITE(tlx::HKEY_LOCAL_MACHINE,
                      std::string(kRegRootDevices) + "\\" + tlx::cls_CoreFileSystem::BASENAME(file),
                      tlx::Variant(file));
        } catch (const std::exception& e) {
            refused += (refused.empty() ? "" : "; ") + std::string(e.what());
        }
    }
    reg.WRITE(tlx::HKEY_LOCAL_MACHINE, done, tlx::Variant(true));
    if (!refused.empty()) throw tlx::Error("a built-in driver could not be installed: " + refused);
}

}  // namespace

cls_DeviceTool::cls_DeviceTool() {
    Trap([] { InstallBuiltInDrivers(); });
    REBUILDINDEX();
}

template <class F>
void cls_DeviceTool::Trap(F&& body) const {
    try {
        body();
        return;
    } catch (const std::exception& e) {
        lastError_ = e.what();
    } catch (...) {
        lastError_ = "an error of an unknown kind";
    }
    tlx::Log(tlx::LogLevel::Warning, "driver registry: " + lastError_);
}

std::string cls_DeviceTool::TakeLastError() {
    return std::exchange(lastError_, std::string());
}

std::int32_t cls_DeviceTool::BUILD() const {
    return tlx::ToolkitBuild();
}

std::span<const std::string_view> cls_DeviceTool::INTERFACEIDS() const {
    return iid::cls_DeviceTool;
}

std::string cls_DeviceTool::VERSION() const {
    return std::to_string(kMajor) + "." + std::to_string(kMinor) + "." + std::to_string(kRevision);
}

std::string cls_DeviceTool::REGROOT() const {
    return kRegRoot;
}
std::string cls_DeviceTool::REGROOTDEVICES() const {
    return kRegRootDevices;
}

std::string cls_DeviceTool::ProgId(const std::string& pClass) {
    const auto underscore = pClass.find('_');
    const std::string classPart =
        underscore == std::string::npos ? "Class" : "cls_" + pClass.substr(underscore + 1);
    return pClass + "." + classPart;
}

std::string cls_DeviceTool::Read(const std::string& valueName) const {
    return tlx::CoreTools().REGISTRY().READTEXT(
        tlx::HKEY_LOCAL_MACHINE, std::string(kRegRootDevices) + "\\" + valueName, "", kReadBuffer);
}

std::string cls_DeviceTool::FILENAME(const std::string& pDeviceClass) const {
    std::string file;
    Trap([&] {
        const std::string name = tlx::Trim(pDeviceClass);
        file = Read(name);
        if (file.empty()) file = Read(tlx::CoreTools().FIT(name, 25, " ", true, tlx::ID_Fit_Left));
    });
    return file;
}

std::string cls_DeviceTool::MSI(const std::string& pDeviceClass) const {
    std::string file;
    Trap([&] {
        const std::string name = tlx::Trim(pDeviceClass);
        file = Read(name + ".msi");
        if (file.empty()) {
            file = Read(tlx::CoreTools().FIT(name, 25, " ", true, tlx::ID_Fit_Left) + ".msi");
        }
    });
    return file;
}

std::string cls_DeviceTool::FILENAMEINFO(const std::string& pDeviceClass) const {
    const std::string component = FILENAME(pDeviceClass);
    // Without a component there is no information file (rather than one in the current folder).
    if (component.empty()) return {};
    return tlx::cls_CoreFileSystem::WITHOUTEXTENSION(component) + ".devinfo";
}

bool cls_DeviceTool::IsDisabled(const std::string& pDeviceClass) const {
    bool disabled = false;
    Trap([&] {
        disabled = tlx::CoreTools().REGISTRY().READBOOL(
            tlx::HKEY_LOCAL_MACHINE,
            std::string(kRegRootDevices) + "\\" + tlx::Trim(pDeviceClass) + ".Disabled", false);
    });
    return disabled;
}

std::string cls_DeviceTool::ComponentName(const std::string& entry) const {
    return tlx::cls_CoreFileSystem::BASENAME(FILENAME(entry));
}

bool cls_DeviceTool::EXISTSALL(const std::string& pDeviceClass) const {
    const std::string file = FILENAME(pDeviceClass);
    return !file.empty() && tlx::cls_CoreFileSystem().FILEEXISTS(file);
}

bool cls_DeviceTool::EXISTS(const std::string& pDeviceClass) const {
    const std::string file = FILENAME(pDeviceClass);
    return !file.empty() && !IsDisabled(pDeviceClass) && tlx::cls_CoreFileSystem().FILEEXISTS(file);
}

bool cls_DeviceTool::EXISTSDISABLED(const std::string& pDeviceClass) const {
    const std::string file = FILENAME(pDeviceClass);
    return !file.empty() && IsDisabled(pDeviceClass) && tlx::cls_CoreFileSystem().FILEEXISTS(file);
}

void cls_DeviceTool::DISABLE(const std::string& pDeviceClass) {
    if (!EXISTS(pDeviceClass)) return;
    Trap([&] {
        tlx::CoreTools().REGISTRY().WRITE(
            tlx::HKEY_LOCAL_MACHINE,
            std::string(kRegRootDevices) + "\\" + tlx::Trim(pDeviceClass) + ".Disabled",
            tlx::Variant(true));
    });
}

void cls_DeviceTool::ENABLE(const std::string& pDeviceClass) {
    if (!EXISTSALL(pDeviceClass)) return;
    Trap([&] {
        const std::string path =
            std::string(kRegRootDevices) + "\\" + tlx::Trim(pDeviceClass) + ".Disabled";
        tlx::cls_CoreRegistry& reg = tlx::CoreTools().REGISTRY();
        reg.WRITE(tlx::HKEY_LOCAL_MACHINE, path, tlx::Variant(false));
        reg.DELETEVALUE(tlx::HKEY_LOCAL_MACHINE, path);
    });
}

void cls_DeviceTool::REBUILDINDEX() {
    index_.CLEAR();
    Trap([&] {
        for (const std::string& name :
             tlx::CoreTools().REGISTRY().VALUENAMES(tlx::HKEY_LOCAL_MACHINE, kRegRootDevices)) {
            index_.ADD(name);
        }
    });
    for (std::int32_t i = index_.COUNT(); i >= 1; --i) {
        index_.Item(i, tlx::Trim(index_.Item(i)));
        if (tlx::UCase(index_.Item(i)).find('.') != std::string::npos) index_.REMOVE(i);
    }
    const tlx::cls_CoreFileSystem fs;
    for (std::int32_t i = index_.COUNT(); i >= 1; --i) {
        index_.Item(i, tlx::Trim(index_.Item(i)));
        if (!fs.FILEEXISTS(FILENAME(index_.Item(i)))) index_.REMOVE(i);
    }
}

void cls_DeviceTool::CHECK() {
    const tlx::WaitCursor waiting;  // while the index is built anew
    Resource().hCacheClear();       // what the drivers see of the ports is asked anew too
    REBUILDINDEX();
}

std::shared_ptr<tlx::cls_CoreList> cls_DeviceTool::CONTENTALL() const {
    auto list = std::make_shared<tlx::cls_CoreList>();
    list->DATA()->COPY(index_);
    return list;
}

std::shared_ptr<tlx::cls_CoreList> cls_DeviceTool::CONTENT() const {
    auto list = CONTENTALL();
    for (std::int32_t i = list->COUNT(); i >= 1; --i) {
        const std::string entry = list->Item(i);
        list->Item(i, ComponentName(entry));
        if (IsDisabled(entry)) list->REMOVE(i);
    }
    return list;
}

std::shared_ptr<tlx::cls_CoreList> cls_DeviceTool::CONTENTDISABLED() const {
    auto list = CONTENTALL();
    for (std::int32_t i = list->COUNT(); i >= 1; --i) {
        const std::string entry = list->Item(i);
        list->Item(i, ComponentName(entry));
        if (!IsDisabled(entry)) list->REMOVE(i);
    }
    return list;
}

std::shared_ptr<tlx::cls_CoreList> cls_DeviceTool::DISABLED() const {
    auto copy = CONTENTALL();
    auto disabled = std::make_shared<tlx::cls_CoreList>();
    for (std::int32_t i = copy->COUNT(); i >= 1; --i) {
        const std::string entry = tlx::Trim(copy->Item(i));
        if (IsDisabled(entry)) disabled->ADD(ComponentName(entry));
    }
    return disabled;
}

bool cls_DeviceTool::REPAIR(const std::string& pClass) {
    const std::string file = FILENAME(pClass);
    int registered = 0;
    std::string said;  // what the registration program said about a failure
    bool repaired = false;
    Trap([&] {
        // The file travels as one argument, whatever characters its path holds.
        const std::string program = tlx::cls_CoreFileSystem::SYSTEMFOLDER() + "vodex_regsvr";
        std::string ignored;
        tlx::RunAndWait(std::vector<std::string>{program, "/s", "/u", file}, &ignored);
        registered = tlx::RunAndWait(std::vector<std::string>{program, "/s", file}, &said);
        tlx::PassOnLog(said);
        const tlx::ObjectRef driver = tlx::CreateObject(ProgId(pClass));
        repaired = true;
        // Only whether it can be created counts; the driver made for that is released.
        Trapped([&] { Release(tlx::GetPropertyByName(driver, "DEVICE").As<int_Device>()); });
    });
    if (repaired) return true;
    // Why the registration failed, as the registration program said it: nothing of the
    // component runs in this program for that.
    if (registered != 0) {
        said = tlx::FailureSaid(said, "vodex_regsvr");
        lastError_ =
            !said.empty() ? said
            : registered < 0
                ? "the registration program ended abnormally with the component '" + file + "'"
                : "the registration program refused the component '" + file + "'";
    }
    return false;
}

std::shared_ptr<int_Device> cls_DeviceTool::CREATE(const std::string& pClass) {
    const std::string progId = ProgId(pClass);
    auto create = [&]() -> tlx::ObjectRef {
        tlx::ObjectRef made;
        Trap([&] { made = tlx::CreateObject(progId); });
        return made;
    };
    tlx::ObjectRef driver = create();
    if (!driver) {
        if (!REPAIR(pClass)) {
            Trapped([&] {
                tlx::CoreTools().DIALOGS().MESSAGE(
                    "Der Wandlertreiber '" + pClass +
                        "' ist defekt und kann nicht repariert werden! Installieren Sie die "
                        "Wandlertreiber neu. Sie können auch versuchen den Vorgang als "
                        "Administrator zu wiederholen. Möglicherweise kann das Programm jetzt "
                        "abstürzen.",
                    "", tlx::MessageKind::Error);
            });
            return nullptr;
        }
        driver = create();
        if (!driver) return nullptr;
    }
    std::shared_ptr<int_Device> device;
    // The device keeps its driver alive through its PARENT; the registry keeps nothing.
    Trap([&] {
        device = tlx::GetPropertyByName(driver, "DEVICE").As<int_Device>();
        if (!device) throw tlx::Error("the driver '" + pClass + "' gives no device");
    });
    return device;
}

std::shared_ptr<int_Device> cls_DeviceTool::INFO(const std::string& pClass) {
    auto name = [&pClass](int_Device& device) {
        device.DATA()->TYPENAME(pClass);
        device.INFO()->DATA()->TYPENAME(pClass + ".cls_DeviceInfo");
    };
    if (auto cached = Resource().hDeviceFind(pClass)) {
        name(*cached);
        return cached;
    }
    const std::string infoFile = FILENAMEINFO(pClass);
    const std::string component = FILENAME(pClass);
    const tlx::cls_CoreFileSystem fs;
    bool current = false;
    Trap([&] {
        current = fs.FILEEXISTS(infoFile) && fs.FILEEXISTS(component) &&
                  !(fs.FILETIME(infoFile) < fs.FILETIME(component));
    });
    if (!current) return CREATE(pClass);
    auto device = std::make_shared<int_Device>();
    try {
        device->LOAD(infoFile, "");
    } catch (...) {
        return CREATE(pClass);  // a damaged description counts as none
    }
    name(*device);
    for (std::int32_t i = 1; i <= device->PORTS()->COUNT(); ++i) {
        if (auto port = device->PORTS()->Item(i, true)) port->AVAILABLE(true);
    }
    Resource().hDeviceCache(pClass, device);
    return device;
}

std::shared_ptr<int_Device> cls_DeviceTool::SUREINFO(
    const std::shared_ptr<int_Device>& pDevice, const std::shared_ptr<int_Device>& pAltDevice) {
    if (pDevice) return pDevice;
    ERRORMESSAGE(ID_DeviceError_DeviceMissingOrBroken);
    return pAltDevice;
}

std::shared_ptr<int_Device> cls_DeviceTool::SURECREATE(
    const std::shared_ptr<int_Device>& pDevice, const std::shared_ptr<int_Device>& pAltDevice) {
    return SUREINFO(pDevice, pAltDevice);
}

void cls_DeviceTool::ERRORMESSAGE(std::int32_t /*pErrorMessage*/) {
    if (missingShown_) return;
    missingShown_ = true;
    Trapped([] {
        tlx::CoreTools().DIALOGS().MESSAGE(
            "Ein oder mehrere Wandler konnten nicht gefunden werden. Es wird statt des fehlenden "
            "Wandlers der eingebaute Zufallsgenerator verwendet. Installieren Sie ggf. das VQ "
            "Vevoza ZIR, um mit anderen Wandler arbeiten zu können.",
            "", tlx::MessageKind::Warning);
    });
}

bool cls_DeviceTool::CHECKNAME(const std::string& pDevName) {
    if (pDevName == "-") return true;
    const std::shared_ptr<int_Device> device = INFO(pDevName);
    Release(device);  // a driver made only to describe itself
    return device != nullptr;
}

std::string cls_DeviceTool::USERSELECT() {
    tlx::DialogRequest request{"frm_DeviceSelect", weak_from_this().lock(), {}, {}};
    tlx::ShowModalDialog(request);
    auto chosen = request.results.find("CLASS");
    return chosen == request.results.end() ? std::string() : chosen->second.ToText();
}

bool cls_DeviceTool::SETTINGS(const std::shared_ptr<int_Device>& pDevice, std::int32_t& rPort,
                              std::int32_t& rChannel) {
    tlx::DialogRequest request{"frm_DeviceSettings", pDevice, {}, {}};
    const bool confirmed = tlx::ShowModalDialog(request);
    auto result = [&request](const char* name) {
        auto it = request.results.find(name);
        return it == request.results.end() ? 0 : it->second.ToInt32();
    };
    rPort = result("PORT");
    rChannel = result("CHANNEL");
    return confirmed;
}

void cls_DeviceTool::OVERVIEW() {
    tlx::DialogRequest request{"frm_DeviceList", weak_from_this().lock(), {}, {}};
    tlx::ShowModalDialog(request);
}

std::shared_ptr<tlx::cls_CoreCollection> cls_DeviceTool::ShowDetection(bool logger) {
    // Without windows (a script, a server, the Python module) the search runs all the same,
    // only nothing shows it; it asks the user nothing.
    if (!tlx::WindowsShown()) {
        std::shared_ptr<cls_DeviceTool> self = weak_from_this().lock();
        if (!self) self = std::shared_ptr<cls_DeviceTool>(std::shared_ptr<cls_DeviceTool>(), this);
        auto found = windowless_ ? windowless_(self, logger) : nullptr;
        return found ? found : std::make_shared<tlx::cls_CoreCollection>();
    }
    tlx::DialogRequest request{
        "frm_DialogAutoSense", weak_from_this().lock(), {{"LOGGER", tlx::Variant(logger)}}, {}};
    if (tlx::ShowModalDialog(request)) {
        auto found = request.results.find("FOUND");
        if (found != request.results.end()) {
            if (auto collection = found->second.As<tlx::cls_CoreCollection>()) return collection;
        }
    }
    return std::make_shared<tlx::cls_CoreCollection>();
}

WindowlessDetection cls_DeviceTool::SetWindowlessDetection(WindowlessDetection pDetection) {
    return std::exchange(windowless_, std::move(pDetection));
}

std::shared_ptr<tlx::cls_CoreCollection> cls_DeviceTool::AUTOSENSE() {
    return ShowDetection(false);
}
std::shared_ptr<tlx::cls_CoreCollection> cls_DeviceTool::AUTOSENSELOGGER() {
    return ShowDetection(true);
}

void cls_DeviceTool::FILLIMAGECOMBO(const tlx::ObjectRef& pCombo, const tlx::ObjectRef& pImageList,
                                    const std::string& pPreSelect) {
    // Each control call is trapped on its own, so one failing call neither hides the other
    // drivers nor keeps a driver made only for its description.
    std::vector<tlx::Variant> none;
    Trapped([&] { tlx::InvokeByName(pCombo, "CLEAR", none); });
    Trapped([&] { tlx::InvokeByName(pImageList, "CLEAR", none); });
    Trapped([&] { tlx::SetPropertyByName(pCombo, "IMAGELIST", tlx::Variant(pImageList)); });
    std::vector<std::string> entries;
    Trapped([&] { entries = CONTENT()->ITEMS(); });
    for (const std::string& entry : entries) {
        std::shared_ptr<int_Device> device;
        Trapped([&] { device = SUREINFO(INFO(entry), nullptr); });
        if (!device) continue;
        Trapped([&] {
            const std::string key = tlx::UCase(tlx::Trim(entry));
            const auto info = device->INFO();
            std::vector<tlx::Variant> picture = {tlx::Variant(key), tlx::Variant(info->ICON())};
            Trapped([&] { tlx::InvokeByName(pImageList, "ADD", picture); });
            std::vector<tlx::Variant> item = {
                tlx::Variant(key), tlx::Variant(info->NAME() + " - " + info->MANUFACTURER()),
                tlx::Variant(key)};
            tlx::InvokeByName(pCombo, "ADD", item);
        });
        Release(device);
    }
    if (!pPreSelect.empty()) {
        Trapped([&] { tlx::SetPropertyByName(pCombo, "SELECTEDKEY", tlx::Variant(pPreSelect)); });
    }
    Trapped([&] {
        if (tlx::GetPropertyByName(pCombo, "SELECTEDINDEX").ToInt32() == 0) {
            tlx::SetPropertyByName(pCombo, "SELECTEDINDEX", tlx::Variant(1));
        }
    });
}

std::shared_ptr<tlx::cls_CorePopupMenu> cls_DeviceTool::POPUPMENU(const std::string& pSelection,
                                                                  bool pLogger) {
    std::shared_ptr<tlx::cls_CorePopupMenu>& cached = menus_[pLogger ? 1 : 0];
    const std::string selection = tlx::UCase(pSelection);
    if (cached) {
        cached->CHECKONLY(selection);
        return cached;
    }
    struct Listed {
        std::string key;
        std::string caption;
        std::string manufacturer;
        std::shared_ptr<tlx::cls_CorePicture> icon;
    };
    std::vector<Listed> listed;
    const auto content = CONTENT();
    for (const std::string& entry : content->ITEMS()) {
        const std::shared_ptr<int_Device> device = SUREINFO(INFO(entry), nullptr);
        if (!device) continue;
        const auto info = device->INFO();
        if (!pLogger || info->LOGGER()) {
            listed.push_back({tlx::UCase(tlx::Trim(entry)),
                              info->NAME() + " - " + info->MANUFACTURER(), info->MANUFACTURER(),
                              info->ICON()});
        }
        Release(device);
    }
    auto menu = std::make_shared<tlx::cls_CorePopupMenu>();
    auto add = [&selection](tlx::cls_CorePopupMenu& into, const Listed& driver) {
        into.ADD(driver.key, driver.caption, driver.icon).checked = driver.key == selection;
    };
    if (content->COUNT() < 11) {
        for (const Listed& driver : listed)
            add(*menu, driver);
    } else {
        // One sub-menu per manufacturer, in the order the manufacturers first appear.
        std::vector<std::pair<std::string, std::shared_ptr<tlx::cls_CorePopupMenu>>> makers;
        for (const Listed& driver : listed) {
            const std::string maker = tlx::UCase(tlx::Trim(driver.manufacturer));
            auto it = std::find_if(makers.begin(), makers.end(),
                                   [&maker](const auto& m) { return m.first == maker; });
            if (it == makers.end()) {
                makers.emplace_back(maker, menu->ADDSUBMENU(tlx::Trim(driver.manufacturer)));
                it = std::prev(makers.end());
            }
            add(*it->second, driver);
        }
    }
    cached = menu;
    return menu;
}

std::string cls_DeviceTool::UPDATESERVER() const {
    std::string server = kDefaultUpdateServer;
    Trapped([&] {
        const std::string configured = tlx::Trim(tlx::CoreTools().REGISTRY().READTEXT(
            tlx::HKEY_LOCAL_MACHINE, kUpdateServerPath, kDefaultUpdateServer));
        if (!configured.empty()) server = configured;  // an empty value means the default
    });
    while (server.ends_with("/"))
        server.pop_back();
    return server;
}

std::shared_ptr<tlx::cls_CoreUpdateTag> cls_DeviceTool::UPDATETAG() const {
    auto tag = std::make_shared<tlx::cls_CoreUpdateTag>();
    const std::string server = UPDATESERVER();
    tag->IDENTIFIER = "VQDEVINTERFACE";
    tag->NAME = "VQ Videda Vuderirev";
    tag->DESCRIPTION =
        "Das VQ Videda Vuderirev ist die Verbindung zwischen Programm und Wandlertreiber und wird "
        "für Messungen mit dem PC benötigt.";
    tag->REMARK = "";
    Trapped([&] {
        // The library's own file, wherever it was installed.
        const std::string file = LibraryFile();
        const tlx::cls_CoreFileSystem fs;
        if (fs.FILEEXISTS(file)) {
            tag->FILEDATE = fs.FILEDATE(file);
            tag->FILESIZE = fs.FILESIZE(file);
        }
    });
    tag->COMMENT = "Vodex Interface";
    tag->DOWNLOADURL = server + "/files/lum32se/vq_reziradovarir.msi";
    tag->INFOURL = server + "/go/vqdevice";
    tag->UPDATEURL = server + "/files/lum32se/vq_reziradovarir.xml";
    tag->MAJOR = kMajor;
    tag->MINOR = kMinor;
    tag->BUILD = BUILD();
    tag->REVISION = kRevision;
    tag->KIND = 256;
    tag->ENABLED = true;
    return tag;
}

std::shared_ptr<cls_DeviceTool> DeviceTool() {
    thread_local std::shared_ptr<cls_DeviceTool> shared;
    if (!shared) shared = std::make_shared<cls_DeviceTool>();
    return shared;
}

}  // namespace vodex
