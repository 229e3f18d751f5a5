// The setup program's model: the refusals, the random generator's row, filter and search, the
// toolkit requirement, the choice of source, and a whole update from a local catalogue server
// that offers a newer balance, as a user would run it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "components.h"
#include "drives.h"
#include "running_program.h"
#include "setup_model.h"
#include "tlx/dialogs.h"
#include "tlx/text.h"
#include "tlx/tools.h"
#include "tlx/updatetag.h"
#include "vodex/text/language.h"

namespace {

namespace fs = std::filesystem;
using vodex::setup::SetupModel;

constexpr const char* kRoot = "Software\\VQ Morvane\\VQ ReziraDovarir\\";

class Setup : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        Registry().WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kRoot) + "Devices\\Vodex_Randomizer",
                         tlx::Variant(std::string(VODEX_RANDOMIZER_COMPONENT)));
        ASSERT_EQ(vodex::test::RunProgram({VODEX_MSIEXEC, "/quiet", "/i", VODEX_BALANCE_PACKAGE})
                      .exitCode,
                  0);
        // The newer balance on a disc, and a driver that only the disc has.
        fs::create_directories(disc);
        for (const char* ext : {".msi", ".devinfo", ".tlx-udt", ".bmp"}) {
            fs::copy_file(fs::path(VODEX_BALANCE_NEXT_PACKAGE).replace_extension(ext),
                          disc / (std::string("vodex_balance") + ext));
        }
        Offer("vodex_conductivity", "Leitfähigkeit", "1.0.0", 0);
        registry->CHECK();
    }
    // A package of the disc under `base`, described as `name` in `version`.
    void Offer(const std::string& base, const std::string& name, const std::string& version,
               int needs) {
        std::ofstream(disc / (base + ".msi")) << "package";
        fs::copy_file(fs::path(VODEX_BALANCE_PACKAGE).replace_extension(".devinfo"),
                      disc / (base + ".devinfo"), fs::copy_options::overwrite_existing);
        tlx::cls_CoreUpdateTag tag;
        tag.NAME = name;
        tag.VERSION = version;
        tag.NEEDINTERFACE = needs;
        tag.WRITEDESCRIPTION((disc / (base + ".tlx-udt")).string());
    }
    // Serves web/ over HTTP on 127.0.0.1 and makes it the update server, with `catalogue`
    // ("$WEB" standing for the server's address) as its driver catalogue.
    void Serve(const std::string& catalogue) {
        server = std::make_unique<vodex::test::RunningProgram>(
            std::vector<std::string>{"/usr/bin/python3", "-u", "-m", "http.server", "0", "--bind",
                                     "127.0.0.1", "--directory", web.string()});
        const std::string said = server->Line(std::chrono::seconds(20)).value_or("");
        std::smatch port;
        ASSERT_TRUE(std::regex_search(said, port, std::regex("port (\\d+)"))) << said;
        address = "http://127.0.0.1:" + port[1].str();
        Registry().WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kRoot) + "UpdateServer",
                         tlx::Variant(address));
        fs::create_directories(web / "files" / "devices");
        std::ofstream(web / "files" / "devices" / "list.php5")
            << std::regex_replace(catalogue, std::regex("\\$WEB"), address);
    }
    std::unique_ptr<SetupModel> Open() {
        auto model =
            std::make_unique<SetupModel>(registry, std::vector<std::string>{}, disc.string());
        model->Load();
        model->WaitForInternet();
        return model;
    }
    std::int32_t RowOf(const SetupModel& model, const std::string& cls) {
        for (std::size_t i = 0; i < model.Rows().size(); ++i)
            if (tlx::UCase(model.Rows()[i].className) == tlx::UCase(cls))
                return static_cast<std::int32_t>(i);
        return -1;
    }
    std::string InstalledVersion(const SetupModel& model, const std::string& cls) {
        const std::int32_t row = RowOf(model, cls);
        return row < 0 ? "" : model.Rows()[static_cast<std::size_t>(row)].cells[3];
    }
    static tlx::cls_CoreRegistry& Registry() { return tlx::CoreTools().REGISTRY(); }

    fs::path disc = home.Path() / "disc";
    fs::path web = home.Path() / "web";
    std::string address = "http://127.0.0.1:1";  // nothing listens: no catalogue
    std::unique_ptr<vodex::test::RunningProgram> server;
    std::shared_ptr<vodex::cls_DeviceTool> registry = std::make_shared<vodex::cls_DeviceTool>();
};

