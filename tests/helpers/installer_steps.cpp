// The installer as the tests build it: VODEX_STOP_AT_STEP=N[:SIGNAL] makes it signal itself at
// its N-th step (SIGKILL unless another signal number is given), after saying which step that
// is on standard error, so that a test can stop it at each of its steps in turn.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "installer.h"

namespace tlx::installer {

void Step(const char* name) {
    thread_local int passed = 0;
    const char* asked = std::getenv("VODEX_STOP_AT_STEP");
    if (!asked) return;
    const std::string at = asked;
    const std::size_t colon = at.find(':');
    if (++passed != std::atoi(at.substr(0, colon).c_str())) return;
    const int signal = colon == std::string::npos ? SIGKILL : std::atoi(at.c_str() + colon + 1);
    std::fprintf(stderr, "stopped at step %d (%s)\n", passed, name);
    ::kill(::getpid(), signal);
}

}  // namespace tlx::installer

int main(int argc, char** argv) {
    return tlx::installer::Main(argc, argv);
}
