#include "port_holder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

namespace vodex::test {

PortHolder::PortHolder(const std::string& path) {
    int ready[2];
    int release[2];
    if (::pipe(ready) != 0) return;
    if (::pipe(release) != 0) {
        ::close(ready[0]);
        ::close(ready[1]);
        return;
    }
    child_ = ::fork();
    if (child_ == 0) {
        // The child holds the port and nothing else of the test's: a terminal it kept open
        // would keep a line up that the test means to hang up.
        const long most = std::min(::sysconf(_SC_OPEN_MAX), 65536L);
        for (int fd = 3; fd < most; ++fd) {
            if (fd != ready[1] && fd != release[0]) ::close(fd);
        }
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        const char c = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? '1' : '0';
        [[maybe_unused]] ssize_t w = ::write(ready[1], &c, 1);
        char ignored;
        [[maybe_unused]] ssize_t r = ::read(release[0], &ignored, 1);  // until released
        ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    release_ = release[1];
    char c = '0';
    if (child_ > 0 && ::read(ready[0], &c, 1) == 1) held_ = c == '1';
    ::close(ready[0]);
}

PortHolder::~PortHolder() {
    if (release_ >= 0) ::close(release_);
    if (child_ > 0) ::waitpid(child_, nullptr, 0);
}

}  // namespace vodex::test
