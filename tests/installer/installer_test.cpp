// The installer program with real packages: the balance driver's package installed into a
// fresh home, measured and removed without a trace; hostile packages refused with nothing
// changed; and an installer killed at any moment leaving the old or the new driver working.
#include <archive.h>
#include <archive_entry.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "components.h"
#include "fixtures.h"
#include "running_program.h"
#include "tlx/component.h"
#include "tlx/package.h"
#include "tlx/paths.h"
#include "tlx/registry.h"
#include "tlx/tools.h"
#include "vodex/sim/virtual_balance.h"

namespace {

namespace fs = std::filesystem;
using vodex::test::RunProgram;

constexpr const char* kDevices = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Every file of the driver folder with its contents (the installer's lock file left out), and
// every value of the keys that installing writes.
std::map<std::string, std::string> Snapshot() {
    std::map<std::string, std::string> state;
    const fs::path folder = tlx::DriverFolder();
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.path().filename() == ".installer.lock") continue;
        state[fs::relative(e.path(), folder).string()] =
            e.is_regular_file() ? ReadFile(e.path()) : "";
    }
    tlx::cls_CoreRegistry registry;
    for (const std::string key : {kDevices, tlx::kComponentsKey}) {
        for (const std::string& name : registry.VALUENAMES(tlx::HKEY_LOCAL_MACHINE, key)) {
            state[key + "\\" + name] =
                registry.READTEXT(tlx::HKEY_LOCAL_MACHINE, key + "\\" + name);
        }
    }
    return state;
}

struct RawEntry {
    std::string name;
    std::string content;
    unsigned type = AE_IFREG;
};

// An archive written entry by entry, whatever the entries are.
void WriteRaw(const std::string& path, const std::vector<RawEntry>& entries) {
    archive* out = archive_write_new();
    archive_write_add_filter_gzip(out);
    archive_write_set_format_pax_restricted(out);
    archive_write_open_filename(out, path.c_str());
    for (const auto& e : entries) {
        archive_entry* entry = archive_entry_new();
        archive_entry_set_pathname(entry, e.name.c_str());
        archive_entry_set_filetype(entry, e.type);
        archive_entry_set_perm(entry, 0644);
        if (e.type == AE_IFLNK) archive_entry_set_symlink(entry, "/etc/passwd");
        archive_entry_set_size(entry,
                               e.type == AE_IFREG ? static_cast<la_int64_t>(e.content.size()) : 0);
        archive_write_header(out, entry);
        if (e.type == AE_IFREG) archive_write_data(out, e.content.data(), e.content.size());
        archive_entry_free(entry);
    }
    archive_write_close(out);
    archive_write_free(out);
}

// The names of what differs between two snapshots.
std::string Differences(const std::map<std::string, std::string>& a,
                        const std::map<std::string, std::string>& b) {
    std::string out;
    for (const auto& [name, content] : a) {
        auto it = b.find(name);
        if (it == b.end() || it->second != content) out += " " + name;
    }
    for (const auto& [name, content] : b) {
        if (!a.count(name)) out += " +" + name;
    }
    return out;
}

// A tar header block: POSIX, or the GNU form that sparse files use.
std::string TarHeader(const std::string& name, std::uint64_t size, char type, bool gnu = false) {
    std::string h(512, '\0');
    auto octal = [&h](std::size_t at, std::size_t width, std::uint64_t value) {
        std::snprintf(h.data() + at, width, "%0*llo", static_cast<int>(width - 1),
                      static_cast<unsigned long long>(value));
    };
    h.replace(0, name.size(), name);
    octal(100, 8, 0644);
    octal(108, 8, 0);
    octal(116, 8, 0);
    octal(124, 12, size);
    octal(136, 12, 0);
    h[156] = type;
    h.replace(257, 8,
              gnu ? std::string("ustar  \0", 8)
                  : std::string("ustar\0"
                                "00",
                                8));
    return h;
}

