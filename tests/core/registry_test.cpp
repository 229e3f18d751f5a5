// The driver registry, its repair, the device manager and the entry objects, with real
// components registered in a temporary VODEX_HOME. Each case runs on a fresh thread: the
// shared registry and the device cache belong to their thread.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <typeinfo>

#include "components.h"
#include "framing.h"
#include "tlx/component.h"
#include "tlx/dispatch.h"
#include "tlx/filesystem.h"
#include "tlx/pump.h"
#include "tlx/text.h"
#include "tlx/tools.h"
#include "tlx/ui.h"
#include "vodex/core/device_dialog.h"
#include "vodex/core/sys_device.h"
#include "vodex/interface_ids.h"
#include "vodex/port/port_tools.h"
#include "vodex/port/vq_port.h"
#include "vodex/records/resource.h"

namespace {

using tlx::Variant;
using vodex::cls_DeviceTool;
using vodex::int_Device;
using vodex::test::OnFreshThread;

constexpr const char* kDevices = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\";
const std::string kBroken =
    "ist defekt und kann nicht repariert werden! Installieren Sie die Wandlertreiber neu. Sie "
    "können auch versuchen den Vorgang als Administrator zu wiederholen. Möglicherweise kann das "
    "Programm jetzt abstürzen.";
const std::string kMissing =
    "Ein oder mehrere Wandler konnten nicht gefunden werden. Es wird statt des fehlenden "
    "Wandlers der eingebaute Zufallsgenerator verwendet. Installieren Sie ggf. das VQ Vevoza ZIR, "
    "um mit anderen Wandler arbeiten zu können.";

class Registry : public vodex::test::DriverTest {
  protected:
    tlx::cls_CoreRegistry& reg = tlx::CoreTools().REGISTRY();

    // Installs a driver as a package would: its "Devices" value names its component.
    void Install(const std::string& cls, const std::string& file) {
        reg.WRITE(tlx::HKEY_LOCAL_MACHINE, kDevices + cls, Variant(file));
    }
    // The test driver, installed (its component is registered by the fixture).
    void InstallTestDriver() { Install("VODEX_TESTDRIVER", VODEX_TEST_DRIVER_COMPONENT); }
    // A copy of the test driver's component in the test's home, registered and installed: a
    // driver whose files the test may change.
    std::string InstallCopy() {
        const std::string cls = "VODEX_TESTDRIVER";
        const std::string file = home.File("Vodex_TestDriver.so");
        std::filesystem::copy_file(VODEX_TEST_DRIVER_COMPONENT, file);
        EXPECT_EQ(vodex::test::RunRegistration(file), 0);
        Install(cls, file);
        return file;
    }
    std::size_t Messages(const std::string& part) {
        std::size_t n = 0;
        for (const auto& shown : dialogs->ShownAll())
            n += shown.text.find(part) != std::string::npos;
        return n;
    }
    // Runs `body` on a fresh thread whose dialogs are this test's scripted ones.
    void Fresh(const std::function<void()>& body) {
        auto provider = tlx::cls_CoreDialogs::Provider();
        OnFreshThread([&] {
            tlx::cls_CoreDialogs::SetProvider(provider);
            body();
        });
    }
};

TEST_F(Registry, ProgrammaticIdentifiers) {
    EXPECT_EQ(cls_DeviceTool::ProgId("VODEX_RANDOMIZER"), "VODEX_RANDOMIZER.cls_RANDOMIZER");
    EXPECT_EQ(cls_DeviceTool::ProgId("ABC"), "ABC.Class");
    EXPECT_EQ(cls_DeviceTool::ProgId("A_B_C"), "A_B_C.cls_B_C");
}

TEST_F(Registry, TheIndexHoldsInstalledDriversOnly) {
    InstallTestDriver();
    Install("VODEX_RANDOMIZER", VODEX_RANDOMIZER_COMPONENT);
    Install("Gone", home.File("gone.so"));
    reg.WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + "VODEX_TESTDRIVER.msi",
              Variant("/pakete/test.msi"));
    Fresh([&] {
        cls_DeviceTool tool;
        EXPECT_EQ(tool.CONTENTALL()->ITEMS(),
                  (std::vector<std::string>{"VODEX_TESTDRIVER", "VODEX_RANDOMIZER"}));
        EXPECT_EQ(tool.CONTENT()->ITEMS(),
                  (std::vector<std::string>{"Vodex_TestDriver", "Vodex_Randomizer"}));
        EXPECT_EQ(tool.MSI("vodex_testdriver"), "/pakete/test.msi");
        EXPECT_EQ(
            tool.FILENAMEINFO("VODEX_RANDOMIZER"),
            tlx::cls_CoreFileSystem::WITHOUTEXTENSION(VODEX_RANDOMIZER_COMPONENT) + ".devinfo");
        EXPECT_FALSE(tool.EXISTSALL("Gone"));
        EXPECT_EQ(tool.FILENAME("Gone"), home.File("gone.so"));
        EXPECT_EQ(tool.FILENAMEINFO("Nothing"), "");
        // CHECK builds the index anew under the wait cursor, pending events run first.
        std::int32_t cursorWhilePumped = -1;
        tlx::SetMessagePump([&] { cursorWhilePumped = dialogs->WaitCursors(); });
        tool.CHECK();
        tlx::SetMessagePump(nullptr);
        EXPECT_EQ(cursorWhilePumped, 1);
        EXPECT_EQ(dialogs->WaitCursors(), 0);
    });
}