TEST_F(Setup, RefusalsFilterSearchAndTheRandomGenerator) {
    Registry().WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kRoot) + "UpdateServer",
                     tlx::Variant(address));
    auto model = Open();
    dialogs->Clear();  // "Keine Internetverbindung!"
    // Nothing ticked: every action says so and changes nothing.
    model->Install(SetupModel::Newest);
    model->Install(SetupModel::FromFolder);
    model->Remove();
    ASSERT_EQ(dialogs->Count(), 3u);
    for (const auto& shown : dialogs->ShownAll())
        EXPECT_EQ(shown.text.find("Sie müssen erst einen oder mehrere Wandler"), 0u);
    EXPECT_EQ(InstalledVersion(*model, "Vodex_Balance"), "1.0.0");
    // Filters and search.
    const struct {
        SetupModel::Filter filter;
        const char* search;
        std::size_t rows;
    } views[] = {{SetupModel::ShowAll, "<Suchbegriff eingeben>", 3},
                 {SetupModel::InstalledOnly, "", 2},  // not the disc-only driver
                 {SetupModel::NewAndUpdates, "", 2},  // the newer balance and the new one
                 {SetupModel::UpdatesOnly, "", 1},
                 {SetupModel::ShowAll, "gibt es nicht", 0},
                 {SetupModel::ShowAll, "zufall", 1}};
    for (const auto& v : views) {
        model->SetFilter(v.filter);
        model->Search(v.search);
        EXPECT_EQ(model->Rows().size(), v.rows) << v.filter << " " << v.search;
    }
    // The random generator's tick cannot be taken away; removing it is refused, the balance
    // ticked with it goes.
    model->SetFilter(SetupModel::InstalledOnly);
    model->Search("");
    const std::int32_t randomizer = RowOf(*model, "Vodex_Randomizer");
    model->Check(randomizer, true);
    model->Check(randomizer, false);
    EXPECT_TRUE(model->Rows()[static_cast<std::size_t>(randomizer)].checked);
    model->Check(RowOf(*model, "Vodex_Balance"), true);
    dialogs->Clear();
    model->Remove();
    model->WaitForInternet();  // fetched again, failed again: the notice is not given twice
    ASSERT_EQ(dialogs->Count(), 2u);
    EXPECT_EQ(dialogs->ShownAll()[0].text.find("Der Zufallsgenerator kann nicht entfernt werden"),
              0u);
    const std::string removed = vodex::hLanguageText("Der Wandler Laborwaage ist entfernt.",
                                                     "The driver Laborwaage is removed.");
    EXPECT_EQ(dialogs->ShownAll()[1].text, removed);
    EXPECT_FALSE(registry->EXISTSALL("Vodex_Balance"));
    EXPECT_TRUE(registry->EXISTSALL("Vodex_Randomizer"));
    // The balance as the toolkit brings it, registered from its component without a package,
    // goes the way it came; its file stays where it was.
    ASSERT_EQ(vodex::test::RunProgram({VODEX_CLI, "install", "--quiet", VODEX_BALANCE_COMPONENT})
                  .exitCode,
              0);
    registry->CHECK();
    model->ChooseFolder(disc.string());
    model->WaitForInternet();
    model->Check(RowOf(*model, "Vodex_Balance"), true);
    dialogs->Clear();
    model->Remove();
    ASSERT_EQ(dialogs->Count(), 1u);
    EXPECT_EQ(dialogs->ShownAll()[0].text, removed);
    EXPECT_FALSE(registry->EXISTSALL("Vodex_Balance"));
    EXPECT_TRUE(fs::exists(VODEX_BALANCE_COMPONENT));
}

