// Registers the toolkit's components for a test's VODEX_HOME with the real registration
// program, and creates drivers by programmatic identifier, as the library does.
#pragma once

#include <memory>
#include <string>

#include "fixtures.h"
#include "tlx/object.h"
#include "vodex/core/device.h"

namespace vodex::test {

// Runs the registration program on `component` (with `unregister`, "/u"); its exit code.
int RunRegistration(const std::string& component, bool unregister = false);

// A test case with its own VODEX_HOME in which the random generator and the test driver are
// registered.
class DriverTest : public HomeTest {
  protected:
    void SetUp() override;

    // The driver object of `progId` and its device, read late-bound as the registry does.
    static tlx::ObjectRef CreateDriver(const std::string& progId);
    static std::shared_ptr<int_Device> DeviceOf(const tlx::ObjectRef& driver);
};

}  // namespace vodex::test
