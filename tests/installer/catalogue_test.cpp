// The driver list of the setup program: the catalogue format, the version comparison and the
// classification on the model, and the whole list through `vodex packages` with the catalogue
// served over HTTP from 127.0.0.1.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

#include "components.h"
#include "fixtures.h"
#include "running_program.h"
#include "tlx/registry.h"
#include "tlx/tools.h"
#include "tlx/updatetag.h"
#include "vodex/tools/driver_catalogue.h"

namespace {

namespace fs = std::filesystem;
using vodex::DriverCatalogue;
using vodex::DriverEntry;
using vodex::test::RunProgram;

constexpr const char* kDevices = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices";

void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

// A driver folder entry: its package, description and update description of `version`.
void Offer(const fs::path& folder, const std::string& base, const std::string& version) {
    Write(folder / (base + ".msi"), "package");
    fs::copy_file(fs::path(VODEX_BALANCE_PACKAGE).replace_extension(".devinfo"),
                  folder / (base + ".devinfo"), fs::copy_options::overwrite_existing);
    tlx::cls_CoreUpdateTag tag;
    tag.NAME = "Angebot " + base;
    tag.MANUFACTURER = "Vodex";
    tag.VERSION = version;
    tag.WRITEDESCRIPTION((folder / (base + ".tlx-udt")).string());
}

TEST(Catalogue, RecordsAreReadAsTheFormatSays) {
    DriverCatalogue list(nullptr);
    list.MergeCatalogue(
        "NAME = vorher\n[BEGIN]\r\nID=vodex_ph\r\n  name = pH-Meter 2 = neu \r\nMAJOR=1\nMINOR=10\n"
        "REVISION=0.5\nVERSION=9.9.9\nFARBE=rot\nDOWNLOADURL=http://x/files/Vodex_PH.MSI\n"
        "[END]\n[begin]\nID=kein\n[BEGIN]\nID=ohne_ende\n");
    ASSERT_EQ(list.Entries().size(), 1u);
    const DriverEntry& e = list.Entries()[0];
    EXPECT_EQ(e.ID, "VODEX_PH");
    EXPECT_EQ(e.className, "vodex_ph");
    EXPECT_EQ(e.NAME, "pH-Meter 2 = neu");
    EXPECT_EQ(e.internet.VERSION, "1.10.0");  // 0.5 rounds to even, VERSION never counts
    EXPECT_EQ(e.internet.location, "http://x/files/Vodex_PH.MSI");
    // Numbers no version can hold are held at the ends instead of overflowing.
    DriverCatalogue hostile(nullptr);
    hostile.MergeCatalogue("[BEGIN]\nID=gross\nMAJOR=1e300\nMINOR=-1e300\nREVISION=nan\n[END]\n");
    ASSERT_EQ(hostile.Entries().size(), 1u);
    EXPECT_EQ(hostile.Entries()[0].internet.VERSION, "2147483647.-2147483648.0");
}

TEST(Catalogue, VersionsCompareByNumbersAndClassifyAsTheTableSays) {
    const struct {
        const char *installed, *folder, *internet;
        bool loaded;
        const char* status;
    } cases[] = {
        {"1.9.0", "", "1.10.0", true, "Update im Internet"},
        {"1.2.0", "1.3.0", "1.3.0", true, "Update auf Datenträger"},
        {"1.2.0", "1.2.0", "1.2.0", true, "Aktuell"},
        {"1.2.1", "", "1.2", true, "Aktuell"},
        {"", "", "1.0", true, "Neu im Internet"},
        {"", "2.0", "1.0", true, "Neu auf Datenträger"},
        {"1.0.0", "", "", true, "Nicht mehr unterstützt!"},
        {"1.0.0", "", "", false, "Unbekannt"},
    };
    for (const auto& c : cases) {
        DriverEntry e;
        auto set = [](vodex::VersionRecord& r, const char* v) {
            r.VERSION = v;
            r.location = *v ? "somewhere" : "";
        };
        set(e.installed, c.installed);
        set(e.folder, c.folder);
        set(e.internet, c.internet);
        DriverCatalogue::Classify(e);
        EXPECT_EQ(DriverCatalogue::Status(e, c.loaded).text, c.status)
            << c.installed << " / " << c.folder << " / " << c.internet;
    }
    EXPECT_TRUE(DriverCatalogue::IsNewer("1.9", "1.10"));
    EXPECT_TRUE(DriverCatalogue::IsNewer("1.2", "1.2.1"));
    EXPECT_FALSE(DriverCatalogue::IsNewer("1.2.0", "1.2.0"));
}

// A component's version record is kept for each version of its file: what is read follows
// the file as it is replaced, with other bytes or the same, whether read alone or with others.
TEST(Catalogue, AKeptVersionRecordFollowsItsFile) {
    vodex::test::TempHome home;
    const std::string file = home.File("Vodex_Balance.so");
    auto place = [&](const char* component) {
        fs::copy_file(component, file, fs::copy_options::overwrite_existing);
    };
    auto version = [&] {
        tlx::cls_CoreUpdateTag tag;
        return tag.READCOMPONENT(file) ? tag.VERSION : std::string("refused");
    };
    place(VODEX_BALANCE_COMPONENT);
    EXPECT_EQ(version(), "1.0.0");
    place(VODEX_BALANCE_NEXT_COMPONENT);
    tlx::cls_CoreUpdateTag::VERIFYCOMPONENTS({file, home.File("nothing.so")});
    EXPECT_EQ(version(), "1.0.1");
    place(VODEX_BALANCE_COMPONENT);  // the same bytes as first, under a new identity
    EXPECT_EQ(version(), "1.0.0");
    std::ofstream(file, std::ios::trunc) << "no component";
    EXPECT_EQ(version(), "refused");
}

TEST(Catalogue, UpdateTagsReadComponentsAndDescriptions) {
    tlx::cls_CoreUpdateTag component;
    ASSERT_TRUE(component.READCOMPONENT(VODEX_BALANCE_COMPONENT));
    EXPECT_EQ(component.VERSION, "1.0.0");
    EXPECT_GT(component.NEEDINTERFACE, 0);
    EXPECT_FALSE(component.READCOMPONENT(VODEX_BALANCE_PACKAGE));  // no component
    tlx::cls_CoreUpdateTag description;
    ASSERT_TRUE(description.READDESCRIPTION(
        fs::path(VODEX_BALANCE_PACKAGE).replace_extension(".tlx-udt").string()));
    EXPECT_EQ(description.VERSION, component.VERSION);
    EXPECT_EQ(description.NAME, "Laborwaage");
    EXPECT_EQ(description.NEEDINTERFACE, component.NEEDINTERFACE);
    EXPECT_EQ(description.FILESIZE,
              static_cast<std::int64_t>(fs::file_size(VODEX_BALANCE_PACKAGE)));
}

class Packages : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_EQ(vodex::test::RunRegistration(VODEX_BALANCE_COMPONENT), 0);
        // Two more installed drivers, described by copies of the balance driver.
        for (const char* name : {"Vodex_Older", "Vodex_Gone"}) {
            const fs::path copy = home.Path() / "installed" / (std::string(name) + ".so");
            fs::create_directories(copy.parent_path());
            fs::copy_file(VODEX_BALANCE_COMPONENT, copy);
            fs::copy_file(fs::path(VODEX_BALANCE_PACKAGE).replace_extension(".devinfo"),
                          fs::path(copy).replace_extension(".devinfo"));
            Registry().WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + "\\" + name,
                             tlx::Variant(copy.string()));
        }
        for (const auto& [name, file] :
             {std::pair{"Vodex_Balance", VODEX_BALANCE_COMPONENT},
              std::pair{"Vodex_Randomizer", VODEX_RANDOMIZER_COMPONENT}}) {
            Registry().WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + "\\" + name,
                             tlx::Variant(std::string(file)));
        }
        Offer(home.Path() / "disc" / "cd" / "wandler", "vodex_older", "1.2.0");
        Offer(home.Path() / "disc" / "cd" / "wandler", "vodex_other", "1.0.0");
        Write(home.Path() / "web" / "files" / "devices" / "list.php5",
              "[BEGIN]\nID=Vodex_Randomizer\nMAJOR=2\nDOWNLOADURL=http://h/vodex_randomizer.msi\n"
              "[END]\n[BEGIN]\nID=VODEX_BALANCE\nMAJOR=1\nMINOR=1\n"
              "DOWNLOADURL=http://h/vodex_balance.msi\n[END]\n[BEGIN]\nID=VODEX_PH\nNAME=pH\n"
              "MAJOR=1\nMINOR=10\nDOWNLOADURL=http://h/Vodex_PH.MSI\n[END]\n");
    }
    static tlx::cls_CoreRegistry& Registry() { return tlx::CoreTools().REGISTRY(); }
    // The status of every driver that `vodex packages --json` lists, by class name.
    std::map<std::string, std::string> Statuses(const vodex::test::ProgramRun& run) {
        std::map<std::string, std::string> found;
        const std::regex entry(R"re("class":"([^"]*)".*?"status":"([^"]*)")re");
        for (std::sregex_iterator it(run.output.begin(), run.output.end(), entry), end; it != end;
             ++it) {
            found[(*it)[1]] = (*it)[2];
        }
        return found;
    }
};

