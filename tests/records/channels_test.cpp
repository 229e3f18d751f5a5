#include <gtest/gtest.h>

#include "fixtures.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/records/device_channels.h"

namespace {

using tlx::Variant;
using vodex::cls_DeviceChannel;
using vodex::cls_DeviceChannels;
using vodex::test::OnFreshThread;
using vodex::test::ScopedEnv;

class Channels : public vodex::test::HomeTest {
  protected:
    // A list of channels named A, B, C with keys 1, 2, 3.
    static std::shared_ptr<cls_DeviceChannels> Abc() {
        auto list = std::make_shared<cls_DeviceChannels>();
        list->CREATE(1, "A", "pH");
        list->CREATE(2, "B", "mS");
        list->CREATE(3, "C", "T");
        return list;
    }

    static std::vector<std::string> Names(cls_DeviceChannels& list) {
        std::vector<std::string> names = list.INFO();
        names.erase(names.begin());
        return names;
    }

    // A channel with every field set to something other than its start value.
    static void Fill(cls_DeviceChannel& c, int n) {
        c.ID(n);
        c.NAME("Kanal " + std::to_string(n));
        c.SIZE("mS");
        c.FACTOR(1.5 * n);
        c.OFFSET(-0.25);
        c.STATUS(vodex::ID_ChannelStatus_ErrRange);
        c.STATUSUSER("eigener Text");
        c.MEASURE(true);
        c.VALUE(12.75 + n);
        c.FLAG(7 * n);
        c.MEASURED(true);
        c.TAG("tag " + std::to_string(n));
    }

    static void ExpectSameFields(const cls_DeviceChannel& a, const cls_DeviceChannel& b) {
        EXPECT_EQ(a.NAME(), b.NAME());
        EXPECT_EQ(a.SIZE(), b.SIZE());
        EXPECT_EQ(a.FACTOR(), b.FACTOR());
        EXPECT_EQ(a.OFFSET(), b.OFFSET());
        EXPECT_EQ(a.STATUS(), b.STATUS());
        EXPECT_EQ(a.MEASURE(), b.MEASURE());
        EXPECT_EQ(a.VALUE(), b.VALUE());
        EXPECT_EQ(a.FLAG(), b.FLAG());
        EXPECT_EQ(a.MEASURED(), b.MEASURED());
        EXPECT_EQ(a.TAG(), b.TAG());
        EXPECT_EQ(a.ID(), b.ID());
    }
};

TEST_F(Channels, AMissIsTheSpareChannel) {
    auto list = Abc();
    auto miss = list->Item(77, false);
    ASSERT_TRUE(miss);
    miss->VALUE(5.0);
    EXPECT_EQ(list->COUNT(), 3);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(list->Item(i)->VALUE(), 0.0);
    EXPECT_EQ(list->Item(0), miss);
    EXPECT_EQ(list->Item(4), miss);
    EXPECT_EQ(list->Item("x"), miss);
    EXPECT_FALSE(list->EXISTS(77));
}

TEST_F(Channels, LookUpByKeyOrPosition) {
    auto list = Abc();
    list->Item(2)->ID(Variant(" Leitfähigkeit "));
    EXPECT_EQ(list->Item(3, false)->NAME(), "C");
    EXPECT_EQ(list->Item(Variant("LEITFÄHIGKEIT"), false)->NAME(), "B");
    EXPECT_TRUE(list->EXISTS(Variant("leitfähigkeit")));
    EXPECT_FALSE(list->EXISTS(Variant("3")));  // a text never equals a number
    EXPECT_EQ(list->Item(1)->NAME(), "A");
    EXPECT_THROW(list->Item(2)->ID(), tlx::Error);  // a text key that is no number
}

TEST_F(Channels, RemovingMovesTheLastEntryIntoTheGap) {
    auto list = Abc();
    EXPECT_TRUE(list->REMOVE(1, true));
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"C", "B"}));
    EXPECT_TRUE(list->REMOVE(2));  // by key: B
    EXPECT_EQ(Names(*list), (std::vector<std::string>{"C"}));
    EXPECT_FALSE(list->REMOVE(2));
    EXPECT_FALSE(list->REMOVE(5, true));
    EXPECT_EQ(list->COUNT(), 1);
}

