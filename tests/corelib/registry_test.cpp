#include "tlx/registry.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "fixtures.h"
#include "framing.h"
#include "tlx/tools.h"

namespace {

using tlx::HKEY_CURRENT_USER;
using tlx::HKEY_LOCAL_MACHINE;
using tlx::Variant;

class Registry : public vodex::test::HomeTest {
  protected:
    tlx::cls_CoreRegistry& reg = tlx::CoreTools().REGISTRY();
};

TEST_F(Registry, MissingValuesGiveTheDefault) {
    EXPECT_TRUE(reg.READ(HKEY_LOCAL_MACHINE, "Software\\Nothing\\Here").IsEmpty());
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, "Software\\Nothing\\Here", Variant(32)), Variant(32));
    EXPECT_EQ(reg.READLONG(HKEY_LOCAL_MACHINE, "Software\\Nothing\\Here", 32), 32);
    EXPECT_EQ(reg.READTEXT(HKEY_CURRENT_USER, "Software\\Nothing\\Here", "x"), "x");
}

TEST_F(Registry, ValuesKeepTheirTypes) {
    const std::string key = "Software\\VQ Morvane\\VQ ReziraDovarir\\";
    reg.WRITE(HKEY_LOCAL_MACHINE, key + "PortMax", Variant(4));
    reg.WRITE(HKEY_LOCAL_MACHINE, key + "Flag", Variant(true));
    reg.WRITE(HKEY_LOCAL_MACHINE, key + "Ratio", Variant(0.25));
    reg.WRITE(HKEY_LOCAL_MACHINE, key + "Path", Variant("/opt/treiber/ä.so"));
    reg.WRITE(HKEY_LOCAL_MACHINE, key + "Blob", Variant(tlx::Bytes{0, 1, 2}));
    reg.WRITE(HKEY_LOCAL_MACHINE, key + "When", Variant(tlx::Date::FromParts(2001, 12, 5)));
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, key + "PortMax").Type(), tlx::VarType::Long);
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, key + "Flag"), Variant(true));
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, key + "Flag").Type(), tlx::VarType::Boolean);
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, key + "Ratio"), Variant(0.25));
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, key + "Path"), Variant("/opt/treiber/ä.so"));
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, key + "Blob"), Variant(tlx::Bytes{0, 1, 2}));
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, key + "When").ToDate(),
              tlx::Date::FromParts(2001, 12, 5));
    EXPECT_THROW(reg.WRITE(HKEY_LOCAL_MACHINE, key + "Arr", Variant::Array(0, {})), tlx::Error);
}

TEST_F(Registry, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
    reg.WRITE(HKEY_LOCAL_MACHINE, "Software\\VQ\\Devices\\Vodex_Randomizer", Variant("a"));
    reg.WRITE(HKEY_LOCAL_MACHINE, "SOFTWARE\\vq\\devices\\VODEX_RANDOMIZER", Variant("b"));
    reg.WRITE(HKEY_LOCAL_MACHINE, "\\software\\\\vq\\devices\\\\Second.msi", Variant("c"));
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, "software\\VQ\\DEVICES\\vodex_randomizer"),
              Variant("b"));
    std::vector<std::string> names = reg.VALUENAMES(HKEY_LOCAL_MACHINE, "Software\\vq\\Devices\\");
    EXPECT_EQ(names, (std::vector<std::string>{"Vodex_Randomizer", "Second.msi"}));
    EXPECT_TRUE(reg.VALUENAMES(HKEY_LOCAL_MACHINE, "Software\\vq").empty());
}

TEST_F(Registry, HivesAreSeparate) {
    reg.WRITE(HKEY_CURRENT_USER, "Software\\X\\Value", Variant(1));
    EXPECT_TRUE(reg.READ(HKEY_LOCAL_MACHINE, "Software\\X\\Value").IsEmpty());
    EXPECT_EQ(reg.READ(HKEY_CURRENT_USER, "Software\\X\\Value"), Variant(1));
    EXPECT_NE(tlx::cls_CoreRegistry::HIVEFILE(HKEY_CURRENT_USER),
              tlx::cls_CoreRegistry::HIVEFILE(HKEY_LOCAL_MACHINE));
    EXPECT_EQ(tlx::cls_CoreRegistry::HIVEFILE(HKEY_LOCAL_MACHINE).rfind(home.Path().string(), 0),
              0u);
}

