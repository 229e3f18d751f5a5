#include "tlx/component.h"

#include <gtest/gtest.h>

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
    EXPECT_NE(RunRegistration(home.File("missing.so")), 0);
    vodex::test::WriteBytes(home.File("fake.so"), "not a shared object");
    EXPECT_NE(RunRegistration(home.File("fake.so")), 0);
    EXPECT_NE(RunRegistration("/dev/null"), 0);
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
    // A registration whose file has gone.
    tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE,
                                      std::string(tlx::kComponentsKey) + "\\Gone.cls_Gone",
                                      tlx::Variant(home.File("gone.so")));
    EXPECT_NE(message("Gone.cls_Gone").find("cannot be loaded"), std::string::npos);
    tlx::ObjectRef driver = tlx::CreateObject("Vodex_Randomizer.cls_Randomizer");
    EXPECT_THROW(tlx::GetPropertyByName(driver, "NOSUCHPROPERTY"), tlx::Error);
    tlx::GetPropertyByName(driver, "DEVICE").As<vodex::int_Device>()->DESTROY();
    EXPECT_THROW(tlx::GetPropertyByName(std::make_shared<tlx::Object>(), "DEVICE"), tlx::Error);
}

}  // namespace
