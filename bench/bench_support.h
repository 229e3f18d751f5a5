// What the benchmark programs share: ranges of figures over runs, and a home of their own.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>

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

// A fresh folder under the temporary folder, made the toolkit's home (VODEX_HOME) for this
// process and the programs it starts; "" when it cannot be made.
inline std::string MakeBenchHome() {
    std::string home = (std::filesystem::temp_directory_path() / "vodex-bench-XXXXXX").string();
    if (!::mkdtemp(home.data())) return {};
    ::setenv("VODEX_HOME", home.c_str(), 1);
    return home;
}

}  // namespace vodex::bench