TEST_F(Registry, ANameIsLookedUpASecondTimeFittedTo25Characters) {
    Install(tlx::CoreTools().FIT("ALT", 25), VODEX_TEST_DRIVER_COMPONENT);
    Fresh([&] {
        cls_DeviceTool tool;
        EXPECT_EQ(tool.FILENAME("ALT"), VODEX_TEST_DRIVER_COMPONENT);
        EXPECT_TRUE(tool.EXISTSALL(" ALT "));
    });
}

TEST_F(Registry, ADriverWhoseFileWasDeleted) {
    const std::string file = InstallCopy();
    Fresh([&] {
        cls_DeviceTool tool;
        EXPECT_EQ(tool.COUNTALL(), 1);
        std::filesystem::remove(file);
        EXPECT_EQ(tool.COUNTALL(), 1);  // the index is read again only on request
        tool.REBUILDINDEX();
        EXPECT_EQ(tool.COUNTALL(), 0);
        EXPECT_FALSE(tool.EXISTSALL("VODEX_TESTDRIVER"));
        EXPECT_EQ(tool.CREATE("VODEX_TESTDRIVER"), nullptr);  // the repair cannot mend it
    });
    EXPECT_EQ(Messages("'VODEX_TESTDRIVER' " + kBroken), 1u);
}

TEST_F(Registry, ABrokenComponentThatTheRepairCannotMend) {
    // A file where a component should be: it can be registered no more than loaded.
    vodex::test::WriteBytes(home.File("Vodex_Broken.so"), "kein Programm");
    Install("VODEX_BROKEN", home.File("Vodex_Broken.so"));
    Fresh([&] {
        cls_DeviceTool tool;
        EXPECT_TRUE(tool.EXISTS("VODEX_BROKEN"));
        EXPECT_FALSE(tool.REPAIR("VODEX_BROKEN"));
        EXPECT_EQ(tool.CREATE("VODEX_BROKEN"), nullptr);
        EXPECT_FALSE(tool.CHECKNAME("VODEX_BROKEN"));
    });
    EXPECT_EQ(Messages(kBroken), 2u);
}

