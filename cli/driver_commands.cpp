// vodex drivers, info, enable, disable, check and install.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <type_traits>

#include "arguments.h"
#include "commands.h"
#include "json_writer.h"
#include "kept_messages.h"
#include "linemeter_command.h"
#include "tlx/codepage.h"
#include "tlx/component.h"
#include "tlx/error.h"
#include "tlx/filesystem.h"
#include "tlx/text.h"
#include "tlx/tools.h"
#include "tlx/updatetag.h"
#include "vodex/core/device_tool.h"
#include "vodex/text/language.h"
#include "vodex/tools/measuring_session.h"

namespace vodex::cli {
namespace {

std::string OneClass(const Arguments& a, const char* command) {
    if (a.Positional().size() != 1) {
        throw UsageError(std::string("'") + command + "' needs exactly one driver class name");
    }
    return a.Positional()[0];
}

// Throws the reason of an error that the registry trapped in what it just did.
void ThrowTrapped(cls_DeviceTool& tool) {
    if (std::string why = tool.TakeLastError(); !why.empty()) throw tlx::Error(why);
}

// `cls` when it names an installed driver, enabled or not.
std::string Installed(const std::string& cls) {
    const auto tool = DeviceTool();
    tool->TakeLastError();
    if (!tool->EXISTSALL(cls)) {
        ThrowTrapped(*tool);
        throw tlx::Error(DriverNotInstalledText(cls));
    }
    return cls;
}

// A device that describes `cls`, and whether the registry made a driver for it (which the
// caller then releases).
struct Described {
    std::shared_ptr<int_Device> device;
    ~Described() {
        if (device && device->PARENT()) device->DESTROY();
    }
};

// A value of a description's list, as what it is: a driver's own file may hold texts or
// flags where numbers are usual.
Json JsonValue(const tlx::Variant& v) {
    switch (v.Type()) {
        case tlx::VarType::Empty:
        case tlx::VarType::Missing:
            return nullptr;
        case tlx::VarType::Boolean:
            return v.ToBool();
        case tlx::VarType::Integer:
        case tlx::VarType::Long:
            return v.ToInt32();
        case tlx::VarType::Double:
            return v.ToDouble();
        default:
            try {
                return v.ToText();
            } catch (const std::exception&) {
                return nullptr;  // an object or a list has no text of its own
            }
    }
}

template <class List>
Json JsonList(const List& items) {
    Json out = Json::array();
    for (const auto& v : items) {
        if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::string>) {
            out.push_back(v);
        } else {
            out.push_back(JsonValue(tlx::Variant(v)));
        }
    }
    return out;
}

}  // namespace

std::string Say(const char* german, const char* english) {
    return hLanguageText(german, english);
}

std::string Shown(std::string_view text) {
    return tlx::OneLine(tlx::MendedText(text));
}

