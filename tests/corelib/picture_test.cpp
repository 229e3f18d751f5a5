#include "tlx/picture.h"

#include <gtest/gtest.h>

#include "fixtures.h"
#include "pictures.h"
#include "tlx/packer.h"
#include "tlx/tools.h"

namespace {

using vodex::test::TinyBmp;
using vodex::test::TinyPng;

TEST(Picture, PngAndBmpAreRecognisedWithTheirSize) {
    auto png = TinyPng();
    EXPECT_STREQ(png->FORMAT(), "PNG");
    EXPECT_EQ(png->WIDTH(), 2);
    EXPECT_EQ(png->HEIGHT(), 3);
    auto bmp = TinyBmp(5, 4);
    EXPECT_STREQ(bmp->FORMAT(), "BMP");
    EXPECT_EQ(bmp->WIDTH(), 5);
    EXPECT_EQ(bmp->HEIGHT(), 4);
    EXPECT_THROW(tlx::cls_CorePicture(tlx::Bytes{'G', 'I', 'F', '8', '9', 'a'}), tlx::Error);
    EXPECT_THROW(tlx::cls_CorePicture(tlx::Bytes{}), tlx::Error);
}

TEST(Picture, TextFormSurvivesPackagesAndTheRegistry) {
    vodex::test::TempHome home;
    EXPECT_EQ(tlx::PictureToText(nullptr), "");
    EXPECT_EQ(tlx::TextToPicture(""), nullptr);
    for (auto picture : {TinyPng(), TinyBmp(3, 3)}) {
        const std::string text = tlx::CoreTools().PICTURETOTEXT(picture);
        for (char c : text)
            EXPECT_TRUE(c > 32 && c < 127);
        const tlx::cls_CorePacker packer;
        std::string inPackage = packer.UNPACK(packer.PACK({tlx::Variant(text)}), 1)[0].ToText();
        auto& reg = tlx::CoreTools().REGISTRY();
        reg.WRITE(tlx::HKEY_CURRENT_USER, "Pictures\\One", tlx::Variant(inPackage));
        auto back =
            tlx::CoreTools().TEXTTOPICTURE(reg.READTEXT(tlx::HKEY_CURRENT_USER, "Pictures\\One"));
        ASSERT_TRUE(back);
        EXPECT_EQ(*back, *picture);
    }
    EXPECT_THROW(tlx::TextToPicture("no picture"), tlx::Error);
    EXPECT_THROW(tlx::TextToPicture("VXPIC1:%%%%"), tlx::Error);
    EXPECT_THROW(tlx::TextToPicture("VXPIC1:R0lGODlh"), tlx::Error);  // Base64 of a GIF header
}

TEST(Picture, FromFile) {
    vodex::test::TempHome home;
    EXPECT_THROW(tlx::cls_CorePicture::FromFile(home.File("missing.png")), tlx::Error);
}

}  // namespace