TEST_F(Channels, CreateAndAdd) {
    cls_DeviceChannels list;
    auto ph = list.CREATE(3, "pH a 0 - 14", "pH");
    EXPECT_EQ(ph->FACTOR(), 1.0);
    EXPECT_EQ(ph->OFFSET(), 0.0);
    EXPECT_EQ(ph->ID(), 3);
    EXPECT_EQ(cls_DeviceChannel().FACTOR(), 0.0);
    list.CREATE(3, "again", "pH");  // keys in use are not checked
    EXPECT_EQ(list.COUNT(), 2);

    auto own = std::make_shared<cls_DeviceChannel>();
    own->ID(9);
    EXPECT_EQ(list.ADD(own), own);
    EXPECT_EQ(list.Item(3)->ID(), 9);
    auto keyed = std::make_shared<cls_DeviceChannel>();
    EXPECT_EQ(list.ADD(keyed, 11), keyed);
    EXPECT_EQ(keyed->ID(), 11);
    EXPECT_EQ(list.Item(11, false), keyed);
}

TEST_F(Channels, ResetClearsOnlyTheMeasurement) {
    auto list = Abc();
    Fill(*list->Item(2), 2);
    list->RESET();
    auto c = list->Item(2);
    EXPECT_EQ(c->STATUS(), vodex::ID_ChannelStatus_Ready);
    EXPECT_FALSE(c->MEASURE());
    EXPECT_FALSE(c->MEASURED());
    EXPECT_EQ(c->VALUE(), 0.0);
    EXPECT_EQ(c->FLAG(), 0);
    EXPECT_EQ(c->NAME(), "Kanal 2");
    EXPECT_EQ(c->FACTOR(), 3.0);
    EXPECT_EQ(c->OFFSET(), -0.25);
    EXPECT_EQ(c->TAG(), "tag 2");
    EXPECT_EQ(c->STATUSUSER(), "eigener Text");
}

TEST_F(Channels, InfoListsTheNamesFromPositionOne) {
    EXPECT_EQ(cls_DeviceChannels().INFO(), std::vector<std::string>{""});
    EXPECT_EQ(Abc()->INFO(), (std::vector<std::string>{"", "A", "B", "C"}));
}

struct StatusCase {
    std::int32_t status;
    const char* longDe;
    const char* longEn;
    const char* shortDe;
    const char* shortEn;
};

TEST_F(Channels, StatusTextsInBothLanguages) {
    const StatusCase cases[] = {
        {0, "Bereit", "Ready", "EEE", "EEE"},
        {1, "Arbeitet", "Busy", "...", "..."},
        {100, "Überlauf!", "Overflow", "ÜL", "OV"},
        {103, "Unterlauf!", "Underrun", "UL", "UR"},
        {104, "Bereich falsch!", "Range error", "BR", "RNG"},
        {105, "Überlauf! Verbindung?", "Overflow! Connection?", "ÜL?", "OV?"},
        {106, "Unterlauf! Verbindung?", "Underrun! Connection?", "UL?", "UR?"},
        {555, "selbst", "selbst", "selbst", "selbst"},
        {666, "Unbekannt!", "Unknown!", "EE?", "EE?"},
        {2, "Keine Information", "No information", "N/A", "N/A"},
        {-1, "Keine Information", "No information", "N/A", "N/A"},
    };
    for (bool german : {true, false}) {
        ScopedEnv all("LC_ALL", german ? "de_DE.UTF-8" : "en_US.UTF-8");
        OnFreshThread([&] {
            cls_DeviceChannel c;
            c.STATUSUSER("selbst");
            for (const StatusCase& s : cases) {
                c.STATUS(s.status);
                EXPECT_EQ(c.STATUSTEXT(), german ? s.longDe : s.longEn) << s.status;
                EXPECT_EQ(c.STATUSTEXTSHORT(), german ? s.shortDe : s.shortEn) << s.status;
            }
        });
    }
}

