#include "vodex/records/device_info.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>

#include "fixtures.h"
#include "framing.h"
#include "pictures.h"
#include "tlx/file.h"
#include "tlx/tools.h"

namespace {

using tlx::Variant;
using vodex::cls_DeviceInfo;

// Every field of a record as text, lists and pictures included.
std::map<std::string, std::string> Fields(cls_DeviceInfo& r) {
    auto list = [](const auto& l) {
        std::string s;
        for (const auto& e : l->ITEMS())
            s += Variant(e).ToText() + ";";
        return s;
    };
    auto picture = [](const cls_DeviceInfo::Picture& p) { return tlx::PictureToText(p); };
    auto b = [](bool v) { return std::string(v ? "T" : "F"); };
    auto d = [](double v) { return Variant(v).ToText(); };
    return {
        {"NAME", r.NAME()},
        {"MANUFACTURER", r.MANUFACTURER()},
        {"IDENTIFIER", r.IDENTIFIER()},
        {"DESCRIPTION", r.DESCRIPTION()},
        {"SETUPSCREEN", b(r.SETUPSCREEN())},
        {"LOGGER", b(r.LOGGER())},
        {"MANUALWAVE", b(r.MANUALWAVE())},
        {"CATEGORY", std::to_string(r.CATEGORY())},
        {"INFOURL", r.INFOURL()},
        {"IMAGE", picture(r.IMAGE())},
        {"ICON", picture(r.ICON())},
        {"AUTOSENSE", b(r.AUTOSENSE())},
        {"AUTOSENSESURE", b(r.AUTOSENSESURE())},
        {"SUPPORTEDACTIVATORS", list(r.SUPPORTEDACTIVATORS())},
        {"AUTOPORT", b(r.AUTOPORT())},
        {"AUTOCHANNEL", b(r.AUTOCHANNEL())},
        {"CUSTOMSETTINGS", b(r.CUSTOMSETTINGS())},
        {"COMSETTINGS", b(r.COMSETTINGS())},
        {"COMSETTINGSDEFAULT", b(r.COMSETTINGSDEFAULT())},
        {"COMBAUD", list(r.COMBAUD())},
        {"COMPARITIES", list(r.COMPARITIES())},
        {"COMSTOPBITS", list(r.COMSTOPBITS())},
        {"COMDATABITS", list(r.COMDATABITS())},
        {"COMHANDSHAKE", list(r.COMHANDSHAKE())},
        {"MANUALSCAN", b(r.MANUALSCAN())},
        {"WAVETIMESINGLEVALUE", d(r.WAVETIMESINGLEVALUE())},
        {"WAVETIMEAUTOSCAN", d(r.WAVETIMEAUTOSCAN())},
        {"WAVESTART", std::to_string(r.WAVESTART())},
        {"WAVEEND", std::to_string(r.WAVEEND())},
        {"SETZERO", b(r.SETZERO())},
        {"WAVETIMEBASESCAN", d(r.WAVETIMEBASESCAN())},
        {"WAVEINTERVAL", d(r.WAVEINTERVAL())},
        {"WAVETIMEFIRST", d(r.WAVETIMEFIRST())},
    };
}

// A record whose every field differs from its default and from the file values below.
void FillSentinels(cls_DeviceInfo& r) {
    r.NAME("sName");
    r.MANUFACTURER("sMan");
    r.IDENTIFIER("sId");
    r.DESCRIPTION("sDesc");
    r.CATEGORY(100);
    r.INFOURL("sUrl");
    r.IMAGE(vodex::test::TinyBmp(7, 7));
    r.ICON(vodex::test::TinyBmp(8, 8));
    r.SUPPORTEDACTIVATORS()->ADD("sAct");
    r.COMBAUDADD(1200);
    r.COMPARITIESADD(4);
    r.COMSTOPBITSADD(2);
    r.COMDATABITSADD(4);
    r.COMHANDSHAKEADD(1);
    r.WAVETIMESINGLEVALUE(-7);
    r.WAVETIMEAUTOSCAN(-8);
    r.WAVESTART(-1);
    r.WAVEEND(-2);
    r.WAVETIMEBASESCAN(-9);
    r.WAVEINTERVAL(-10);
    r.WAVETIMEFIRST(-11);
}

// The values the hand-built files carry; Booleans are all True (the sentinels are False).
void FillFileValues(cls_DeviceInfo& r) {
    r.NAME("fName");
    r.MANUFACTURER("fMan");
    r.IDENTIFIER("fId");
    r.DESCRIPTION("fDesc");
    using Setter = void (cls_DeviceInfo::*)(bool);
    for (Setter set : std::initializer_list<Setter>{
             &cls_DeviceInfo::SETUPSCREEN, &cls_DeviceInfo::LOGGER, &cls_DeviceInfo::MANUALWAVE,
             &cls_DeviceInfo::AUTOSENSE, &cls_DeviceInfo::AUTOSENSESURE, &cls_DeviceInfo::AUTOPORT,
             &cls_DeviceInfo::AUTOCHANNEL, &cls_DeviceInfo::CUSTOMSETTINGS,
             &cls_DeviceInfo::COMSETTINGS, &cls_DeviceInfo::COMSETTINGSDEFAULT,
             &cls_DeviceInfo::MANUALSCAN, &cls_DeviceInfo::SETZERO}) {
        (r.*set)(true);
    }
    r.CATEGORY(450);
    r.INFOURL("fUrl");
    r.IMAGE(vodex::test::TinyPng());
    r.ICON(vodex::test::TinyBmp(2, 2));
    r.SUPPORTEDACTIVATORS()->ADD("fAct");
    r.COMBAUDADD(19200);
    r.COMPARITIESADD(2);
    r.COMSTOPBITSADD(1);
    r.COMDATABITSADD(1);
    r.COMHANDSHAKEADD(3);
    r.WAVETIMESINGLEVALUE(1.5);
    r.WAVETIMEAUTOSCAN(2.5);
    r.WAVESTART(400);
    r.WAVEEND(800);
    r.WAVETIMEBASESCAN(3.5);
    r.WAVEINTERVAL(4.5);
    r.WAVETIMEFIRST(5.5);
}

// Writes a record in the layout of `version`, value by value, from `v` (holding the file
// values).
void WriteLayout(tlx::cls_CoreFile& f, const std::string& version, cls_DeviceInfo& v) {
    auto list = [&f](auto l) { l->DATA()->STORE(f); };
    auto text = [](const cls_DeviceInfo::Picture& p) { return Variant(tlx::PictureToText(p)); };
    f.WRITE(Variant(version));
    if (version == "2.4") {
        f.WRITE(Variant(v.NAME()), Variant(v.MANUFACTURER()), Variant(v.IDENTIFIER()),
                Variant(v.DESCRIPTION()), Variant(v.SETUPSCREEN()));
        f.WRITE(Variant(v.CATEGORY()), Variant(v.INFOURL()));
        f.WRITE(text(v.IMAGE()), text(v.ICON()));
        f.WRITE(Variant(v.AUTOSENSE()), Variant(v.AUTOSENSESURE()), Variant(v.AUTOPORT()),
                Variant(v.AUTOCHANNEL()));
        f.WRITE(Variant(v.CUSTOMSETTINGS()), Variant(v.COMSETTINGS()),
                Variant(v.COMSETTINGSDEFAULT()));
        f.WRITE(Variant(v.LOGGER()), Variant(v.MANUALWAVE()));
        f.WRITE(Variant(v.MANUALSCAN()));
        f.WRITE(Variant(v.WAVETIMESINGLEVALUE()), Variant(v.WAVETIMEAUTOSCAN()),
                Variant(v.WAVESTART()), Variant(v.WAVEEND()));
        f.WRITE(Variant(v.SETZERO()));
        f.WRITE(Variant(v.WAVETIMEBASESCAN()), Variant(v.WAVEINTERVAL()),
                Variant(v.WAVETIMEFIRST()));
        list(v.SUPPORTEDACTIVATORS());
        list(v.COMBAUD());
        list(v.COMPARITIES());
        list(v.COMSTOPBITS());
        list(v.COMDATABITS());
        list(v.COMHANDSHAKE());
        return;
    }
    const std::string old = version >= "2.0" ? "1.9" : version;
    auto from = [&old](const char* since) { return old >= since; };
    f.WRITE(Variant(v.NAME()), Variant(v.MANUFACTURER()), Variant(v.IDENTIFIER()),
            Variant(v.DESCRIPTION()), Variant(v.SETUPSCREEN()), Variant(v.LOGGER()),
            Variant(v.MANUALWAVE()));
    if (from("1.7")) f.WRITE(Variant(v.CATEGORY()));
    if (from("1.1")) {
        f.WRITE(Variant(v.INFOURL()));
        f.WRITE(text(v.IMAGE()));
        f.WRITE(text(v.ICON()));
    }
    if (from("1.2")) f.WRITE(Variant(v.AUTOSENSE()));
    if (from("1.6")) {
        f.WRITE(Variant(v.AUTOSENSESURE()));
        list(v.SUPPORTEDACTIVATORS());
    }
    if (from("1.3")) f.WRITE(Variant(v.AUTOPORT()), Variant(v.AUTOCHANNEL()));
    if (from("1.4")) f.WRITE(Variant(v.CUSTOMSETTINGS()));
    if (from("1.5")) {
        f.WRITE(Variant(v.COMSETTINGS()));
        f.WRITE(Variant(v.COMSETTINGSDEFAULT()));
        list(v.COMBAUD());
        list(v.COMPARITIES());
        list(v.COMSTOPBITS());
        list(v.COMDATABITS());
        list(v.COMHANDSHAKE());
    }
    if (from("1.8")) f.WRITE(Variant(v.MANUALSCAN()));
    if (from("1.9")) {
        f.WRITE(Variant(v.WAVETIMESINGLEVALUE()), Variant(v.WAVETIMEAUTOSCAN()));
        f.WRITE(Variant(v.WAVESTART()), Variant(v.WAVEEND()));
    }
    if (version == "2.0") f.WRITE(Variant(v.SETZERO()));
    if (version >= "2.1") {
        f.WRITE(Variant(v.WAVETIMEBASESCAN()));
        if (version >= "2.2") f.WRITE(Variant(v.WAVEINTERVAL()));
        if (version >= "2.3") {
            f.WRITE(Variant(v.WAVETIMEFIRST()));
            f.WRITE(Variant(6.5));  // the extra number of version 2.3
        }
    }
}

class DeviceInfo : public vodex::test::HomeTest {};

TEST_F(DeviceInfo, NewRecordDefaults) {
    cls_DeviceInfo r;
    EXPECT_EQ(r.WAVEINTERVAL(), -1);
    EXPECT_EQ(r.WAVETIMEBASESCAN(), -1);
    EXPECT_EQ(r.WAVETIMEFIRST(), -1);
    EXPECT_EQ(r.WAVETIMESINGLEVALUE(), -1);
    EXPECT_EQ(r.WAVETIMEAUTOSCAN(), -1);
    EXPECT_EQ(r.WAVESTART(), 0);
    EXPECT_EQ(r.WAVEEND(), 0);
    EXPECT_EQ(r.CATEGORY(), 0);
    EXPECT_FALSE(r.IMAGE());
    EXPECT_FALSE(r.UPDATETAG());
    ASSERT_TRUE(r.COMBAUD());
    EXPECT_EQ(r.COMBAUD(), r.COMBAUD());
    r.COMBAUD(nullptr);
    EXPECT_EQ(r.COMBAUD()->COUNT(), 0);
    r.COMHANDSHAKEADD(2);
    r.COMHANDSHAKEADD(3);
    EXPECT_EQ(r.COMHANDSHAKE()->Item(2), Variant(3));
    EXPECT_EQ(r.DATA()->TYPENAME(), "Vodex_Interface.cls_DeviceInfo");
}

TEST_F(DeviceInfo, CategoryTextsAreAlwaysGerman) {
    const std::pair<std::int32_t, const char*> texts[] = {
        {0, "Nicht angegeben"},
        {100, "Chemie-Multimeter mit Anzeige"},
        {101, "Chemie-Multim. ohne Anzeige"},
        {102, "Chemie-Baukasten-System"},
        {200, "Labormessgerät - z.B.: pH, Temp, LF"},
        {300, "Waagen"},
        {400, "Fotometer"},
        {450, "Spektrometer"},
        {500, "Chemische Handmessgeräte"},
        {600, "Spezialwandler für GC"},
        {700, "Sonstige"},
        {800, "Multimeter für Elektroniker"},
        {999, ""},
        {-1, ""}};
    vodex::test::ScopedEnv all("LC_ALL", "en_US.UTF-8");
    vodex::test::OnFreshThread([&] {
        cls_DeviceInfo r;
        for (const auto& [category, text] : texts) {
            r.CATEGORY(category);
            EXPECT_EQ(r.CATEGORYTEXT(), text) << category;
        }
    });
}

// The fields each stored version brought, from the record's history.
std::set<std::string> FieldsOfVersion(const std::string& version) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> since = {
        {"1.0",
         {"NAME", "MANUFACTURER", "IDENTIFIER", "DESCRIPTION", "SETUPSCREEN", "LOGGER",
          "MANUALWAVE"}},
        {"1.1", {"INFOURL", "IMAGE", "ICON"}},
        {"1.2", {"AUTOSENSE"}},
        {"1.3", {"AUTOPORT", "AUTOCHANNEL"}},
        {"1.4", {"CUSTOMSETTINGS"}},
        {"1.5",
         {"COMSETTINGS", "COMSETTINGSDEFAULT", "COMBAUD", "COMPARITIES", "COMSTOPBITS",
          "COMDATABITS", "COMHANDSHAKE"}},
        {"1.6", {"AUTOSENSESURE", "SUPPORTEDACTIVATORS"}},
        {"1.7", {"CATEGORY"}},
        {"1.8", {"MANUALSCAN"}},
        {"1.9", {"WAVETIMESINGLEVALUE", "WAVETIMEAUTOSCAN", "WAVESTART", "WAVEEND"}},
    };
    std::set<std::string> fields;
    const std::string upTo = version >= "1.9" ? "1.9" : version;
    for (const auto& [v, names] : since) {
        if (v <= upTo) fields.insert(names.begin(), names.end());
    }
    if (version == "2.0" || version == "2.4") fields.insert("SETZERO");
    if (version >= "2.1") fields.insert("WAVETIMEBASESCAN");
    if (version >= "2.2") fields.insert("WAVEINTERVAL");
    if (version >= "2.3") fields.insert("WAVETIMEFIRST");
    return fields;
}

