#include "components.h"

#include <sys/wait.h>
#include <unistd.h>

#include "tlx/component.h"
#include "tlx/dispatch.h"

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

namespace {

std::string ReadAll(int fd) {
    std::string all;
    char buf[4096];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        all.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return all;
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& arguments) {
    ProgramRun run;
    int out[2];
    int err[2];
    if (arguments.empty() || ::pipe(out) != 0 || ::pipe(err) != 0) return run;
    pid_t child = ::fork();
    if (child < 0) return run;
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::close(out[0]);
        ::close(err[0]);
        std::vector<char*> argv;
        for (const std::string& a : arguments)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    // The outputs are small; reading one after the other cannot fill a pipe.
    run.output = ReadAll(out[0]);
    run.errors = ReadAll(err[0]);
    int status = 0;
    if (::waitpid(child, &status, 0) == child && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
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

}  // namespace vodex::test