TEST_F(Registry, RepairRegistersAWorkingDriverAgain) {
    InstallTestDriver();
    ASSERT_EQ(vodex::test::RunRegistration(VODEX_TEST_DRIVER_COMPONENT, true), 0);
    EXPECT_EQ(tlx::RegisteredFile("Vodex_TestDriver.cls_TestDriver"), "");
    Fresh([&] {
        cls_DeviceTool tool;
        // CREATE finds no registration, repairs it, and creates the driver.
        auto device = tool.CREATE("VODEX_TESTDRIVER");
        ASSERT_TRUE(device);
        EXPECT_EQ(device->INFO()->NAME(), "Testwandler");
        device->DESTROY();
        EXPECT_TRUE(tool.REPAIR("VODEX_TESTDRIVER"));
    });
    EXPECT_EQ(tlx::RegisteredFile("Vodex_TestDriver.cls_TestDriver"), VODEX_TEST_DRIVER_COMPONENT);
    EXPECT_EQ(Messages(kBroken), 0u);
}

TEST_F(Registry, RepairHandsOverAnyPathUnchanged) {
    // Blanks, quotes and a backslash in the folder of the component.
    const std::string folder = home.File("Messplatz \"B\" \\ 2");
    std::filesystem::create_directories(folder);
    const std::string file = folder + "/Vodex_TestDriver.so";
    std::filesystem::copy_file(VODEX_TEST_DRIVER_COMPONENT, file);
    Install("VODEX_TESTDRIVER", file);
    ASSERT_EQ(vodex::test::RunRegistration(VODEX_TEST_DRIVER_COMPONENT, true), 0);
    Fresh([&] {
        cls_DeviceTool tool;
        auto device = tool.CREATE("VODEX_TESTDRIVER");  // not registered: repaired
        ASSERT_TRUE(device);
        device->DESTROY();
    });
    EXPECT_EQ(tlx::RegisteredFile("Vodex_TestDriver.cls_TestDriver"), file);
    EXPECT_EQ(Messages(kBroken), 0u);
}

TEST_F(Registry, DisabledDrivers) {
    InstallTestDriver();
    Install("VODEX_RANDOMIZER", VODEX_RANDOMIZER_COMPONENT);
    Fresh([&] {
        cls_DeviceTool tool;
        tool.DISABLE("VODEX_TESTDRIVER");
        tool.DISABLE("VODEX_RANDOMIZER");
        EXPECT_TRUE(tool.CONTENT()->ITEMS().empty());
        EXPECT_EQ(tool.CONTENTDISABLED()->COUNT(), 2);
        // In reverse index order.
        EXPECT_EQ(tool.DISABLED()->ITEMS(),
                  (std::vector<std::string>{"Vodex_Randomizer", "Vodex_TestDriver"}));
        EXPECT_FALSE(tool.EXISTS("VODEX_TESTDRIVER"));
        EXPECT_TRUE(tool.EXISTSALL("VODEX_TESTDRIVER"));
        EXPECT_TRUE(tool.EXISTSDISABLED("VODEX_TESTDRIVER"));
        EXPECT_EQ(tool.COUNTALL(), tool.COUNT() + tool.COUNTDISABLED());
        tool.ENABLE("VODEX_TESTDRIVER");
        EXPECT_TRUE(tool.EXISTS("VODEX_TESTDRIVER"));
        EXPECT_EQ(tool.CONTENT()->ITEMS(), std::vector<std::string>{"Vodex_TestDriver"});
        EXPECT_EQ(tool.COUNTALL(), tool.COUNT() + tool.COUNTDISABLED());
        tool.DISABLED(std::make_shared<tlx::cls_CoreList>());  // writing changes nothing
        EXPECT_EQ(tool.DISABLED()->COUNT(), 1);
    });
    EXPECT_TRUE(
        reg.READ(tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + "VODEX_TESTDRIVER.Disabled")
            .IsEmpty());
    // DISABLE of a driver that is not installed writes nothing.
    Fresh([] { cls_DeviceTool().DISABLE("NICHT_DA"); });
    EXPECT_TRUE(
        reg.READ(tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + "NICHT_DA.Disabled").IsEmpty());
}

