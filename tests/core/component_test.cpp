#include "tlx/component.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "components.h"
#include "framing.h"
#include "tlx/cominfo.h"
#include "tlx/dispatch.h"
#include "tlx/tools.h"

namespace {

using vodex::test::DriverTest;
using vodex::test::RunRegistration;

class Components : public DriverTest {};

TEST_F(Components, RegistrationWritesEveryClassAndCanBeUndone) {
    EXPECT_EQ(tlx::RegisteredFile("Vodex_Randomizer.cls_Randomizer"), VODEX_RANDOMIZER_COMPONENT);
    EXPECT_EQ(tlx::RegisteredFile("VODEX_RANDOMIZER.INF_RANDOMIZER"), VODEX_RANDOMIZER_COMPONENT);
    EXPECT_EQ(RunRegistration(VODEX_RANDOMIZER_COMPONENT, true), 0);
    EXPECT_EQ(tlx::RegisteredFile("Vodex_Randomizer.cls_Randomizer"), "");
    EXPECT_THROW(tlx::CreateObject("Vodex_Randomizer.cls_Randomizer"), tlx::Error);
}

TEST_F(Components, TheRegistrationProgramRefusesWhatIsNoComponent) {
    EXPECT_EQ(RunRegistration(home.File("missing.so")), 3);
    vodex::test::WriteBytes(home.File("fake.so"), "not a shared object");
    EXPECT_EQ(RunRegistration(home.File("fake.so")), 5);
    EXPECT_NE(RunRegistration("/dev/null"), 0);
    // A real shared object without an entry table.
    const auto run = vodex::test::RunProgram({VODEX_REGSVR, VODEX_NOT_A_COMPONENT});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_NE(run.errors.find("is no component"), std::string::npos) << run.errors;
}

TEST_F(Components, TheRegistrationProgramsArguments) {
    using vodex::test::RunProgram;
    EXPECT_EQ(RunProgram({VODEX_REGSVR}).exitCode, 2);
    EXPECT_EQ(RunProgram({VODEX_REGSVR, VODEX_TEST_DRIVER_COMPONENT, VODEX_TEST_DRIVER_COMPONENT})
                  .exitCode,
              2);
    EXPECT_EQ(RunProgram({VODEX_REGSVR, "/x", VODEX_TEST_DRIVER_COMPONENT}).exitCode, 2);
    // A change without its value is a usage error, not a file named "/set".
    EXPECT_EQ(RunProgram({VODEX_REGSVR, VODEX_TEST_DRIVER_COMPONENT, "/set"}).exitCode, 2);
    const auto loud = RunProgram({VODEX_REGSVR, VODEX_TEST_DRIVER_COMPONENT});
    EXPECT_EQ(loud.exitCode, 0);
    EXPECT_NE(loud.output.find("registered"), std::string::npos);
    const auto quiet = RunProgram({VODEX_REGSVR, "/S", VODEX_TEST_DRIVER_COMPONENT});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.output, "");
    const auto removed = RunProgram({VODEX_REGSVR, "-u", "-s", VODEX_TEST_DRIVER_COMPONENT});
    EXPECT_EQ(removed.exitCode, 0);
    EXPECT_EQ(tlx::RegisteredFile("Vodex_TestDriver.cls_TestDriver"), "");
}

TEST_F(Components, FilesAreRegisteredUnderTheNameTheyWereGiven) {
    // A link keeps its own name, and a relative name becomes absolute.
    const std::string link = home.File("Vodex_Linked.so");
    std::filesystem::create_symlink(VODEX_RANDOMIZER_COMPONENT, link);
    EXPECT_EQ(vodex::test::RunProgram({VODEX_REGSVR, "/s", link}).exitCode, 0);
    EXPECT_EQ(tlx::RegisteredFile("Vodex_Randomizer.cls_Randomizer"), link);
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(home.Path());
    const int rc = vodex::test::RunProgram({VODEX_REGSVR, "/s", "./Vodex_Linked.so"}).exitCode;
    std::filesystem::current_path(cwd);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(tlx::RegisteredFile("Vodex_Randomizer.cls_Randomizer"), link);
}

TEST_F(Components, AComponentForANewerToolkitIsRefused) {
    // Refused when it is registered, and when an old registration would create it.
    const auto run = vodex::test::RunProgram({VODEX_REGSVR, VODEX_FUTURE_DRIVER_COMPONENT});
    EXPECT_EQ(run.exitCode, 5);
    EXPECT_NE(run.errors.find("needs toolkit build 99999"), std::string::npos) << run.errors;
    EXPECT_EQ(tlx::RegisteredFile("Vodex_FutureDriver.cls_FutureDriver"), "");
    tlx::CoreTools().REGISTRY().WRITE(
        tlx::HKEY_LOCAL_MACHINE,
        std::string(tlx::kComponentsKey) + "\\Vodex_FutureDriver.cls_FutureDriver",
        tlx::Variant(VODEX_FUTURE_DRIVER_COMPONENT));
    try {
        tlx::CreateObject("Vodex_FutureDriver.cls_FutureDriver");
        FAIL() << "a component for a newer toolkit was used";
    } catch (const tlx::Error& e) {
        EXPECT_NE(std::string(e.what()).find("needs toolkit build 99999"), std::string::npos);
    }
}

TEST_F(Components, CreationByIdentifierIgnoresCase) {
    // The driver registry forms the identifier from the upper-case driver class name.
    tlx::ObjectRef driver = tlx::CreateObject("VODEX_RANDOMIZER.cls_RANDOMIZER");
    ASSERT_TRUE(driver);
    auto device = tlx::GetPropertyByName(driver, "device").As<vodex::int_Device>();
    ASSERT_TRUE(device);
    device->DESTROY();
    tlx::ObjectRef info = tlx::CreateObject("vodex_randomizer.inf_randomizer");
    EXPECT_TRUE(tlx::GetPropertyByName(info, "COMINFO").As<tlx::cls_CoreComInfo>());
}

TEST_F(Components, FailuresAreErrorsThatNameTheCause) {
    auto message = [](const std::string& progId) {
        try {
            tlx::CreateObject(progId);
        } catch (const tlx::Error& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_NE(message("Unknown.cls_Unknown").find("no component is registered"), std::string::npos);
    // An identifier registered for a component that has no such class.
    tlx::CoreTools().REGISTRY().WRITE(
        tlx::HKEY_LOCAL_MACHINE, std::string(tlx::kComponentsKey) + "\\Vodex_Randomizer.cls_Other",
        tlx::Variant(VODEX_RANDOMIZER_COMPONENT));
    EXPECT_NE(message("Vodex_Randomizer.cls_Other").find("cannot create"), std::string::npos);
    EXPECT_NE(message("Vodex_Randomizer.cls_Other").find("no class 'cls_Other'"),
              std::string::npos);
    // A registration whose file has gone.
    tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE,
                                      std::string(tlx::kComponentsKey) + "\\Gone.cls_Gone",
                                      tlx::Variant(home.File("gone.so")));
    EXPECT_NE(message("Gone.cls_Gone").find("gone.so' does not exist"), std::string::npos);
    tlx::ObjectRef driver = tlx::CreateObject("Vodex_Randomizer.cls_Randomizer");
    EXPECT_THROW(tlx::GetPropertyByName(driver, "NOSUCHPROPERTY"), tlx::Error);
    tlx::GetPropertyByName(driver, "DEVICE").As<vodex::int_Device>()->DESTROY();
    EXPECT_THROW(tlx::GetPropertyByName(std::make_shared<tlx::Object>(), "DEVICE"), tlx::Error);
}

}  // namespace
