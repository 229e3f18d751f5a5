// Driver packages on the command line: making one from a built driver, and installing and
// removing packages through the installer program.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "arguments.h"
#include "commands.h"
#include "description.h"
#include "json_writer.h"
#include "kept_messages.h"
#include "linemeter_command.h"
#include "tlx/component.h"
#include "tlx/convert.h"
#include "tlx/dialogs.h"
#include "tlx/dispatch.h"
#include "tlx/error.h"
#include "tlx/filesystem.h"
#include "tlx/package.h"
#include "tlx/process.h"
#include "tlx/text.h"
#include "tlx/updatetag.h"
#include "vodex/core/device_tool.h"
#include "vodex/tools/driver_catalogue.h"
#include "vodex/tools/measuring_session.h"

namespace vodex::cli {
namespace {

namespace fs = std::filesystem;

std::string ReadWhole(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.good() && !in.eof()) throw tlx::Error("'" + file + "' cannot be read");
    return bytes;
}

// The device of a new object of the driver class of `entry`; its driver is released by DESTROY.
std::shared_ptr<int_Device> DriverDevice(const tlx_component_table& entry) {
    const std::string name = entry.name;
    const std::size_t underscore = name.find('_');
    const std::string cls =
        underscore == std::string::npos ? "Class" : "cls_" + name.substr(underscore + 1);
    tlx::ObjectRef driver;
    if (entry.create_object(cls.c_str(), &driver) != 0 || !driver) {
        throw tlx::Error("the component cannot create its driver '" + cls +
                         "': " + tlx::TakeComponentError());
    }
    auto device = tlx::GetPropertyByName(driver, "DEVICE").As<int_Device>();
    if (!device) throw tlx::Error("the driver '" + cls + "' has no device");
    return device;
}

// Runs the installer program with `words` after its name, passing on its messages; its exit
// code as vodex's (0, or 1 on failure).
int RunInstaller(std::vector<std::string> words, bool quiet) {
    words.insert(words.begin(), tlx::cls_CoreFileSystem::SYSTEMFOLDER() + "vodex_msiexec");
    if (quiet) words.insert(words.begin() + 1, "/quiet");
    std::string errors;
    const int code = tlx::RunAndWait(words, &errors);
    tlx::PassOnLog(errors);
    if (code == 0) return 0;
    // The installer names its whole code at the end of its line.
    if (const std::string said = tlx::FailureSaid(errors, "vodex_msiexec"); !said.empty()) {
        throw tlx::Error(said);
    }
    throw tlx::Error(Say("Das Installationsprogramm ist gescheitert", "The installer failed") +
                     (code < 0 ? std::string() : " (" + std::to_string(1536 + code) + ")"));
}

}  // namespace

int Package(const Args& args) {
    const Arguments a(args, "package");
    if (a.Positional().size() != 1) {
        throw UsageError("'package' needs one component file or line meter description");
    }
    std::error_code ec;
    // A description of a text-line meter is packaged as its driver: the shared component under
    // the description's driver class, with the description beside it.
    std::optional<StagedLineMeter> staged;
    if (IsLineMeterDescription(a.Positional()[0])) staged.emplace(a.Positional()[0]);
    const std::string component =
        staged ? staged->Component()
               : fs::absolute(a.Positional()[0], ec).lexically_normal().string();
    if (ec || !fs::is_regular_file(component, ec))
        throw tlx::Error("'" + a.Positional()[0] + "' is no component file");
    const std::string out =
        fs::absolute(a.Value("out").value_or("."), ec).lexically_normal().string();
    fs::create_directories(out, ec);
    if (ec) throw tlx::Error("the folder '" + out + "' cannot be made: " + ec.message());

    const tlx_component_table& entry = tlx::LoadComponent(component);
    const std::string cls = entry.name;
    if (tlx::cls_CoreFileSystem::BASENAME(component) != cls) {
        throw tlx::Error("the component file must be named after its component: " + cls + ".so");
    }
    if (!entry.version) {
        throw tlx::Error("the component " + cls +
                         " carries no version record, which a driver package needs");
    }
    // The description beside the component, as the build writes it; else the driver's own.
    const std::string base = tlx::LCase(cls);
    const std::string devinfo = out + "/" + base + ".devinfo";
    const std::string beside = tlx::cls_CoreFileSystem::WITHOUTEXTENSION(component) + ".devinfo";
    const auto device = DriverDevice(entry);
    std::string name;
    tlx::cls_CoreUpdateTag tag;
    try {
        name = device->INFO()->NAME();
        tag.DESCRIPTION = device->INFO()->DESCRIPTION();
        tag.MANUFACTURER = device->INFO()->MANUFACTURER();
        // The driver's icon, which a driver folder shows beside the package.
        if (const auto icon = device->INFO()->ICON()) {
            const tlx::Bytes bmp = icon->ASBMP();
            std::ofstream(out + "/" + base + ".bmp", std::ios::binary)
                .write(reinterpret_cast<const char*>(bmp.data()),
                       static_cast<std::streamsize>(bmp.size()));
        }
        if (fs::exists(beside)) {
            fs::copy_file(beside, devinfo, fs::copy_options::overwrite_existing);
        } else {
            device->SAVE(devinfo);
        }
    } catch (...) {
        device->DESTROY();
        throw;
    }
    device->DESTROY();
    if (name.empty()) name = cls;

    tlx::package::Manifest m;
    m.productCode = tlx::package::ProductCodeFor(cls);
    m.name = name;
    const tlx_component_version& v = *entry.version;
    // A line meter's driver (made from a description, or one installed) carries its
    // description (whose version its component's version record gives).
    const std::string lineDescription =
        tlx::cls_CoreFileSystem::WITHOUTEXTENSION(component) + ".linemeter";
    const bool lineMeter = !linemeter::IdOfClass(cls).empty() && fs::exists(lineDescription, ec);
    m.version =
        std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
    m.needInterface = v.lowest_build;
    m.component = cls + ".so";
    m.classes = {cls};
    const std::string package = out + "/" + base + ".msi";
    std::vector<std::pair<std::string, std::string>> files = {
        {m.component, ReadWhole(component)}, {cls + ".devinfo", ReadWhole(devinfo)}};
    if (lineMeter) files.emplace_back(cls + ".linemeter", ReadWhole(lineDescription));
    tlx::package::WritePackage(package, m, files);
    // The update description that a driver folder offers the package with.
    tag.IDENTIFIER = tlx::UCase(cls);
    tag.NAME = name;
    tag.MAJOR = v.major;
    tag.MINOR = v.minor;
    tag.REVISION = v.revision;
    tag.VERSION = m.version;
    tag.NEEDINTERFACE = v.lowest_build;
    tag.COMMENT = v.comment ? v.comment : "";
    tag.FILEDATE = tlx::DateFromText(v.date ? v.date : "");
    tag.FILESIZE = static_cast<std::int64_t>(fs::file_size(package));
    tag.ENABLED = true;
    tag.WRITEDESCRIPTION(out + "/" + base + ".tlx-udt");
    if (!a.Has("quiet")) std::printf("%s\n", package.c_str());
    return 0;
}

