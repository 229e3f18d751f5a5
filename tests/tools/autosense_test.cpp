// The automatic detection, headless, with the balance driver and the random generator
// installed in the test's home and virtual balances on pseudo-terminals.
#include <gtest/gtest.h>

#include "components.h"
#include "port_holder.h"
#include "tlx/port_map.h"
#include "tlx/pump.h"
#include "tlx/tools.h"
#include "vodex/sim/virtual_balance.h"
#include "vodex/tools/autosense_model.h"

namespace {

using vodex::AutoSenseModel;
using vodex::sim::VirtualBalance;

constexpr const char* kRoot = "Software\\VQ Morvane\\VQ ReziraDovarir\\";

// Four serial ports: balances on 1 and 3, nothing behind 2, and on 4 a balance that another
// program holds.
class Detection : public vodex::test::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        ASSERT_EQ(vodex::test::RunRegistration(VODEX_BALANCE_COMPONENT), 0);
        Install("Vodex_Randomizer", VODEX_RANDOMIZER_COMPONENT);
        Install("Vodex_Balance", VODEX_BALANCE_COMPONENT);
        reg.WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kRoot) + "PortMax", tlx::Variant(4));
        tlx::SetPortDevicePath(1, first.Path());
        tlx::SetPortDevicePath(2, home.File("nichts"));
        tlx::SetPortDevicePath(3, second.Path());
        tlx::SetPortDevicePath(4, held.Path());
    }
    void Install(const std::string& cls, const std::string& file) {
        reg.WRITE(tlx::HKEY_LOCAL_MACHINE, std::string(kRoot) + "Devices\\" + cls,
                  tlx::Variant(file));
    }
    // Runs a whole detection on a fresh thread, as the window would, with `events` standing
    // for what the user does whenever window events are serviced.
    void Detect(const std::function<void(AutoSenseModel&)>& events = {}, bool logger = false) {
        vodex::test::OnFreshThread([&] {
            AutoSenseModel model(std::make_shared<vodex::cls_DeviceTool>());
            model.LOGGER(logger);
            if (events) tlx::SetMessagePump([&] { events(model); });
            model.Load();
            model.Search();
            tlx::SetMessagePump(nullptr);
            EXPECT_TRUE(model.Closed());
            found = model.FOUND();
            result = model.RESULT();
            ports = model.PORTS();
            rows = model.Rows();
            step1 = model.Step1();
            progressMax = model.ProgressMax();
            progress = model.Progress();
            images = model.Images().size();
        });
    }

    tlx::cls_CoreRegistry& reg = tlx::CoreTools().REGISTRY();
    VirtualBalance first{{.link = home.File("waage1"), .serialNumber = "W1"}};
    VirtualBalance second{{.link = home.File("waage3"), .serialNumber = "W3"}};
    VirtualBalance held{{.link = home.File("waage4"), .serialNumber = "W4"}};

    bool found = false;
    std::shared_ptr<tlx::cls_CoreCollection> result;
    std::shared_ptr<vodex::cls_DevicePorts> ports;
    std::vector<AutoSenseModel::Row> rows;
    std::string step1;
    std::int32_t progressMax = -1;
    std::int32_t progress = -1;
    std::size_t images = 0;
};

TEST_F(Detection, FindsBothBalancesAndLeavesMissingAndHeldPortsUntried) {
    const vodex::test::PortHolder other(held.Path());
    ASSERT_TRUE(other.Held());
    Detect();
    EXPECT_TRUE(found);
    ASSERT_EQ(result->COUNT(), 2);
    for (std::int32_t i = 1; i <= 2; ++i) {
        EXPECT_EQ(result->KEY(i), "Vodex_Balance");
        const auto& record = result->Item(tlx::Variant(i)).ToArray();
        ASSERT_EQ(record.Size(), 4u);
        ASSERT_EQ(record.LBound(), 1);
        EXPECT_EQ(record[1], tlx::Variant("Laborwaage"));
        EXPECT_EQ(record[2], tlx::Variant("Vodex"));
        EXPECT_EQ(record[3], tlx::Variant(i == 1 ? 1 : 3));
        EXPECT_EQ(record[4], tlx::Variant(0));  // the driver recognises no channel
    }
    // The claimed ports are "-", the others as listed.
    EXPECT_EQ(ports->Item(1, true)->NAME(), "-");
    EXPECT_EQ(ports->Item(2, true)->NAME(), "--- 2");
    EXPECT_EQ(ports->Item(3, true)->NAME(), "-");
    EXPECT_EQ(ports->Item(4, true)->NAME(), "COM 4");
    EXPECT_TRUE(held.Commands().empty());  // never reached: another program holds it
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].port, "COM 1");
    EXPECT_EQ(rows[1].port, "COM 3");
    EXPECT_EQ(rows[1].channel, "");
    EXPECT_EQ(images, 1u);  // one picture per driver
    // Only the balance driver declares detection: five units of the bar.
    EXPECT_EQ(progressMax, 5);
    EXPECT_EQ(progress, 5);
    EXPECT_EQ(step1, "Laborwaage");
    // Each pass asks every port still free at once: the first balance wins the first pass and
    // is not asked again; the second wins the second pass (whether its first request reached
    // it before the first pass closed its port depends on the threads).
    EXPECT_EQ(first.Commands(), (std::vector<std::string>{"I4"}));
    const auto asked = second.Commands();
    EXPECT_TRUE(asked == std::vector<std::string>({"I4"}) ||
                asked == std::vector<std::string>({"I4", "I4"}));
}