TEST_F(Channels, AUserStatusTextStillChoosesTheLanguage) {
    OnFreshThread([] {
        cls_DeviceChannel c;
        c.STATUS(vodex::ID_ChannelStatus_ErrUserDefined);
        c.STATUSUSER("Sensor?");
        EXPECT_EQ(c.STATUSTEXTSHORT(), "Sensor?");
        EXPECT_TRUE(tlx::CoreTools()
                        .REGISTRY()
                        .READ(tlx::HKEY_CURRENT_USER, "Software\\VQ Morvane\\VQ Lumetra\\Language",
                              Variant(-1))
                        .IsText());
    });
}

TEST_F(Channels, SavedListsLoadBackWithEveryField) {
    auto list = Abc();
    list->DATA()->ID(Variant("Gerät 1"));
    for (int i = 1; i <= 3; ++i)
        Fill(*list->Item(i), i);
    const std::string file = home.File("channels.dat");
    ASSERT_TRUE(list->SAVE(file));

    cls_DeviceChannels back;
    back.CREATE(99, "old", "");
    ASSERT_TRUE(back.LOAD(file));
    ASSERT_EQ(back.COUNT(), 3);
    EXPECT_EQ(back.DATA()->ID(), Variant("Gerät 1"));
    for (int i = 1; i <= 3; ++i)
        ExpectSameFields(*back.Item(i), *list->Item(i));
    EXPECT_EQ(back.Item(1)->STATUSUSER(), "");  // not stored
    EXPECT_EQ(back.Item(2)->DATA()->ID().Type(), tlx::VarType::Long);
}

TEST_F(Channels, PasswordProtectedLists) {
    auto list = Abc();
    const std::string file = home.File("secret.dat");
    ASSERT_TRUE(list->SAVE(file, "pw"));
    cls_DeviceChannels back;
    EXPECT_FALSE(back.LOAD(file));
    EXPECT_FALSE(back.LOAD(file, "PW"));
    EXPECT_EQ(back.COUNT(), 0);
    EXPECT_TRUE(back.LOAD(file, "pw"));
    EXPECT_EQ(Names(back), (std::vector<std::string>{"A", "B", "C"}));
}

TEST_F(Channels, SaveFailsCleanly) {
    auto list = Abc();
    EXPECT_FALSE(list->SAVE(home.Path().string()));  // a folder
    EXPECT_FALSE(list->SAVE(""));
}

// Writes a channel record the way a given version laid it out.
void WriteChannel(tlx::cls_CoreFile& f, const char* version, bool withTag) {
    f.WRITE(Variant(version), Variant(4), Variant("alt"), Variant("pH"), Variant(2.0), Variant(0.5),
            Variant(100), Variant(true), Variant(6.5), Variant(3), Variant(true));
    if (withTag) f.WRITE(Variant("markiert"));
}

TEST_F(Channels, StoredVersionsOfAChannel) {
    const std::string file = home.File("channel.dat");
    for (const char* version : {"1.0", "1.1", "1.1a"}) {
        tlx::cls_CoreFile f;
        f.OPEN(file, tlx::cls_CoreFile::ModeWrite);
        WriteChannel(f, version, std::string(version) >= "1.1");
        f.CLOSE();
        f.OPEN(file, tlx::cls_CoreFile::ModeRead);
        cls_DeviceChannel c;
        c.TAG("before");
        c.DATA()->READ(f);
        if (std::string(version) == "1.1a") {  // beyond 1.1 in text order: nothing is read
            EXPECT_EQ(c.NAME(), "");
            EXPECT_EQ(c.TAG(), "before");
            continue;
        }
        EXPECT_EQ(c.ID(), 4);
        EXPECT_EQ(c.NAME(), "alt");
        EXPECT_EQ(c.STATUS(), 100);
        EXPECT_EQ(c.VALUE(), 6.5);
        EXPECT_EQ(c.FLAG(), 3);
        EXPECT_EQ(c.TAG(), std::string(version) == "1.0" ? "before" : "markiert");
        EXPECT_TRUE(f.ENDOFFILE());
    }
}

