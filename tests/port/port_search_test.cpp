// Asking several ports at once: which port wins, and that every port is free again afterwards.
#include "vodex/port/port_search.h"

#include <gtest/gtest.h>

#include "fixtures.h"
#include "tlx/clock.h"
#include "tlx/port_map.h"
#include "vodex/port/vq_port.h"
#include "vodex/sim/virtual_balance.h"

namespace {

using vodex::sim::VirtualBalance;

class PortSearch : public vodex::test::HomeTest {
  protected:
    // Ports 1 and 2 lead to the two balances, port 3 nowhere.
    void SetUp() override {
        tlx::SetPortDevicePath(1, first.Path());
        tlx::SetPortDevicePath(2, second.Path());
        tlx::SetPortDevicePath(3, home.File("nichts"));
    }
    std::optional<std::int32_t> Search(std::vector<std::int32_t> ports, double timeout = 0.3) {
        vodex::PortSearch s;
        s.ports = std::move(ports);
        s.settings = "9600,N,8,1";
        s.request = "I4\r\n";
        s.terminator = "\r\n";
        s.timeout = timeout;
        s.accept = [](const std::string& answer) { return answer.starts_with("I4 A "); };
        return vodex::FirstAnsweringPort(s);
    }
    VirtualBalance first{{.link = home.File("waage1")}};
    VirtualBalance second{{.link = home.File("waage2")}};
};

TEST_F(PortSearch, TheFirstPortInOrderThatAnswersWellWins) {
    struct Case {
        const char* what;
        bool firstSilent;
        bool firstGarbage;
        std::vector<std::int32_t> ports;
        std::optional<std::int32_t> found;
    };
    const Case cases[] = {
        {"both answer", false, false, {1, 2}, 1},
        {"the order given counts", false, false, {2, 1}, 2},
        {"an earlier port stays silent", true, false, {1, 2}, 2},
        {"an earlier port answers nonsense", false, true, {1, 2}, 2},
        {"a missing port is passed over", false, false, {3, 2}, 2},
        {"nothing answers", true, false, {3, 1}, std::nullopt},
    };
    for (const Case& c : cases) {
        first.SetSilent(c.firstSilent);
        first.SetGarbage(c.firstGarbage);
        EXPECT_EQ(Search(c.ports), c.found) << c.what;
    }
    // A silent earlier port does not hold a found instrument back for the whole time-out.
    first.SetSilent(true);
    const tlx::cls_CoreTimer timer;
    EXPECT_EQ(Search({1, 2}, 20.0), 2);
    EXPECT_LT(timer.SECONDSELAPSED(), 10.0);
    // Every port the search opened is closed again.
    vodex::cls_VQPort again;
    EXPECT_TRUE(again.CONNECT(1, "9600,N,8,1"));
    EXPECT_TRUE(again.CONNECT(2, "9600,N,8,1"));
}

}  // namespace
