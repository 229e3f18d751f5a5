#include <gtest/gtest.h>

#include <set>

#include "fixtures.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/records/device_ports.h"
#include "vodex/records/resource.h"

namespace {

using tlx::Variant;
using vodex::cls_DevicePort;
using vodex::cls_DevicePorts;
using vodex::Resource;

constexpr const char* kPortMax = "Software\\VQ Morvane\\VQ ReziraDovarir\\PortMax";

class Ports : public vodex::test::HomeTest {
  protected:
    std::vector<int> probed;
    std::set<int> present;

    // Each case runs on a fresh thread whose port table counts its probes.
    void Run(const std::function<void()>& body) {
        vodex::test::OnFreshThread([&] {
            Resource().SetPortProbe([this](std::int32_t port) {
                probed.push_back(port);
                return present.count(port) > 0;
            });
            body();
        });
    }
    static std::vector<std::string> Names(cls_DevicePorts& list) {
        std::vector<std::string> n = list.INFO();
        n.erase(n.begin());
        return n;
    }
};

TEST_F(Ports, TheFirstFourComPortsAreCheckedByExactName) {
    present = {1};
    Run([&] {
        cls_DevicePorts list;
        auto missing = list.CREATE(2, "COM2", true);
        EXPECT_EQ(missing->NAME(), "--- 2");
        EXPECT_FALSE(missing->AVAILABLE());
        EXPECT_EQ(missing->ID(), 2);
        auto there = list.CREATE(1, "COM 1", false);
        EXPECT_EQ(there->NAME(), "COM 1");
        EXPECT_FALSE(there->AVAILABLE());  // present, so pAvailable decides
        EXPECT_TRUE(list.CREATE(1, "COM1")->AVAILABLE());
        const std::size_t before = probed.size();
        auto lower = list.CREATE(2, "com2", true);
        EXPECT_EQ(lower->NAME(), "com2");
        EXPECT_TRUE(lower->AVAILABLE());
        EXPECT_EQ(list.CREATE(5, "COM5", true)->NAME(), "COM5");
        EXPECT_EQ(list.CREATE(1, "Eingebaut")->NAME(), "Eingebaut");
        EXPECT_EQ(probed.size(), before);  // no further probing
        EXPECT_EQ(list.COUNT(), 6);
    });
}

TEST_F(Ports, ComPortsFollowPortMax) {
    present = {2, 30};
    for (const auto& [value, expected] : std::vector<std::pair<Variant, int>>{
             {Variant(), 32}, {Variant(0), 32}, {Variant(40), 32}, {Variant(4), 4}}) {
        auto& reg = tlx::CoreTools().REGISTRY();
        if (value.IsEmpty()) {
            reg.DELETEVALUE(tlx::HKEY_LOCAL_MACHINE, kPortMax);
        } else {
            reg.WRITE(tlx::HKEY_LOCAL_MACHINE, kPortMax, value);
        }
        Run([&] {
            cls_DevicePorts list;
            list.COMPORTS();
            ASSERT_EQ(list.COUNT(), expected) << value.ToText();
            EXPECT_EQ(list.Item(1)->NAME(), "--- 1");
            EXPECT_FALSE(list.Item(1)->AVAILABLE());
            EXPECT_EQ(list.Item(2)->NAME(), "COM 2");
            EXPECT_TRUE(list.Item(2)->AVAILABLE());
            EXPECT_EQ(list.Item(4, false)->ID(), 4);
            list.COMPORTS();
            EXPECT_EQ(list.COUNT(), 2 * expected);
        });
    }
}

TEST_F(Ports, ResetCacheProbesAgain) {
    tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE, kPortMax, Variant(3));
    Run([&] {
        cls_DevicePorts list;
        list.COMPORTS();
        EXPECT_EQ(probed.size(), 3u);
        present = {3};
        list.COMPORTS();
        EXPECT_EQ(list.Item(6)->NAME(), "--- 3");
        list.RESETCACHE();
        list.COMPORTS();
        EXPECT_EQ(list.Item(9)->NAME(), "COM 3");
        EXPECT_EQ(probed.size(), 6u);
    });
}

TEST_F(Ports, AMissGivesNothing) {
    cls_DevicePorts list;
    list.CREATE(1, "Eingebaut");
    EXPECT_EQ(list.Item(99, false), nullptr);
    EXPECT_EQ(list.Item(0), nullptr);
    EXPECT_EQ(list.Item(2), nullptr);
    EXPECT_NE(list.Item(1, false), nullptr);
    EXPECT_EQ(list.INFO(), (std::vector<std::string>{"", "Eingebaut"}));
}

