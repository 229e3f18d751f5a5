// Damaged, missing and half-written record files. This program counts its allocations, to
// show that a damaged file never makes the reader allocate more than the file holds.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <thread>

#include "allocation_tracker.h"
#include "file_ops.h"
#include "fixtures.h"
#include "framing.h"
#include "pictures.h"
#include "tlx/file.h"
#include "vodex/core/device.h"
#include "vodex/records/device_channels.h"
#include "vodex/records/device_comsettings.h"
#include "vodex/records/device_info.h"
#include "vodex/records/device_ports.h"
#include "vodex/records/file_errors.h"

namespace {

using vodex::cls_DeviceChannels;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Spit(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Runs `load` on the file at `path` (which holds `good`) for every truncation and every
// flipped bit of it: each must fail, and no allocation may grow with what the damage claims.
void ExpectEveryDamageRefused(const std::string& path, const std::function<bool()>& load) {
    const std::string good = Slurp(path);
    vodex::test::StartTrackingAllocations();
    ASSERT_TRUE(load());
    // Messages and bookkeeping may take a little; nothing may grow with what the damage claims.
    const std::size_t bound =
        std::max<std::size_t>({good.size(), vodex::test::StopTrackingAllocations(), 1024});
    auto refused = [&](const std::string& bad, const std::string& what) {
        Spit(path, bad);
        vodex::test::StartTrackingAllocations();
        const bool ok = load();
        const std::size_t largest = vodex::test::StopTrackingAllocations();
        EXPECT_FALSE(ok) << what;
        EXPECT_LE(largest, bound) << what;
    };
    int cases = 0;
    for (std::size_t cut = 0; cut < good.size(); ++cut, ++cases) {
        refused(good.substr(0, cut), "cut at " + std::to_string(cut));
    }
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit, ++cases) {
            std::string bad = good;
            bad[i] = static_cast<char>(bad[i] ^ (1 << bit));
            refused(bad, "byte " + std::to_string(i) + " bit " + std::to_string(bit));
        }
        std::string inverted = good;
        inverted[i] = static_cast<char>(~inverted[i]);
        refused(inverted, "byte " + std::to_string(i) + " inverted");
        ++cases;
    }
    EXPECT_GT(cases, 1000);
    Spit(path, good);
}

// Reads a record through its data object, as a device reads its members; False on an error.
bool ReadRecord(tlx::cls_CoreData& data, const std::string& path) {
    try {
        tlx::cls_CoreFile f;
        f.OPEN(path, tlx::cls_CoreFile::ModeRead);
        data.READ(f);
        return true;
    } catch (const tlx::Error&) {
        return false;
    }
}

std::shared_ptr<cls_DeviceChannels> Small() {
    auto list = std::make_shared<cls_DeviceChannels>();
    list->CREATE(1, "pH a 0 - 14", "pH")->TAG("t");
    list->CREATE(2, "LF 0 - 5 mS", "mS")->VALUE(4.75);
    return list;
}

class DamagedFiles : public vodex::test::HomeTest {
  protected:
    std::string path = home.File("channels.dat");
};

TEST_F(DamagedFiles, EveryTruncationAndEveryFlippedBitIsRefused) {
    ASSERT_TRUE(Small()->SAVE(path));
    ExpectEveryDamageRefused(path, [&] { return cls_DeviceChannels().LOAD(path); });
}

TEST_F(DamagedFiles, DamagedPortListsAreRefused) {
    vodex::cls_DevicePorts ports;
    ports.CATEGORY(vodex::ID_PortCategory_Serial);
    ports.CREATE(1, "Eingebaut");
    ports.CREATE(3, "COM 3", false);
    ASSERT_TRUE(ports.SAVE(path));
    ExpectEveryDamageRefused(path, [&] { return vodex::cls_DevicePorts().LOAD(path); });
}