TEST_F(Registry, DeletingAValue) {
    reg.WRITE(HKEY_CURRENT_USER, "Software\\X\\Others", Variant("pkg"));
    EXPECT_TRUE(reg.DELETEVALUE(HKEY_CURRENT_USER, "software\\x\\OTHERS"));
    EXPECT_FALSE(reg.DELETEVALUE(HKEY_CURRENT_USER, "Software\\X\\Others"));
    EXPECT_TRUE(reg.READ(HKEY_CURRENT_USER, "Software\\X\\Others").IsEmpty());
}

TEST_F(Registry, ConversionsOnReading) {
    reg.WRITE(HKEY_LOCAL_MACHINE, "K\\Text", Variant("12"));
    reg.WRITE(HKEY_LOCAL_MACHINE, "K\\Word", Variant("zwölf"));
    reg.WRITE(HKEY_LOCAL_MACHINE, "K\\Long", Variant("abcdefghij"));
    EXPECT_EQ(reg.READLONG(HKEY_LOCAL_MACHINE, "K\\Text", 0), 12);
    EXPECT_EQ(reg.READLONG(HKEY_LOCAL_MACHINE, "K\\Word", 32), 32);
    EXPECT_TRUE(reg.READBOOL(HKEY_LOCAL_MACHINE, "K\\Text"));
    EXPECT_EQ(reg.READTEXT(HKEY_LOCAL_MACHINE, "K\\Long", "", 4), "abcd");
    EXPECT_EQ(reg.READTEXT(HKEY_LOCAL_MACHINE, "K\\Word", "", 4), "zwöl");
}

TEST_F(Registry, EachHomeHasItsOwnHives) {
    reg.WRITE(HKEY_LOCAL_MACHINE, "K\\V", Variant(1));
    {
        vodex::test::TempHome other;
        EXPECT_TRUE(reg.READ(HKEY_LOCAL_MACHINE, "K\\V").IsEmpty());
    }
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, "K\\V"), Variant(1));
}

// Runs a writer of `count` values per prefix, all starting their writes at the same moment;
// the errors of those that failed.
std::string WritersAtOnce(const std::string& key, const std::vector<std::string>& prefixes,
                          int count) {
    int gate[2];
    if (::pipe(gate) != 0) return "no pipe";
    std::vector<std::pair<pid_t, int>> children;
    for (const std::string& prefix : prefixes) {
        int said[2];
        if (::pipe(said) != 0) return "no pipe";
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(gate[0], STDIN_FILENO);
            ::dup2(said[1], STDERR_FILENO);
            ::close(gate[0]);
            ::close(gate[1]);
            const std::string n = std::to_string(count);
            ::execl(VODEX_REGISTRY_WRITER, VODEX_REGISTRY_WRITER, key.c_str(), prefix.c_str(),
                    n.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(said[1]);
        children.emplace_back(pid, said[0]);
    }
    ::close(gate[0]);
    ::close(gate[1]);  // all writers start now
    std::string failures;
    for (const auto& [pid, said] : children) {
        char buffer[512];
        ssize_t n;
        while ((n = ::read(said, buffer, sizeof buffer)) > 0)
            failures.append(buffer, static_cast<std::size_t>(n));
        ::close(said);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) failures += " (a writer failed)";
    }
    return failures;
}

TEST_F(Registry, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kWrites = 1000;
    const std::string key = "Software\\VQ Morvane\\Concurrency";
    ASSERT_EQ(WritersAtOnce(key, {"a", "b"}, kWrites), "");
    std::vector<std::string> names = reg.VALUENAMES(HKEY_LOCAL_MACHINE, key);
    std::set<std::string> unique(names.begin(), names.end());
    unique.erase("warm-up");
    EXPECT_EQ(unique.size(), 2u * kWrites);
    for (int i = 0; i < kWrites; i += 97) {
        EXPECT_EQ(reg.READLONG(HKEY_LOCAL_MACHINE, key + "\\a" + std::to_string(i), -1), i);
        EXPECT_EQ(reg.READLONG(HKEY_LOCAL_MACHINE, key + "\\b" + std::to_string(i), -1), i);
    }
}