TEST_F(Ports, StoredVersionsAndCategory) {
    const std::string file = home.File("ports.dat");
    cls_DevicePorts list;
    list.CATEGORY(vodex::ID_PortCategory_USB);
    list.DATA()->ID(Variant(3));
    list.CREATE(1, "Eingebaut");
    list.CREATE(7, "Hinten", false);
    ASSERT_TRUE(list.SAVE(file));
    cls_DevicePorts back;
    ASSERT_TRUE(back.LOAD(file));
    EXPECT_EQ(back.CATEGORY(), vodex::ID_PortCategory_USB);
    EXPECT_EQ(Names(back), (std::vector<std::string>{"Eingebaut", "Hinten"}));
    EXPECT_FALSE(back.Item(2)->AVAILABLE());
    EXPECT_EQ(back.Item(7, false)->NAME(), "Hinten");

    {  // a list of version 1.0 carries no category
        tlx::cls_CoreFile f;
        f.OPEN(file, tlx::cls_CoreFile::ModeWrite);
        f.WRITE(Variant("1.0"), Variant(4), Variant(1));
        f.WRITE(Variant("1.0"), Variant(2), Variant("Alt"), Variant(true));
        f.CLOSE();
    }
    cls_DevicePorts old;
    old.CATEGORY(2);
    ASSERT_TRUE(old.LOAD(file));
    EXPECT_EQ(old.CATEGORY(), 2);
    EXPECT_EQ(Names(old), std::vector<std::string>{"Alt"});
    EXPECT_EQ(old.DATA()->ID(), Variant(4));

    {  // an unknown version reads nothing
        tlx::cls_CoreFile f;
        f.OPEN(file, tlx::cls_CoreFile::ModeWrite);
        f.WRITE(Variant("1.2"), Variant(9), Variant(5), Variant(0));
        f.CLOSE();
    }
    ASSERT_TRUE(old.LOAD(file));
    EXPECT_EQ(old.CATEGORY(), 2);
    EXPECT_EQ(old.COUNT(), 1);
}

TEST_F(Ports, PackagesAndCopies) {
    cls_DevicePorts list;
    list.CATEGORY(vodex::ID_PortCategory_Serial);
    list.DATA()->ID(Variant(8));
    list.CREATE(1, "Eingebaut");
    list.CREATE(2, "Vorne", false);
    const std::vector<Variant> port =
        tlx::CoreTools().PACKER().UNPACK(list.Item(2)->DATA()->PACK());
    EXPECT_EQ(port, (std::vector<Variant>{Variant(2), Variant("Vorne"), Variant(false)}));
    const std::vector<Variant> whole = tlx::CoreTools().PACKER().UNPACK(
        list.DATA()->PACK(), [] { return std::make_shared<cls_DevicePort>(); });
    ASSERT_EQ(whole.size(), 3u);
    EXPECT_EQ(whole[0], Variant(8));
    EXPECT_EQ(whole[1].ToArray().Size(), 3u);  // positions 0 to 2
    EXPECT_EQ(whole[2], Variant(vodex::ID_PortCategory_Serial));

    cls_DevicePorts unpacked;
    unpacked.DATA()->UNPACK(list.DATA()->PACK());
    EXPECT_EQ(unpacked.CATEGORY(), vodex::ID_PortCategory_Serial);
    EXPECT_EQ(unpacked.DATA()->ID(), Variant("8"));
    EXPECT_EQ(Names(unpacked), Names(list));
    EXPECT_EQ(unpacked.Item(2)->DATA()->ID(), Variant("2"));
    EXPECT_FALSE(unpacked.Item(2)->AVAILABLE());

    cls_DevicePorts copy;
    copy.CATEGORY(4);
    EXPECT_TRUE(copy.DATA()->COPY(list));
    EXPECT_EQ(copy.CATEGORY(), 4);  // not taken
    EXPECT_EQ(copy.DATA()->ID(), Variant(8));
    EXPECT_EQ(Names(copy), Names(list));
    EXPECT_NE(copy.Item(1), list.Item(1));
    EXPECT_EQ(copy.Item(2, false)->NAME(), "Vorne");

    EXPECT_TRUE(list.REMOVE(1, true));
    EXPECT_EQ(Names(list), std::vector<std::string>{"Vorne"});
    auto spawned = std::dynamic_pointer_cast<cls_DevicePorts>(list.DATA()->SPAWN());
    ASSERT_TRUE(spawned);
    EXPECT_EQ(spawned->COUNT(), 0);
    EXPECT_EQ(spawned->CATEGORY(), 0);
}

}  // namespace