TEST_F(DeviceInfo, EveryStoredVersionReadsWhatItHolds) {
    std::vector<std::pair<std::string, std::set<std::string>>> versions;
    for (const char* v : {"1.0", "1.1", "1.2", "1.3", "1.4", "1.5", "1.6", "1.7", "1.8", "1.9",
                          "2.0", "2.1", "2.2", "2.3", "2.4"}) {
        versions.emplace_back(v, FieldsOfVersion(v));
    }
    EXPECT_EQ(versions[4].second.count("CUSTOMSETTINGS"), 1u);  // 1.4
    EXPECT_EQ(versions[4].second.count("CATEGORY"), 0u);
    EXPECT_EQ(versions.back().second.size(), 33u);  // 2.4 holds every field

    cls_DeviceInfo fileValues;
    FillFileValues(fileValues);
    const auto fromFile = Fields(fileValues);
    cls_DeviceInfo sentinel;
    FillSentinels(sentinel);
    const auto before = Fields(sentinel);
    const std::string path = home.File("info.dat");

    for (const auto& [version, expectedSet] : versions) {
        tlx::cls_CoreFile f;
        f.OPEN(path, tlx::cls_CoreFile::ModeWrite);
        WriteLayout(f, version, fileValues);
        f.CLOSE();

        cls_DeviceInfo r;
        FillSentinels(r);
        f.OPEN(path, tlx::cls_CoreFile::ModeRead);
        r.DATA()->READ(f);
        EXPECT_TRUE(f.ENDOFFILE()) << version;
        const auto after = Fields(r);
        for (const auto& [field, value] : after) {
            std::string expected = expectedSet.count(field) ? fromFile.at(field) : before.at(field);
            if (version == "2.3" && field == "WAVETIMEFIRST") expected = "6.5";
            EXPECT_EQ(value, expected) << "version " << version << ", field " << field;
        }
    }
}

