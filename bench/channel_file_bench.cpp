// Stores and reads a list of 10,000 channels through the typed value file, against a raw
// writer with the same guarantees, in the same run with the two sides taking turns:
//   raw: the numbers and texts of the channels built into one buffer, written with one write
//   into a temporary file in the same folder, fsync, rename over the file, fsync of the
//   folder; read back with one read and taken apart into plain structures;
//   typed: cls_DeviceChannels SAVE and LOAD, which also store every value's type, hash the
//   content, check all of it when reading and build the channel objects.
// Three figures: both sides in the temporary folder with the C library's usual handling of
// freed memory; both on a memory file system with freed memory kept for reuse, which leaves
// the processor's work alone; and the allocations the typed side makes per channel.
#include <fcntl.h>
#include <malloc.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "vodex/records/device_channels.h"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// Counts every allocation of the program, for the allocations per channel.
void* operator new(std::size_t n) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

constexpr int kChannels = 10000;

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

template <class T>
void Put(std::string& out, const T& v) {
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

void PutText(std::string& out, const std::string& s) {
    Put(out, static_cast<std::uint32_t>(s.size()));
    out += s;
}

struct Reader {
    const std::string& in;
    std::size_t at = 0;
    template <class T>
    T Get() {
        if (at + sizeof(T) > in.size()) std::abort();
        T v{};
        std::memcpy(&v, in.data() + at, sizeof v);
        at += sizeof v;
        return v;
    }
    std::string GetText() {
        const auto n = Get<std::uint32_t>();
        if (at + n > in.size()) std::abort();
        std::string s = in.substr(at, n);
        at += n;
        return s;
    }
};

bool WriteAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void RawSaveLoad(const std::vector<RawChannel>& channels, const std::string& folder,
                 const std::string& path) {
    std::string out;
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
    std::string temp = folder + "/.raw-XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0 || !WriteAll(fd, out) || ::fsync(fd) != 0 ||
        ::rename(temp.c_str(), path.c_str()) != 0) {
        std::abort();
    }
    ::close(fd);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::fsync(dir);
    ::close(dir);

    const int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (in < 0 || ::fstat(in, &st) != 0) std::abort();
    std::string content(static_cast<std::size_t>(st.st_size), '\0');
    if (::read(in, content.data(), content.size()) != st.st_size) std::abort();
    ::close(in);
    Reader r{content};
    std::vector<RawChannel> back(static_cast<std::size_t>(r.Get<std::int32_t>()));
    for (RawChannel& c : back) {
        c.id = r.Get<std::int32_t>();
        c.name = r.GetText();
        c.size = r.GetText();
        c.factor = r.Get<double>();
        c.offset = r.Get<double>();
        c.status = r.Get<std::int32_t>();
        c.measure = r.Get<bool>();
        c.value = r.Get<double>();
        c.flag = r.Get<std::int32_t>();
        c.measured = r.Get<bool>();
        c.tag = r.GetText();
    }
    if (back.size() != channels.size() || back.back().name != channels.back().name) std::abort();
}

void TypedSaveLoad(vodex::cls_DeviceChannels& list, const std::string& path) {
    if (!list.SAVE(path)) std::abort();
    vodex::cls_DeviceChannels back;
    if (!back.LOAD(path) || back.COUNT() != kChannels) std::abort();
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct Figures {
    vodex::bench::Spread raw;
    vodex::bench::Spread typed;
    vodex::bench::Spread ratio;
};

// `runs` runs of 40 turns each in `folder`; each run's mean time per turn in milliseconds.
Figures Measure(const std::vector<RawChannel>& channels, vodex::cls_DeviceChannels& list,
                const std::string& folder, int runs) {
    constexpr int kRounds = 40;
    Figures f;
    for (int run = 0; run < runs; ++run) {
        double raw = 0;
        double typed = 0;
        for (int round = 0; round < kRounds; ++round) {
            auto start = std::chrono::steady_clock::now();
            RawSaveLoad(channels, folder, folder + "/raw.bin");
            raw += Seconds(start);
            start = std::chrono::steady_clock::now();
            TypedSaveLoad(list, folder + "/channels.vxc");
            typed += Seconds(start);
        }
        f.raw.Add(raw / kRounds * 1000);
        f.typed.Add(typed / kRounds * 1000);
        f.ratio.Add(typed / raw);
    }
    return f;
}

std::string MakeFolder(const std::filesystem::path& under) {
    std::string folder = (under / "vodex-bench-XXXXXX").string();
    return ::mkdtemp(folder.data()) ? folder : std::string();
}

void Report(const char* what, const Figures& f, double target) {
    std::printf(
        "%s, %zu runs: typed file %.2f to %.2f ms, raw %.2f to %.2f ms; typed/raw lowest %.2f, "
        "median %.2f, highest %.2f (target: within %.1f)\n",
        what, f.ratio.all.size(), f.typed.Low(), f.typed.High(), f.raw.Low(), f.raw.High(),
        f.ratio.Low(), f.ratio.Middle(), f.ratio.High(), target);
}

}  // namespace

int main() {
    const std::vector<RawChannel> channels = RawChannels();
    vodex::cls_DeviceChannels list;
    for (const RawChannel& c : channels) {
        auto ch = list.CREATE(c.id, c.name, c.size, c.factor, c.offset);
        ch->MEASURE(c.measure);
        ch->VALUE(c.value);
        ch->FLAG(c.flag);
        ch->MEASURED(c.measured);
        ch->TAG(c.tag);
    }
    std::printf(
        "store and read %d channels, runs of 40 turns each, the two sides taking "
        "turns\n",
        kChannels);

    const std::string onDisk = MakeFolder(std::filesystem::temp_directory_path());
    if (onDisk.empty()) return 1;
    Report("in the temporary folder", Measure(channels, list, onDisk, 3), 2.0);
    std::filesystem::remove_all(onDisk);

    // Freed memory stays with the program and the files in memory: what is left is the work of
    // encoding, checking and building.
    ::mallopt(M_TRIM_THRESHOLD, 1 << 30);
    ::mallopt(M_MMAP_THRESHOLD, 1 << 30);
    ::mallopt(M_TOP_PAD, 64 << 20);
    const bool shm = std::filesystem::is_directory("/dev/shm");
    const std::string inMemory =
        MakeFolder(shm ? "/dev/shm" : std::filesystem::temp_directory_path());
    if (inMemory.empty()) return 1;
    Report(shm ? "processor alone (/dev/shm, freed memory kept)"
               : "processor alone (freed memory kept; no /dev/shm, so on disk)",
           Measure(channels, list, inMemory, 9), 2.5);

    const long beforeSave = allocations.load();
    if (!list.SAVE(inMemory + "/count.vxc")) return 1;
    const long afterSave = allocations.load();
    vodex::cls_DeviceChannels back;
    if (!back.LOAD(inMemory + "/count.vxc")) return 1;
    const long afterLoad = allocations.load();
    std::filesystem::remove_all(inMemory);
    std::printf(
        "allocations: SAVE %ld in all, LOAD %.2f per channel (the channel object and its data "
        "object; %d values each read in place)\n",
        afterSave - beforeSave, static_cast<double>(afterLoad - afterSave) / kChannels, 11);
    return 0;
}
