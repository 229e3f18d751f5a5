#include "tlx/tools.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fixtures.h"
#include "tlx/dialogs.h"
#include "tlx/locale.h"
#include "tlx/log.h"
#include "tlx/process.h"
#include "tlx/pump.h"
#include "tlx/text.h"

namespace {

using vodex::test::OnFreshThread;
using vodex::test::ScopedEnv;

TEST(TextTools, SplitAtTheFirstSeparator) {
    const tlx::cls_CoreTools& tools = tlx::CoreTools();
    std::string before;
    std::string after;
    EXPECT_TRUE(tools.SPLIT("Gerät|Device|x", "|", before, after));
    EXPECT_EQ(before, "Gerät");
    EXPECT_EQ(after, "Device|x");
    EXPECT_FALSE(tools.SPLIT("OK", "|", before, after));
    EXPECT_EQ(before, "OK");
    EXPECT_EQ(after, "");
    EXPECT_TRUE(tools.SPLIT("Abbruch|", "|", before, after));
    EXPECT_EQ(after, "");
}

TEST(TextTools, FitCountsCharactersNotBytes) {
    const tlx::cls_CoreTools& tools = tlx::CoreTools();
    EXPECT_EQ(tools.FIT("abc", 5), "abc  ");
    EXPECT_EQ(tools.FIT("äöü", 5, "."), "äöü..");
    EXPECT_EQ(tools.FIT("abcdef", 3), "abc");
    EXPECT_EQ(tools.FIT("abcdef", 3, " ", false), "abcdef");
    EXPECT_EQ(tools.FIT("ab", 5, "*", true, tlx::ID_Fit_Right), "***ab");
    EXPECT_EQ(tools.FIT("ab", 5, "*", true, tlx::ID_Fit_Centre), "*ab**");
    EXPECT_EQ(tools.FIT("Überlänge", 4), "Über");
}

TEST(TextTools, CaseAndTrim) {
    EXPECT_EQ(tlx::UCase("größe äöü"), "GRÖßE ÄÖÜ");
    EXPECT_EQ(tlx::LCase("ÄÖÜ ABC"), "äöü abc");
    EXPECT_EQ(tlx::Trim("\t a b \r\n"), "a b");
    EXPECT_EQ(tlx::Replace("{0} und {0}", "{0}", "3"), "3 und 3");
    EXPECT_EQ(tlx::CharCount("Grüße"), 5u);
    // Messages stay on one line whatever a path holds; umlauts and backslashes stay.
    EXPECT_EQ(tlx::OneLine("a\nb\r\tc\x1b\x7f Grüße\\K \u2028\u2029\u0085\u009b\u00a0"),
              "a\\nb\\r\\tc\\x1b\\x7f Grüße\\K \\u2028\\u2029\\u0085\\u009b\u00a0");
}

TEST(TextTools, KeyValueLinesEndAtLineFeeds) {
    std::vector<std::string> seen;
    tlx::EachKeyValueLine("A=1\r\n\nB = x=y\r\r\n[END]\nC=", [&](const tlx::KeyValueLine& l) {
        seen.push_back(std::to_string(l.number) + (l.assignment ? "|" : "!") + std::string(l.key) +
                       "|" + std::string(l.value) + "|" + std::string(l.line));
        return l.number < 4;
    });
    EXPECT_EQ(seen,
              (std::vector<std::string>{"1|A|1|A=1", "2!||", "3|B | x=y|B = x=y", "4!||[END]"}));
}

TEST(Log, BytesShowEscapedAndLevelsByName) {
    EXPECT_EQ(tlx::LoggedBytes(std::string("S a'\\\x80\x00\r", 8)),
              "'S a\\x27\\\\\\x80\\x00\\x0d'");
    tlx::LogLevel level = tlx::LogLevel::Error;
    EXPECT_TRUE(tlx::LogLevelNamed("DeBuG", level));
    EXPECT_EQ(level, tlx::LogLevel::Debug);
    EXPECT_FALSE(tlx::LogLevelNamed("loud", level));
}

TEST(Programs, TheFailureSaidIsTheFirstLineNotOfTheLog) {
    EXPECT_EQ(tlx::FailureSaid("x: info: port 1 opened\nx: kaputt (1603)\nmehr", "x"),
              "kaputt (1603)");
    EXPECT_EQ(tlx::FailureSaid("\n  \nloader: no file\n", "x"), "loader: no file");
    EXPECT_EQ(tlx::FailureSaid("x: debug: a\nx: warning: b", "x"), "");
}

TEST(CoreLanguage, OnlyGermanOrEnglish) {
    OnFreshThread([] {
        tlx::cls_CoreTools& tools = tlx::CoreTools();
        EXPECT_EQ(tools.LANGUAGE(), 7);
        tools.LANGUAGE(9);
        EXPECT_EQ(tools.LANGUAGE(), 9);
        EXPECT_THROW(tools.LANGUAGE(12), tlx::Error);
    });
}

TEST(SystemLanguage, FromTheLocaleEnvironment) {
    ScopedEnv all("LC_ALL", "");
    ScopedEnv messages("LC_MESSAGES", "de_AT.UTF-8");
    ScopedEnv lang("LANG", "en_US.UTF-8");
    EXPECT_EQ(tlx::UserDefaultLangID() & 0x3FF, 7);
    {
        ScopedEnv all2("LC_ALL", "fr_FR");
        EXPECT_EQ(tlx::UserDefaultLangID() & 0x3FF, 12);
    }
    {
        ScopedEnv messages2("LC_MESSAGES", nullptr);
        EXPECT_EQ(tlx::UserDefaultLangID() & 0x3FF, 9);
        ScopedEnv lang2("LANG", "C");
        EXPECT_EQ(tlx::UserDefaultLangID() & 0x3FF, 9);
        ScopedEnv lang3("LANG", "de");
        EXPECT_EQ(tlx::UserDefaultLangID() & 0x3FF, 7);
    }
}

TEST(Dialogs, ScriptedProviderRecordsAndAnswers) {
    vodex::test::ScriptedDialogs dialogs;
    dialogs->Answer(tlx::ID_Answer_Yes);
    tlx::cls_CoreDialogs& d = tlx::CoreTools().DIALOGS();
    d.MESSAGE("Das Maximum ist erreicht.", "Fehler", tlx::MessageKind::Error);
    EXPECT_EQ(d.QUESTION("Speichern?"), tlx::ID_Answer_Yes);
    EXPECT_EQ(d.QUESTION("Noch einmal?", "", true), tlx::ID_Answer_No);
    dialogs->Default(tlx::ID_Answer_Cancel);
    EXPECT_EQ(d.QUESTION("Und jetzt?", "", true), tlx::ID_Answer_Cancel);
    ASSERT_EQ(dialogs->Count(), 4u);
    EXPECT_FALSE(dialogs->ShownAll()[0].question);
    EXPECT_EQ(dialogs->ShownAll()[0].title, "Fehler");
    EXPECT_TRUE(dialogs->ShownAll()[2].withCancel);
    EXPECT_EQ(dialogs->ShownAll()[1].answer, tlx::ID_Answer_Yes);
}

TEST(Dialogs, ConsoleWithoutTerminalAnswersNoOrCancel) {
    if (::isatty(STDIN_FILENO)) GTEST_SKIP() << "standard input is a terminal";
    tlx::ConsoleDialogProvider console;
    testing::internal::CaptureStderr();
    EXPECT_EQ(console.Question("Speichern?", "", false), tlx::ID_Answer_No);
    EXPECT_EQ(console.Question("Speichern?", "", true), tlx::ID_Answer_Cancel);
    console.Message("Hallo", "Titel", tlx::MessageKind::Information);
    std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("[Titel] Hallo"), std::string::npos);
}

