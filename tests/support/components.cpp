#include "components.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "running_program.h"
#include "tlx/component.h"
#include "tlx/dispatch.h"
#include "tlx/port_map.h"
#include "tlx/tools.h"

namespace vodex::test {

int RunRegistration(const std::string& component, bool unregister) {
    pid_t child = ::fork();
    if (child < 0) return -1;
    if (child == 0) {
        if (unregister) {
            ::execl(VODEX_REGSVR, VODEX_REGSVR, "/u", "/s", component.c_str(),
                    static_cast<char*>(nullptr));
        } else {
            ::execl(VODEX_REGSVR, VODEX_REGSVR, "/s", component.c_str(),
                    static_cast<char*>(nullptr));
        }
        ::_exit(127);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

ProgramRun RunProgram(const std::vector<std::string>& arguments) {
    // Both outputs are read while the program runs, so neither pipe can fill up.
    RunningProgram running(arguments);
    ProgramRun run;
    run.exitCode = running.Wait(std::chrono::minutes(5));
    run.output = running.Unread();
    run.errors = running.Errors();
    return run;
}

void DriverTest::SetUp() {
    ASSERT_EQ(RunRegistration(VODEX_RANDOMIZER_COMPONENT), 0);
    ASSERT_EQ(RunRegistration(VODEX_TEST_DRIVER_COMPONENT), 0);
}

tlx::ObjectRef DriverTest::CreateDriver(const std::string& progId) {
    return tlx::CreateObject(progId);
}

std::shared_ptr<int_Device> DriverTest::DeviceOf(const tlx::ObjectRef& driver) {
    return tlx::GetPropertyByName(driver, "DEVICE").As<int_Device>();
}

void SerialDriverTest::Attach(const std::string& component, const std::string& progId,
                              std::int32_t at, const std::string& path, double timeout) {
    ASSERT_EQ(RunRegistration(component), 0);
    tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE,
                                      "Software\\VQ Morvane\\VQ ReziraDovarir\\PortMax",
                                      tlx::Variant(4));
    for (std::int32_t n = 1; n <= 4; ++n)
        tlx::SetPortDevicePath(n, home.File("nichts" + std::to_string(n)));
    tlx::SetPortDevicePath(at, path);
    driver = CreateDriver(progId);
    if (timeout > 0) tlx::SetPropertyByName(driver, "TIMEOUT", tlx::Variant(timeout));
    device = DeviceOf(driver);
    ASSERT_TRUE(device);
}

void SerialDriverTest::TearDown() {
    if (device) device->DESTROY();
}

}  // namespace vodex::test