TEST_F(Setup, TheSourceAndTheToolkitBuildDecideWhatIsInstalled) {
    // The internet offers the balance in 1.0.5, which needs a newer toolkit; the disc has 1.0.1.
    Serve(
        "[BEGIN]\nID=VODEX_BALANCE\nMAJOR=1\nMINOR=0\nREVISION=5\nNEEDINTERFACE=9999\n"
        "DOWNLOADURL=$WEB/nowhere.msi\n[END]\n");
    auto model = Open();
    // Once the catalogue has come, the toolkit check asks; No keeps the program open.
    ASSERT_EQ(dialogs->Count(), 1u);
    EXPECT_EQ(dialogs->ShownAll()[0].title, "Update für VQ Rezira Dovarir verfügbar!");
    EXPECT_FALSE(model->Closed());
    dialogs->Clear();
    std::int32_t balance = RowOf(*model, "Vodex_Balance");
    ASSERT_GE(balance, 0);
    EXPECT_TRUE(model->Rows()[static_cast<std::size_t>(balance)].red[5]);
    // The newest is the internet's, which this toolkit cannot take: the question; No stops.
    model->Check(balance, true);
    dialogs->Answer(tlx::ID_Answer_No);
    model->Install(SetupModel::Newest);
    ASSERT_EQ(dialogs->Count(), 1u);
    EXPECT_TRUE(dialogs->ShownAll()[0].question);
    EXPECT_EQ(InstalledVersion(*model, "Vodex_Balance"), "1.0.0");
    // "Update von Datenträger" takes the disc's newer version instead.
    balance = RowOf(*model, "Vodex_Balance");
    model->Check(balance, true);
    model->Install(SetupModel::FromFolder);
    EXPECT_EQ(InstalledVersion(*model, "Vodex_Balance"), "1.0.1");
    // Now the disc's is not newer than the installed one: nothing is installed again.
    model->Check(RowOf(*model, "Vodex_Balance"), true);
    const auto before = registry->FILENAME("Vodex_Balance");
    model->Install(SetupModel::FromFolder);
    EXPECT_EQ(registry->FILENAME("Vodex_Balance"), before);
}

TEST_F(Setup, AUserUpdatesTheBalanceFromTheInternetAndRemovesIt) {
    fs::remove_all(disc);  // no disc: the internet only
    fs::create_directories(web);
    Serve(
        "[BEGIN]\nID=VODEX_BALANCE\nMAJOR=1\nMINOR=0\nREVISION=1\nDOWNLOADURL=$WEB/"
        "vodex_balance.msi\n[END]\n");
    auto model = Open();
    // Before the server has the package, the download fails and the user is told.
    model->Link(0);
    ASSERT_EQ(dialogs->Count(), 1u);
    EXPECT_EQ(dialogs->ShownAll()[0].text.rfind(
                  "Der Wandler Laborwaage konnte nicht installiert werden ('http://", 0),
              0u);  // with the download's reason
    EXPECT_EQ(InstalledVersion(*model, "Vodex_Balance"), "1.0.0");
    fs::copy_file(VODEX_BALANCE_NEXT_PACKAGE, web / "vodex_balance.msi");
    model->Link(0);  // "Alle verfügbaren Updates installieren": the balance from the server
    model->SetFilter(SetupModel::ShowAll);
    EXPECT_EQ(InstalledVersion(*model, "Vodex_Balance"), "1.0.1");
    const auto listed = vodex::test::RunProgram({VODEX_CLI, "drivers", "--json"});
    EXPECT_NE(listed.output.find("\"class\":\"Vodex_Balance\",\"name\":\"Laborwaage\","
                                 "\"manufacturer\":\"Vodex\",\"version\":\"1.0.1\""),
              std::string::npos)
        << listed.output;
    const std::string folder = fs::path(registry->FILENAME("Vodex_Balance")).parent_path();
    // Removing it leaves no file and no registry value of it behind.
    model->Check(RowOf(*model, "Vodex_Balance"), true);
    model->Remove();
    EXPECT_FALSE(fs::exists(folder));
    for (const std::string& name :
         Registry().VALUENAMES(tlx::HKEY_LOCAL_MACHINE, std::string(kRoot) + "Devices"))
        EXPECT_EQ(tlx::UCase(name).find("VODEX_BALANCE"), std::string::npos) << name;
}

}  // namespace

namespace {

TEST(SetupDrives, OnlyOpticalNetworkAndDesktopMountedMediaAreOffered) {
    const std::string table =
        "/dev/sda1 / ext4 rw 0 0\n"
        "/dev/sr0 /mnt/cd iso9660 ro 0 0\n"
        "server:/share /srv/treiber nfs4 rw 0 0\n"
        "/dev/sdb1 /media/anna/USB\\040STICK vfat rw 0 0\n"
        "/dev/sdb1 /media/anna/USB\\040STICK vfat rw 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
        "broken\n";
    EXPECT_EQ(vodex::setup::MediaFolders(table),
              (std::vector<std::string>{"/mnt/cd/", "/srv/treiber/", "/media/anna/USB STICK/"}));
}

}  // namespace
