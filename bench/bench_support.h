// What the benchmark programs share: ranges of figures over runs, and a home of their own.
#pragma once

#include <stdlib.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace vodex::bench {

// The lowest and highest of the figures added.
struct Range {
    double low = 1e300;
    double high = -1e300;
    void Add(double v) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    bool Empty() const { return low > high; }
};

// The middle of the figures (the upper middle of an even count); 0 for none.
inline double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Every figure of a series, for its lowest, middle and highest.
struct Spread {
    std::vector<double> all;
    void Add(double v) { all.push_back(v); }
    double Low() const { return all.empty() ? 0 : *std::min_element(all.begin(), all.end()); }
    double Middle() const { return Median(all); }
    double High() const { return all.empty() ? 0 : *std::max_element(all.begin(), all.end()); }
};

// A fresh folder under the temporary folder, made the toolkit's home (VODEX_HOME) for this
// process and the programs it starts; "" when it cannot be made.
inline std::string MakeBenchHome() {
    std::string home = (std::filesystem::temp_directory_path() / "vodex-bench-XXXXXX").string();
    if (!::mkdtemp(home.data())) return {};
    ::setenv("VODEX_HOME", home.c_str(), 1);
    return home;
}

// Processor time of this thread, and wall time, in seconds.
inline double ThreadSeconds() {
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

inline double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Totals {
    double wall = 0;
    double processor = 0;
};

// Runs `block` calls of a, then of b, `rounds` times; the time each side took in all.
template <class A, class B>
std::pair<Totals, Totals> Interleaved(A&& a, B&& b, int rounds, int block) {
    Totals ta;
    Totals tb;
    auto timed = [block](auto& f, Totals& t) {
        const double w = WallSeconds();
        const double p = ThreadSeconds();
        for (int i = 0; i < block; ++i)
            f();
        t.processor += ThreadSeconds() - p;
        t.wall += WallSeconds() - w;
    };
    for (int r = 0; r < rounds; ++r) {
        timed(a, ta);
        timed(b, tb);
    }
    return {ta, tb};
}

}  // namespace vodex::bench