TEST_F(Packages, TheListShowsEveryStatusWithAndWithoutTheCatalogueServer) {
    vodex::test::RunningProgram server({"/usr/bin/python3", "-u", "-m", "http.server", "0",
                                        "--bind", "127.0.0.1", "--directory", home.File("web")});
    const std::string said = server.Line(std::chrono::seconds(20)).value_or("");
    std::smatch port;
    ASSERT_TRUE(std::regex_search(said, port, std::regex("port (\\d+)"))) << said;
    Registry().WRITE(tlx::HKEY_LOCAL_MACHINE,
                     "Software\\VQ Morvane\\VQ ReziraDovarir\\UpdateServer",
                     tlx::Variant("http://127.0.0.1:" + port[1].str()));
    const auto run = RunProgram({VODEX_CLI, "packages", "--json", "--folder", home.File("disc")});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(Statuses(run), (std::map<std::string, std::string>{
                                 {"Vodex_Randomizer", "Aktuell"},
                                 {"Vodex_Balance", "Update im Internet"},
                                 {"Vodex_Older", "Update auf Datenträger"},
                                 {"Vodex_Gone", "Nicht mehr unterstützt!"},
                                 {"vodex_ph", "Neu im Internet"},
                                 {"vodex_other", "Neu auf Datenträger"},
                             }));
    // Nothing listens on port 1: the list is built without the catalogue.
    Registry().WRITE(tlx::HKEY_LOCAL_MACHINE,
                     "Software\\VQ Morvane\\VQ ReziraDovarir\\UpdateServer",
                     tlx::Variant("http://127.0.0.1:1"));
    const auto offline =
        RunProgram({VODEX_CLI, "packages", "--json", "--folder", home.File("disc")});
    EXPECT_EQ(offline.errors.rfind("vodex: Keine Internetverbindung! (", 0), 0u) << offline.errors;
    EXPECT_EQ(Statuses(offline)["Vodex_Gone"], "Unbekannt");
    EXPECT_EQ(Statuses(offline).count("vodex_ph"), 0u);
}

