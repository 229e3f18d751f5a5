#include "pseudo_terminal.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <stdexcept>

namespace vodex::test {

PseudoTerminal::PseudoTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        throw std::runtime_error("no pseudo-terminal can be opened");
    }
    char name[128];
    if (::ptsname_r(master_, name, sizeof name) != 0) {
        throw std::runtime_error("the pseudo-terminal has no name");
    }
    path_ = name;
}

PseudoTerminal::~PseudoTerminal() {
    Unplug();
}

void PseudoTerminal::Unplug() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
}

}  // namespace vodex::test
