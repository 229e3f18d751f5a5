// Ctrl-C during a long command: while an Interruptible lives, SIGINT only marks the work as
// interrupted, so the command can end cleanly (release its device, print what it has).
#pragma once

#include <csignal>

namespace vodex::cli {

class Interruptible {
  public:
    Interruptible();
    ~Interruptible();
    Interruptible(const Interruptible&) = delete;
    Interruptible& operator=(const Interruptible&) = delete;

    static bool Interrupted();

  private:
    struct sigaction previous_ {};
};

}  // namespace vodex::cli