TEST_F(Registry, InfoFromTheDescriptionFileIsCached) {
    // A component of our own beside a description that the driver's own SAVE wrote.
    InstallCopy();
    Fresh([&] {
        cls_DeviceTool tool;
        {
            auto original = tool.CREATE("VODEX_TESTDRIVER");
            ASSERT_TRUE(original);
            original->PORTS()->CREATE(4, "Hinten", false);
            original->SAVE(tool.FILENAMEINFO("VODEX_TESTDRIVER"));
            original->DESTROY();
        }
        auto first = tool.INFO("vodex_testdriver");
        ASSERT_TRUE(first);
        EXPECT_FALSE(first->PARENT());  // no driver behind it
        EXPECT_EQ(first->INFO()->NAME(), "Testwandler");
        EXPECT_TRUE(first->PORTS()->Item(1)->AVAILABLE());  // every port marked available
        EXPECT_EQ(first->DATA()->TYPENAME(), "vodex_testdriver");
        EXPECT_EQ(first->INFO()->DATA()->TYPENAME(), "vodex_testdriver.cls_DeviceInfo");
        auto second = tool.INFO("VODEX_TESTDRIVER");
        EXPECT_EQ(second, first);
        EXPECT_EQ(second->DATA()->TYPENAME(), "VODEX_TESTDRIVER");
        EXPECT_TRUE(tool.CHECKNAME("VODEX_TESTDRIVER"));
    });
}

TEST_F(Registry, AStaleDescriptionFileIsNotUsed) {
    const std::string file = InstallCopy();
    Fresh([&] {
        cls_DeviceTool tool;
        auto original = tool.CREATE("VODEX_TESTDRIVER");
        ASSERT_TRUE(original);
        original->SAVE(tool.FILENAMEINFO("VODEX_TESTDRIVER"));
        original->DESTROY();
        // The component is newer than its description.
        const auto later = std::filesystem::last_write_time(tool.FILENAMEINFO("VODEX_TESTDRIVER")) +
                           std::chrono::seconds(10);
        std::filesystem::last_write_time(file, later);
        auto a = tool.INFO("VODEX_TESTDRIVER");
        auto b = tool.INFO("VODEX_TESTDRIVER");
        ASSERT_TRUE(a && b);
        EXPECT_TRUE(a->PARENT());  // a driver made for it
        EXPECT_NE(a, b);           // and nothing cached
        a->DESTROY();
        b->DESTROY();
    });
}

TEST_F(Registry, TheMissingDriverMessageOncePerRegistryObject) {
    Fresh([&] {
        cls_DeviceTool tool;
        auto alt = std::make_shared<int_Device>();
        EXPECT_EQ(tool.SURECREATE(nullptr, alt), alt);
        EXPECT_EQ(tool.SURECREATE(nullptr, alt), alt);
        EXPECT_EQ(tool.SUREINFO(alt, nullptr), alt);
        cls_DeviceTool other;
        other.ERRORMESSAGE(vodex::ID_DeviceError_DeviceMissingOrBroken);
        other.ERRORMESSAGE(vodex::ID_DeviceError_DeviceMissingOrBroken);
    });
    EXPECT_EQ(Messages(kMissing), 2u);
    ASSERT_GE(dialogs->Count(), 1u);
    EXPECT_EQ(dialogs->ShownAll()[0].title, "");
}

TEST_F(Registry, CheckNameOfNoDriverTouchesNoRegistry) {
    // A home in which no registry can be opened.
    vodex::test::WriteBytes(home.File("blocked"), "");
    vodex::test::ScopedEnv blocked("VODEX_HOME", home.File("blocked").c_str());
    Fresh([] {
        cls_DeviceTool tool;  // its index stays empty
        EXPECT_TRUE(tool.CHECKNAME("-"));
        EXPECT_EQ(tool.COUNTALL(), 0);
    });
}

