// The device manager, the entry objects, the device cache, and the registry's menus of
// drivers, with real components registered in a temporary VODEX_HOME. Each case runs on a
// fresh thread, since the shared registry and the device cache belong to their thread.
#include <gtest/gtest.h>

#include <filesystem>

#include "components.h"
#include "framing.h"
#include "tlx/dispatch.h"
#include "tlx/error.h"
#include "tlx/pump.h"
#include "tlx/tools.h"
#include "vodex/core/sys_device.h"
#include "vodex/records/resource.h"

namespace {

using tlx::Variant;
using vodex::cls_DeviceManager;
using vodex::cls_DeviceTool;
using vodex::int_Device;

constexpr const char* kDevices = "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\";

class Manager : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE,
                                          std::string(kDevices) + "VODEX_TESTDRIVER",
                                          Variant(VODEX_TEST_DRIVER_COMPONENT));
    }
    void Fresh(const std::function<void()>& body) {
        auto provider = tlx::cls_CoreDialogs::Provider();
        vodex::test::OnFreshThread([&] {
            tlx::cls_CoreDialogs::SetProvider(provider);
            body();
        });
    }
    static std::string Log(const std::shared_ptr<int_Device>& device) {
        return tlx::GetPropertyByName(device->PARENT(), "LOG").ToText();
    }
};

TEST_F(Manager, OneDevicePerDriverAndPortSharedByUseCount) {
    Fresh([] {
        cls_DeviceManager manager;
        auto a = manager.CREATE("vodex_testdriver", 1);
        auto b = manager.CREATE(" VODEX_TESTDRIVER", 1);
        ASSERT_TRUE(a);
        EXPECT_EQ(a, b);
        EXPECT_EQ(manager.COUNT(), 1);
        EXPECT_EQ(Log(a), "DeviceConnect(1, PORT 1);");  // connected once
        auto c = manager.CREATE("VODEX_TESTDRIVER", 2);
        EXPECT_NE(c, a);
        EXPECT_EQ(manager.COUNT(), 2);

        EXPECT_TRUE(manager.DEINIT("VODEX_TESTDRIVER ", 1));
        EXPECT_TRUE(manager.ONLINE("vodex_testdriver", 1));
        EXPECT_EQ(Log(a), "DeviceConnect(1, PORT 1);");
        EXPECT_TRUE(manager.DEINIT("VODEX_TESTDRIVER", 1));
        EXPECT_EQ(Log(a), "DeviceConnect(1, PORT 1);DeviceDisconnect;");
        EXPECT_FALSE(manager.ONLINE("VODEX_TESTDRIVER", 1));
        EXPECT_FALSE(manager.DEINIT("VODEX_TESTDRIVER", 1));

        // Slot 1 is free now: Item(1) is the first slot in use.
        EXPECT_EQ(manager.Item(1), c);
        EXPECT_EQ(manager.Item(2), nullptr);
        // By name: the first slot with the name, here the freed one, which has no device.
        EXPECT_EQ(manager.Item(Variant("VODEX_TESTDRIVER"), false), nullptr);
        a->DESTROY();
        const tlx::ObjectRef driverOfC = c->PARENT();
        manager.DEINITALL();
        EXPECT_EQ(manager.COUNT(), 0);
        EXPECT_FALSE(c->PARENT());  // destroyed
        EXPECT_EQ(tlx::GetPropertyByName(driverOfC, "LOG").ToText(),
                  "DeviceConnect(2, PORT 2);DeviceDisconnect;DeviceDestroy;");
    });
}

