#include "vodex/text/language.h"

#include <gtest/gtest.h>

#include "fixtures.h"
#include "tlx/tools.h"

namespace {

using vodex::hLanguageText;
using vodex::test::OnFreshThread;
using vodex::test::ScopedEnv;

constexpr const char* kEntry = "Software\\VQ Morvane\\VQ Lumetra\\Language";

class Language : public vodex::test::HomeTest {
  protected:
    // What a fresh thread chooses, with `stored` in the registry (nothing: no entry) on a
    // system whose locale is `locale`: the text chosen, the core library's language, and the
    // entry afterwards.
    struct Outcome {
        std::string text;
        std::int32_t coreLanguage = 0;
        tlx::Variant entry;
    };
    Outcome Choose(const char* stored, const char* locale) {
        ScopedEnv all("LC_ALL", locale);
        Outcome out;
        OnFreshThread([&] {
            auto& reg = tlx::CoreTools().REGISTRY();
            if (stored) reg.WRITE(tlx::HKEY_CURRENT_USER, kEntry, tlx::Variant(stored));
            out.text = hLanguageText("Deutsch", "English");
            out.coreLanguage = tlx::CoreTools().LANGUAGE();
            out.entry = reg.READ(tlx::HKEY_CURRENT_USER, kEntry, tlx::Variant(-1));
        });
        return out;
    }
};

TEST_F(Language, NoChoiceOnAGermanSystem) {
    Outcome o = Choose(nullptr, "de_DE.UTF-8");
    EXPECT_EQ(o.text, "Deutsch");
    EXPECT_EQ(o.coreLanguage, 7);
    EXPECT_EQ(o.entry, tlx::Variant(""));  // created, empty
}

TEST_F(Language, NoChoiceOnAnotherSystem) {
    Outcome o = Choose("", "fr_FR.UTF-8");
    EXPECT_EQ(o.text, "English");
    EXPECT_EQ(o.coreLanguage, 9);
}

TEST_F(Language, AStoredChoiceWinsOverTheSystem) {
    Outcome en = Choose("EN", "de_DE.UTF-8");
    EXPECT_EQ(en.text, "English");
    EXPECT_EQ(en.coreLanguage, 9);
    EXPECT_EQ(en.entry, tlx::Variant("EN"));
    Outcome de = Choose("DE", "en_GB.UTF-8");
    EXPECT_EQ(de.text, "Deutsch");
    EXPECT_EQ(de.entry, tlx::Variant("DE"));
}

TEST_F(Language, UnknownChoicesAreForgotten) {
    for (const char* stored : {"en", "FR", " EN"}) {
        Outcome o = Choose(stored, "de_DE.UTF-8");
        EXPECT_EQ(o.text, "Deutsch") << stored;
        EXPECT_EQ(o.entry, tlx::Variant("")) << stored;
    }
}

TEST_F(Language, ChosenOncePerThread) {
    ScopedEnv all("LC_ALL", "de_DE.UTF-8");
    OnFreshThread([] {
        EXPECT_EQ(hLanguageText("a", "b"), "a");
        tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_CURRENT_USER, kEntry, tlx::Variant("EN"));
        EXPECT_EQ(hLanguageText("a", "b"), "a");  // the change counts from the next thread
    });
    OnFreshThread([] { EXPECT_EQ(hLanguageText("a", "b"), "b"); });
}

TEST_F(Language, PlaceholdersAreFilledByIndex) {
    ScopedEnv all("LC_ALL", "de_DE.UTF-8");
    OnFreshThread([] {
        EXPECT_EQ(hLanguageText("x {0} y", "e", tlx::Variant::Array(0, {})), "x {0} y");
        EXPECT_EQ(hLanguageText("{0}-{0} {1}", "e", tlx::Variant::Array(0, {tlx::Variant(3)})),
                  "3-3 {1}");
        EXPECT_EQ(hLanguageText("{1}/{2}", "e",
                                tlx::Variant::Array(1, {tlx::Variant("a"), tlx::Variant(2.5)})),
                  "a/2.5");
        EXPECT_EQ(hLanguageText("{0} {1}", "e", {tlx::Variant("Kanal"), tlx::Variant(7)}),
                  "Kanal 7");
        EXPECT_EQ(hLanguageText("{ 0}", "e", {tlx::Variant(1)}), "{ 0}");
        EXPECT_EQ(hLanguageText("{2147483647}", "e",
                                tlx::Variant::Array(2147483647, {tlx::Variant("max")})),
                  "max");
    });
}

}  // namespace
