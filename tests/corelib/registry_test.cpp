#include "tlx/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "fixtures.h"
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

TEST_F(Registry, TwoProcessesWritingAtOnceLoseNothing) {
    constexpr int kWrites = 1000;
    const std::string key = "Software\\VQ Morvane\\Concurrency";
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    std::vector<pid_t> children;
    for (const char* prefix : {"a", "b"}) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::dup2(gate[0], STDIN_FILENO);
            ::close(gate[0]);
            ::close(gate[1]);
            std::string count = std::to_string(kWrites);
            ::execl(VODEX_REGISTRY_WRITER, VODEX_REGISTRY_WRITER, key.c_str(), prefix,
                    count.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        children.push_back(pid);
    }
    ::close(gate[0]);
    ::close(gate[1]);  // both writers start now
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    std::vector<std::string> names = reg.VALUENAMES(HKEY_LOCAL_MACHINE, key);
    std::set<std::string> unique(names.begin(), names.end());
    unique.erase("warm-up");
    EXPECT_EQ(unique.size(), 2u * kWrites);
    for (int i = 0; i < kWrites; i += 97) {
        EXPECT_EQ(reg.READLONG(HKEY_LOCAL_MACHINE, key + "\\a" + std::to_string(i), -1), i);
        EXPECT_EQ(reg.READLONG(HKEY_LOCAL_MACHINE, key + "\\b" + std::to_string(i), -1), i);
    }
}

}  // namespace
