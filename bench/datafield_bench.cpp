// The data field's SORT against std::sort of the same data, and its derived values over a
// million points.
//
// SORT must arrange points exactly as the exchange procedure does; this measures what that
// costs in four cases (already sorted, reversed, random distinct keys, random keys with many
// duplicates) for all four orders, each against std::sort of the same (key, other) pairs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "ratio_reporter.h"
#include "vodex/records/device_datafield.h"

namespace {

enum Case { kSorted, kReversed, kDistinct, kDuplicates, kFallingPairs };
const char* const kCaseNames[] = {"sorted", "reversed", "distinct", "duplicates", "falling"};
const char* const kOrderNames[] = {"x ascending", "x descending", "y ascending", "y descending"};

// Keys for the case, already in the wanted arrangement for `order`.
std::vector<double> Keys(Case c, int order, std::size_t n) {
    std::vector<double> keys(n);
    std::mt19937_64 rng(42);
    const bool descending = order == 1 || order == 3;
    for (std::size_t i = 0; i < n; ++i) {
        switch (c) {
            case kSorted:
                keys[i] = static_cast<double>(descending ? n - i : i);
                break;
            case kReversed:
                keys[i] = static_cast<double>(descending ? i : n - i);
                break;
            case kDistinct:
                keys[i] = static_cast<double>(i);
                break;
            case kDuplicates:
                keys[i] = static_cast<double>(rng() % 100);
                break;
            case kFallingPairs:  // against the order, each key twice: the longest chains
                keys[i] = static_cast<double>(descending ? i / 2 : (n - i) / 2);
                break;
        }
    }
    if (c == kDistinct) std::shuffle(keys.begin(), keys.end(), rng);
    return keys;
}

void Fill(vodex::cls_DeviceDatafield& f, const std::vector<double>& keys, int order) {
    f.CLEAR();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto other = static_cast<double>(i);
        if (order <= 1) {
            f.ADD(keys[i], other);
        } else {
            f.ADD(other, keys[i]);
        }
    }
}

void BM_FieldSort(benchmark::State& state) {
    const auto c = static_cast<Case>(state.range(0));
    const auto order = static_cast<int>(state.range(1));
    const auto n = static_cast<std::size_t>(state.range(2));
    const std::vector<double> keys = Keys(c, order, n);
    vodex::cls_DeviceDatafield f;
    for (auto _ : state) {
        state.PauseTiming();
        Fill(f, keys, order);
        state.ResumeTiming();
        benchmark::DoNotOptimize(f.SORT(order));
    }
}

void BM_StdSort(benchmark::State& state) {
    const auto c = static_cast<Case>(state.range(0));
    const auto order = static_cast<int>(state.range(1));
    const auto n = static_cast<std::size_t>(state.range(2));
    const std::vector<double> keys = Keys(c, order, n);
    const bool descending = order == 1 || order == 3;
    std::vector<std::pair<double, double>> points(n);
    for (auto _ : state) {
        state.PauseTiming();
        for (std::size_t i = 0; i < n; ++i)
            points[i] = {keys[i], static_cast<double>(i)};
        state.ResumeTiming();
        std::sort(points.begin(), points.end(), [descending](const auto& a, const auto& b) {
            return descending ? a.first > b.first : a.first < b.first;
        });
        benchmark::DoNotOptimize(points.data());
    }
}

void SortArguments(benchmark::internal::Benchmark* b) {
    for (int c = kSorted; c <= kDuplicates; ++c) {
        for (int order = 0; order <= 3; ++order)
            b->Args({c, order, 100000});
    }
    for (int order = 0; order <= 3; ++order)
        b->Args({kDuplicates, order, 10000});
    b->Args({kFallingPairs, 0, 10000});
    b->Args({kFallingPairs, 0, 30000});
}

// The exchange procedure done literally, for the case with equal keys (at the smaller size).
void BM_LiteralSort(benchmark::State& state) {
    const auto order = static_cast<int>(state.range(1));
    const auto n = static_cast<std::size_t>(state.range(2));
    std::vector<double> keys = Keys(static_cast<Case>(state.range(0)), order, n);
    keys.insert(keys.begin(), 0.0);  // position 0
    std::vector<std::int32_t> arrangement;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            vodex::detail::ExchangeSortOrderLiterally(keys, order == 1 || order == 3, arrangement));
    }
}