TEST_F(Registry, MembersThatDoNothingAndVersions) {
    Fresh([] {
        cls_DeviceTool tool;
        EXPECT_FALSE(tool.DOWNLOADER());
        EXPECT_FALSE(tool.ADD(false));
        EXPECT_FALSE(tool.AUTOADD());
        EXPECT_FALSE(tool.REPAIRALL());
        EXPECT_EQ(tool.BUILD(), tlx::ToolkitBuild());
        EXPECT_EQ(tool.VERSIONBUILD(), tool.BUILD());
        EXPECT_EQ(tool.VERSION(), "2.0.0");
        const auto tag = tool.UPDATETAG();
        EXPECT_EQ(tool.VERSION(), std::to_string(tag->MAJOR) + "." + std::to_string(tag->MINOR) +
                                      "." + std::to_string(tag->REVISION));
        EXPECT_EQ(tool.BUILD(), 400 + tag->REVISION);
        EXPECT_EQ(tool.RANDOMIZERID(), "VODEX_RANDOMIZER");
        EXPECT_EQ(tool.REGROOT(), "Software\\VQ Morvane\\VQ ReziraDovarir");
        EXPECT_EQ(tool.REGROOTDEVICES(), "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices");
    });
}

TEST_F(Registry, EveryPublishedClassAnswersToIdentifiersOfItsOwn) {
    Fresh([] {
        const std::vector<std::shared_ptr<tlx::Object>> objects = {
            std::make_shared<cls_DeviceTool>(),
            std::make_shared<vodex::cls_DeviceManager>(),
            std::make_shared<vodex::sys_Device>(),
            std::make_shared<vodex::inf_DeviceInterface>(),
            std::make_shared<int_Device>(),
            std::make_shared<vodex::cls_DeviceInfo>(),
            std::make_shared<vodex::cls_DeviceChannel>(),
            std::make_shared<vodex::cls_DeviceChannels>(),
            std::make_shared<vodex::cls_DevicePort>(),
            std::make_shared<vodex::cls_DevicePorts>(),
            std::make_shared<vodex::cls_DeviceComsettings>(),
            std::make_shared<vodex::cls_DeviceDatafield>(),
            std::make_shared<vodex::cls_DeviceDialog>(),
            std::make_shared<vodex::cls_VQPort>(),
            std::make_shared<vodex::cls_VQPortTool>(),
            std::make_shared<vodex::cls_VQPortToolTime>(),
            std::make_shared<vodex::cls_VQPortToolConv>()};
        std::set<std::string> seen;
        std::size_t total = 0;
        for (const auto& object : objects) {
            ASSERT_FALSE(object->INTERFACEIDS().empty()) << typeid(*object).name();
            for (std::string_view id : object->INTERFACEIDS()) {
                seen.insert(tlx::UCase(std::string(id)));
                ++total;
            }
        }
        EXPECT_EQ(seen.size(), total);  // no identifier is shared by two classes or versions
        EXPECT_EQ(cls_DeviceTool().INTERFACEIDS().size(), 2u);
        EXPECT_TRUE(vodex::cls_DeviceManager().Implements(vodex::iid::cls_DeviceManager[0]));
    });
}