// Fills in the header's checksum.
std::string Summed(std::string h) {
    h.replace(148, 8, "        ");
    unsigned sum = 0;
    for (const char c : h)
        sum += static_cast<unsigned char>(c);
    std::snprintf(h.data() + 148, 8, "%06o", sum);
    return h;
}

std::string Padded(std::string data) {
    data.resize((data.size() + 511) / 512 * 512, '\0');
    return data;
}

// A gzip stream of `pieces` (a piece repeated as often as it says), written as they come.
std::string Gzip(const std::vector<std::pair<std::string, std::size_t>>& pieces) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out;
    char buffer[1 << 16];
    auto pump = [&](const std::string& data, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        z.avail_in = static_cast<uInt>(data.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
    };
    for (const auto& [piece, times] : pieces) {
        for (std::size_t i = 0; i < times; ++i)
            pump(piece, Z_NO_FLUSH);
    }
    pump("", Z_FINISH);
    deflateEnd(&z);
    return out;
}

std::string Gunzip(const std::string& data) {
    z_stream z{};
    inflateInit2(&z, 16 + MAX_WBITS);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    std::string out;
    char buffer[1 << 16];
    int r = Z_OK;
    while (r == Z_OK) {
        z.next_out = reinterpret_cast<Bytef*>(buffer);
        z.avail_out = sizeof buffer;
        r = inflate(&z, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - z.avail_out);
    }
    inflateEnd(&z);
    return out;
}

// The most address space the installer may take for a hostile package: its libraries' mappings
// (less than 64 MiB) and the 256 MiB that deciding on any package may take.
constexpr long kAddressSpaceKiB = (64 + 256) * 1024;

class Installer : public vodex::test::HomeTest {
  protected:
    void SetUp() override {
        package = tlx::package::ReadPackage(VODEX_BALANCE_PACKAGE);
        component = package.files[0].second;
    }
    // The installer's code: its exit status is the code's low byte.
    static int Msiexec(const std::vector<std::string>& args) {
        std::vector<std::string> words{VODEX_MSIEXEC, "/norestart", "/passive"};
        words.insert(words.end(), args.begin(), args.end());
        const int status = RunProgram(words).exitCode;
        return status > 0 ? 1536 + status : status;
    }
    // A package of the balance driver with other files or another version.
    std::string Variant(const std::string& name, const std::string& version,
                        std::vector<std::pair<std::string, std::string>> files) {
        tlx::package::Manifest m = package.manifest;
        m.version = version;
        const std::string path = home.File(name);
        tlx::package::WritePackage(path, m, files);
        return path;
    }
    // The installer as a hostile package meets it: with its address space limited to what the
    // toolkit's libraries and the largest package need (not under the sanitizers, whose shadow
    // memory takes more), and given up on after half a minute (exit code -1).
    static vodex::test::ProgramRun Bounded(const std::vector<std::string>& args) {
#ifdef __SANITIZE_ADDRESS__
        const std::string limit;
#else
        const std::string limit = "ulimit -v " + std::to_string(kAddressSpaceKiB) + " && ";
#endif
        std::vector<std::string> words{"/bin/sh", "-c", limit + "exec \"$0\" /passive \"$@\"",
                                       VODEX_MSIEXEC};
        words.insert(words.end(), args.begin(), args.end());
        vodex::test::RunningProgram running(words);
        vodex::test::ProgramRun run;
        run.exitCode = running.Wait(std::chrono::seconds(30));
        run.errors = running.Errors();
        return run;
    }
    std::string Component() const {
        return tlx::CoreTools().REGISTRY().READTEXT(tlx::HKEY_LOCAL_MACHINE,
                                                    std::string(kDevices) + "\\Vodex_Balance");
    }
    tlx::package::Package package;
    std::string component;
};