// The writes of a transaction are seen by others all at once on its commit, and not at all
// when it ends without one.
TEST_F(Registry, ATransactionIsSeenWholeOrNotAtAll) {
    reg.WRITE(HKEY_LOCAL_MACHINE, "K\\A", Variant(1));
    tlx::cls_CoreRegistry other;
    for (const bool commit : {false, true}) {
        tlx::RegistryTransaction transaction(reg, HKEY_LOCAL_MACHINE);
        reg.WRITE(HKEY_LOCAL_MACHINE, "K\\A", Variant(2));
        reg.WRITE(HKEY_LOCAL_MACHINE, "K\\B", Variant(3));
        EXPECT_TRUE(reg.DELETEVALUE(HKEY_LOCAL_MACHINE, "K\\A"));
        EXPECT_EQ(other.READLONG(HKEY_LOCAL_MACHINE, "K\\A"), 1);
        EXPECT_EQ(other.READLONG(HKEY_LOCAL_MACHINE, "K\\B", -1), -1);
        if (commit) transaction.Commit();
    }
    EXPECT_EQ(other.READLONG(HKEY_LOCAL_MACHINE, "K\\A", -1), -1);
    EXPECT_EQ(other.READLONG(HKEY_LOCAL_MACHINE, "K\\B"), 3);
}

// Eight programs that find no hive and write at once: each succeeds, into one hive, and nothing
// of their making is left beside it.
TEST_F(Registry, EightProcessesMakingTheFirstHiveAllSucceed) {
    const std::string key = "Software\\VQ Morvane\\Concurrency";
    const std::vector<std::string> writers{"a", "b", "c", "d", "e", "f", "g", "h"};
    const auto folder =
        std::filesystem::path(tlx::cls_CoreRegistry::HIVEFILE(HKEY_LOCAL_MACHINE)).parent_path();
    for (int round = 0; round < 20; ++round) {
        std::filesystem::remove_all(folder);
        ASSERT_EQ(WritersAtOnce(key, writers, 1), "") << "round " << round;
        for (const std::string& w : writers)
            EXPECT_EQ(reg.READLONG(HKEY_LOCAL_MACHINE, key + "\\" + w + "0", -1), 0) << w;
    }
}

// A program killed while it made the hive leaves a temporary hive with its logs, or a second
// name of the hive that it had linked into place; the next writer removes them.
TEST_F(Registry, WhatAProgramKilledWhileMakingTheHiveLeftGoes) {
    const std::string hive = tlx::cls_CoreRegistry::HIVEFILE(HKEY_LOCAL_MACHINE);
    const auto folder = std::filesystem::path(hive).parent_path();
    std::filesystem::create_directories(folder);
    for (const char* name : {".machine.db.new-Ab3dE9", ".machine.db.new-Ab3dE9-wal",
                             ".machine.db.new-Ab3dE9-shm", ".machine.db.new-Zz0000-wal"}) {
        std::ofstream(folder / name) << "left behind";
    }
    reg.WRITE(HKEY_LOCAL_MACHINE, "K\\V", Variant(1));
    std::filesystem::create_hard_link(hive, folder / ".machine.db.new-Qx7pL2");
    tlx::cls_CoreRegistry other;
    other.WRITE(HKEY_LOCAL_MACHINE, "K\\W", Variant(2));
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        EXPECT_EQ(entry.path().filename().string().rfind("machine.db", 0), 0u) << entry.path();
    }
    EXPECT_EQ(other.READLONG(HKEY_LOCAL_MACHINE, "K\\V"), 1);
}

// What reading or writing a hive says; "" when it worked.
std::string Failure(const std::function<void()>& body) {
    try {
        body();
    } catch (const tlx::Error& e) {
        return e.what();
    }
    return "";
}