TEST_F(Channels, StoredVersionsOfAList) {
    const std::string file = home.File("list.dat");
    {
        tlx::cls_CoreFile f;
        f.OPEN(file, tlx::cls_CoreFile::ModeWrite);
        f.WRITE(Variant("1.0"), Variant(8), Variant(1));
        WriteChannel(f, "1.0", false);
        f.CLOSE();
    }
    cls_DeviceChannels list;
    ASSERT_TRUE(list.LOAD(file));
    ASSERT_EQ(list.COUNT(), 1);
    EXPECT_EQ(list.Item(1)->NAME(), "alt");
    EXPECT_EQ(list.Item(1)->TAG(), "");  // a 1.0 channel has no tag
    EXPECT_EQ(list.DATA()->ID(), Variant(8));

    {
        tlx::cls_CoreFile f;
        f.OPEN(file, tlx::cls_CoreFile::ModeWrite);
        f.WRITE(Variant("2.0"), Variant(9), Variant(0));
        f.CLOSE();
    }
    EXPECT_TRUE(list.LOAD(file));
    EXPECT_EQ(list.COUNT(), 1);
    EXPECT_EQ(list.DATA()->ID(), Variant(8));
}

TEST_F(Channels, ALoadThatFailsHalfwayKeepsWhatItRead) {
    const std::string file = home.File("short.dat");
    {
        tlx::cls_CoreFile f;
        f.OPEN(file, tlx::cls_CoreFile::ModeWrite);
        f.WRITE(Variant("1.0"), Variant(1), Variant(2));
        WriteChannel(f, "1.1", true);
        f.WRITE(Variant("1.1"), Variant(5), Variant("halb"));
        f.CLOSE();
    }
    cls_DeviceChannels list;
    EXPECT_FALSE(list.LOAD(file));
    ASSERT_EQ(list.COUNT(), 2);
    EXPECT_EQ(list.Item(1)->NAME(), "alt");
    EXPECT_EQ(list.Item(2)->NAME(), "halb");
}

TEST_F(Channels, PackagesCarryEveryFieldAndTheKeyComesBackAsText) {
    cls_DeviceChannel c;
    Fill(c, 5);
    cls_DeviceChannel back;
    back.DATA()->UNPACK(c.DATA()->PACK());
    ExpectSameFields(back, c);
    EXPECT_EQ(back.DATA()->ID(), Variant("5"));
    EXPECT_EQ(back.STATUSUSER(), "");
    const std::vector<Variant> v = tlx::CoreTools().PACKER().UNPACK(c.DATA()->PACK());
    EXPECT_EQ(v, (std::vector<Variant>{Variant(5), Variant("Kanal 5"), Variant("mS"), Variant(7.5),
                                       Variant(-0.25), Variant(104), Variant(true), Variant(17.75),
                                       Variant(35), Variant(true), Variant("tag 5")}));

    auto list = Abc();
    list->DATA()->ID(42);
    Fill(*list->Item(3), 3);
    list->Item(99, false)->NAME("spare");  // the spare travels too
    cls_DeviceChannels listBack;
    listBack.DATA()->UNPACK(list->DATA()->PACK());
    EXPECT_EQ(listBack.DATA()->ID(), Variant("42"));
    ASSERT_EQ(listBack.COUNT(), 3);
    ExpectSameFields(*listBack.Item(3), *list->Item(3));
    EXPECT_EQ(listBack.Item(0)->NAME(), "spare");
    EXPECT_NE(listBack.Item(1), list->Item(1));
    EXPECT_FALSE(listBack.EXISTS(1));  // keys are texts now
    EXPECT_TRUE(listBack.EXISTS(Variant("1")));

    cls_DeviceChannels empty;
    cls_DeviceChannels emptyBack;
    emptyBack.DATA()->UNPACK(empty.DATA()->PACK());
    EXPECT_EQ(emptyBack.COUNT(), 0);
    EXPECT_THROW(emptyBack.DATA()->UNPACK("VP1:1;E"), tlx::Error);
}

