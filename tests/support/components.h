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

// A serial driver registered in the test's home, on a machine with four serial ports that
// lead nowhere but one, which leads to the instrument's; its driver made by programmatic
// identifier, and its device destroyed after the test.
class SerialDriverTest : public DriverTest {
  protected:
    // Registers `component`, maps port `at` to `path`, and makes `progId`'s driver, waiting
    // `timeout` seconds for an answer (its own time-out when 0).
    void Attach(const std::string& component, const std::string& progId, std::int32_t at,
                const std::string& path, double timeout = 0);
    void TearDown() override;

    tlx::ObjectRef driver;
    std::shared_ptr<int_Device> device;
};

}  // namespace vodex::test