TEST_F(DamagedFiles, DamagedDeviceInformationIsRefused) {
    vodex::cls_DeviceInfo info;
    info.NAME("Zufallsgenerator");
    info.ICON(vodex::test::TinyPng());
    info.COMBAUDADD(9600);
    info.SUPPORTEDACTIVATORS()->ADD("RELAIS");
    {
        tlx::cls_CoreFile f;
        f.OPEN(path, tlx::cls_CoreFile::ModeWrite);
        info.DATA()->STORE(f);
        f.CLOSE();
    }
    ExpectEveryDamageRefused(path, [&] {
        vodex::cls_DeviceInfo r;
        return ReadRecord(*r.DATA(), path);
    });
}

TEST_F(DamagedFiles, ACountBeyondTheChannelsPresentIsRefused) {
    // A list that claims 50 channels and holds 3, with a correct checksum around it.
    std::vector<tlx::Variant> values = {tlx::Variant("1.0"), tlx::Variant(1), tlx::Variant(50)};
    for (int i = 1; i <= 3; ++i) {
        for (const tlx::Variant& v :
             {tlx::Variant("1.1"), tlx::Variant(i), tlx::Variant("K" + std::to_string(i)),
              tlx::Variant("pH"), tlx::Variant(1.0), tlx::Variant(0.0), tlx::Variant(0),
              tlx::Variant(true), tlx::Variant(7.0), tlx::Variant(0), tlx::Variant(true),
              tlx::Variant("")}) {
            values.push_back(v);
        }
    }
    const std::string file = vodex::test::FrameBody(vodex::test::EncodeBody(values));
    Spit(path, file);
    cls_DeviceChannels list;
    vodex::test::StartTrackingAllocations();
    EXPECT_FALSE(list.LOAD(path));
    EXPECT_LE(vodex::test::StopTrackingAllocations(), std::max<std::size_t>(file.size(), 1024));
    ASSERT_EQ(list.COUNT(), 50);  // what was read stays; the rest are fresh channels
    EXPECT_EQ(list.Item(3)->NAME(), "K3");
    EXPECT_EQ(list.Item(4)->NAME(), "");
    EXPECT_EQ(list.Item(50)->NAME(), "");

    values[2] = tlx::Variant(2000000000);
    Spit(path, vodex::test::FrameBody(vodex::test::EncodeBody(values)));
    cls_DeviceChannels refused;
    vodex::test::StartTrackingAllocations();
    EXPECT_FALSE(refused.LOAD(path));
    EXPECT_LE(vodex::test::StopTrackingAllocations(), std::max<std::size_t>(file.size(), 1024));
    EXPECT_EQ(refused.COUNT(), 0);
}

TEST_F(DamagedFiles, WhatIsNoFileIsRefused) {
    cls_DeviceChannels list;
    EXPECT_FALSE(list.LOAD(home.File("missing.dat")));
    EXPECT_FALSE(list.LOAD(home.Path().string()));
    const std::string fifo = home.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(list.LOAD(fifo));
    EXPECT_FALSE(list.LOAD("/dev/null"));
    EXPECT_FALSE(list.LOAD(home.File("missing.dat/below")));
    Spit(path, "");
    EXPECT_FALSE(list.LOAD(path));
    EXPECT_EQ(list.COUNT(), 0);
}

TEST_F(DamagedFiles, UnreadableFilesAreRefused) {
    ASSERT_TRUE(Small()->SAVE(path));
    ASSERT_EQ(::chmod(path.c_str(), 0), 0);
    if (::geteuid() != 0) {
        cls_DeviceChannels list;
        EXPECT_FALSE(list.LOAD(path));
        return;
    }
    // The superuser reads every file, so the reading is left to an unprivileged child; the
    // folder lets it in, only the file's own permissions keep it out.
    ASSERT_EQ(::chmod(home.Path().c_str(), 0755), 0);
    const std::string readable = home.File("readable.dat");
    ASSERT_TRUE(Small()->SAVE(readable));
    ASSERT_EQ(::chmod(readable.c_str(), 0644), 0);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
        cls_DeviceChannels list;
        if (!list.LOAD(readable)) ::_exit(3);
        ::_exit(list.LOAD(path) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0)
        << "1: the unreadable file was read; 2: no user to drop to; 3: the readable one was not";
}

