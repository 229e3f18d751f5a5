#include "tlx/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include "file_ops.h"
#include "fixtures.h"
#include "framing.h"

namespace {

using tlx::cls_CoreFile;
using tlx::Variant;

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void Spit(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<Variant> Samples() {
    return {Variant(),
            Variant::Missing(),
            Variant(true),
            Variant(false),
            Variant(std::int16_t{-12345}),
            Variant(2147483647),
            Variant(-0.0),
            Variant(3.141592653589793),
            Variant("Überlauf! Verbindung?"),
            Variant(std::string("nul\0inside", 10)),
            Variant(tlx::Date::FromParts(2001, 12, 5, 8, 30)),
            Variant(tlx::Bytes{0, 255, 10, 13}),
            Variant::Array(-2, {Variant(1), Variant("a"), Variant::Array(5, {Variant(2.5)})}),
            Variant::Array(0, {})};
}

void WriteAll(const std::string& path, const std::vector<Variant>& values,
              const std::string& password = {}) {
    cls_CoreFile f;
    f.OPEN(path, cls_CoreFile::ModeWrite, password);
    for (const Variant& v : values)
        f.WRITE(v);
    f.CLOSE();
}

std::vector<Variant> ReadAll(const std::string& path, std::size_t n,
                             const std::string& password = {}) {
    cls_CoreFile f;
    f.OPEN(path, cls_CoreFile::ModeRead, password);
    std::vector<Variant> out;
    for (std::size_t i = 0; i < n; ++i)
        out.push_back(f.READ());
    EXPECT_TRUE(f.ENDOFFILE());
    f.CLOSE();
    return out;
}

class CoreFile : public ::testing::Test {
  protected:
    vodex::test::TempHome home;
    std::string path = home.File("values.dat");
};

TEST_F(CoreFile, ValuesComeBackInOrderAndType) {
    WriteAll(path, Samples());
    std::vector<Variant> back = ReadAll(path, Samples().size());
    ASSERT_EQ(back.size(), Samples().size());
    for (std::size_t i = 0; i < back.size(); ++i) {
        EXPECT_EQ(back[i].Type(), Samples()[i].Type()) << "value " << i;
        EXPECT_EQ(back[i], Samples()[i]) << "value " << i;
    }
    EXPECT_EQ(back[5].Type(), tlx::VarType::Long);
    EXPECT_EQ(back[4].Type(), tlx::VarType::Integer);
}

TEST_F(CoreFile, GroupWritesEqualSingleWrites) {
    {
        cls_CoreFile f;
        f.OPEN(path, cls_CoreFile::ModeWrite);
        f.WRITE(Variant("2.4"), Variant(1), Variant(true));
        f.CLOSE();
    }
    cls_CoreFile f;
    f.OPEN(path, cls_CoreFile::ModeRead);
    EXPECT_EQ(f.READ(), Variant("2.4"));
    Variant a;
    Variant b;
    f.READ(a, b);
    EXPECT_EQ(a, Variant(1));
    EXPECT_EQ(b, Variant(true));
    EXPECT_THROW(f.READ(), tlx::Error);
}

TEST_F(CoreFile, TypedWritesAndReadsAgreeWithVariants) {
    // Written directly, the common types give the very bytes of their variants, also over
    // many times the room the writer starts with.
    std::vector<Variant> variants;
    {
        cls_CoreFile f;
        f.OPEN(path, cls_CoreFile::ModeWrite);
        for (std::int32_t i = 0; i < 2000; ++i) {
            const std::string name = "Kanal " + std::string(static_cast<std::size_t>(i % 40), 'x');
            f.WRITE(i % 2 == 0, std::int16_t{-3}, i, 2.5 * i, name, "1.1");
            f.WRITE(Variant(i));
            for (const Variant& v : {Variant(i % 2 == 0), Variant(std::int16_t{-3}), Variant(i),
                                     Variant(2.5 * i), Variant(name), Variant("1.1"), Variant(i)})
                variants.push_back(v);
        }
        f.CLOSE();
    }
    const std::string other = home.File("variants.dat");
    WriteAll(other, variants);
    EXPECT_EQ(Slurp(path), Slurp(other));
    // Read as a given type, every value converts as its variant does, or fails alike.
    WriteAll(path, Samples());
    for (int as = 0; as < 4; ++as) {
        cls_CoreFile typed;
        cls_CoreFile plain;
        typed.OPEN(path, cls_CoreFile::ModeRead);
        plain.OPEN(path, cls_CoreFile::ModeRead);
        for (std::size_t i = 0; i < Samples().size(); ++i) {
            const Variant v = plain.READ();
            auto same = [&](auto read, auto convert) {
                try {
                    const auto expected = convert(v);
                    EXPECT_EQ(read(), expected) << "value " << i << " as " << as;
                } catch (const tlx::Error&) {
                    EXPECT_THROW(read(), tlx::Error) << "value " << i << " as " << as;
                }
            };
            if (as == 0)
                same([&] { return typed.READTEXT(); }, [](const Variant& x) { return x.ToText(); });
            if (as == 1)
                same([&] { return typed.READDOUBLE(); },
                     [](const Variant& x) { return x.ToDouble(); });
            if (as == 2)
                same([&] { return typed.READLONG(); },
                     [](const Variant& x) { return x.ToInt32(); });
            if (as == 3)
                same([&] { return typed.READBOOL(); }, [](const Variant& x) { return x.ToBool(); });
        }
    }
}

TEST_F(CoreFile, FilesOfTheSecondFormatAreStillRead) {
    const std::string type = "TLX_CoreLib.cls_CoreSettings";
    vodex::test::WriteBytes(path, vodex::test::FrameBodyWithType(
                                      vodex::test::EncodeBody({Variant("1.0"), Variant(7)}), type));
    cls_CoreFile f;
    f.OPEN(path, cls_CoreFile::ModeRead);
    EXPECT_EQ(f.RECORDTYPE(), type);
    EXPECT_EQ(f.READTEXT(), "1.0");
    EXPECT_EQ(f.READLONG(), 7);
    EXPECT_TRUE(f.ENDOFFILE());
}

TEST_F(CoreFile, ObjectsCannotBeWritten) {
    cls_CoreFile f;
    f.OPEN(path, cls_CoreFile::ModeWrite);
    EXPECT_THROW(f.WRITE(Variant(std::make_shared<tlx::Object>())), tlx::Error);
}

TEST_F(CoreFile, NothingIsWrittenWithoutClose) {
    {
        cls_CoreFile f;
        f.OPEN(path, cls_CoreFile::ModeWrite);
        f.WRITE(Variant(1));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(std::filesystem::is_empty(home.Path()));
}

TEST_F(CoreFile, DamagedFramesAreRefusedAsDamaged) {
    WriteAll(path, {Variant("a value"), Variant(42)});
    const std::string good = Slurp(path);
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        Spit(path, good.substr(0, cut));
        cls_CoreFile f;
        EXPECT_THROW(f.OPEN(path, cls_CoreFile::ModeRead), tlx::Error) << "cut at " << cut;
    }
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            std::string bad = good;
            bad[i] = static_cast<char>(bad[i] ^ (1 << bit));
            Spit(path, bad);
            cls_CoreFile f;
            EXPECT_THROW(f.OPEN(path, cls_CoreFile::ModeRead), tlx::Error)
                << "byte " << i << " bit " << bit;
        }
    }
    Spit(path, good + "x");
    cls_CoreFile f;
    EXPECT_THROW(f.OPEN(path, cls_CoreFile::ModeRead), tlx::Error);
}

