#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <tuple>

#include "fixtures.h"
#include "tlx/file.h"
#include "tlx/tools.h"
#include "vodex/records/device_datafield.h"

namespace {

using tlx::Variant;
using vodex::cls_DeviceDatafield;

// Points (1, 5), (2, 7), (4, 4).
void Three(cls_DeviceDatafield& f) {
    f.ADD(1, 5);
    f.ADD(2, 7);
    f.ADD(4, 4);
}

TEST(Datafield, DifferencesSumsIntegralsAndExtremes) {
    cls_DeviceDatafield f;
    Three(f);
    EXPECT_EQ(f.xd(3), 2);
    EXPECT_EQ(f.xd(1), 0);
    EXPECT_EQ(f.yd(2), 2);
    EXPECT_EQ(f.XDM(2), 3);
    EXPECT_EQ(f.XDM(1), 0);
    EXPECT_EQ(f.XDM(3), 0);
    EXPECT_EQ(f.YDM(2), -1);
    EXPECT_EQ(f.XSUM(), 7);
    EXPECT_EQ(f.YSUM(), 16);
    EXPECT_EQ(f.YINTEGRAL(), 7 * 1 + 4 * 2);
    EXPECT_EQ(f.XINTEGRAL(), 2 * 2 + 4 * -3);
    EXPECT_EQ(f.YINTEGRALTO(2), 7);
    EXPECT_EQ(f.XSUMTO(2), 3);
    EXPECT_EQ(f.XINTERVAL(), 1);
    EXPECT_EQ(f.YINTERVAL(), 1);
    EXPECT_EQ(f.Ymax(), 7);
    EXPECT_EQ(f.ymin(), 4);
    EXPECT_EQ(f.Xmax(), 4);
    EXPECT_EQ(f.Xmin(), 1);
    EXPECT_EQ(f.XDIF(), 3);
    EXPECT_EQ(f.XSUMTO(0), 0);
    EXPECT_THROW(f.XSUMTO(4), tlx::Error);
    EXPECT_THROW(f.YINTEGRALTO(-1), tlx::Error);
    EXPECT_EQ(f.x(0), 0);
    EXPECT_EQ(f.x(4), 0);
}

TEST(Datafield, AnEmptyFieldGivesZeros) {
    cls_DeviceDatafield f;
    EXPECT_EQ(f.COUNT(), 0);
    EXPECT_EQ(f.XSUM(), 0);
    EXPECT_EQ(f.Xmax(), 0);
    EXPECT_EQ(f.ymin(), 0);
    EXPECT_EQ(f.XINTERVAL(), 0);
    EXPECT_EQ(f.XNEAREST(5), 1);
    EXPECT_EQ(f.CURRENT(), 0);
    EXPECT_FALSE(f.SORT());
}

TEST(Datafield, EveryChangeRenewsTheDerivedValues) {
    cls_DeviceDatafield f;
    Three(f);
    const std::vector<std::pair<const char*, std::function<void(cls_DeviceDatafield&)>>> changes = {
        {"x", [](auto& g) { g.x(2, 10); }},
        {"Y", [](auto& g) { g.Y(1, 10); }},
        {"ADD", [](auto& g) { g.ADD(8, 8); }},
        {"REMOVE", [](auto& g) { g.REMOVE(1); }},
        {"SORT", [](auto& g) { g.SORT(vodex::ID_DatafieldSort_XDescending); }},
        {"CHANGE", [](auto& g) { g.CHANGE(3, 9, 9); }},
        {"INSERT", [](auto& g) { g.INSERT(1, 20, 20); }},
        {"CLEAR", [](auto& g) { g.CLEAR(); }},
        {"COPY",
         [](auto& g) {
             cls_DeviceDatafield other;
             other.ADD(100, 100);
             g.DATA()->COPY(other);
         }},
        {"UNPACK",
         [](auto& g) {
             cls_DeviceDatafield other;
             other.ADD(200, 1);
             g.DATA()->UNPACK(other.DATA()->PACK());
         }},
    };
    for (const auto& [name, change] : changes) {
        cls_DeviceDatafield g;
        Three(g);
        const double before = g.XSUM() + g.YSUM() + g.Xmax() + g.YINTEGRAL() + g.XINTEGRAL();
        change(g);
        double sx = 0, sy = 0, mx = g.COUNT() ? g.x(1) : 0;
        for (int i = 1; i <= g.COUNT(); ++i) {
            sx += g.x(i);
            sy += g.Y(i);
            mx = std::max(mx, g.x(i));
        }
        EXPECT_EQ(g.XSUM(), sx) << name;
        EXPECT_EQ(g.YSUM(), sy) << name;
        EXPECT_EQ(g.Xmax(), mx) << name;
        EXPECT_NE(g.XSUM() + g.YSUM() + g.Xmax() + g.YINTEGRAL() + g.XINTEGRAL(), before) << name;
    }
}

TEST(Datafield, EditingPoints) {
    cls_DeviceDatafield f;
    f.x(5, 3.5);
    ASSERT_EQ(f.COUNT(), 5);
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(f.x(i) + f.Y(i), 0);
    EXPECT_EQ(f.x(5), 3.5);
    f.x(0, 9);
    f.x(-1, 9);
    EXPECT_EQ(f.COUNT(), 5);

    cls_DeviceDatafield g;
    Three(g);
    g.INSERT(2, 1.5, 6);
    EXPECT_EQ(g.XFIELD(), (std::vector<double>{0, 1, 1.5, 2, 4}));
    g.INSERT(9, 8, 8);
    EXPECT_EQ(g.x(5), 8);
    EXPECT_THROW(g.INSERT(0, 1, 1), tlx::Error);
    EXPECT_THROW(g.INSERT(-2, 1, 1), tlx::Error);
    g.REMOVE(2);
    EXPECT_EQ(g.XFIELD(), (std::vector<double>{0, 1, 2, 4, 8}));
    g.REMOVE(0);
    g.REMOVE(5);
    EXPECT_EQ(g.COUNT(), 4);
    g.CHANGE(6, 6, 6);
    EXPECT_EQ(g.COUNT(), 6);
    EXPECT_EQ(g.Y(5), 0);
    g.CHANGE(0, 7, 8);  // position 0 holds both values and is no point
    EXPECT_EQ(g.COUNT(), 6);
    EXPECT_EQ(g.XFIELD()[0], 7);
    EXPECT_EQ(g.YFIELD()[0], 8);
    EXPECT_EQ(g.x(0), 0);
    g.CHANGE(-1, 1, 1);
    EXPECT_EQ(g.COUNT(), 6);

    double px = -1, py = -1;
    g.Item(7, px, py);
    EXPECT_EQ(px, -1);
    g.Item(3, px, py);
    EXPECT_EQ(px, 4);
    EXPECT_EQ(py, 4);
    g.CLEAR();
    EXPECT_EQ(g.COUNT(), 0);
    EXPECT_EQ(g.XFIELD(), std::vector<double>{0});
}

TEST(Datafield, NearestPointFirstWins) {
    cls_DeviceDatafield f;
    f.ADD(1, 0);
    f.ADD(2, 0);
    EXPECT_EQ(f.XNEAREST(1.5), 1);
    EXPECT_EQ(f.XNEAREST(1.6), 2);
    EXPECT_EQ(f.XNEAREST(-100), 1);
    f.ADD(2, 3);
    EXPECT_EQ(f.XNEAREST(2), 2);
    EXPECT_EQ(f.YNEAREST(2.9), 3);
}

TEST(Datafield, CurrentPoint) {
    cls_DeviceDatafield f;
    Three(f);
    f.CURRENT(10);
    EXPECT_EQ(f.CURRENT(), 3);
    f.CURRENT(2);
    EXPECT_EQ(f.CURRENT(), 2);
    f.CURRENT(0);
    EXPECT_EQ(f.CURRENT(), 3);
    f.ADD(5, 5);
    EXPECT_EQ(f.CURRENT(), 4);  // follows the last point
    f.CURRENT(-4);
    EXPECT_EQ(f.CURRENT(), 4);
    // A negative value that arrives from a package reads 0 once and becomes 0.
    f.DATA()->UNPACK(tlx::CoreTools().PACKER().PACK(
        {Variant::Array(0, {Variant(0.0), Variant(1.0)}),
         Variant::Array(0, {Variant(0.0), Variant(2.0)}), Variant(-3)}));
    EXPECT_EQ(f.CURRENT(), 0);
    EXPECT_EQ(f.CURRENT(), 1);
}

TEST(Datafield, SortOrdersAndResults) {
    cls_DeviceDatafield f;
    f.ADD(3, 1);
    f.ADD(2, 2);
    f.ADD(1, 3);
    EXPECT_FALSE(f.SORT(vodex::ID_DatafieldSort_XDescending));
    EXPECT_FALSE(f.SORT(7));
    EXPECT_TRUE(f.SORT(vodex::ID_DatafieldSort_XAscending));
    EXPECT_EQ(f.XFIELD(), (std::vector<double>{0, 1, 2, 3}));
    EXPECT_EQ(f.YFIELD(), (std::vector<double>{0, 3, 2, 1}));  // y travels with x
    EXPECT_FALSE(f.SORT(vodex::ID_DatafieldSort_YDescending));
    EXPECT_TRUE(f.SORT(vodex::ID_DatafieldSort_YAscending));
    EXPECT_EQ(f.YFIELD(), (std::vector<double>{0, 1, 2, 3}));
}

// The arrangement of the literal procedure, applied to x and y.
std::pair<std::vector<double>, std::vector<double>> Literally(const cls_DeviceDatafield& f,
                                                              std::int32_t order, bool& changed) {
    const bool byX = order <= 1;
    const bool descending = order == 1 || order == 3;
    std::vector<double> xs = f.XFIELD();
    std::vector<double> ys = f.YFIELD();
    std::vector<std::int32_t> at;
    changed = vodex::detail::ExchangeSortOrderLiterally(byX ? xs : ys, descending, at);
    std::vector<double> rx(xs.size()), ry(ys.size());
    for (std::size_t i = 0; i < at.size(); ++i) {
        rx[i] = xs[static_cast<std::size_t>(at[i])];
        ry[i] = ys[static_cast<std::size_t>(at[i])];
    }
    return {rx, ry};
}

// Bitwise equality, so that -0 and 0 and the places of NaNs count.
bool SameBits(const std::vector<double>& a, const std::vector<double>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

void ExpectSameAsLiterally(const std::vector<double>& xs, const std::vector<double>& ys,
                           const std::string& what) {
    for (std::int32_t order = 0; order <= 3; ++order) {
        cls_DeviceDatafield f;
        for (std::size_t i = 0; i < xs.size(); ++i)
            f.ADD(xs[i], ys[i]);
        bool expectedChange = false;
        auto [ex, ey] = Literally(f, order, expectedChange);
        const bool changed = f.SORT(order);
        ASSERT_EQ(changed, expectedChange) << what << " order " << order;
        ASSERT_TRUE(SameBits(f.XFIELD(), ex)) << what << " order " << order;
        ASSERT_TRUE(SameBits(f.YFIELD(), ey)) << what << " order " << order;
    }
}

TEST(DatafieldSort, RandomFieldsArrangeExactlyAsTheExchangeProcedure) {
    std::mt19937 rng(20261207);
    for (int round = 0; round < 3000; ++round) {
        const std::size_t n = rng() % (round < 2000 ? 40 : 300);
        // From all-equal keys to nearly distinct ones; a few dozen values make long turns of
        // the queues of equal keys, a few values short ones.
        const int range = 1 + static_cast<int>(rng() % (round % 3 == 0   ? 4
                                                        : round % 3 == 1 ? 30
                                                                         : 1000));
        std::vector<double> xs(n), ys(n);
        for (std::size_t i = 0; i < n; ++i) {
            xs[i] = static_cast<double>(static_cast<int>(rng() % static_cast<unsigned>(range)));
            ys[i] = static_cast<double>(i);  // tells equal keys apart
        }
        if (round % 7 == 0 && n > 0) std::swap(xs, ys);  // distinct keys, duplicate payloads
        if (round % 11 == 0) {  // keys that are no numbers stay where they are
            for (std::size_t i = 0; i < n; i += 1 + rng() % 5) {
                xs[i] = std::numeric_limits<double>::quiet_NaN();
            }
        }
        ExpectSameAsLiterally(xs, ys, "round " + std::to_string(round));
    }
}

TEST(DatafieldSort, EveryShortFieldOverFourValuesArrangesAsTheProcedure) {
    for (std::size_t n = 0; n <= 7; ++n) {
        std::vector<double> keys(n + 1, 0.0);
        for (std::size_t code = 0; code < (std::size_t{1} << (2 * n)); ++code) {
            for (std::size_t i = 0; i < n; ++i)
                keys[i + 1] = static_cast<double>((code >> (2 * i)) & 3);
            for (const bool descending : {false, true}) {
                std::vector<std::int32_t> fast, literal;
                const bool changed = vodex::detail::ExchangeSortOrder(keys, descending, fast);
                ASSERT_EQ(changed,
                          vodex::detail::ExchangeSortOrderLiterally(keys, descending, literal));
                ASSERT_EQ(fast, literal) << "n " << n << " code " << code;
            }
        }
    }
}

TEST(DatafieldSort, LongChainsAndSpecialNumbers) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    ExpectSameAsLiterally({0.0, -0.0, 0.0, -0.0, 1, -1}, {1, 2, 3, 4, 5, 6}, "signed zeros");
    ExpectSameAsLiterally({3, nan, 1, 2, nan, 1}, {1, 2, 3, 4, 5, 6}, "not numbers");
    ExpectSameAsLiterally({inf, -inf, 2, inf, -inf}, {1, 2, 3, 4, 5}, "infinities");
    // Structures whose passes have long chains, so the plain scan takes over within passes.
    for (std::size_t n : {200u, 1500u}) {
        std::vector<double> reversed(n), pipe(n), saw(n), idx(n);
        for (std::size_t i = 0; i < n; ++i) {
            reversed[i] = static_cast<double>((n - i) / 2);
            pipe[i] = static_cast<double>(std::min(i, n - i) / 3);
            saw[i] = static_cast<double>(i % 17);
            idx[i] = static_cast<double>(i);
        }
        ExpectSameAsLiterally(reversed, idx, "reversed pairs " + std::to_string(n));
        ExpectSameAsLiterally(pipe, idx, "organ pipe " + std::to_string(n));
        ExpectSameAsLiterally(saw, idx, "saw " + std::to_string(n));
    }
}

TEST(Datafield, StoredPackedAndCopied) {
    vodex::test::TempHome home;
    cls_DeviceDatafield f;
    Three(f);
    f.CHANGE(0, -1, -2);
    f.CURRENT(2);
    const std::string path = home.File("field.dat");
    tlx::cls_CoreFile file;
    file.OPEN(path, tlx::cls_CoreFile::ModeWrite);
    f.DATA()->STORE(file);
    file.CLOSE();

    cls_DeviceDatafield back;
    back.ADD(99, 99);
    file.OPEN(path, tlx::cls_CoreFile::ModeRead);
    back.DATA()->READ(file);
    file.CLOSE();
    EXPECT_EQ(back.XFIELD(), f.XFIELD());
    EXPECT_EQ(back.YFIELD(), f.YFIELD());
    EXPECT_EQ(back.CURRENT(), 2);
    EXPECT_EQ(back.YSUM(), 16);

    cls_DeviceDatafield unpacked;
    unpacked.DATA()->UNPACK(f.DATA()->PACK());
    EXPECT_EQ(unpacked.XFIELD(), f.XFIELD());
    EXPECT_EQ(unpacked.CURRENT(), 2);
    EXPECT_EQ(tlx::CoreTools().PACKER().UNPACK(f.DATA()->PACK()).size(), 3u);

    cls_DeviceDatafield copy;
    EXPECT_TRUE(copy.DATA()->COPY(f));
    EXPECT_EQ(copy.YFIELD(), f.YFIELD());
    copy.ADD(1, 1);
    EXPECT_EQ(f.COUNT(), 3);

    // Only version 2.0 is read; unequal arrays are refused.
    for (const auto& [version, xs, ys] : std::vector<std::tuple<std::string, Variant, Variant>>{
             {"2.1", Variant::Array(0, {Variant(0.0)}), Variant::Array(0, {Variant(0.0)})},
             {"2.0", Variant::Array(0, {Variant(0.0), Variant(1.0)}),
              Variant::Array(0, {Variant(0.0)})},
             {"2.0", Variant::Array(1, {Variant(0.0)}), Variant::Array(1, {Variant(0.0)})}}) {
        file.OPEN(path, tlx::cls_CoreFile::ModeWrite);
        file.WRITE(Variant(version), xs, ys, Variant(0));
        file.CLOSE();
        cls_DeviceDatafield r;
        Three(r);
        file.OPEN(path, tlx::cls_CoreFile::ModeRead);
        if (version == "2.1") {
            r.DATA()->READ(file);
        } else {
            EXPECT_THROW(r.DATA()->READ(file), tlx::Error);
        }
        file.CLOSE();
        EXPECT_EQ(r.COUNT(), 3) << version;
    }
    auto spawned = std::dynamic_pointer_cast<cls_DeviceDatafield>(f.DATA()->SPAWN());
    ASSERT_TRUE(spawned);
    EXPECT_EQ(spawned->COUNT(), 0);
}

}  // namespace