TEST_F(Manager, ARequestArrivingWhileADriverIsRepairedGetsASlotOfItsOwn) {
    // The test driver's registration is gone, so creating it means a repair, and window events
    // run while the registration program is waited for. One of them asks the same manager for
    // another device.
    ASSERT_EQ(vodex::test::RunRegistration(VODEX_TEST_DRIVER_COMPONENT, true), 0);
    Fresh([] {
        cls_DeviceManager manager;
        std::shared_ptr<int_Device> meanwhile;
        bool asked = false;
        auto previous = tlx::SetMessagePump([&] {
            if (asked) return;
            asked = true;
            meanwhile = manager.CREATE("VODEX_RANDOMIZER", 1);
        });
        auto repaired = manager.CREATE("VODEX_TESTDRIVER", 1);
        tlx::SetMessagePump(previous);
        ASSERT_TRUE(asked);
        ASSERT_TRUE(meanwhile);
        ASSERT_TRUE(repaired);
        EXPECT_EQ(manager.COUNT(), 2);
        EXPECT_EQ(manager.Item(1), meanwhile);
        EXPECT_EQ(manager.Item(2), repaired);
        EXPECT_TRUE(manager.ONLINE("VODEX_RANDOMIZER", 1));
        EXPECT_TRUE(manager.ONLINE("VODEX_TESTDRIVER", 1));
        manager.DEINITALL();
        EXPECT_FALSE(meanwhile->PARENT());  // both released with their drivers
        EXPECT_FALSE(repaired->PARENT());
    });
}

TEST_F(Manager, NoDriverStandsForNothing) {
    Fresh([] {
        cls_DeviceManager manager;
        auto d = std::make_shared<int_Device>();
        EXPECT_EQ(manager.CREATE("-", 3, d), d);
        EXPECT_EQ(manager.CREATE("-", 3), nullptr);
        EXPECT_TRUE(manager.ONLINE("-", 3));
        EXPECT_FALSE(manager.DEINIT("-", 3));
        EXPECT_EQ(manager.COUNT(), 0);
    });
}

TEST_F(Manager, ThirtySlotsAtMost) {
    Fresh([this] {
        cls_DeviceManager manager;
        for (int port = 1; port <= 30; ++port)
            ASSERT_TRUE(manager.CREATE("VODEX_TESTDRIVER", port));
        EXPECT_EQ(manager.CREATE("VODEX_TESTDRIVER", 31), nullptr);
        EXPECT_EQ(manager.COUNT(), 30);
        ASSERT_EQ(dialogs->Count(), 1u);
        EXPECT_EQ(dialogs->ShownAll()[0].text,
                  "Das Maximum an benutzbaren Wandlern ist erreicht. Schliessen Sie ein oder "
                  "mehrere Messungen und versuchen Sie es erneut!");
        EXPECT_EQ(dialogs->ShownAll()[0].title, "Fehler");
        EXPECT_EQ(manager.BUILD(), 400);
        manager.DESTROY();
        EXPECT_EQ(manager.COUNT(), 0);
        EXPECT_EQ(manager.CREATE("VODEX_TESTDRIVER", 1), nullptr);  // not usable afterwards
    });
}

TEST_F(Manager, AMissingDriverTakesNoSlot) {
    Fresh([] {
        cls_DeviceManager manager;
        EXPECT_THROW(manager.CREATE("NICHT_DA", 1), tlx::Error);
        EXPECT_EQ(manager.COUNT(), 0);
        EXPECT_FALSE(manager.ONLINE("NICHT_DA", 1));
    });
}

TEST_F(Manager, EntryObjectsShareTheRegistryButNotTheManager) {
    Fresh([] {
        vodex::sys_Device first;
        vodex::sys_Device second;
        EXPECT_EQ(first.DEVICE(), second.DEVICE());
        EXPECT_EQ(first.DEVICE(), vodex::DeviceTool());
        EXPECT_EQ(first.DEVICETOOL(), first.DEVICE());
        EXPECT_NE(first.DEVICEMAN(), second.DEVICEMAN());
        EXPECT_EQ(first.DEVICEMAN(), first.DEVICEMAN());
        EXPECT_EQ(vodex::SysDevice(), vodex::SysDevice());
    });
    std::shared_ptr<cls_DeviceTool> one;
    std::shared_ptr<cls_DeviceTool> other;
    vodex::test::OnFreshThread([&] { one = vodex::DeviceTool(); });
    vodex::test::OnFreshThread([&] { other = vodex::DeviceTool(); });
    EXPECT_NE(one, other);  // each thread its own
}