// A catalogue's texts reach the terminal escaped: the name, maker and address of a driver can
// neither clear nor retitle it, whether as escape sequences, Unicode's control characters or
// bytes that are not UTF-8.
TEST_F(Packages, CatalogueTextsCannotCommandTheTerminal) {
    Write(home.Path() / "web" / "files" / "devices" / "list.php5",
          "[BEGIN]\nID=VODEX_PH\nNAME=\x1b[2J\x1b]0;owned\x07 pH\nTEXT=\xc2\x9b"
          "31m\x9b"
          "2J\r\n"
          "MAJOR=1\nDOWNLOADURL=http://h/vodex_ph\x1b[H.msi\n[END]\n");
    Registry().WRITE(tlx::HKEY_LOCAL_MACHINE,
                     "Software\\VQ Morvane\\VQ ReziraDovarir\\UpdateServer",
                     tlx::Variant("file://" + home.File("web")));
    const auto run = RunProgram({VODEX_CLI, "packages"});
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_NE(run.output.find("\\x1b[2J\\x1b]0;owned\\x07 pH"), std::string::npos) << run.output;
    for (const char c : run.output) {
        EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\n' && c != '\t')
            << static_cast<int>(c);
    }
    // Unicode's CSI, as the text holds it and as the byte 0x9b of the code page would be.
    EXPECT_EQ(run.output.find("\xc2\x9b"), std::string::npos) << run.output;
}

}  // namespace