TEST_F(Detection, APortMissingWhenTheSearchBeganIsNeverOffered) {
    VirtualBalance late{{.link = home.File("waage2"), .serialNumber = "W2"}};
    bool appeared = false;
    Detect([&](AutoSenseModel&) {
        if (appeared) return;
        // Port 2 comes once the detection has listed the ports: the drivers' own lists have
        // it, the detection's list does not.
        appeared = true;
        tlx::SetPortDevicePath(2, late.Path());
        vodex::cls_DevicePorts().RESETCACHE();
    });
    ASSERT_TRUE(appeared);
    EXPECT_TRUE(late.Commands().empty());
    ASSERT_EQ(result->COUNT(), 3);  // ports 1, 3 and 4 (nobody holds it this time)
    EXPECT_EQ(result->Item(tlx::Variant(2)).ToArray()[3], tlx::Variant(3));
    EXPECT_EQ(ports->Item(2, true)->NAME(), "--- 2");
}

TEST_F(Detection, WithoutCandidatesNothingIsTried) {
    reg.DELETEVALUE(tlx::HKEY_LOCAL_MACHINE, std::string(kRoot) + "Devices\\Vodex_Balance");
    Detect();
    EXPECT_FALSE(found);
    EXPECT_EQ(result->COUNT(), 0);
    EXPECT_EQ(progressMax, 0);
    EXPECT_EQ(step1, "Suche erfolglos");
    EXPECT_TRUE(first.Commands().empty());
}

TEST_F(Detection, LoggerModeTriesLoggersOnly) {
    Detect({}, true);  // the balance driver is no logger
    EXPECT_FALSE(found);
    EXPECT_EQ(progressMax, 0);
    EXPECT_TRUE(first.Commands().empty());
}

TEST_F(Detection, AbortingKeepsWhatWasFound) {
    Detect([](AutoSenseModel& m) {
        if (m.Rows().size() == 1) m.Abort();
    });
    EXPECT_TRUE(found);
    EXPECT_EQ(result->COUNT(), 1);  // the second pass stopped before recording its find
    EXPECT_EQ(rows.size(), 1u);

    Detect([](AutoSenseModel& m) { m.Abort(); });  // before anything was found
    EXPECT_FALSE(found);
    EXPECT_EQ(result->COUNT(), 0);
    EXPECT_EQ(progressMax, 0);  // it stopped before counting the candidates
}

TEST_F(Detection, AbortEndsTheDriversWaitForSilentPortsAtOnce) {
    first.SetSilent(true);
    second.SetSilent(true);
    // Window events run every 20 ms while the driver waits a second for the answers: dozens
    // of times, unless the abort ends its wait.
    int afterAbort = -1;
    bool cancelledAfterwards = true;
    vodex::test::OnFreshThread([&] {
        AutoSenseModel model(std::make_shared<vodex::cls_DeviceTool>());
        tlx::SetMessagePump([&] {
            if (afterAbort >= 0) ++afterAbort;
            if (afterAbort < 0 && model.Step1() == "Laborwaage") {
                model.Abort();
                afterAbort = 0;
            }
        });
        model.Load();
        model.Search();
        tlx::SetMessagePump(nullptr);
        cancelledAfterwards = tlx::WaitsCancelled();
    });
    EXPECT_GE(afterAbort, 0);
    EXPECT_LT(afterAbort, 10);
    EXPECT_FALSE(cancelledAfterwards);  // the thread's waits run normally again
}

TEST_F(Detection, TheCloseBoxStopsTheSearchAtItsNextCheckpoint) {
    bool refused = false;
    Detect([&refused](AutoSenseModel& m) {
        if (m.Progress() == 0 && m.ProgressMax() == 5 && !refused) refused = !m.QueryClose();
    });
    EXPECT_TRUE(refused);
    EXPECT_FALSE(found);
    EXPECT_TRUE(first.Commands().empty());  // stopped before the first candidate began
    // Before the search began, too: refused, and the search then stops at its first
    // checkpoint; only the dialog that closes itself at the end may close.
    vodex::test::OnFreshThread([] {
        AutoSenseModel early(std::make_shared<vodex::cls_DeviceTool>());
        early.Load();
        EXPECT_FALSE(early.QueryClose());
        early.Search();
        EXPECT_FALSE(early.FOUND());
        EXPECT_EQ(early.ProgressMax(), 0);
        EXPECT_TRUE(early.QueryClose());
    });
}

TEST_F(Detection, WithoutWindowsTheRegistrySearchesAllTheSame) {
    // The thread's provider shows no windows: AUTOSENSE runs the search itself.
    vodex::test::OnFreshThread([] {
        const auto tool = std::make_shared<vodex::cls_DeviceTool>();
        const auto all = tool->AUTOSENSE();
        ASSERT_EQ(all->COUNT(), 3);  // the balance on port 4 too, as nobody holds it
        EXPECT_EQ(all->KEY(1), "Vodex_Balance");
        EXPECT_EQ(tool->AUTOSENSELOGGER()->COUNT(), 0);  // the balance is no logger
    });
}

}  // namespace