BENCHMARK(BM_FieldSort)->Apply(SortArguments)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LiteralSort)
    ->Args({kDuplicates, 0, 10000})
    ->Args({kDuplicates, 1, 10000})
    ->Args({kFallingPairs, 0, 10000})
    ->Args({kFallingPairs, 0, 30000})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSort)->Apply(SortArguments)->Unit(benchmark::kMillisecond);

constexpr std::size_t kDerivedPoints = 1000000;

// All derived values at once (the first read after a change computes every one).
void BM_DerivedValues(benchmark::State& state) {
    vodex::cls_DeviceDatafield f;
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> d(-1, 1);
    for (std::size_t i = 0; i < kDerivedPoints; ++i)
        f.ADD(static_cast<double>(i), d(rng));
    for (auto _ : state) {
        f.x(1, f.x(1));  // a change: the next read computes everything anew
        benchmark::DoNotOptimize(f.YINTEGRAL() + f.Xmax() + f.YSUMTO(500000));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(kDerivedPoints));
}

// Baseline: one plain pass that only sums y.
void BM_PlainSum(benchmark::State& state) {
    std::vector<double> ys(kDerivedPoints + 1);
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> d(-1, 1);
    for (double& y : ys)
        y = d(rng);
    for (auto _ : state) {
        double s = 0;
        for (double y : ys)
            s += y;
        benchmark::DoNotOptimize(s);
    }
}

BENCHMARK(BM_DerivedValues)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainSum)->Unit(benchmark::kMillisecond);

std::string Name(const char* bench, int c, int order, int n) {
    return std::string(bench) + "/" + std::to_string(c) + "/" + std::to_string(order) + "/" +
           std::to_string(n);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    vodex::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nSORT against std::sort of the same points (ratio = SORT / std::sort):\n");
    std::printf("%-11s %-13s %9s %12s %14s %8s\n", "case", "order", "points", "SORT ms",
                "std::sort ms", "ratio");
    for (int c = kSorted; c <= kFallingPairs; ++c) {
        for (int n : {100000, 30000, 10000}) {
            for (int order = 0; order <= 3; ++order) {
                const double field = reporter.Time(Name("BM_FieldSort", c, order, n));
                const double plain = reporter.Time(Name("BM_StdSort", c, order, n));
                if (field <= 0 || plain <= 0) continue;
                std::printf("%-11s %-13s %9d %12.3f %14.3f %8.2f\n", kCaseNames[c],
                            kOrderNames[order], n, field, plain, field / plain);
            }
        }
    }
    for (auto [c, order, n] :
         {std::tuple{kDuplicates, 0, 10000}, std::tuple{kDuplicates, 1, 10000},
          std::tuple{kFallingPairs, 0, 10000}, std::tuple{kFallingPairs, 0, 30000}}) {
        const double literal = reporter.Time(Name("BM_LiteralSort", c, order, n));
        const double field = reporter.Time(Name("BM_FieldSort", c, order, n));
        if (literal > 0 && field > 0) {
            std::printf("%s, %s, %d points: the literal procedure takes %.1f ms, %.2fx SORT\n",
                        kCaseNames[c], kOrderNames[order], n, literal, literal / field);
        }
    }
    for (int order = 0; order <= 3; ++order) {
        const double small = reporter.Time(Name("BM_FieldSort", kDuplicates, order, 10000));
        const double large = reporter.Time(Name("BM_FieldSort", kDuplicates, order, 100000));
        if (small > 0 && large > 0) {
            std::printf("duplicates, %s: 10x the points take %.1fx the time\n", kOrderNames[order],
                        large / small);
        }
    }
    const double derived = reporter.Time("BM_DerivedValues");
    const double plain = reporter.Time("BM_PlainSum");
    if (derived > 0 && plain > 0) {
        std::printf(
            "\nderived values over %zu points: %.2f ms, %.2f ns per point "
            "(a plain sum of y: %.2f ms; ratio %.1f)\n",
            kDerivedPoints, derived, derived * 1e6 / static_cast<double>(kDerivedPoints), plain,
            derived / plain);
    }
    benchmark::Shutdown();
    return 0;
}
