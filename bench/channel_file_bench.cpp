// Stores and reads a list of 10,000 channels through the typed value file, against a raw
// writer with the same guarantees, in the same run with the two sides taking turns:
//   raw: the numbers and texts of the channels built into one buffer, written with one write
//   into a temporary file in the same folder, fsync, rename over the file, fsync of the
//   folder; read back with one read and taken apart into plain structures;
//   typed: cls_DeviceChannels SAVE and LOAD, which also store every value's type, hash the
//   content, check all of it when reading and build the channel objects.
// Three runs, each reported.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "vodex/records/device_channels.h"

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

}  // namespace

int main() {
    std::string folder = (std::filesystem::temp_directory_path() / "vodex-bench-XXXXXX").string();
    if (!::mkdtemp(folder.data())) return 1;
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
    constexpr int kRuns = 3;
    constexpr int kRounds = 40;
    double rawLow = 1e300, rawHigh = 0, typedLow = 1e300, typedHigh = 0;
    double ratioLow = 1e300, ratioHigh = 0;
    for (int run = 0; run < kRuns; ++run) {
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
        raw = raw / kRounds * 1000;
        typed = typed / kRounds * 1000;
        rawLow = std::min(rawLow, raw);
        rawHigh = std::max(rawHigh, raw);
        typedLow = std::min(typedLow, typed);
        typedHigh = std::max(typedHigh, typed);
        ratioLow = std::min(ratioLow, typed / raw);
        ratioHigh = std::max(ratioHigh, typed / raw);
    }
    std::filesystem::remove_all(folder);
    std::printf(
        "store and read %d channels, %d runs of %d turns each: typed file %.2f to %.2f ms, "
        "raw (one buffer, write, fsync, rename, fsync of the folder, one read) %.2f to %.2f ms; "
        "typed/raw %.2f to %.2f (target: within 2)\n",
        kChannels, kRuns, kRounds, typedLow, typedHigh, rawLow, rawHigh, ratioLow, ratioHigh);
    return 0;
}