TEST(Dialogs, InputFolderAndWaitCursorGoThroughTheProvider) {
    vodex::test::ScriptedDialogs dialogs;
    dialogs->Enter("42");
    dialogs->Enter(std::nullopt);
    dialogs->Enter("/daten/wandler");
    auto& d = tlx::CoreTools().DIALOGS();
    EXPECT_EQ(d.INPUTBOX("Geben Sie den erste Parameter ein:", "Parameter", "0"), "42");
    EXPECT_EQ(d.INPUTBOX("Noch einmal?", "Parameter", "0"), "");  // cancelled
    EXPECT_EQ(d.BROWSEFOLDER("Ordner wählen"), "/daten/wandler");
    EXPECT_EQ(d.BROWSEFOLDER("Ordner wählen"), "");  // nothing queued: cancelled
    std::int32_t duringPump = -1;
    auto old = tlx::SetMessagePump([&] { duringPump = dialogs->WaitCursors(); });
    {
        const tlx::WaitCursor waiting;  // runs pending events with the cursor shown
        EXPECT_EQ(dialogs->WaitCursors(), 1);
    }
    tlx::SetMessagePump(old);
    EXPECT_EQ(duringPump, 1);
    EXPECT_EQ(dialogs->WaitCursors(), 0);
    // Nobody to ask on a console without a terminal: the input box gives nothing.
    if (!::isatty(STDIN_FILENO)) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(tlx::ConsoleDialogProvider().Input("Wert?", "", "0").has_value());
        testing::internal::GetCapturedStderr();
    }
}