TEST_F(DeviceInfo, TheWriterUsesTheLayoutOfVersion24) {
    cls_DeviceInfo r;
    FillFileValues(r);
    const std::string byHand = home.File("hand.dat");
    const std::string byRecord = home.File("record.dat");
    tlx::cls_CoreFile f;
    f.OPEN(byHand, tlx::cls_CoreFile::ModeWrite);
    WriteLayout(f, "2.4", r);
    f.CLOSE();
    f.OPEN(byRecord, tlx::cls_CoreFile::ModeWrite);
    r.DATA()->STORE(f);
    f.CLOSE();
    EXPECT_EQ(vodex::test::ReadBytes(byRecord), vodex::test::ReadBytes(byHand));
}

TEST_F(DeviceInfo, UnknownVersionsReadNothing) {
    for (const char* version : {"3.0", "0.9", "2.5", "2.05", ""}) {
        const std::string path = home.File("unknown.dat");
        tlx::cls_CoreFile f;
        f.OPEN(path, tlx::cls_CoreFile::ModeWrite);
        f.WRITE(Variant(version), Variant("never read"));
        f.CLOSE();
        cls_DeviceInfo r;
        FillSentinels(r);
        const auto before = Fields(r);
        f.OPEN(path, tlx::cls_CoreFile::ModeRead);
        r.DATA()->READ(f);
        EXPECT_EQ(Fields(r), before) << version;
        EXPECT_EQ(f.READ(), Variant("never read"));
    }
}