TEST_F(Manager, TheDeviceCacheComparesUpperCased) {
    Fresh([] {
        auto first = std::make_shared<int_Device>();
        auto second = std::make_shared<int_Device>();
        vodex::Resource().hDeviceCache("VODEX_RANDOMIZER", first);
        vodex::Resource().hDeviceCache("vodex_randomizer", second);
        EXPECT_EQ(vodex::Resource().hDeviceFind("vodex_randomizer"), first);
        EXPECT_EQ(vodex::Resource().hDeviceFind("Vodex_Randomizer"), first);
        EXPECT_EQ(vodex::Resource().hDeviceFind("ANDERER"), nullptr);
    });
}

TEST_F(Manager, TheLibrarysComponentInformation) {
    auto info = vodex::inf_DeviceInterface().COMINFO();
    EXPECT_EQ(info->KEY(), "VQ\\DEVICES\\INTERFACE");
    EXPECT_EQ(info->VERSION(), "2.0");
    EXPECT_EQ(info->GROUP(), "Devices");
    EXPECT_EQ(info->TITLE(), "Videda Vuderirev Component");
    EXPECT_EQ(info->MAKER(), "VQ Morvane");
    EXPECT_EQ(info->DATE(), tlx::Date::FromParts(2001, 12, 5));
    EXPECT_NE(info->FILENAME().find("Vodex_Interface"), std::string::npos);
    ASSERT_TRUE(info->ICON());
}

// Installs `count` drivers that exist only as description files (made current, so the
// registry reads them instead of creating the drivers), with the given makers in turn.
void DescribedDrivers(const vodex::test::TempHome& home, int count,
                      const std::vector<std::string>& makers, bool logger) {
    for (int i = 1; i <= count; ++i) {
        const std::string name = "Drv" + std::to_string(100 + i).substr(1);
        const std::string component = home.File(name + ".so");
        vodex::test::WriteBytes(component, "a component");
        int_Device device;
        device.INFO()->NAME("Gerät " + std::to_string(i));
        device.INFO()->MANUFACTURER(makers[static_cast<std::size_t>(i - 1) % makers.size()]);
        device.INFO()->LOGGER(logger && i % 2 == 0);
        device.SAVE(home.File(name + ".devinfo"));
        std::filesystem::last_write_time(
            home.File(name + ".devinfo"),
            std::filesystem::last_write_time(component) + std::chrono::seconds(5));
        tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kDevices) + name,
                                          Variant(component));
    }
}

TEST_F(Manager, APopupMenuOfFewDriversListsThemDirectly) {
    tlx::CoreTools().REGISTRY().DELETEVALUE(tlx::HKEY_LOCAL_MACHINE,
                                            std::string(kDevices) + "VODEX_TESTDRIVER");
    DescribedDrivers(home, 4, {"Acme"}, true);
    Fresh([] {
        cls_DeviceTool tool;
        auto menu = tool.POPUPMENU("drv02", false);
        ASSERT_EQ(menu->ENTRIES().size(), 4u);
        EXPECT_EQ(menu->ENTRIES()[1].key, "DRV02");
        EXPECT_EQ(menu->ENTRIES()[1].caption, "Gerät 2 - Acme");
        EXPECT_TRUE(menu->ENTRIES()[1].checked);
        EXPECT_FALSE(menu->ENTRIES()[0].checked);
        // The menu is kept and only checked anew.
        EXPECT_EQ(tool.POPUPMENU("DRV03", false), menu);
        EXPECT_FALSE(menu->ENTRIES()[1].checked);
        EXPECT_TRUE(menu->ENTRIES()[2].checked);
        // Loggers only.
        auto loggers = tool.POPUPMENU("", true);
        ASSERT_EQ(loggers->ENTRIES().size(), 2u);
        EXPECT_EQ(loggers->ENTRIES()[0].key, "DRV02");
    });
}