TEST_F(Registry, ReadingWritesNothing) {
    // Nothing stored yet: reads give defaults and make no file, not even a folder.
    EXPECT_EQ(reg.READLONG(HKEY_LOCAL_MACHINE, "K\\V", 7), 7);
    EXPECT_TRUE(reg.VALUENAMES(HKEY_CURRENT_USER, "K").empty());
    EXPECT_FALSE(reg.DELETEVALUE(HKEY_LOCAL_MACHINE, "K\\V"));
    reg.CHECK(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(std::filesystem::is_empty(home.Path()));
    // The first write makes the hive whole, with no temporary file left beside it.
    reg.WRITE(HKEY_LOCAL_MACHINE, "K\\V", Variant(1));
    const auto folder =
        std::filesystem::path(tlx::cls_CoreRegistry::HIVEFILE(HKEY_LOCAL_MACHINE)).parent_path();
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        EXPECT_EQ(entry.path().filename().string().rfind("machine.db", 0), 0u) << entry.path();
    }
}

// Every kind of hive that cannot be used is refused for reading and writing, with a message
// that names the file and the reason, and the file stays exactly as it was.
TEST_F(Registry, AHiveThatCannotBeUsedIsNamedAndKept) {
    // Written and closed on a thread of its own, so that nothing holds the hive open.
    vodex::test::OnFreshThread([] {
        tlx::cls_CoreRegistry& writer = tlx::CoreTools().REGISTRY();
        writer.WRITE(HKEY_LOCAL_MACHINE, "Software\\X\\A", Variant("a"));
        writer.WRITE(HKEY_LOCAL_MACHINE, "Software\\X\\B", Variant(std::string(20000, 'b')));
    });
    const std::string hive = tlx::cls_CoreRegistry::HIVEFILE(HKEY_LOCAL_MACHINE);
    const std::string whole = vodex::test::ReadBytes(hive);
    ASSERT_GT(whole.size(), 8192u);
    struct Case {
        const char* says;
        std::function<void()> make;
    };
    auto bytes = [&](std::string content) {
        return [&hive, content] { vodex::test::WriteBytes(hive, content); };
    };
    const std::vector<Case> cases = {
        {"not a registry database", bytes(std::string(5000, 'x'))},
        {"is empty (0 bytes)", bytes("")},
        {"damaged", bytes(whole.substr(0, whole.size() / 2))},
        {"damaged", bytes(whole.substr(0, 4096))},
        {"is a folder", [&] { std::filesystem::create_directory(hive); }},
        {"not a regular file", [&] { ASSERT_EQ(::mkfifo(hive.c_str(), 0644), 0); }},
        {"loop of symbolic links",
         [&] {
             std::filesystem::create_symlink(hive + ".b", hive);
             std::filesystem::create_symlink(hive, hive + ".b");
         }},
        {"database of another program",
         [&] {
             vodex::test::WriteBytes(hive, whole);
             sqlite3* other = nullptr;
             ASSERT_EQ(sqlite3_open(hive.c_str(), &other), SQLITE_OK);
             EXPECT_EQ(sqlite3_exec(other,
                                    "DROP TABLE registry_value; CREATE TABLE notes (t); "
                                    "PRAGMA journal_mode=DELETE",
                                    nullptr, nullptr, nullptr),
                       SQLITE_OK);
             sqlite3_close(other);
         }},
    };
    auto regular = [&hive] {
        std::error_code ec;
        return std::filesystem::is_regular_file(hive, ec);
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        for (const char* part : {"", ".b", "-wal", "-shm"})
            std::filesystem::remove_all(hive + part);
        c.make();
        const std::string before = regular() ? vodex::test::ReadBytes(hive) : "";
        vodex::test::OnFreshThread([&] {
            tlx::cls_CoreRegistry& fresh = tlx::CoreTools().REGISTRY();
            for (const std::string& why :
                 {Failure([&] { fresh.READ(HKEY_LOCAL_MACHINE, "Software\\X\\A"); }),
                  Failure([&] { fresh.WRITE(HKEY_LOCAL_MACHINE, "Software\\X\\A", Variant(1)); }),
                  Failure([&] { fresh.CHECK(HKEY_LOCAL_MACHINE); })}) {
                EXPECT_NE(why.find("'" + hive + "'"), std::string::npos) << why;
                EXPECT_NE(why.find(c.says), std::string::npos) << why;
            }
            // The other hive is not affected.
            fresh.WRITE(HKEY_CURRENT_USER, "K\\V", Variant(2));
        });
        if (regular()) {
            EXPECT_TRUE(vodex::test::ReadBytes(hive) == before) << "changed";
        }
    }
    // A home that is a file.
    std::filesystem::remove_all(home.Path());
    vodex::test::WriteBytes(home.Path().string(), "x");
    vodex::test::OnFreshThread([&] {
        const std::string why =
            Failure([] { tlx::CoreTools().REGISTRY().CHECK(HKEY_CURRENT_USER); });
        EXPECT_NE(why.find("'" + home.Path().string() + "' is not a folder"), std::string::npos)
            << why;
    });
}