TEST_F(Installer, TheBalancePackageInstallsMeasuresAndLeavesNothingBehind) {
    fs::create_directories(tlx::DriverFolder());
    const auto before = Snapshot();
    ASSERT_EQ(Msiexec({"/i", VODEX_BALANCE_PACKAGE}), 0);
    EXPECT_EQ(RunProgram({VODEX_CLI, "drivers"}).output.substr(0, 13), "Vodex_Balance");
    vodex::sim::VirtualBalance balance{{.link = home.File("waage"), .weight = 42.5}};
    ASSERT_EQ(RunProgram({VODEX_CLI, "ports", "set", "3", balance.Path()}).exitCode, 0);
    const auto measured =
        RunProgram({VODEX_CLI, "measure", "Vodex_Balance", "--port", "3", "--cycles", "1"});
    EXPECT_EQ(measured.exitCode, 0) << measured.errors;
    EXPECT_NE(measured.output.find("42.5"), std::string::npos) << measured.output;
    ASSERT_EQ(RunProgram({VODEX_CLI, "ports", "reset", "3"}).exitCode, 0);
    // /x takes the product code that installing wrote, /uninstall takes the package.
    const std::string product = tlx::CoreTools().REGISTRY().READTEXT(
        tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + "\\Vodex_Balance.msi");
    EXPECT_EQ(product, package.manifest.productCode);
    ASSERT_EQ(Msiexec({"/x", product}), 0);
    EXPECT_EQ(Differences(before, Snapshot()), "");
    EXPECT_EQ(Msiexec({"/x", product}), 1605);
    ASSERT_EQ(Msiexec({"/i", VODEX_BALANCE_PACKAGE}), 0);
    EXPECT_EQ(Msiexec({"/uninstall", VODEX_BALANCE_PACKAGE}), 0);
    EXPECT_EQ(Component(), "");
    // The command line runs the installer; the random generator stays whatever is asked.
    EXPECT_EQ(RunProgram({VODEX_CLI, "install", VODEX_BALANCE_PACKAGE}).exitCode, 0);
    EXPECT_EQ(RunProgram({VODEX_CLI, "uninstall", "Vodex_Balance"}).exitCode, 0);
    EXPECT_EQ(Differences(before, Snapshot()), "");
    EXPECT_EQ(RunProgram({VODEX_CLI, "uninstall", "Vodex_Randomizer"}).exitCode, 1);
    // A driver whose component is gone cannot unregister itself: its registration goes all
    // the same.
    ASSERT_EQ(Msiexec({"/i", VODEX_BALANCE_PACKAGE}), 0);
    fs::remove(Component());
    EXPECT_EQ(Msiexec({"/x", product}), 0);
    EXPECT_EQ(Differences(before, Snapshot()), "");
}

// A component a user registered straight from the driver folder, with the package's product
// value still there: uninstalling removes the installer's own folders only, never the driver
// folder with everything in it.
TEST_F(Installer, UninstallingRemovesOnlyTheInstallersOwnFolders) {
    ASSERT_EQ(Msiexec({"/i", VODEX_BALANCE_PACKAGE}), 0);
    const std::string loose = tlx::DriverFolder() + "/Vodex_Balance.so";
    fs::copy_file(Component(), loose);
    ASSERT_EQ(RunProgram({VODEX_CLI, "install", "--quiet", loose}).exitCode, 0);
    ASSERT_EQ(RunProgram({VODEX_CLI, "uninstall", "--quiet", "Vodex_Balance"}).exitCode, 0);
    EXPECT_TRUE(fs::exists(loose));
    // A driver folder that cannot be used fails both ways with the reason, never an abort.
    ASSERT_EQ(RunProgram({VODEX_CLI, "uninstall", "--quiet", "Vodex_Balance"}).exitCode, 1);
    fs::remove_all(tlx::DriverFolder());
    std::ofstream(tlx::DriverFolder()) << "a file where the folder belongs";
    for (const char* action : {"/i", "/x"}) {
        const auto run = RunProgram({VODEX_MSIEXEC, "/passive", action, VODEX_BALANCE_PACKAGE});
        EXPECT_EQ(run.exitCode, 1603 & 0xff) << action << ": " << run.errors;
        EXPECT_NE(run.errors.find("driver folder"), std::string::npos) << run.errors;
    }
}