TEST_F(CoreFile, MessagesTellDamageFromForeignFiles) {
    Spit(path, "just some text, no data file");
    cls_CoreFile f;
    try {
        f.OPEN(path, cls_CoreFile::ModeRead);
        FAIL();
    } catch (const tlx::Error& e) {
        EXPECT_NE(std::string(e.what()).find("not a Vodex data file"), std::string::npos);
    }
    WriteAll(path, {Variant(1)});
    std::string bytes = Slurp(path);
    bytes[17] ^= 1;
    Spit(path, bytes);
    try {
        f.OPEN(path, cls_CoreFile::ModeRead);
        FAIL();
    } catch (const tlx::Error& e) {
        EXPECT_NE(std::string(e.what()).find("damaged"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos);
    }
}

TEST_F(CoreFile, OnlyRegularFilesAreRead) {
    cls_CoreFile f;
    EXPECT_THROW(f.OPEN(home.File("missing.dat"), cls_CoreFile::ModeRead), tlx::Error);
    EXPECT_THROW(f.OPEN(home.Path().string(), cls_CoreFile::ModeRead), tlx::Error);
    std::string fifo = home.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(f.OPEN(fifo, cls_CoreFile::ModeRead), tlx::Error);  // must not block
    EXPECT_THROW(f.OPEN("/dev/zero", cls_CoreFile::ModeRead), tlx::Error);
    EXPECT_THROW(f.OPEN(path, 3), tlx::Error);
    EXPECT_FALSE(f.ISOPEN());
}

TEST_F(CoreFile, PasswordEncryptsAndAuthenticates) {
    WriteAll(path, {Variant("geheim"), Variant(7)}, "kennwort");
    EXPECT_EQ(Slurp(path).find("geheim"), std::string::npos);
    std::vector<Variant> back = ReadAll(path, 2, "kennwort");
    EXPECT_EQ(back[0], Variant("geheim"));
    EXPECT_EQ(back[1], Variant(7));

    cls_CoreFile f;
    try {
        f.OPEN(path, cls_CoreFile::ModeRead, "Kennwort");
        FAIL() << "a wrong password was accepted";
    } catch (const tlx::Error& e) {
        EXPECT_NE(std::string(e.what()).find("wrong password"), std::string::npos);
    }
    try {
        f.OPEN(path, cls_CoreFile::ModeRead);
        FAIL() << "a protected file opened without its password";
    } catch (const tlx::Error& e) {
        EXPECT_NE(std::string(e.what()).find("password"), std::string::npos);
    }
    // A flipped byte of the encrypted content is damage, not a wrong password.
    std::string bytes = Slurp(path);
    bytes[bytes.size() - 20] ^= 0x40;
    Spit(path, bytes);
    try {
        f.OPEN(path, cls_CoreFile::ModeRead, "kennwort");
        FAIL() << "damaged encrypted content was accepted";
    } catch (const tlx::Error& e) {
        EXPECT_NE(std::string(e.what()).find("damaged"), std::string::npos);
    }
}

TEST_F(CoreFile, CountsThatTheFileCannotHoldAreRefused) {
    WriteAll(path, {Variant(1000), Variant("a"), Variant(3), Variant(1), Variant(2), Variant(3)});
    cls_CoreFile f;
    f.OPEN(path, cls_CoreFile::ModeRead);
    EXPECT_THROW(f.READCOUNT(), tlx::Error);
    f.READ();
    EXPECT_EQ(f.READCOUNT(), 3u);
    f.CLOSE();
    WriteAll(path, {Variant(-1)});
    f.OPEN(path, cls_CoreFile::ModeRead);
    EXPECT_THROW(f.READCOUNT(), tlx::Error);
}

TEST_F(CoreFile, WritingMakesMissingFoldersAndCanRefuseToReplace) {
    std::string deep = home.File("a/b/c/values.dat");
    WriteAll(deep, {Variant(1)});
    EXPECT_EQ(ReadAll(deep, 1)[0], Variant(1));
    cls_CoreFile f;
    f.OPEN(deep, cls_CoreFile::ModeWrite, "", true, false);
    f.WRITE(Variant(2));
    EXPECT_THROW(f.CLOSE(), tlx::Error);
    EXPECT_EQ(ReadAll(deep, 1)[0], Variant(1));
}

// Replaces the system calls of the commit on this thread.
class FailingOps : public tlx::detail::FileOps {
  public:
    enum class What { Write, Fsync, Rename, KillMidWrite };
    explicit FailingOps(What w) : what_(w), old_(tlx::detail::SetFileOpsForThisThread(this)) {}
    ~FailingOps() override { tlx::detail::SetFileOpsForThisThread(old_); }

    ssize_t Write(int fd, const void* buf, std::size_t n) override {
        if (what_ == What::Write) {
            errno = ENOSPC;
            return -1;
        }
        if (what_ == What::KillMidWrite) {
            FileOps::Write(fd, buf, n / 2);
            ::raise(SIGKILL);
        }
        return FileOps::Write(fd, buf, n);
    }
    int Fsync(int fd) override {
        if (what_ == What::Fsync) {
            errno = EIO;
            return -1;
        }
        return FileOps::Fsync(fd);
    }
    int Rename(const char* from, const char* to) override {
        if (what_ == What::Rename) {
            errno = EXDEV;
            return -1;
        }
        return FileOps::Rename(from, to);
    }

  private:
    What what_;
    FileOps* old_;
};

TEST_F(CoreFile, AFailedCommitLeavesTheOldFileAndNoLeftovers) {
    WriteAll(path, {Variant("old")});
    const std::string before = Slurp(path);
    for (auto what : {FailingOps::What::Write, FailingOps::What::Fsync, FailingOps::What::Rename}) {
        FailingOps ops(what);
        cls_CoreFile f;
        f.OPEN(path, cls_CoreFile::ModeWrite);
        f.WRITE(Variant("new"));
        EXPECT_THROW(f.CLOSE(), tlx::Error);
        EXPECT_EQ(Slurp(path), before);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(home.Path()), {}), 1);
    }
}

TEST_F(CoreFile, AWriterKilledDuringTheCommitLeavesTheOldFile) {
    WriteAll(path, {Variant("old")});
    const std::string before = Slurp(path);
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FailingOps ops(FailingOps::What::KillMidWrite);
        cls_CoreFile f;
        f.OPEN(path, cls_CoreFile::ModeWrite);
        f.WRITE(Variant(std::string(100000, 'n')));
        f.CLOSE();
        ::_exit(0);  // not reached
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
    EXPECT_EQ(Slurp(path), before);
    EXPECT_EQ(ReadAll(path, 1)[0], Variant("old"));
}

TEST_F(CoreFile, ReplacingKeepsThePermissionsOfTheOldFile) {
    WriteAll(path, {Variant(1)});
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    WriteAll(path, {Variant(2)});
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