// Runs `body` in a child process as an unprivileged user (the superuser passes every
// permission); its exit code, or -1.
int AsAnotherUser(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST_F(Registry, AHiveOfAnotherUserIsReadButNotWritten) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs the superuser to play two users";
    // Written on a thread of its own, so that no connection of this process is open when it
    // forks or reads the file.
    vodex::test::OnFreshThread(
        [] { tlx::CoreTools().REGISTRY().WRITE(HKEY_LOCAL_MACHINE, "K\\V", Variant(5)); });
    ASSERT_EQ(::chmod(home.Path().c_str(), 0755), 0);
    const std::string hive = tlx::cls_CoreRegistry::HIVEFILE(HKEY_LOCAL_MACHINE);
    const std::string before = vodex::test::ReadBytes(hive);
    // With the log its writer left beside it, and without (as a writer of an earlier version
    // left a hive).
    for (const bool log : {true, false}) {
        if (!log) {
            ASSERT_TRUE(std::filesystem::remove(hive + "-wal"));
            ASSERT_TRUE(std::filesystem::remove(hive + "-shm"));
        }
        const int rc = AsAnotherUser([] {
            // A thread of its own: connections inherited from the parent are the superuser's.
            int result = 0;
            vodex::test::OnFreshThread([&result] {
                tlx::cls_CoreRegistry& other = tlx::CoreTools().REGISTRY();
                if (other.READLONG(HKEY_LOCAL_MACHINE, "K\\V", 0) != 5) {
                    result = 1;
                } else if (Failure([&] {
                               other.WRITE(HKEY_LOCAL_MACHINE, "K\\V", Variant(6));
                           }).find("belongs to another user") == std::string::npos) {
                    result = 2;
                } else if (Failure([&] {
                               other.WRITE(HKEY_CURRENT_USER, "K\\V", Variant(6));
                           }).find("user.db' cannot be made: the folder") == std::string::npos) {
                    result = 3;  // a home this user may not write in
                }
            });
            return result;
        });
        EXPECT_EQ(rc, 0) << "1: not read; 2, 3: no clear refusal to write; 100: no user to drop to";
        EXPECT_TRUE(vodex::test::ReadBytes(hive) == before) << "changed";
    }
}

TEST_F(Registry, AWriteLockHeldByAnotherProgram) {
    // Written on a thread of its own, so that no connection of this process is open when it
    // forks.
    vodex::test::OnFreshThread(
        [] { tlx::CoreTools().REGISTRY().WRITE(HKEY_LOCAL_MACHINE, "K\\V", Variant(5)); });
    const std::string hive = tlx::cls_CoreRegistry::HIVEFILE(HKEY_LOCAL_MACHINE);
    // Another process takes the write lock and keeps it until it is ended.
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        ::close(out[0]);
        sqlite3* db = nullptr;
        if (sqlite3_open(hive.c_str(), &db) != SQLITE_OK ||
            sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK ||
            ::write(out[1], "held\n", 5) != 5) {
            ::_exit(1);
        }
        for (;;)
            ::pause();
    }
    ::close(out[1]);
    struct Ender {
        pid_t pid;
        int fd;
        ~Ender() {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            ::close(fd);
        }
    } ender{holder, out[0]};
    // Its line may come in more than one piece.
    std::string line;
    for (char c = 0; c != '\n' && ::read(out[0], &c, 1) == 1;)
        line += c;
    ASSERT_EQ(line, "held\n") << "the holder did not start";
    vodex::test::OnFreshThread([&] {
        tlx::cls_CoreRegistry& fresh = tlx::CoreTools().REGISTRY();
        // Readers do not wait for it (a writer waits five seconds).
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(fresh.READLONG(HKEY_LOCAL_MACHINE, "K\\V", 0), 5);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(4));
        const std::string why =
            Failure([&] { fresh.WRITE(HKEY_LOCAL_MACHINE, "K\\V", Variant(6)); });
        EXPECT_NE(why.find("another program holds it locked"), std::string::npos) << why;
    });
    EXPECT_EQ(reg.READLONG(HKEY_LOCAL_MACHINE, "K\\V", 0), 5);
}

}  // namespace