TEST_F(Installer, HostilePackagesAreRefusedAndChangeNothing) {
    ASSERT_EQ(Msiexec({"/i", VODEX_BALANCE_PACKAGE}), 0);
    const std::string manifest = package.manifest.Text();
    const std::string whole = ReadFile(VODEX_BALANCE_PACKAGE);
    auto raw = [&](const char* name, std::vector<RawEntry> extra) {
        std::vector<RawEntry> entries{{"MANIFEST", manifest}};
        for (const auto& [file, content] : package.files)
            entries.push_back({file, content});
        entries.insert(entries.end(), extra.begin(), extra.end());
        WriteRaw(home.File(name), entries);
        return home.File(name);
    };
    auto bytes = [&](const char* name, const std::string& content) {
        std::ofstream(home.File(name), std::ios::binary) << content;
        return home.File(name);
    };
    const struct {
        std::string package;
        int code;
    } cases[] = {
        {raw("traversal.msi", {{"../escaped", "x"}}), 1620},
        {raw("absolute.msi", {{"/tmp/escaped", "x"}}), 1620},
        {raw("link.msi", {{"passwd", "", AE_IFLNK}}), 1620},
        {raw("device.msi", {{"null", "", AE_IFCHR}}), 1620},
        {raw("unlisted.msi", {{"README", "not in the manifest"}}), 1620},
        {[&] {  // a file larger than the manifest says
             std::vector<RawEntry> entries{{"MANIFEST", manifest}};
             entries.push_back({package.files[0].first, package.files[0].second + "more"});
             WriteRaw(home.File("oversize.msi"), entries);
             return home.File("oversize.msi");
         }(),
         1620},
        {[&] {  // a component named so that its class would clash with the installer's values
             tlx::package::Manifest m = package.manifest;
             const std::string plain = m.component;
             m.component = "Vodex_Balance.msi.so";
             m.classes = {"Vodex_Balance.msi"};
             std::vector<RawEntry> entries{{"MANIFEST", ""}};
             for (auto& f : m.files)
                 f.name = f.name == plain ? m.component : f.name;
             entries[0].content = m.Text();
             for (const auto& [file, content] : package.files)
                 entries.push_back({file == plain ? m.component : file, content});
             WriteRaw(home.File("dotted.msi"), entries);
             return home.File("dotted.msi");
         }(),
         1620},
        {bytes("truncated.msi", whole.substr(0, whole.size() / 2)), 1620},
        // Cut short by a few bytes, as an interrupted download leaves it: its gzip end lacks.
        {bytes("cut1.msi", whole.substr(0, whole.size() - 1)), 1620},
        {bytes("cut2.msi", whole.substr(0, whole.size() - 2)), 1620},
        {bytes("cut4.msi", whole.substr(0, whole.size() - 4)), 1620},
        {bytes("cut7.msi", whole.substr(0, whole.size() - 7)), 1620},
        {bytes("cut8.msi", whole.substr(0, whole.size() - 8)), 1620},
        {bytes("uncompressed.msi", Gunzip(whole)), 1620},
        // A sparse file of 2^40 bytes whose map goes on for 300 MB once unpacked.
        {bytes("sparse.msi",
               [&] {
                   std::string sparse = TarHeader(package.files[0].first, 0, 'S', true);
                   const std::string empty("00000000000\0", 12);  // an offset or a length
                   for (std::size_t at = 386; at < 482; at += 12)
                       sparse.replace(at, 12, empty);
                   sparse[482] = 1;  // its map goes on in the blocks that follow
                   sparse[483] = static_cast<char>(0x80);  // the size in base 256: 2^40
                   sparse[483 + 6] = 1;
                   std::string more(512, '\0');
                   for (std::size_t at = 0; at < 504; at += 12)
                       more.replace(at, 12, empty);
                   more[504] = 1;
                   std::string blocks;
                   for (int i = 0; i < 64; ++i)
                       blocks += more;
                   return Gzip({{Summed(TarHeader("MANIFEST", manifest.size(), '0')) +
                                     Padded(manifest) + Summed(sparse),
                                 1},
                                {blocks, 9000}});
               }()),
         1620},
        // Ten thousand extension headers for one entry.
        {bytes("extended.msi",
               [&] {
                   const std::string body = " path=" + package.files[0].first + "\n";
                   const std::string record = std::to_string(body.size() + 2) + body;
                   return Gzip(
                       {{Summed(TarHeader("MANIFEST", manifest.size(), '0')) + Padded(manifest), 1},
                        {Summed(TarHeader("PaxHeader", record.size(), 'x')) + Padded(record),
                         10000},
                        {std::string(1024, '\0'), 1}});
               }()),
         1620},
        {bytes("garbage.msi", std::string(4096, 'x')), 1620},
        {Variant("no_entry_table.msi", "2.0.0",
                 {{"Vodex_Balance.so", ReadFile(VODEX_NOT_A_COMPONENT)}}),
         1620},
        {Variant("crashing.msi", "2.0.0",
                 {{"Vodex_Balance.so", ReadFile(VODEX_CRASHING_COMPONENT)}}),
         1603},
        {Variant("hanging.msi", "2.0.0", {{"Vodex_Balance.so", ReadFile(VODEX_HANGING_COMPONENT)}}),
         1603},
        {home.File("missing.msi"), 1619},
        {[&] {  // a manifest that asks for a newer toolkit than its component does
             tlx::package::Manifest m = package.manifest;
             m.needInterface = 999999;
             tlx::package::WritePackage(home.File("future.msi"), m, package.files);
             return home.File("future.msi");
         }(),
         1603},
    };
    const auto before = Snapshot();
    const vodex::test::ScopedEnv soon("VODEX_LOAD_SECONDS", "2");  // the hanging component
    for (const auto& c : cases) {
        const auto run = Bounded({"/i", c.package});
        EXPECT_EQ(run.exitCode + 1536, c.code) << c.package << ": " << run.errors;
        // One line that names the reason and the code (under the sanitizers, a component
        // that crashes in the checking child has the sanitizer's report before it).
#ifndef __SANITIZE_ADDRESS__
        EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << run.errors;
#endif
        EXPECT_TRUE(run.errors.ends_with("(" + std::to_string(c.code) + ")\n")) << run.errors;
        EXPECT_EQ(Differences(before, Snapshot()), "") << c.package;
    }
}