namespace {

// Waits (at most ten seconds) until no program runs with `argument` on its command line.
void WaitForProgramsOn(const std::string& argument) {
    for (int i = 0; i < 500; ++i) {
        bool running = false;
        for (const auto& process : fs::directory_iterator("/proc")) {
            std::ifstream in(process.path() / "cmdline", std::ios::binary);
            const std::string line((std::istreambuf_iterator<char>(in)), {});
            running |= line.find(argument) != std::string::npos;
        }
        if (!running) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The toolkit update against a local server: nothing newer, a newer build (the installer is
// started on the downloaded package), and no server at all.
TEST_F(Packages, TheToolkitUpdateStartsTheInstallerOnlyForANewerBuild) {
    const vodex::test::ScopedEnv temp("TMPDIR", home.File("").c_str());
    Write(home.File("web/files/vq.msi"), "package");
    vodex::test::RunningProgram server({"/usr/bin/python3", "-u", "-m", "http.server", "0",
                                        "--bind", "127.0.0.1", "--directory", home.File("web")});
    const std::string said = server.Line(std::chrono::seconds(20)).value_or("");
    std::smatch port;
    ASSERT_TRUE(std::regex_search(said, port, std::regex("port (\\d+)"))) << said;
    const std::string web = "http://127.0.0.1:" + port[1].str();
    tlx::cls_CoreUpdateTag installed;
    installed.BUILD = 400;
    installed.UPDATEURL = web + "/files/vq.tlx-udt";
    const struct {
        int offered;  // the build the server offers; 0: no description there
        bool started;
        const char* said;  // the start of the message
    } cases[] = {{400, false, "Sie verwenden bereits"},
                 {401, true, ""},
                 {0, false, "Die Update-Informationen konnten nicht"}};
    for (const auto& c : cases) {
        fs::remove(home.File("web/files/vq.tlx-udt"));
        if (c.offered) {
            tlx::cls_CoreUpdateTag offer;
            offer.BUILD = c.offered;
            offer.DOWNLOADURL = web + "/files/vq.msi";
            offer.WRITEDESCRIPTION(home.File("web/files/vq.tlx-udt"));
        }
        dialogs->Clear();
        EXPECT_EQ(installed.UPDATE(true, true, ""), c.started) << c.offered;
        const std::string shown = dialogs->Count() ? dialogs->ShownAll()[0].text : "";
        EXPECT_EQ(shown.substr(0, std::string(c.said).size()), c.said) << shown;
        // The downloaded package waits for the installer, in the temporary folder.
        std::vector<fs::path> packages;
        for (const auto& f : fs::directory_iterator(home.File("")))
            if (f.path().extension() == ".msi") packages.push_back(f.path());
        EXPECT_EQ(packages.size(), c.started ? 1u : 0u);
        for (const fs::path& p : packages) {
            WaitForProgramsOn(p.string());  // the started installer refuses it and ends
            fs::remove(p);
        }
    }
}

}  // namespace
