// The data field's SORT against std::sort of the same data, and its derived values over a
// million points.
//
// SORT must arrange points exactly as the exchange procedure does; this measures what that
// costs for ten key mixes (already sorted, reversed, random distinct keys, 100 and 316 key
// values in random order, each key twice in random order, falling pairs, two and three key
// values in random order, all keys equal but one) in all four orders, each against std::sort
// of the same (key, other) pairs in the same run.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "ratio_reporter.h"
#include "vodex/records/device_datafield.h"

namespace {

enum Case {
    kSorted,
    kReversed,
    kDistinct,
    kHundred,
    kRoot,
    kTwice,
    kFallingPairs,
    kTwo,
    kThree,
    kAllButOne
};
const char* const kCaseNames[] = {"sorted",     "reversed",   "distinct",      "100 values",
                                  "316 values", "each twice", "falling pairs", "2 values",
                                  "3 values",   "all but one"};
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
            case kHundred:
                keys[i] = static_cast<double>(rng() % 100);
                break;
            case kRoot:
                keys[i] = static_cast<double>(rng() % 316);
                break;
            case kTwice:
                keys[i] = static_cast<double>(i / 2);
                break;
            case kFallingPairs:  // against the order, each key twice: the longest chains
                keys[i] = static_cast<double>(descending ? i / 2 : (n - i) / 2);
                break;
            case kTwo:
                keys[i] = static_cast<double>(rng() % 2);
                break;
            case kThree:
                keys[i] = static_cast<double>(rng() % 3);
                break;
            case kAllButOne:  // one key a third of the way in comes before all the others
                keys[i] = i == n / 3 ? (descending ? 2.0 : 0.0) : 1.0;
                break;
        }
    }
    if (c == kDistinct || c == kTwice) std::shuffle(keys.begin(), keys.end(), rng);
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
    for (int c = kSorted; c <= kAllButOne; ++c) {
        for (int order = 0; order <= 3; ++order)
            b->Args({c, order, 100000});
    }
    for (int c : {kHundred, kTwice, kFallingPairs})  // growth: a tenth of the points
        b->Args({c, 0, 10000});
}

// The exchange procedure done literally (at the smaller size).
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
    ->Args({kHundred, 0, 10000})
    ->Args({kTwice, 0, 10000})
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
    // Three repetitions of every case, in random order among all cases, unless told otherwise.
    std::vector<char*> args(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=3";
    std::string interleaving = "--benchmark_enable_random_interleaving=true";
    if (argc == 1) {
        args.push_back(repetitions.data());
        args.push_back(interleaving.data());
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    vodex::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    using vodex::bench::RangeOf;
    using vodex::bench::Ratios;

    std::printf(
        "\nSORT against std::sort of the same (key, other) pairs, lowest and highest of the "
        "repetitions (ratio = SORT / std::sort of the same repetition):\n");
    std::printf("%-14s %-13s %7s %16s %16s %12s\n", "case", "order", "points", "SORT ms",
                "std::sort ms", "ratio");
    for (int c = kSorted; c <= kAllButOne; ++c) {
        for (int n : {100000, 10000}) {
            for (int order = 0; order <= 3; ++order) {
                const auto& field = reporter.Times(Name("BM_FieldSort", c, order, n));
                const auto& plain = reporter.Times(Name("BM_StdSort", c, order, n));
                if (field.empty() || plain.empty()) continue;
                const auto f = RangeOf(field);
                const auto p = RangeOf(plain);
                const auto r = RangeOf(Ratios(field, plain));
                std::printf("%-14s %-13s %7d %7.3f-%-8.3f %7.3f-%-8.3f %5.2f-%-5.2f\n",
                            kCaseNames[c], kOrderNames[order], n, f.low, f.high, p.low, p.high,
                            r.low, r.high);
            }
        }
    }
    for (int c : {kHundred, kTwice}) {
        const double literal = reporter.Time(Name("BM_LiteralSort", c, 0, 10000));
        const double field = reporter.Time(Name("BM_FieldSort", c, 0, 10000));
        if (literal > 0 && field > 0) {
            std::printf(
                "%s, x ascending, 10000 points: the literal procedure takes %.1f ms, "
                "%.0fx SORT\n",
                kCaseNames[c], literal, literal / field);
        }
    }
    for (int c : {kHundred, kTwice, kFallingPairs}) {
        const double small = reporter.Time(Name("BM_FieldSort", c, 0, 10000));
        const double large = reporter.Time(Name("BM_FieldSort", c, 0, 100000));
        if (small > 0 && large > 0) {
            std::printf("%s, x ascending: 10x the points take %.1fx the time\n", kCaseNames[c],
                        large / small);
        }
    }
    const auto derived = RangeOf(reporter.Times("BM_DerivedValues"));
    const auto plain = RangeOf(reporter.Times("BM_PlainSum"));
    if (!derived.Empty() && !plain.Empty()) {
        std::printf(
            "\nderived values over %zu points: %.2f-%.2f ms (a plain sum of y: %.2f-%.2f ms)\n",
            kDerivedPoints, derived.low, derived.high, plain.low, plain.high);
    }
    benchmark::Shutdown();
    return 0;
}