TEST_F(DeviceInfo, PackagesAndCopiesCarryEveryProperty) {
    cls_DeviceInfo r;
    FillFileValues(r);
    const std::vector<Variant> v = tlx::CoreTools().PACKER().UNPACK(r.DATA()->PACK());
    ASSERT_EQ(v.size(), 33u);
    EXPECT_EQ(v[0], Variant("fName"));
    EXPECT_EQ(v[2], Variant("fId"));
    EXPECT_EQ(v[3], Variant("fDesc"));
    EXPECT_EQ(v[7], Variant("fUrl"));
    EXPECT_EQ(v[8], Variant(tlx::PictureToText(r.IMAGE())));
    EXPECT_EQ(v[9], Variant(tlx::PictureToText(r.ICON())));
    EXPECT_EQ(v[17], Variant(r.COMBAUD()->DATA()->PACK()));
    EXPECT_EQ(v[22], Variant(r.SUPPORTEDACTIVATORS()->DATA()->PACK()));
    EXPECT_EQ(v[23], Variant(450));
    EXPECT_EQ(v[25], Variant(1.5));
    EXPECT_EQ(v[27], Variant(400));
    EXPECT_EQ(v[30], Variant(3.5));
    EXPECT_EQ(v[31], Variant(4.5));
    EXPECT_EQ(v[32], Variant(5.5));

    cls_DeviceInfo unpacked;
    FillSentinels(unpacked);
    unpacked.DATA()->UNPACK(r.DATA()->PACK());
    EXPECT_EQ(Fields(unpacked), Fields(r));

    cls_DeviceInfo copy;
    FillSentinels(copy);
    EXPECT_TRUE(copy.DATA()->COPY(r));
    EXPECT_EQ(Fields(copy), Fields(r));
    EXPECT_EQ(copy.IMAGE(), r.IMAGE());      // the same picture objects
    EXPECT_NE(copy.COMBAUD(), r.COMBAUD());  // lists are filled, not shared
    copy.COMBAUDADD(300);
    EXPECT_EQ(r.COMBAUD()->COUNT(), 1);

    auto spawned = std::dynamic_pointer_cast<cls_DeviceInfo>(r.DATA()->SPAWN());
    ASSERT_TRUE(spawned);
    EXPECT_EQ(spawned->NAME(), "");
}

TEST_F(DeviceInfo, RecordsWithoutPicturesComeBackWithout) {
    cls_DeviceInfo r;
    r.NAME("ohne Bild");
    cls_DeviceInfo fromPackage;
    FillSentinels(fromPackage);
    fromPackage.DATA()->UNPACK(r.DATA()->PACK());
    EXPECT_FALSE(fromPackage.IMAGE());
    EXPECT_FALSE(fromPackage.ICON());

    const std::string path = home.File("plain.dat");
    tlx::cls_CoreFile f;
    f.OPEN(path, tlx::cls_CoreFile::ModeWrite);
    r.DATA()->STORE(f);
    f.CLOSE();
    cls_DeviceInfo fromFile;
    FillSentinels(fromFile);
    f.OPEN(path, tlx::cls_CoreFile::ModeRead);
    fromFile.DATA()->READ(f);
    EXPECT_FALSE(fromFile.IMAGE());
    EXPECT_FALSE(fromFile.ICON());
    EXPECT_EQ(fromFile.NAME(), "ohne Bild");
    EXPECT_EQ(Fields(fromFile), Fields(r));
}

}  // namespace