// The installer stopped at each of its steps in turn, killed and asked to stop (Ctrl-C), while
// it replaces an older driver and while it removes it: after every stop the old or the new
// driver is whole, with its registration, its value and its product code naming it, and the
// next installer clears what the stopped one left.
TEST_F(Installer, AnInstallerStoppedAtEachStepLeavesTheOldOrTheNewDriver) {
    tlx::package::Manifest m = package.manifest;
    m.version = "0.9.0";
    m.productCode = tlx::package::ProductCodeFor("an older balance");
    const std::string older = home.File("older.msi");
    tlx::package::WritePackage(older, m, package.files);
    auto agree = [&](const std::string& when) {
        const std::string file = Component();
        const std::string product = tlx::CoreTools().REGISTRY().READTEXT(
            tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + "\\Vodex_Balance.msi");
        EXPECT_EQ(tlx::RegisteredFile("Vodex_Balance.cls_Balance"), file) << when;
        if (file.empty()) {
            EXPECT_EQ(product, "") << when;
            return;
        }
        const bool old = file.find("-0.9.0-") != std::string::npos;
        EXPECT_EQ(product, old ? m.productCode : package.manifest.productCode) << when;
        EXPECT_TRUE(ReadFile(file) == component) << when << ": " << file;
        EXPECT_TRUE(fs::exists(fs::path(file).replace_extension(".devinfo"))) << when;
    };
    const struct {
        std::vector<std::string> args;
        std::size_t leastSteps;
    } actions[] = {{{"/i", VODEX_BALANCE_PACKAGE}, 7}, {{"/x", m.productCode}, 3}};
    for (const auto& action : actions) {
        for (const int signal : {SIGKILL, SIGTERM}) {
            std::size_t step = 1;
            for (;; ++step) {
                ASSERT_EQ(Msiexec({"/i", older}), 0);
                const std::string stop = std::to_string(step) + ":" + std::to_string(signal);
                const vodex::test::ScopedEnv at("VODEX_STOP_AT_STEP", stop.c_str());
                std::vector<std::string> words{VODEX_MSIEXEC_STEPS, "/quiet"};
                words.insert(words.end(), action.args.begin(), action.args.end());
                const auto run = RunProgram(words);
                const std::string when = action.args[0] + " stopped at " + stop + ": " + run.errors;
                if (run.errors.find("stopped at step") == std::string::npos) {
                    EXPECT_EQ(run.exitCode, 0) << when;  // no step left to stop at
                    break;
                }
                agree(when);
                if (signal == SIGTERM && run.exitCode != 0) {
                    // Stopped before the switch-over: the old driver, as it was.
                    EXPECT_EQ(run.exitCode + 1536, 1602) << when;
                    EXPECT_NE(Component().find("-0.9.0-"), std::string::npos) << when;
                }
                ASSERT_EQ(Msiexec({"/i", VODEX_BALANCE_PACKAGE}), 0) << when;
                std::size_t folders = 0;
                for (const auto& e : fs::directory_iterator(tlx::DriverFolder()))
                    folders += e.is_directory();
                EXPECT_EQ(folders, 1u) << when;
                agree(when + ", then installed");
            }
            EXPECT_GE(step, action.leastSteps) << action.args[0];
        }
    }
    // The driver the last of the installers leaves measures.
    ASSERT_EQ(Msiexec({"/i", VODEX_BALANCE_PACKAGE}), 0);
    vodex::sim::VirtualBalance balance{{.link = home.File("waage"), .weight = 7.0}};
    ASSERT_EQ(RunProgram({VODEX_CLI, "ports", "set", "3", balance.Path()}).exitCode, 0);
    EXPECT_EQ(RunProgram({VODEX_CLI, "measure", "Vodex_Balance", "--port", "3", "--cycles", "1"})
                  .exitCode,
              0);
}

}  // namespace

