// Registers the toolkit's components for a test's VODEX_HOME with the real registration
// program, and creates drivers by programmatic identifier, as the library does.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "fixtures.h"
#include "tlx/object.h"
#include "vodex/core/device.h"

namespace vodex::test {

// Runs the registration program on `component` (with `unregister`, "/u"); its exit code.
int RunRegistration(const std::string& component, bool unregister = false);

struct ProgramRun {
    int exitCode = -1;
    std::string output;  // standard output
    std::string errors;  // standard error
};
// Runs a program with arguments (the first being the program) and collects what it writes.
ProgramRun RunProgram(const std::vector<std::string>& arguments);

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