// Kills the writing process halfway through writing the new file.
class KillMidWrite : public tlx::detail::FileOps {
  public:
    ssize_t Write(int fd, const void* buf, std::size_t n) override {
        FileOps::Write(fd, buf, n / 2);
        ::raise(SIGKILL);
        return -1;
    }
};

TEST_F(DamagedFiles, AWriterKilledInTheMiddleOfSaveLeavesThePreviousFile) {
    ASSERT_TRUE(Small()->SAVE(path));
    const std::string before = Slurp(path);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        KillMidWrite ops;
        tlx::detail::SetFileOpsForThisThread(&ops);
        cls_DeviceChannels big;
        for (int i = 1; i <= 2000; ++i)
            big.CREATE(i, "neu", "x");
        big.SAVE(path);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(Slurp(path), before);
    cls_DeviceChannels list;
    ASSERT_TRUE(list.LOAD(path));
    EXPECT_EQ(list.COUNT(), 2);
}

TEST_F(DamagedFiles, WritersKilledAtRandomMomentsLeaveAWholeFile) {
    // A writer saves two different lists in turn until it is killed from outside, at a random
    // moment after its first commit; the file then holds one of the two lists completely.
    std::mt19937 rng(11);
    for (int round = 0; round < 6; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(ready[0]);
            cls_DeviceChannels a;
            cls_DeviceChannels b;
            for (int i = 1; i <= 3000; ++i) {
                a.CREATE(i, "A", "");
                b.CREATE(i, "B", "");
            }
            b.CREATE(3001, "B", "");
            a.SAVE(path);
            ::close(ready[1]);
            for (;;) {
                b.SAVE(path);
                a.SAVE(path);
            }
        }
        ::close(ready[1]);
        char c;
        ASSERT_EQ(::read(ready[0], &c, 1), 0);  // the first list is committed
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 40));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        cls_DeviceChannels list;
        ASSERT_TRUE(list.LOAD(path)) << "round " << round;
        const std::string name = list.Item(1)->NAME();
        ASSERT_TRUE(name == "A" || name == "B");
        EXPECT_EQ(list.COUNT(), name == "A" ? 3000 : 3001);
        EXPECT_EQ(list.Item(list.COUNT())->NAME(), name);
    }
}

}  // namespace