namespace {

// Copies a hive and its log (not its index, which SQLite makes afresh) into `folder`.
void CopyHive(const std::filesystem::path& hive, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    for (const char* suffix : {"", "-wal"}) {
        const std::filesystem::path from = hive.string() + suffix;
        if (std::filesystem::exists(from)) {
            std::filesystem::copy_file(from, folder / from.filename());
        }
    }
}

}  // namespace

TEST_F(Registry, HivesOfTheEarlierLayoutMoveToTheStateFolderOnce) {
    // Hives as this version wrote them, in the places where it kept them without VODEX_HOME:
    // the machine hive in the data folder, the user hive in the settings folder.
    reg.WRITE(HKEY_LOCAL_MACHINE, "K\\V", Variant(1));
    reg.WRITE(HKEY_CURRENT_USER, "K\\U", Variant("u"));
    const std::filesystem::path vodexHome = home.Path();
    const std::filesystem::path user = vodexHome / "xdg";
    const std::filesystem::path oldMachine = user / "data/vodex/registry/machine.db";
    const std::filesystem::path oldUser = user / "config/vodex/registry/user.db";
    const std::filesystem::path state = user / "state/vodex/registry";
    CopyHive(vodexHome / "registry/machine.db", oldMachine.parent_path());
    CopyHive(vodexHome / "user/registry/user.db", oldUser.parent_path());

    vodex::test::ScopedEnv noHome("VODEX_HOME", nullptr);
    vodex::test::ScopedEnv data("XDG_DATA_HOME", (user / "data").c_str());
    vodex::test::ScopedEnv config("XDG_CONFIG_HOME", (user / "config").c_str());
    vodex::test::ScopedEnv stateHome("XDG_STATE_HOME", (user / "state").c_str());
    // Another program has the user hive open: it is read where it is, and not moved.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(oldUser.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "SELECT count(*) FROM registry_value", nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_EQ(reg.READ(HKEY_CURRENT_USER, "K\\U"), Variant("u"));
    EXPECT_FALSE(std::filesystem::exists(state / "user.db"));
    // The machine hive is free: it moves, whole, and nothing of it stays where it was.
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, "K\\V"), Variant(1));
    EXPECT_EQ(reg.HIVEFILE(HKEY_LOCAL_MACHINE), (state / "machine.db").string());
    reg.WRITE(HKEY_LOCAL_MACHINE, "K\\W", Variant(2));
    EXPECT_FALSE(std::filesystem::exists(oldMachine.parent_path()));
    // Once the other program has let the user hive go, the next program to open it moves it.
    sqlite3_close(other);
    {
        vodex::test::ScopedEnv elsewhere("VODEX_HOME", vodexHome.c_str());
        reg.READ(HKEY_CURRENT_USER, "K\\U");  // this program lets go of the earlier hive
    }
    EXPECT_EQ(reg.READ(HKEY_CURRENT_USER, "K\\U"), Variant("u"));
    EXPECT_TRUE(std::filesystem::exists(state / "user.db"));
    EXPECT_FALSE(std::filesystem::exists(oldUser));
    EXPECT_EQ(reg.READ(HKEY_LOCAL_MACHINE, "K\\W"), Variant(2));
    EXPECT_FALSE(std::filesystem::exists(oldMachine));
}
