#include "vodex/records/device_comsettings.h"

#include <gtest/gtest.h>

#include "fixtures.h"
#include "tlx/tools.h"
#include "vodex/core/device.h"

namespace {

using tlx::Variant;
using vodex::cls_DeviceComsettings;
using vodex::int_Device;

class Comsettings : public vodex::test::HomeTest {
  protected:
    tlx::cls_CoreRegistry& reg = tlx::CoreTools().REGISTRY();

    static std::shared_ptr<int_Device> Device(const std::string& identifier) {
        auto d = std::make_shared<int_Device>();
        d->INFO()->IDENTIFIER(identifier);
        return d;
    }
    static void Set(cls_DeviceComsettings& s, int baud, int parity, int stop, int data, int hand) {
        s.BAUD(baud);
        s.PARITY(parity);
        s.STOPBITS(stop);
        s.DATABITS(data);
        s.HANDSHAKE(hand);
    }
    static std::vector<int> Values(const cls_DeviceComsettings& s) {
        return {s.BAUD(), s.PARITY(), s.STOPBITS(), s.DATABITS(), s.HANDSHAKE()};
    }
    std::string Key(const std::string& identifier) const {
        return "Software\\VQ Morvane\\VQ ReziraDovarir\\Devices\\" + identifier + "\\ComSettings\\";
    }
};

TEST_F(Comsettings, TheDeviceIsTheParent) {
    auto d = Device("ZFG");
    auto s = d->SETTINGSCOM();
    EXPECT_EQ(s->PARENT(), d.get());
    d.reset();
    EXPECT_EQ(s->PARENT(), nullptr);
    EXPECT_FALSE(s->STOREDEFAULT());
    EXPECT_FALSE(s->LOADDEFAULT());
}

TEST_F(Comsettings, ARecordPutInPlaceBelongsToTheDevice) {
    auto d = Device("ZFG");
    auto old = d->SETTINGSCOM();
    auto fresh = std::make_shared<cls_DeviceComsettings>();
    d->SETTINGSCOM(fresh);
    EXPECT_EQ(fresh->PARENT(), d.get());
    EXPECT_EQ(old->PARENT(), nullptr);
    EXPECT_TRUE(fresh->STOREDEFAULT());
    d.reset();
    EXPECT_EQ(fresh->PARENT(), nullptr);
    EXPECT_FALSE(old->LOADDEFAULT());
}

TEST_F(Comsettings, NothingStoredLoadsNothing) {
    auto d = Device("ZFG");
    Set(*d->SETTINGSCOM(), 4800, 1, 2, 3, 1);
    EXPECT_FALSE(d->SETTINGSCOM()->LOADDEFAULT());
    EXPECT_EQ(Values(*d->SETTINGSCOM()), (std::vector<int>{4800, 1, 2, 3, 1}));
}

TEST_F(Comsettings, StoredDefaultsLoadBackAndAreWrittenAsTheRegistryExpects) {
    auto d = Device("ZFG");
    auto s = d->SETTINGSCOM();
    Set(*s, 19200, 2, 1, 1, 3);
    s->OTHERS()->Item("Kanal", Variant(3));
    ASSERT_TRUE(s->STOREDEFAULT());
    EXPECT_EQ(reg.READ(tlx::HKEY_CURRENT_USER, Key("ZFG") + "Default"), Variant(true));
    EXPECT_EQ(reg.READ(tlx::HKEY_CURRENT_USER, Key("ZFG") + "Baud"), Variant(19200));
    EXPECT_EQ(reg.VALUENAMES(tlx::HKEY_CURRENT_USER, Key("ZFG")),
              (std::vector<std::string>{"Default", "Baud", "Parity", "Handshake", "Databits",
                                        "Stopbits", "Others"}));

    auto other = Device("ZFG");
    auto t = other->SETTINGSCOM();
    ASSERT_TRUE(t->LOADDEFAULT());
    EXPECT_EQ(Values(*t), Values(*s));
    EXPECT_EQ(t->OTHERS()->Item("kanal"), Variant(3));
}

TEST_F(Comsettings, EmptyOthersLeaveNoValueAndLoadAsANewSet) {
    auto d = Device("ABC");
    auto s = d->SETTINGSCOM();
    s->OTHERS()->Item("x", Variant(1));
    ASSERT_TRUE(s->STOREDEFAULT());
    s->OTHERS()->CLEAR();
    ASSERT_TRUE(s->STOREDEFAULT());
    EXPECT_TRUE(reg.READ(tlx::HKEY_CURRENT_USER, Key("ABC") + "Others").IsEmpty());
    auto before = s->OTHERS();
    before->Item("y", Variant(2));
    ASSERT_TRUE(s->LOADDEFAULT());
    EXPECT_NE(s->OTHERS(), before);
    EXPECT_EQ(s->OTHERS()->COUNT(), 0);
}

TEST_F(Comsettings, MissingValuesTakeTheirDefaults) {
    reg.WRITE(tlx::HKEY_CURRENT_USER, Key("OLD") + "Default", Variant(true));
    auto d = Device("OLD");
    ASSERT_TRUE(d->SETTINGSCOM()->LOADDEFAULT());
    EXPECT_EQ(Values(*d->SETTINGSCOM()), (std::vector<int>{9600, 0, 0, 8, 0}));
}

TEST_F(Comsettings, IdentifiersAreTrimmed) {
    auto a = Device(" ZFG ");
    Set(*a->SETTINGSCOM(), 1200, 0, 0, 0, 0);
    ASSERT_TRUE(a->SETTINGSCOM()->STOREDEFAULT());
    auto b = Device("ZFG");
    ASSERT_TRUE(b->SETTINGSCOM()->LOADDEFAULT());
    EXPECT_EQ(b->SETTINGSCOM()->BAUD(), 1200);
}

TEST_F(Comsettings, LongOtherSettingsSurviveTheRegistry) {
    auto d = Device("LONG");
    for (int i = 0; i < 100; ++i)
        d->SETTINGSCOM()->OTHERS()->Item("key" + std::to_string(i), Variant(i));
    ASSERT_TRUE(d->SETTINGSCOM()->STOREDEFAULT());
    auto e = Device("LONG");
    ASSERT_TRUE(e->SETTINGSCOM()->LOADDEFAULT());
    EXPECT_EQ(e->SETTINGSCOM()->OTHERS()->COUNT(), 100);
    EXPECT_EQ(e->SETTINGSCOM()->OTHERS()->Item("key99"), Variant(99));
}

TEST_F(Comsettings, AMalformedStoredPackageIsRefused) {
    reg.WRITE(tlx::HKEY_CURRENT_USER, Key("BAD") + "Default", Variant(true));
    reg.WRITE(tlx::HKEY_CURRENT_USER, Key("BAD") + "Others", Variant("not a package"));
    auto d = Device("BAD");
    Set(*d->SETTINGSCOM(), 4800, 1, 2, 3, 1);
    d->SETTINGSCOM()->OTHERS()->Item("kept", Variant(1));
    EXPECT_FALSE(d->SETTINGSCOM()->LOADDEFAULT());
    EXPECT_EQ(Values(*d->SETTINGSCOM()), (std::vector<int>{4800, 1, 2, 3, 1}));
    EXPECT_EQ(d->SETTINGSCOM()->OTHERS()->Item("kept"), Variant(1));
}

TEST_F(Comsettings, FilesCarryTheFiveSerialValuesButNotTheOthers) {
    cls_DeviceComsettings s;
    Set(s, 2400, 3, 2, 4, 2);
    s.DATA()->ID(Variant(5));
    s.OTHERS()->Item("x", Variant(1));
    ASSERT_TRUE(s.SAVE(home.File("com.dat")));
    cls_DeviceComsettings back;
    ASSERT_TRUE(back.LOAD(home.File("com.dat")));
    EXPECT_EQ(Values(back), Values(s));
    EXPECT_EQ(back.DATA()->ID(), Variant(5));
    EXPECT_EQ(back.OTHERS()->COUNT(), 0);
    EXPECT_FALSE(back.LOAD(home.File("missing.dat")));
    EXPECT_FALSE(back.SAVE(home.Path().string()));
}

TEST_F(Comsettings, PackagesAndCopies) {
    cls_DeviceComsettings s;
    Set(s, 2400, 3, 2, 4, 2);
    s.DATA()->ID(Variant(5));
    s.OTHERS()->Item("Modus", Variant("schnell"));
    const std::vector<Variant> v = tlx::CoreTools().PACKER().UNPACK(s.DATA()->PACK());
    ASSERT_EQ(v.size(), 7u);
    EXPECT_EQ(v[0], Variant(5));
    EXPECT_EQ(v[1], Variant(2400));
    EXPECT_EQ(v[3], Variant(2));  // STOPBITS before DATABITS
    EXPECT_EQ(v[4], Variant(4));
    EXPECT_EQ(v[6], Variant(s.OTHERS()->DATA()->PACK()));
    cls_DeviceComsettings unpacked;
    unpacked.DATA()->UNPACK(s.DATA()->PACK());
    EXPECT_EQ(Values(unpacked), Values(s));
    EXPECT_EQ(unpacked.DATA()->ID(), Variant("5"));
    EXPECT_EQ(unpacked.OTHERS()->Item("modus"), Variant("schnell"));

    cls_DeviceComsettings copy;
    EXPECT_TRUE(copy.DATA()->COPY(s));
    EXPECT_EQ(Values(copy), Values(s));
    EXPECT_EQ(copy.DATA()->ID(), Variant(5));
    EXPECT_NE(copy.OTHERS(), s.OTHERS());
    EXPECT_EQ(copy.OTHERS()->Item("Modus"), Variant("schnell"));
}

}  // namespace
