// A pseudo-terminal pair for tests: the slave side stands in for a serial port's device, the
// master side for the instrument at the other end. Closing the master unplugs the "port".
#pragma once

#include <string>

namespace vodex::test {

class PseudoTerminal {
  public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    // The device path of the slave side, as "/dev/pts/7".
    const std::string& Path() const { return path_; }
    int Master() const { return master_; }
    // Closes the master side; the slave's device disappears.
    void Unplug();

  private:
    int master_ = -1;
    std::string path_;
};

}  // namespace vodex::test