TEST_F(Registry, TheUpdateTagDescribesTheLibrary) {
    reg.WRITE(tlx::HKEY_LOCAL_MACHINE, "Software\\VQ Morvane\\VQ ReziraDovarir\\UpdateServer",
              Variant("https://example.invalid"));
    Fresh([] {
        auto tag = cls_DeviceTool().UPDATETAG();
        EXPECT_EQ(tag->IDENTIFIER, "VQDEVINTERFACE");
        EXPECT_EQ(tag->NAME, "VQ Videda Vuderirev");
        EXPECT_EQ(tag->DESCRIPTION,
                  "Das VQ Videda Vuderirev ist die Verbindung zwischen Programm und "
                  "Wandlertreiber und wird für Messungen mit dem PC benötigt.");
        EXPECT_EQ(tag->REMARK, "");
        EXPECT_FALSE(tag->COMMENT.empty());
        EXPECT_TRUE(tag->FILEDATE.has_value());
        EXPECT_GT(tag->FILESIZE.value_or(0), 0);
        EXPECT_EQ(tag->DOWNLOADURL, "https://example.invalid/files/lum32se/vq_reziradovarir.msi");
        EXPECT_EQ(tag->INFOURL, "https://example.invalid/go/vqdevice");
        EXPECT_EQ(tag->UPDATEURL, "https://example.invalid/files/lum32se/vq_reziradovarir.xml");
        EXPECT_EQ(tag->BUILD, 400);
        EXPECT_EQ(tag->KIND, 256);
        EXPECT_TRUE(tag->ENABLED);
    });
    // An empty setting means the default server, not addresses without one.
    reg.WRITE(tlx::HKEY_LOCAL_MACHINE, "Software\\VQ Morvane\\VQ ReziraDovarir\\UpdateServer",
              Variant(" "));
    Fresh([] {
        EXPECT_EQ(cls_DeviceTool().UPDATETAG()->INFOURL,
                  "https://update.vodex.invalid/go/vqdevice");
    });
}

// Answers dialogs as scripted and records the requests.
class ScriptedUi : public tlx::UiProvider {
  public:
    bool answer = true;
    std::map<std::string, Variant> results;
    std::vector<tlx::DialogRequest> shown;
    bool ShowModal(tlx::DialogRequest& request) override {
        shown.push_back(request);
        request.results = results;
        return answer;
    }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& r : shown)
            names.push_back(r.dialog);
        return names;
    }
};

TEST_F(Registry, DialogCallsGoThroughTheUiProvider) {
    Fresh([] {
        auto ui = std::make_shared<ScriptedUi>();
        tlx::SetUiProvider(ui);
        auto tool = std::make_shared<cls_DeviceTool>();
        EXPECT_EQ(tool->USERSELECT(), "");
        ui->results = {
            {"CLASS", Variant("VODEX_RANDOMIZER")}, {"PORT", Variant(3)}, {"CHANNEL", Variant(2)}};
        EXPECT_EQ(tool->USERSELECT(), "VODEX_RANDOMIZER");
        std::int32_t port = 0;
        std::int32_t channel = 0;
        auto device = std::make_shared<int_Device>();
        EXPECT_TRUE(tool->SETTINGS(device, port, channel));
        EXPECT_EQ(port, 3);
        EXPECT_EQ(channel, 2);
        tool->OVERVIEW();
        auto found = std::make_shared<tlx::cls_CoreCollection>();
        found->ADD(Variant("gefunden"));
        ui->results = {{"FOUND", Variant(found)}};
        EXPECT_EQ(tool->AUTOSENSE(), found);
        ui->answer = false;
        auto none = tool->AUTOSENSELOGGER();
        EXPECT_NE(none, found);
        EXPECT_EQ(none->COUNT(), 0);
        ASSERT_EQ(ui->Names(),
                  (std::vector<std::string>{"frm_DeviceSelect", "frm_DeviceSelect",
                                            "frm_DeviceSettings", "frm_DeviceList",
                                            "frm_DialogAutoSense", "frm_DialogAutoSense"}));
        // The selection and detection dialogs work on this registry object, the settings
        // dialog on the device; only the logger detection asks for loggers.
        EXPECT_EQ(ui->shown[0].subject, tool);
        EXPECT_EQ(ui->shown[2].subject, device);
        EXPECT_EQ(ui->shown[4].subject, tool);
        EXPECT_EQ(ui->shown[5].subject, tool);
        EXPECT_FALSE(ui->shown[4].parameters.at("LOGGER").ToBool());
        EXPECT_TRUE(ui->shown[5].parameters.at("LOGGER").ToBool());
        tlx::SetUiProvider(nullptr);
    });
}

}  // namespace