TEST_F(Manager, APopupMenuOfElevenDriversHasASubMenuPerMaker) {
    tlx::CoreTools().REGISTRY().DELETEVALUE(tlx::HKEY_LOCAL_MACHINE,
                                            std::string(kDevices) + "VODEX_TESTDRIVER");
    DescribedDrivers(home, 11, {"Acme", " acme ", "Beta", "Gamma"}, false);
    Fresh([] {
        auto menu = cls_DeviceTool().POPUPMENU("DRV05", false);
        ASSERT_EQ(menu->ENTRIES().size(), 3u);
        EXPECT_EQ(menu->ENTRIES()[0].caption, "Acme");
        ASSERT_TRUE(menu->ENTRIES()[0].submenu);
        EXPECT_EQ(menu->ENTRIES()[0].submenu->ENTRIES().size(), 6u);  // Acme and " acme "
        EXPECT_EQ(menu->ENTRIES()[1].submenu->ENTRIES().size(), 3u);
        const auto* selected = menu->FIND("DRV05");
        ASSERT_TRUE(selected);
        EXPECT_TRUE(selected->checked);
    });
}

// A picture combo box and an image list, late-bound, recording what they are told.
class FakeControl : public tlx::Object, public tlx::Dispatch {
  public:
    std::vector<std::string> calls;
    std::vector<std::string> keys;
    std::int32_t selected = 0;
    std::string refuse;  // ADD of this key and selecting by key fail
    tlx::Variant GetProperty(std::string_view name) override {
        if (name == "SELECTEDINDEX") return Variant(selected);
        return Dispatch::GetProperty(name);
    }
    void SetProperty(std::string_view name, const tlx::Variant& value) override {
        calls.push_back("set " + std::string(name));
        if (name == "SELECTEDINDEX") selected = value.ToInt32();
        if (name == "SELECTEDKEY") {
            if (!refuse.empty()) throw tlx::Error("no such key");
            for (std::size_t i = 0; i < keys.size(); ++i) {
                if (keys[i] == value.ToText()) selected = static_cast<std::int32_t>(i + 1);
            }
        }
    }
    tlx::Variant Invoke(std::string_view name, std::vector<tlx::Variant>& args) override {
        calls.push_back(std::string(name));
        if (name == "CLEAR") {
            keys.clear();
            selected = 0;
        }
        if (name == "ADD") {
            if (args.at(0).ToText() == refuse) throw tlx::Error("the control refuses");
            keys.push_back(args.at(0).ToText());
        }
        return {};
    }
};

TEST_F(Manager, FillImageComboListsTheDriversWithTheirIcons) {
    tlx::CoreTools().REGISTRY().DELETEVALUE(tlx::HKEY_LOCAL_MACHINE,
                                            std::string(kDevices) + "VODEX_TESTDRIVER");
    DescribedDrivers(home, 3, {"Acme"}, false);
    Fresh([] {
        cls_DeviceTool tool;
        auto combo = std::make_shared<FakeControl>();
        auto images = std::make_shared<FakeControl>();
        tool.FILLIMAGECOMBO(combo, images, "DRV03");
        EXPECT_EQ(combo->keys, (std::vector<std::string>{"DRV01", "DRV02", "DRV03"}));
        EXPECT_EQ(images->keys, combo->keys);
        EXPECT_EQ(combo->selected, 3);
        tool.FILLIMAGECOMBO(combo, images, "drv03");  // the key is compared as given
        EXPECT_EQ(combo->selected, 1);
        // A control that refuses one driver still gets the others, and a selection by key that
        // fails still leaves the first item selected.
        combo->refuse = "DRV02";
        tool.FILLIMAGECOMBO(combo, images, "DRV03");
        EXPECT_EQ(combo->keys, (std::vector<std::string>{"DRV01", "DRV03"}));
        EXPECT_EQ(images->keys, (std::vector<std::string>{"DRV01", "DRV02", "DRV03"}));
        EXPECT_EQ(combo->selected, 1);
        // Controls that fail are skipped without an error.
        EXPECT_NO_THROW(tool.FILLIMAGECOMBO(std::make_shared<tlx::Object>(), nullptr, ""));
    });
}

}  // namespace
