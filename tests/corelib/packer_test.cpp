#include "tlx/packer.h"

#include <gtest/gtest.h>

#include <random>

#include "tlx/lists.h"

namespace {

using tlx::Variant;

const tlx::cls_CorePacker packer;

bool IsRegistrySafe(const std::string& s) {
    for (char c : s) {
        if (c == '\0') return false;
    }
    // Valid UTF-8 survives a round trip through the packer as a clean text.
    return packer.UNPACK(packer.PACK({Variant(s)}), 1)[0] == Variant(s);
}

TEST(Packer, ValuesComeBackInOrderAndType) {
    std::vector<Variant> values = {
        Variant(),
        Variant::Missing(),
        Variant(true),
        Variant(false),
        Variant(std::int16_t{-3}),
        Variant(-2147483647 - 1),
        Variant(1e-300),
        Variant(0.1),
        Variant("Kanal: Überlauf"),
        Variant(std::string("\xff\xfe binary \0 text", 17)),
        Variant(tlx::Date::FromParts(2001, 12, 5)),
        Variant(tlx::Bytes{0, 1, 254}),
        Variant(tlx::ObjectRef()),
        Variant::Array(1, {Variant(1), Variant::Array(-1, {Variant("x")})})};
    std::string package = packer.PACK(values);
    std::vector<Variant> back = packer.UNPACK(package, values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(back[i].Type(), values[i].Type()) << "value " << i;
        EXPECT_EQ(back[i], values[i]) << "value " << i;
    }
}

TEST(Packer, PackagesAreCleanTextsEvenForBinaryContent) {
    std::string package =
        packer.PACK({Variant(std::string("\0\xc3\x28\xff", 4)), Variant(tlx::Bytes{0, 0, 0})});
    EXPECT_EQ(package.find('\0'), std::string::npos);
    EXPECT_TRUE(IsRegistrySafe(package));
}

TEST(Packer, PackagesNestInsidePackages) {
    std::string inner = packer.PACK({Variant("a;b:c"), Variant(5)});
    std::string middle = packer.PACK({Variant(inner), Variant("t3:xyz")});
    std::string outer = packer.PACK({Variant(middle)});
    std::string middleBack = packer.UNPACK(outer, 1)[0].ToText();
    std::vector<Variant> m = packer.UNPACK(middleBack, 2);
    EXPECT_EQ(m[1], Variant("t3:xyz"));
    std::vector<Variant> i = packer.UNPACK(m[0].ToText(), 2);
    EXPECT_EQ(i[0], Variant("a;b:c"));
    EXPECT_EQ(i[1], Variant(5));
    // Nesting costs only a few characters a level.
    EXPECT_LT(outer.size(), inner.size() + 40);
}

TEST(Packer, RecordsTravelAsTheirOwnPackages) {
    auto first = std::make_shared<tlx::cls_CoreList>();
    first->ADD("eins");
    first->ADD("zwei");
    first->DATA()->ID(Variant(4));
    std::string package =
        packer.PACK({Variant::Array(0, {Variant(tlx::ObjectRef()), Variant(first)})});

    EXPECT_THROW(packer.UNPACK(package), tlx::Error);  // nothing to restore the record into
    int made = 0;
    std::vector<Variant> back = packer.UNPACK(package, 1, [&] {
        ++made;
        return std::make_shared<tlx::cls_CoreList>();
    });
    EXPECT_EQ(made, 1);
    const tlx::VariantArray& a = back[0].ToArray();
    EXPECT_TRUE(a[0].IsNothing());
    auto list = a[1].As<tlx::cls_CoreList>();
    ASSERT_TRUE(list);
    EXPECT_EQ(list->COUNT(), 2);
    EXPECT_EQ(list->Item(2), "zwei");
    EXPECT_EQ(list->DATA()->ID(), Variant(4));

    EXPECT_THROW(packer.PACK({Variant(std::make_shared<tlx::Object>())}), tlx::Error);
}

TEST(Packer, ExpectedCountIsChecked) {
    std::string package = packer.PACK({Variant(1), Variant(2)});
    EXPECT_THROW(packer.UNPACK(package, 3), tlx::Error);
    EXPECT_EQ(packer.UNPACK(package, 2).size(), 2u);
}

TEST(Packer, MalformedPackagesFailCleanly) {
    const std::string good = packer.PACK(
        {Variant("text"), Variant::Array(2, {Variant(1.5), Variant(tlx::Bytes{7})}), Variant(3)});
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        EXPECT_THROW(packer.UNPACK(good.substr(0, cut)), tlx::Error) << "cut at " << cut;
    }
    EXPECT_THROW(packer.UNPACK(good + "E"), tlx::Error);
    EXPECT_THROW(packer.UNPACK("VP1:99999999999;"), tlx::Error);
    EXPECT_THROW(packer.UNPACK("VP1:1;t99999999:abc"), tlx::Error);
    EXPECT_THROW(packer.UNPACK("VP1:1;a0,4000000000:"), tlx::Error);
    EXPECT_THROW(packer.UNPACK("VP1:1;a2147483647,2:EE"), tlx::Error);
    EXPECT_THROW(packer.UNPACK("VP1:1;bz:"), tlx::Error);
    EXPECT_THROW(packer.UNPACK("VP1:1;b1:zz"), tlx::Error);
    EXPECT_THROW(packer.UNPACK("VP1:1;l99999999999;"), tlx::Error);
    std::string deep = "VP1:1;";
    for (int i = 0; i < 100; ++i)
        deep += "a0,1:";
    deep += "E";
    EXPECT_THROW(packer.UNPACK(deep), tlx::Error);

    // Random damage either fails with tlx::Error or yields some values; it never crashes.
    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        std::string bad = good;
        bad[rng() % bad.size()] = static_cast<char>(rng() % 256);
        try {
            packer.UNPACK(bad);
        } catch (const tlx::Error&) {
        }
    }
}

}  // namespace