// `text` shown, filled with blanks to `width` characters (not bytes: "Ω" is one).
std::string ShownIn(std::string_view text, std::size_t width) {
    std::string shown = Shown(text);
    const auto characters =
        static_cast<std::size_t>(std::count_if(shown.begin(), shown.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    if (characters < width) shown.append(width - characters, ' ');
    return shown;
}

void Tell(const std::string& message) {
    std::fflush(stdout);  // what was written before comes first
    std::fprintf(stderr, "vodex: %s\n", Shown(message).c_str());
}

int Drivers(const Args& args) {
    const Arguments a(args, "drivers");
    if (!a.Positional().empty()) throw UsageError("'drivers' takes no further arguments");
    const auto tool = DeviceTool();
    const auto all = tool->CONTENTALL();
    ThrowTrapped(*tool);
    Json json = Json::array();
    std::vector<std::string> broken;
    {
        // Drivers installed or changed since they were last listed are checked all at once.
        std::vector<std::string> files;
        for (const std::string& cls : all->ITEMS())
            files.push_back(tool->FILENAME(cls));
        tlx::cls_CoreUpdateTag::VERIFYCOMPONENTS(files);
    }
    for (const std::string& cls : all->ITEMS()) {
        const bool active = tool->EXISTS(cls);
        if (!active && !a.Has("all")) continue;
        Described d;
        {
            const KeptMessages kept;
            d.device = tool->INFO(cls);
        }
        if (!d.device) broken.push_back(DriverBrokenText(cls, tool->TakeLastError()));
        const std::string name = d.device ? d.device->INFO()->NAME() : "";
        const std::string maker = d.device ? d.device->INFO()->MANUFACTURER() : "";
        // The installed version, from the component's version record.
        tlx::cls_CoreUpdateTag tag;
        const std::string version = tag.READCOMPONENT(tool->FILENAME(cls)) ? tag.VERSION : "";
        if (a.Has("json")) {
            json.push_back({{"class", cls},
                            {"name", name},
                            {"manufacturer", maker},
                            {"version", version},
                            {"active", active}});
        } else {
            std::printf(
                "%-24s %-28s %-20s %-10s %s\n", Shown(cls).c_str(), Shown(name).c_str(),
                Shown(maker).c_str(), Shown(version).c_str(),
                active ? Say("aktiv", "active").c_str() : Say("inaktiv", "inactive").c_str());
        }
    }
    if (a.Has("json")) std::printf("%s\n", JsonText(std::move(json)).c_str());
    // The list is whole; the drivers that cannot be used are named after it, with the reason.
    for (const std::string& message : broken)
        Tell(message);
    return broken.empty() ? 0 : 1;
}

namespace {

// A driver's description as JSON.
Json DescriptionJson(const std::string& cls, int_Device& device) {
    const auto info = device.INFO();
    const auto channels = device.CHANNELS();
    const auto ports = device.PORTS();
    Json out = {{"class", cls},
                {"name", info->NAME()},
                {"manufacturer", info->MANUFACTURER()},
                {"description", info->DESCRIPTION()},
                {"identifier", info->IDENTIFIER()},
                {"category", info->CATEGORY()},
                {"categoryText", info->CATEGORYTEXT()},
                {"infoUrl", info->INFOURL()},
                {"setupScreen", info->SETUPSCREEN()},
                {"logger", info->LOGGER()},
                {"manualWave", info->MANUALWAVE()},
                {"manualScan", info->MANUALSCAN()},
                {"autoSense", info->AUTOSENSE()},
                {"autoSenseSure", info->AUTOSENSESURE()},
                {"autoPort", info->AUTOPORT()},
                {"autoChannel", info->AUTOCHANNEL()},
                {"customSettings", info->CUSTOMSETTINGS()},
                {"comSettings", info->COMSETTINGS()},
                {"comSettingsDefault", info->COMSETTINGSDEFAULT()},
                {"setZero", info->SETZERO()},
                {"waveStart", info->WAVESTART()},
                {"waveEnd", info->WAVEEND()},
                {"waveInterval", info->WAVEINTERVAL()},
                {"waveTimeBaseScan", info->WAVETIMEBASESCAN()},
                {"waveTimeFirst", info->WAVETIMEFIRST()},
                {"waveTimeSingleValue", info->WAVETIMESINGLEVALUE()},
                {"waveTimeAutoScan", info->WAVETIMEAUTOSCAN()},
                {"comBaud", JsonList(info->COMBAUD()->ITEMS())},
                {"comParities", JsonList(info->COMPARITIES()->ITEMS())},
                {"comStopBits", JsonList(info->COMSTOPBITS()->ITEMS())},
                {"comDataBits", JsonList(info->COMDATABITS()->ITEMS())},
                {"comHandshake", JsonList(info->COMHANDSHAKE()->ITEMS())},
                {"supportedActivators", JsonList(info->SUPPORTEDACTIVATORS()->ITEMS())},
                {"image", info->IMAGE() != nullptr},
                {"icon", info->ICON() != nullptr}};
    Json channelList = Json::array();
    for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
        const auto c = channels->Item(i);
        channelList.push_back({{"id", c->ID()},
                               {"name", c->NAME()},
                               {"unit", c->SIZE()},
                               {"factor", c->FACTOR()},
                               {"offset", c->OFFSET()}});
    }
    out["channels"] = std::move(channelList);
    Json portList = Json::array();
    for (std::int32_t i = 1; i <= ports->COUNT(); ++i) {
        const auto p = ports->Item(i);
        portList.push_back({{"id", p->ID()}, {"name", p->NAME()}, {"available", p->AVAILABLE()}});
    }
    out["ports"] = std::move(portList);
    return out;
}

// A driver's description as text.
void PrintDescription(int_Device& device) {
    const auto info = device.INFO();
    const auto channels = device.CHANNELS();
    const auto ports = device.PORTS();
    std::printf("%s %s\n%s %s\n%s %s\n%s %s (%d)\n", Say("Gerät:", "Device:").c_str(),
                Shown(info->NAME()).c_str(), Say("Hersteller:", "Manufacturer:").c_str(),
                Shown(info->MANUFACTURER()).c_str(), Say("Beschreibung:", "Description:").c_str(),
                Shown(info->DESCRIPTION()).c_str(), Say("Kategorie:", "Category:").c_str(),
                Shown(info->CATEGORYTEXT()).c_str(), info->CATEGORY());
    std::printf("%s\n", Say("Kanäle:", "Channels:").c_str());
    for (std::int32_t i = 1; i <= channels->COUNT(); ++i) {
        const auto c = channels->Item(i);
        std::printf("  %3d  %s %s %s %g, %s %g\n", c->ID(), ShownIn(c->NAME(), 24).c_str(),
                    ShownIn(c->SIZE(), 6).c_str(), Say("Faktor", "factor").c_str(), c->FACTOR(),
                    Say("Versatz", "offset").c_str(), c->OFFSET());
    }
    std::printf("%s\n", Say("Anschlüsse:", "Ports:").c_str());
    for (std::int32_t i = 1; i <= ports->COUNT(); ++i) {
        const auto p = ports->Item(i);
        std::printf("  %3d  %-24s %s\n", p->ID(), Shown(p->NAME()).c_str(),
                    p->AVAILABLE() ? Say("verfügbar", "available").c_str()
                                   : Say("nicht verfügbar", "not available").c_str());
    }
}

}  // namespace

int Info(const Args& args) {
    const Arguments a(args, "info");
    const std::string cls = Installed(OneClass(a, "info"));
    const auto tool = DeviceTool();
    Described d;
    {
        const KeptMessages kept;
        d.device = tool->INFO(cls);
    }
    if (!d.device) throw tlx::Error(DriverBrokenText(cls, tool->TakeLastError()));
    if (a.Has("json")) {
        std::printf("%s\n", JsonText(DescriptionJson(cls, *d.device)).c_str());
    } else {
        PrintDescription(*d.device);
    }
    return 0;
}

int Enable(const Args& args) {
    DeviceTool()->ENABLE(Installed(OneClass(Arguments(args, "enable"), "enable")));
    ThrowTrapped(*DeviceTool());
    return 0;
}

int Disable(const Args& args) {
    DeviceTool()->DISABLE(Installed(OneClass(Arguments(args, "disable"), "disable")));
    ThrowTrapped(*DeviceTool());
    return 0;
}

int Check(const Args& args) {
    const Arguments a(args, "check");
    if (!a.Positional().empty()) throw UsageError("'check' takes no further arguments");
    const auto tool = DeviceTool();
    tool->TakeLastError();
    tool->CHECK();
    ThrowTrapped(*tool);
    std::printf("%s %d, %s %d\n", Say("Installierte Wandler:", "Installed drivers:").c_str(),
                tool->COUNTALL(), Say("davon aktiv:", "active:").c_str(), tool->COUNT());
    return 0;
}

int Install(const Args& args) {
    const Arguments a(args, "install");
    if (a.Positional().size() != 1) {
        throw UsageError("'install' needs one driver package or component file");
    }
    if (tlx::UCase(a.Positional()[0]).ends_with(".MSI")) {
        return InstallPackage(a.Positional()[0], a.Has("quiet"));
    }
    // A line meter's description is installed as the package of its driver, so that it can be
    // uninstalled like any other.
    if (IsLineMeterDescription(a.Positional()[0])) {
        const StagedLineMeter staged(a.Positional()[0]);
        const std::string folder = std::filesystem::path(staged.Component()).parent_path().string();
        Package({"--quiet", "--out", folder, a.Positional()[0]});
        return InstallPackage(
            folder + "/" + tlx::LCase(tlx::cls_CoreFileSystem::BASENAME(staged.Component())) +
                ".msi",
            a.Has("quiet"));
    }
    std::error_code ec;
    const std::string file =
        std::filesystem::absolute(a.Positional()[0], ec).lexically_normal().string();
    if (ec) throw tlx::Error("'" + a.Positional()[0] + "' cannot be found: " + ec.message());
    // The driver class name is the component's file name without folder and extension, and
    // must be the component's own name, after which it registers its classes: registering a
    // copy under another name would take them from the driver installed under its own.
    const std::string cls = tlx::cls_CoreFileSystem::BASENAME(file);
    if (const std::string own = tlx::LoadComponent(file).name; own != cls) {
        throw tlx::Error("the component file must be named after its component: " + own + ".so");
    }
    tlx::RegisterComponent(file);
    tlx::CoreTools().REGISTRY().WRITE(
        tlx::HKEY_LOCAL_MACHINE, DeviceTool()->REGROOTDEVICES() + "\\" + cls, tlx::Variant(file));
    if (!a.Has("quiet")) {
        std::printf("%s %s\n", cls.c_str(), Say("ist installiert", "is installed").c_str());
    }
    return 0;
}

}  // namespace vodex::cli