int Packages(const Args& args) {
    const Arguments a(args, "packages");
    if (!a.Positional().empty()) throw UsageError("'packages' takes no further arguments");
    DriverCatalogue list(DeviceTool());
    if (auto folder = a.Value("folder")) {
        std::error_code ec;
        list.Folder(fs::absolute(*folder, ec).lexically_normal().string());
    }
    list.Fetch();
    {
        const KeptMessages kept;  // a broken driver is simply not listed
        list.Build();
    }
    if (!list.Notice().empty()) Tell(list.Notice() + " (" + list.NoticeReason() + ")");
    static constexpr const char* kSources[] = {"none", "folder", "internet"};
    auto version = [](const VersionRecord& r) {
        return r.location.empty() ? std::string() : r.VERSION.empty() ? "?" : r.VERSION;
    };
    if (a.Has("json")) {
        Json json = Json::array();
        for (const DriverEntry& e : list.Entries()) {
            auto field = [](const VersionRecord& r) -> Json {
                if (r.location.empty()) return nullptr;
                return r.VERSION;
            };
            json.push_back({{"id", e.ID},
                            {"class", e.className},
                            {"name", e.NAME},
                            {"manufacturer", e.TEXT},
                            {"status", DriverCatalogue::Status(e, list.CatalogueLoaded()).text},
                            {"installed", field(e.installed)},
                            {"folder", field(e.folder)},
                            {"internet", field(e.internet)},
                            {"best", kSources[e.bestSource]}});
        }
        std::printf("%s\n", JsonText(std::move(json)).c_str());
        return 0;
    }
    std::printf("%-22s %-24s %-24s %-10s %-10s %-10s %s\n", "Treiber/driver", "Name", "Status",
                Say("Installiert", "Installed").c_str(), Say("Ordner", "Folder").c_str(),
                "Internet", Say("Hersteller", "Maker").c_str());
    for (const DriverEntry& e : list.Entries()) {
        std::printf("%-22s %-24s %-24s %-10s %-10s %-10s %s\n", Shown(e.className).c_str(),
                    Shown(e.NAME).c_str(),
                    DriverCatalogue::Status(e, list.CatalogueLoaded()).text.c_str(),
                    Shown(version(e.installed)).c_str(), Shown(version(e.folder)).c_str(),
                    Shown(version(e.internet)).c_str(), Shown(e.TEXT).c_str());
    }
    return 0;
}

int InstallPackage(const std::string& package, bool quiet) {
    std::error_code ec;
    const std::string file = fs::absolute(package, ec).lexically_normal().string();
    return RunInstaller({"/norestart", "/passive", "/i", file}, quiet);
}

int Uninstall(const Args& args) {
    const Arguments a(args, "uninstall");
    if (a.Positional().size() != 1) throw UsageError("'uninstall' needs one driver class name");
    const std::string cls = a.Positional()[0];
    const auto tool = DeviceTool();
    if (tlx::UCase(cls) == tool->RANDOMIZERID()) {
        throw tlx::Error(
            Say("Der Zufallsgenerator gehört zum Toolkit und kann nicht deinstalliert werden",
                "The random generator belongs to the toolkit and cannot be uninstalled"));
    }
    if (!tool->EXISTSALL(cls)) throw tlx::Error(DriverNotInstalledText(cls));
    const std::string product = tool->MSI(cls);
    if (product.empty()) {
        throw tlx::Error(
            Say("Der Wandlertreiber '", "The driver '") + cls +
            Say("' wurde nicht aus einem Paket installiert", "' was not installed from a package"));
    }
    return RunInstaller({"/passive", "/x", product}, a.Has("quiet"));
}

}  // namespace vodex::cli
