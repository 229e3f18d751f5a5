#include "vodex/records/resource.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <set>

#include "fixtures.h"
#include "pseudo_terminal.h"
#include "tlx/port_map.h"
#include "tlx/tools.h"

namespace {

using vodex::Resource;
using vodex::test::OnFreshThread;

constexpr const char* kPortMax = "Software\\VQ Morvane\\VQ ReziraDovarir\\PortMax";

class PresenceTable : public vodex::test::HomeTest {
  protected:
    // Runs `body` on a fresh thread whose table counts its probes; ports in `present` exist.
    static void WithCountingProbe(std::set<int> present, std::vector<int>& probed,
                                  const std::function<void()>& body) {
        OnFreshThread([&] {
            Resource().SetPortProbe([&](std::int32_t port) {
                probed.push_back(port);
                return present.count(port) > 0;
            });
            body();
        });
    }
    static void PortMax(const tlx::Variant& v) {
        tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE, kPortMax, v);
    }
};

TEST_F(PresenceTable, OnlyPortsUpToPortMaxAreProbed) {
    PortMax(4);
    std::vector<int> probed;
    WithCountingProbe({2, 5}, probed, [&] {
        EXPECT_FALSE(Resource().hPortCheck(5));
        EXPECT_TRUE(Resource().hPortCheck(2));
        EXPECT_FALSE(Resource().hPortCheck(1));
    });
    EXPECT_EQ(probed, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(PresenceTable, UnusablePortMaxValuesMean32) {
    for (const tlx::Variant& value : {tlx::Variant(), tlx::Variant(0), tlx::Variant(40),
                                      tlx::Variant(-3), tlx::Variant("viele")}) {
        if (value.IsEmpty()) {
            tlx::CoreTools().REGISTRY().DELETEVALUE(tlx::HKEY_LOCAL_MACHINE, kPortMax);
        } else {
            PortMax(value);
        }
        std::vector<int> probed;
        WithCountingProbe({32}, probed, [&] { EXPECT_TRUE(Resource().hPortCheck(32)); });
        EXPECT_EQ(probed.size(), 32u) << value.ToText();
    }
}

TEST_F(PresenceTable, AnswersComeFromTheTableUntilItIsCleared) {
    PortMax(3);
    std::vector<int> probed;
    std::set<int> present = {1};
    OnFreshThread([&] {
        Resource().SetPortProbe([&](std::int32_t port) {
            probed.push_back(port);
            return present.count(port) > 0;
        });
        EXPECT_TRUE(Resource().hPortCheck(1));
        EXPECT_FALSE(Resource().hPortCheck(2));
        present = {2};
        EXPECT_TRUE(Resource().hPortCheck(1));  // the table's answer
        EXPECT_FALSE(Resource().hPortCheck(2));
        EXPECT_EQ(probed.size(), 3u);
        Resource().hCacheClear();
        EXPECT_FALSE(Resource().hPortCheck(1));
        EXPECT_TRUE(Resource().hPortCheck(2));
        EXPECT_EQ(probed.size(), 6u);
        // A range that shrinks leaves no old answers above it.
        present = {3};
        PortMax(2);
        EXPECT_FALSE(Resource().hPortCheck(3));
        Resource().hCacheClear();
        EXPECT_FALSE(Resource().hPortCheck(3));
    });
}

TEST_F(PresenceTable, NumbersOutsideTheTableAndFailingProbesReadFalse) {
    std::vector<int> probed;
    OnFreshThread([&] {
        Resource().SetPortProbe([&](std::int32_t port) -> bool {
            probed.push_back(port);
            if (port == 3) throw std::runtime_error("probe failed");
            return true;
        });
        EXPECT_FALSE(Resource().hPortCheck(0));
        EXPECT_FALSE(Resource().hPortCheck(101));
        EXPECT_FALSE(Resource().hPortCheck(-5));
        EXPECT_FALSE(Resource().hPortCheck(3));
        EXPECT_TRUE(Resource().hPortCheck(4));
        EXPECT_FALSE(Resource().hPortCheck(33));
    });
    EXPECT_EQ(probed.size(), 32u);
}

TEST_F(PresenceTable, APortThatAppearsLaterCountsOnlyAfterClearing) {
    // Port 2 names a link that does not exist yet; then a pseudo-terminal appears behind it.
    const std::string link = home.File("port2");
    tlx::SetPortDevicePath(2, link);
    PortMax(2);
    vodex::test::PseudoTerminal pty;
    OnFreshThread([&] {
        EXPECT_FALSE(Resource().hPortCheck(2));
        ASSERT_EQ(::symlink(pty.Path().c_str(), link.c_str()), 0);
        EXPECT_FALSE(Resource().hPortCheck(2));
        Resource().hCacheClear();
        EXPECT_TRUE(Resource().hPortCheck(2));
    });
}

TEST_F(PresenceTable, EachThreadHasItsOwnTable) {
    PortMax(1);
    std::vector<int> first;
    std::vector<int> second;
    WithCountingProbe({1}, first, [] { EXPECT_TRUE(Resource().hPortCheck(1)); });
    WithCountingProbe({}, second, [] { EXPECT_FALSE(Resource().hPortCheck(1)); });
    EXPECT_EQ(first.size(), 1u);
    EXPECT_EQ(second.size(), 1u);
}

}  // namespace