TEST_F(Channels, CopiesAreIndependent) {
    cls_DeviceChannel c;
    Fill(c, 1);
    cls_DeviceChannel copy;
    EXPECT_TRUE(copy.DATA()->COPY(c));
    ExpectSameFields(copy, c);
    EXPECT_EQ(copy.STATUSUSER(), "");

    auto list = Abc();
    list->DATA()->ID(7);
    cls_DeviceChannels listCopy;
    listCopy.CREATE(1, "x", "");
    listCopy.CREATE(2, "y", "");
    listCopy.CREATE(3, "z", "");
    listCopy.CREATE(4, "w", "");
    EXPECT_TRUE(listCopy.DATA()->COPY(*list));
    EXPECT_EQ(listCopy.DATA()->ID(), Variant(7));
    EXPECT_EQ(Names(listCopy), (std::vector<std::string>{"A", "B", "C"}));
    listCopy.Item(1)->NAME("changed");
    EXPECT_EQ(list->Item(1)->NAME(), "A");
    EXPECT_THROW(listCopy.DATA()->COPY(c), tlx::Error);
}

TEST_F(Channels, ReplacedDataObjectsServeTheirNewRecord) {
    auto list = Abc();
    auto oldData = list->DATA();
    auto oldStore = list->DATABASE();
    list->DATA(std::make_shared<tlx::cls_CoreData>());
    list->DATABASE(std::make_shared<tlx::cls_CoreDatabase>());
    EXPECT_EQ(list->COUNT(), 3);
    EXPECT_EQ(list->Item(2, true)->NAME(), "B");
    EXPECT_TRUE(list->SAVE(home.File("replaced.dat")));
    cls_DeviceChannels back;
    ASSERT_TRUE(back.LOAD(home.File("replaced.dat")));
    EXPECT_EQ(Names(back), (std::vector<std::string>{"A", "B", "C"}));
    // The replaced objects no longer reach the list, even after it is gone.
    EXPECT_THROW(oldData->PACK(), tlx::Error);
    EXPECT_THROW(oldStore->COUNT(), tlx::Error);
    auto channel = std::make_shared<cls_DeviceChannel>();
    auto channelData = channel->DATA();
    channel->DATA(std::make_shared<tlx::cls_CoreData>());
    channel.reset();
    list.reset();
    EXPECT_THROW(channelData->PACK(), tlx::Error);
    EXPECT_THROW(oldData->PACK(), tlx::Error);
    EXPECT_THROW(cls_DeviceChannel().DATA(nullptr), tlx::Error);
}

TEST_F(Channels, SpawnGivesNewEmptyRecords) {
    auto list = Abc();
    auto spawned = std::dynamic_pointer_cast<cls_DeviceChannels>(list->DATA()->SPAWN());
    ASSERT_TRUE(spawned);
    EXPECT_EQ(spawned->COUNT(), 0);
    auto channel = std::dynamic_pointer_cast<cls_DeviceChannel>(list->Item(1)->DATA()->SPAWN());
    ASSERT_TRUE(channel);
    EXPECT_EQ(channel->NAME(), "");
    EXPECT_EQ(list->DATA()->TYPENAME(), "Vodex_Interface.cls_DeviceChannels");
    EXPECT_EQ(channel->DATA()->TYPENAME(), "Vodex_Interface.cls_DeviceChannel");
}

}  // namespace