TEST(Clock, WaitPumpsMessagesUntilTheTimeIsUp) {
    int pumped = 0;
    auto old = tlx::SetMessagePump([&] { ++pumped; });
    tlx::cls_CoreTimer timer;
    tlx::CoreTools().CLOCK().WAIT(0.05);
    EXPECT_TRUE(timer.ELAPSED(0.05));
    EXPECT_GE(pumped, 2);
    int before = pumped;
    tlx::CoreTools().CLOCK().WAIT(0.02, false);
    EXPECT_EQ(pumped, before);
    tlx::CoreTools().CLOCK().WAIT(-1);
    tlx::SetMessagePump(old);
    double s = tlx::CoreTools().CLOCK().SECONDS();
    EXPECT_GE(s, 0.0);
    EXPECT_LT(s, 86400.0);
}

TEST(ProgramRunner, ExitCodesAndWordsArriveUnchanged) {
    EXPECT_EQ(tlx::RunAndWait(std::vector<std::string>{"/bin/sh", "-c", "exit 3"}), 3);
    // A word given on its own reaches the program whatever it holds.
    const std::string word = "a \"b\" \\ c";
    EXPECT_EQ(tlx::RunAndWait(
                  std::vector<std::string>{"/bin/sh", "-c", "test \"$0\" = 'a \"b\" \\ c'", word}),
              0);
    // A command line: blanks separate words, a quoted part stays one word without its quotes.
    EXPECT_EQ(tlx::SplitCommandLine("\"/usr/bin/x y\" /u  \"a b\"c"),
              (std::vector<std::string>{"/usr/bin/x y", "/u", "a bc"}));
    EXPECT_EQ(tlx::RunAndWait("\"/bin/sh\" -c \"exit 4\""), 4);
    // Programs that cannot start or do not end normally.
    EXPECT_EQ(tlx::RunAndWait(std::vector<std::string>{"/nicht/da"}), -1);
    EXPECT_EQ(tlx::RunAndWait(std::vector<std::string>{"/bin/sh", "-c", "kill -9 $$"}), -1);
    EXPECT_EQ(tlx::RunAndWait(std::vector<std::string>{}), -1);
}

TEST(ProgramRunner, WindowEventsRunWhileItWaits) {
    int pumped = 0;
    auto old = tlx::SetMessagePump([&] {
        ++pumped;
        throw std::runtime_error("a window event that fails");
    });
    EXPECT_EQ(tlx::RunAndWait(std::vector<std::string>{"/bin/sh", "-c", "sleep 0.3; exit 5"}), 5);
    tlx::SetMessagePump(old);
    EXPECT_GE(pumped, 2);
    EXPECT_LT(pumped, 60);  // it sleeps between the events instead of spinning
}

}  // namespace