namespace {

// A package of the toolkit itself goes to the system's package tool, found in PATH (here a
// script that keeps its arguments, behind a consent program that only runs what it is given),
// which decides the outcome.
TEST_F(Installer, AToolkitPackageGoesToTheSystemsPackageTool) {
    const std::string toolkit = home.File("vodex-update.msi");
    std::ofstream(toolkit, std::ios::binary) << "!<arch>\ndebian-binary   0 0 0 100644 4 `\n2.0\n";
    for (const int answer : {0, 3}) {
        const std::string tool = home.File("apt-get");
        std::ofstream(tool) << "#!/bin/sh\necho \"$@\" > '" << home.File("said") << "'\n"
                            << "test -L \"$3\" || exit 9\n"
                            // the link's folder is this user's alone, not the shared /tmp
                            << "test \"$(stat -c %a \"$(dirname \"$3\")\")\" = 700 || exit 9\n"
                            << "exit " << answer << "\n";
        const std::string consent = home.File("pkexec");
        std::ofstream(consent) << "#!/bin/sh\nexec \"$@\"\n";
        for (const std::string& program : {tool, consent})
            ::chmod(program.c_str(), 0755);
        const std::string path = home.File("") + ":" + std::getenv("PATH");
        const vodex::test::ScopedEnv tools("PATH", path.c_str());
        const auto run = RunProgram({VODEX_MSIEXEC, "/quiet", "/i", toolkit});
        EXPECT_EQ(run.exitCode, answer == 0 ? 0 : 1603 & 0xff) << run.errors;
        std::ifstream said(home.File("said"));
        std::string line;
        std::getline(said, line);
        EXPECT_TRUE(line.starts_with("install -y ") && line.ends_with(".deb")) << line;
        EXPECT_FALSE(fs::exists(fs::path(line.substr(11)).parent_path())) << line;
    }
}

}  // namespace
