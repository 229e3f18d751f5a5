#include "tlx/lists.h"

#include <gtest/gtest.h>

#include "fixtures.h"
#include "tlx/file.h"

namespace {

using tlx::Variant;

// Stores `record` into a file and reads it into `into`.
void ThroughFile(tlx::cls_CoreData& record, tlx::cls_CoreData& into, const std::string& path) {
    tlx::cls_CoreFile f;
    f.OPEN(path, tlx::cls_CoreFile::ModeWrite);
    record.STORE(f);
    f.CLOSE();
    f.OPEN(path, tlx::cls_CoreFile::ModeRead);
    into.READ(f);
    EXPECT_TRUE(f.ENDOFFILE());
}

TEST(CoreLists, ValueAndTextListsCountFromOne) {
    tlx::cls_CoreValueList bauds;
    bauds.ADD(Variant(9600));
    bauds.ADD(Variant(19200));
    EXPECT_EQ(bauds.COUNT(), 2);
    EXPECT_EQ(bauds.Item(1), Variant(9600));
    EXPECT_TRUE(bauds.EXISTS(Variant(19200.0)));
    EXPECT_FALSE(bauds.EXISTS(Variant("9600")));
    EXPECT_THROW(bauds.Item(0), tlx::Error);
    EXPECT_THROW(bauds.Item(3), tlx::Error);
    EXPECT_TRUE(bauds.REMOVE(1));
    EXPECT_FALSE(bauds.REMOVE(2));
    EXPECT_EQ(bauds.Item(1), Variant(19200));

    tlx::cls_CoreList names;
    names.ADD("VODEX_RANDOMIZER");
    EXPECT_TRUE(names.EXISTS(" vodex_randomizer "));
    names.Item(1, "other");
    EXPECT_EQ(names.Item(1), "other");
}

TEST(CoreLists, ListsStorePackCopyAndSpawn) {
    vodex::test::TempHome home;
    tlx::cls_CoreList names;
    names.DATA()->ID(Variant("key"));
    names.ADD("a");
    names.ADD("Ä b");

    tlx::cls_CoreList fromFile;
    ThroughFile(*names.DATA(), *fromFile.DATA(), home.File("list.dat"));
    EXPECT_EQ(fromFile.ITEMS(), names.ITEMS());
    EXPECT_EQ(fromFile.DATA()->ID(), Variant("key"));

    tlx::cls_CoreList unpacked;
    unpacked.DATA()->UNPACK(names.DATA()->PACK());
    EXPECT_EQ(unpacked.ITEMS(), names.ITEMS());

    tlx::cls_CoreList copy;
    EXPECT_TRUE(copy.DATA()->COPY(names));
    EXPECT_EQ(copy.ITEMS(), names.ITEMS());
    tlx::cls_CoreValueList other;
    EXPECT_THROW(copy.DATA()->COPY(other), tlx::Error);

    auto spawned = std::dynamic_pointer_cast<tlx::cls_CoreList>(names.DATA()->SPAWN());
    ASSERT_TRUE(spawned);
    EXPECT_EQ(spawned->COUNT(), 0);

    tlx::cls_CoreValueList bauds;
    bauds.ADD(Variant(9600));
    bauds.ADD(Variant(2.5));
    tlx::cls_CoreValueList bauds2;
    ThroughFile(*bauds.DATA(), *bauds2.DATA(), home.File("values.dat"));
    EXPECT_EQ(bauds2.ITEMS(), bauds.ITEMS());
}

TEST(CoreLists, ADataObjectOutlivingItsRecordFailsCleanly) {
    std::shared_ptr<tlx::cls_CoreData> data;
    {
        tlx::cls_CoreList names;
        data = names.DATA();
    }
    EXPECT_THROW(data->PACK(), tlx::Error);
}

TEST(CoreSettings, KeysIgnoreCaseAndKeepOrder) {
    tlx::cls_CoreSettings s;
    s.Item("Baud", Variant(9600));
    s.Item("Port", Variant("COM 1"));
    s.Item("BAUD", Variant(19200));
    EXPECT_EQ(s.COUNT(), 2);
    EXPECT_EQ(s.KEY(1), "Baud");
    EXPECT_EQ(s.Item("baud"), Variant(19200));
    EXPECT_TRUE(s.Item("missing").IsEmpty());
    EXPECT_TRUE(s.REMOVE("PORT"));
    EXPECT_FALSE(s.EXISTS("Port"));
    EXPECT_THROW(s.Item("obj", Variant(std::make_shared<tlx::Object>())), tlx::Error);
}

TEST(CoreSettings, PackageTextAndFileCarryEverySetting) {
    vodex::test::TempHome home;
    tlx::cls_CoreSettings s;
    s.Item("Zahl", Variant(1.5));
    s.Item("Text", Variant("ä|b"));
    s.Item("Flag", Variant(true));

    tlx::cls_CoreSettings unpacked;
    unpacked.DATA()->UNPACK(s.DATA()->PACK());
    ASSERT_EQ(unpacked.COUNT(), 3);
    EXPECT_EQ(unpacked.Item("flag").Type(), tlx::VarType::Boolean);
    EXPECT_EQ(unpacked.Item("text"), Variant("ä|b"));

    tlx::cls_CoreSettings fromFile;
    fromFile.Item("old", Variant(1));
    ThroughFile(*s.DATA(), *fromFile.DATA(), home.File("settings.dat"));
    EXPECT_EQ(fromFile.COUNT(), 3);
    EXPECT_FALSE(fromFile.EXISTS("old"));
    EXPECT_EQ(fromFile.Item("Zahl"), Variant(1.5));
}

TEST(CoreCollection, KeyedAndPositionalAccess) {
    tlx::cls_CoreCollection c;
    EXPECT_TRUE(c.ISEMPTY());
    c.ADD(Variant("first"), "Form.Caption");
    c.ADD(Variant("second"));
    c.ADD(Variant("third"), "Label1(2).CAPTION");
    EXPECT_THROW(c.ADD(Variant("again"), " form.caption "), tlx::Error);
    EXPECT_EQ(c.COUNT(), 3);
    EXPECT_TRUE(c.EXISTS("FORM.CAPTION"));
    EXPECT_EQ(c.Item(Variant("label1(2).caption")), Variant("third"));
    EXPECT_EQ(c.Item(Variant(2)), Variant("second"));
    EXPECT_THROW(c.Item(Variant("nope")), tlx::Error);
    EXPECT_THROW(c.Item(Variant(4)), tlx::Error);
    EXPECT_TRUE(c.REMOVE(Variant(1)));
    EXPECT_FALSE(c.EXISTS("Form.Caption"));
    EXPECT_EQ(c.Item(Variant("Label1(2).CAPTION")), Variant("third"));
    c.ADD(Variant("new"), "Form.Caption");
    EXPECT_EQ(c.Item(Variant(3)), Variant("new"));
    EXPECT_EQ(c.KEY(3), "Form.Caption");
    EXPECT_EQ(c.KEY(1), "");
    EXPECT_THROW(c.KEY(4), tlx::Error);
}

TEST(CoreCollection, RecordsOfOneKindShareTheirKey) {
    tlx::cls_CoreCollection c;
    c.APPEND(Variant(1), "Waage");
    c.APPEND(Variant(2), "Zufall");
    c.APPEND(Variant(3), " waage");
    EXPECT_EQ(c.COUNT(), 3);
    EXPECT_EQ(c.Item(Variant("WAAGE")), Variant(1));  // the first of its key
    EXPECT_EQ(c.KEY(3), " waage");
    EXPECT_THROW(c.ADD(Variant(4), "Waage"), tlx::Error);
    EXPECT_TRUE(c.REMOVE(Variant("Waage")));  // the first goes; the next one takes the key
    EXPECT_EQ(c.Item(Variant("waage")), Variant(3));
    EXPECT_EQ(c.COUNT(), 2);
}

}  // namespace
