// Driver packages: parsing and classifying a catalogue of 10,000 records against a plain split
// of the same text into lines; and installing plus uninstalling the balance driver's package
// (whole runs of the installer) against extracting the same archive with bsdtar.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ratio_reporter.h"
#include "tlx/package.h"
#include "tlx/process.h"
#include "vodex/tools/driver_catalogue.h"

namespace {

constexpr int kRecords = 10000;

std::string Catalogue() {
    std::string text;
    for (int i = 0; i < kRecords; ++i) {
        const std::string n = std::to_string(i);
        text += "[BEGIN]\r\nID=vodex_d" + n + "\r\nNAME=Wandler " + n +
                "\r\nTEXT=Vodex\r\nDESCRIPTION=Ein Wandler mit der Nummer " + n +
                "\r\nMAJOR=1\r\nMINOR=" + std::to_string(i % 20) +
                "\r\nREVISION=" + std::to_string(i % 7) +
                "\r\nBUILD=400\r\nSIZE=123456\r\nDATE=5.12.2001\r\n"
                "DOWNLOADURL=https://update.example/files/devices/vodex_d" +
                n + ".msi\r\nNEEDINTERFACE=400\r\nCRC=ABCDEF\r\n[END]\r\n";
    }
    return text;
}

const std::string& Text() {
    static const std::string text = Catalogue();
    return text;
}

void BM_ParseAndClassify(benchmark::State& state) {
    for (auto _ : state) {
        vodex::DriverCatalogue list(nullptr);
        list.MergeCatalogue(Text());
        list.ClassifyAll();
        for (const auto& e : list.Entries()) {
            benchmark::DoNotOptimize(vodex::DriverCatalogue::Status(e, true));
        }
        if (list.Entries().size() != kRecords) state.SkipWithError("records were lost");
    }
}

// Baseline: the same text split into lines, nothing more.
void BM_SplitLines(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<std::string> lines;
        std::string_view rest = Text();
        while (!rest.empty()) {
            const std::size_t end = rest.find('\n');
            lines.emplace_back(rest.substr(0, end));
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
        }
        benchmark::DoNotOptimize(lines.data());
    }
}

BENCHMARK(BM_ParseAndClassify)->Unit(benchmark::kMillisecond)->Repetitions(3);
BENCHMARK(BM_SplitLines)->Unit(benchmark::kMillisecond)->Repetitions(3);

double Seconds(const std::chrono::steady_clock::time_point& since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    vodex::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratios = vodex::bench::Ratios(reporter.Times("BM_ParseAndClassify/repeats:3"),
                                             reporter.Times("BM_SplitLines/repeats:3"));
    const auto parse = vodex::bench::RangeOf(ratios);
    if (!parse.Empty()) {
        std::printf(
            "\ncatalogue of %d records, parsed and classified: %.1f to %.1f times a plain "
            "split into lines\n",
            kRecords, parse.low, parse.high);
    }

    // Whole processes, taking turns: install + uninstall against bsdtar extracting.
    const std::string home = vodex::bench::MakeBenchHome();
    if (home.empty()) return 1;
    const std::string product =
        tlx::package::ReadPackage(VODEX_BALANCE_PACKAGE).manifest.productCode;
    const std::string into = home + "/extracted";
    vodex::bench::Range install;
    for (int run = 0; run < 3; ++run) {
        double installer = 0;
        double bsdtar = 0;
        for (int i = 0; i < 10; ++i) {
            auto start = std::chrono::steady_clock::now();
            if (tlx::RunAndWait({VODEX_MSIEXEC, "/quiet", "/i", VODEX_BALANCE_PACKAGE}) != 0 ||
                tlx::RunAndWait({VODEX_MSIEXEC, "/quiet", "/x", product}) != 0) {
                std::fprintf(stderr, "the installer failed\n");
                return 1;
            }
            installer += Seconds(start);
            std::filesystem::create_directories(into);
            start = std::chrono::steady_clock::now();
            if (tlx::RunAndWait({"/usr/bin/bsdtar", "-xf", VODEX_BALANCE_PACKAGE, "-C", into}) !=
                0) {
                std::fprintf(stderr, "bsdtar (libarchive-tools) is missing or failed\n");
                return 1;
            }
            bsdtar += Seconds(start);
            std::filesystem::remove_all(into);
        }
        install.Add(installer / bsdtar);
        std::printf("install + uninstall %.1f ms, bsdtar -x %.1f ms\n", installer * 100,
                    bsdtar * 100);
    }
    std::printf(
        "install + uninstall of the balance package: %.1f to %.1f times bsdtar extracting "
        "it\n",
        install.low, install.high);
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(home, ignored);
    return 0;
}