namespace {

// A record list of `count` entries that are each one byte of the file (an empty version,
// which the reader takes as an entry it cannot read further), with a correct checksum.
std::string EmptyEntries(const tlx::Variant& version, std::size_t count) {
    return vodex::test::FrameBody(
        vodex::test::EncodeBody({version, tlx::Variant(0), tlx::Variant(static_cast<int>(count))}) +
        std::string(count, static_cast<char>(tlx::VarType::Empty)));
}

TEST_F(DamagedFiles, HostileFilesTakeLittleMoreMemoryThanTheirSize) {
    constexpr std::size_t kEntries = std::size_t{16} << 20;
    const std::string arrayOfEmpties = vodex::test::FrameBody(
        std::string(1, static_cast<char>(tlx::VarType::Array)) + std::string(4, '\0') +
        std::string(reinterpret_cast<const char*>(&kEntries), 4) +
        std::string(kEntries, static_cast<char>(tlx::VarType::Empty)));
    const struct {
        const char* what;
        std::string file;
        std::function<bool()> load;
    } cases[] = {
        {"channel list", EmptyEntries(tlx::Variant("1.0"), kEntries),
         [&] { return cls_DeviceChannels().LOAD(path); }},
        {"port list", EmptyEntries(tlx::Variant("1.0"), kEntries),
         [&] { return vodex::cls_DevicePorts().LOAD(path); }},
        {"list of values", arrayOfEmpties,
         [&] {
             tlx::cls_CoreFile f;
             f.OPEN(path, tlx::cls_CoreFile::ModeRead);
             return !f.READ().IsEmpty();
         }},
    };
    for (const auto& c : cases) {
        Spit(path, c.file);
        vodex::test::StartTrackingAllocations();
        bool loaded = false;
        try {
            loaded = c.load();
        } catch (const tlx::Error&) {
        }
        vodex::test::StopTrackingAllocations();
        EXPECT_FALSE(loaded) << c.what;
        EXPECT_LT(vodex::test::PeakAllocatedBytes(), 20 * c.file.size()) << c.what;
    }
    // Beyond the size a record file may have, nothing is read at all.
    Spit(path, "");
    ASSERT_EQ(::truncate(path.c_str(), 65 << 20), 0);
    vodex::test::StartTrackingAllocations();
    EXPECT_FALSE(cls_DeviceChannels().LOAD(path));
    vodex::test::StopTrackingAllocations();
    EXPECT_LT(vodex::test::PeakAllocatedBytes(), 1u << 20);
    EXPECT_NE(vodex::LastFileError().find("too large"), std::string::npos);
    // A large list that is what it claims reads whole.
    cls_DeviceChannels large;
    for (int i = 1; i <= 20000; ++i)
        large.CREATE(i, "", "");
    ASSERT_TRUE(large.SAVE(path));
    cls_DeviceChannels back;
    EXPECT_TRUE(back.LOAD(path)) << vodex::LastFileError();
    EXPECT_EQ(back.COUNT(), 20000);
}

TEST_F(DamagedFiles, AFileOfAnotherKindOfRecordIsRefused) {
    ASSERT_TRUE(Small()->SAVE(path));
    vodex::cls_DevicePorts ports;
    EXPECT_FALSE(ports.LOAD(path));
    EXPECT_NE(vodex::LastFileError().find("holds a record of the kind cls_DeviceChannels, not "
                                          "cls_DevicePorts"),
              std::string::npos)
        << vodex::LastFileError();
    EXPECT_FALSE(vodex::cls_DeviceComsettings().LOAD(path));
    auto device = std::make_shared<vodex::int_Device>();
    EXPECT_THROW(device->LOAD(path), tlx::Error);
    const std::string settings = home.File("com.dat");
    ASSERT_TRUE(vodex::cls_DeviceComsettings().SAVE(settings));
    EXPECT_THROW(device->LOAD(settings), tlx::Error);
    EXPECT_FALSE(cls_DeviceChannels().LOAD(settings));
    // A file written before files named their record is read as it is.
    Spit(path, vodex::test::FrameBody(vodex::test::EncodeBody(
                   {tlx::Variant("1.0"), tlx::Variant(1), tlx::Variant(0)})));
    EXPECT_TRUE(ports.LOAD(path)) << vodex::LastFileError();
    EXPECT_EQ(vodex::LastFileError(), "");
}

TEST_F(DamagedFiles, SavingThroughALinkAndAfterAKilledWriter) {
    // Saving through a link replaces the file it leads to; the link stays.
    const std::string target = home.File("ziel.dat");
    ASSERT_TRUE(Small()->SAVE(target));
    const std::string link = home.File("verweis.dat");
    ASSERT_EQ(::symlink("ziel.dat", link.c_str()), 0);
    cls_DeviceChannels three;
    three.CREATE(7, "Drei", "");
    ASSERT_TRUE(three.SAVE(link));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    cls_DeviceChannels back;
    ASSERT_TRUE(back.LOAD(target));
    EXPECT_EQ(back.COUNT(), 1);
    // What a killed writer left goes with the next save; a temporary file a writer still
    // holds stays.
    const std::string stale = home.File(".ziel.dat.vxtmp-Ab12Cd");
    const std::string held = home.File(".ziel.dat.vxtmp-Xy34Zw");
    const std::string mine = home.File(".ziel.dat.backup");  // the user's, never taken
    Spit(stale, "halb");
    Spit(held, "halb");
    Spit(mine, "alt");
    const int holder = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX), 0);
    ASSERT_TRUE(Small()->SAVE(link));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(held));
    ::close(holder);
    std::size_t left = 0;
    for (const auto& entry : std::filesystem::directory_iterator(home.Path()))
        left += entry.path().filename().string().starts_with(".ziel") ? 1u : 0u;
    EXPECT_EQ(left, 2u);
    EXPECT_EQ(Slurp(mine), "alt");
}

}  // namespace
