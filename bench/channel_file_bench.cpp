// Stores and reads a list of 10,000 channels through the typed value file and compares it with
// writing and reading the same numbers and texts raw (fwrite/fread) in the same run.
//
// The typed file also checks every value's type, hashes the content and commits atomically
// (temporary file, fsync, rename); the raw baseline is measured once without and once with a
// single fsync, so both comparisons are visible.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "ratio_reporter.h"
#include "vodex/records/device_channels.h"

namespace {

constexpr int kChannels = 10000;

std::string TempFile(const char* name) {
    return (std::filesystem::temp_directory_path() /
            (std::string("vodex-bench-") + std::to_string(::getpid()) + "-" + name))
        .string();
}

struct RawChannel {
    std::int32_t id = 0;
    std::string name;
    std::string size;
    double factor = 0;
    double offset = 0;
    std::int32_t status = 0;
    bool measure = false;
    double value = 0;
    std::int32_t flag = 0;
    bool measured = false;
    std::string tag;
};

std::vector<RawChannel> RawChannels() {
    std::vector<RawChannel> v(kChannels);
    for (int i = 0; i < kChannels; ++i) {
        v[static_cast<std::size_t>(i)] = {
            i + 1, "Kanal " + std::to_string(i + 1), "mS", 1.0, 0.0, 0, true, 0.001 * i, i, true,
            "t"};
    }
    return v;
}

void PutText(std::FILE* f, const std::string& s) {
    auto n = static_cast<std::uint32_t>(s.size());
    std::fwrite(&n, sizeof n, 1, f);
    std::fwrite(s.data(), 1, s.size(), f);
}

std::string GetText(std::FILE* f) {
    std::uint32_t n = 0;
    if (std::fread(&n, sizeof n, 1, f) != 1) std::abort();
    std::string s(n, '\0');
    if (std::fread(s.data(), 1, n, f) != n) std::abort();
    return s;
}

template <class T>
void Put(std::FILE* f, const T& v) {
    std::fwrite(&v, sizeof v, 1, f);
}

template <class T>
T Get(std::FILE* f) {
    T v{};
    if (std::fread(&v, sizeof v, 1, f) != 1) std::abort();
    return v;
}

void RawRoundTrip(benchmark::State& state, bool sync) {
    const std::vector<RawChannel> channels = RawChannels();
    const std::string path = TempFile(sync ? "raw-sync" : "raw");
    for (auto _ : state) {
        std::FILE* out = std::fopen(path.c_str(), "wb");
        Put(out, static_cast<std::int32_t>(channels.size()));
        for (const RawChannel& c : channels) {
            Put(out, c.id);
            PutText(out, c.name);
            PutText(out, c.size);
            Put(out, c.factor);
            Put(out, c.offset);
            Put(out, c.status);
            Put(out, c.measure);
            Put(out, c.value);
            Put(out, c.flag);
            Put(out, c.measured);
            PutText(out, c.tag);
        }
        std::fflush(out);
        if (sync) ::fsync(::fileno(out));
        std::fclose(out);

        std::FILE* in = std::fopen(path.c_str(), "rb");
        std::vector<RawChannel> back(static_cast<std::size_t>(Get<std::int32_t>(in)));
        for (RawChannel& c : back) {
            c.id = Get<std::int32_t>(in);
            c.name = GetText(in);
            c.size = GetText(in);
            c.factor = Get<double>(in);
            c.offset = Get<double>(in);
            c.status = Get<std::int32_t>(in);
            c.measure = Get<bool>(in);
            c.value = Get<double>(in);
            c.flag = Get<std::int32_t>(in);
            c.measured = Get<bool>(in);
            c.tag = GetText(in);
        }
        std::fclose(in);
        benchmark::DoNotOptimize(back);
    }
    std::filesystem::remove(path);
}

void BM_RawFwriteFread(benchmark::State& state) {
    RawRoundTrip(state, false);
}
void BM_RawFwriteFsyncFread(benchmark::State& state) {
    RawRoundTrip(state, true);
}

void BM_ChannelListSaveLoad(benchmark::State& state) {
    vodex::cls_DeviceChannels list;
    for (const RawChannel& c : RawChannels()) {
        auto ch = list.CREATE(c.id, c.name, c.size, c.factor, c.offset);
        ch->MEASURE(c.measure);
        ch->VALUE(c.value);
        ch->FLAG(c.flag);
        ch->MEASURED(c.measured);
        ch->TAG(c.tag);
    }
    const std::string path = TempFile("channels");
    for (auto _ : state) {
        if (!list.SAVE(path)) state.SkipWithError("SAVE failed");
        vodex::cls_DeviceChannels back;
        if (!back.LOAD(path) || back.COUNT() != kChannels) state.SkipWithError("LOAD failed");
        benchmark::DoNotOptimize(back);
    }
    std::filesystem::remove(path);
}

BENCHMARK(BM_RawFwriteFread)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawFwriteFsyncFread)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChannelListSaveLoad)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    vodex::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double raw = reporter.Time("BM_RawFwriteFread");
    const double rawSync = reporter.Time("BM_RawFwriteFsyncFread");
    const double typed = reporter.Time("BM_ChannelListSaveLoad");
    if (raw > 0 && rawSync > 0 && typed > 0) {
        std::printf(
            "\nstore+read of %d channels: typed file %.2f ms, raw %.2f ms, raw+fsync %.2f ms\n",
            kChannels, typed, raw, rawSync);
        std::printf("ratio typed/raw: %.2f   ratio typed/(raw+fsync): %.2f   (aim: within 5)\n",
                    typed / raw, typed / rawSync);
    }
    benchmark::Shutdown();
    return 0;
}
