// Another program holding a serial port: a child process that opens the device and locks it
// as a serial program does, until the holder is dropped.
#pragma once

#include <sys/types.h>

#include <string>

namespace vodex::test {

class PortHolder {
  public:
    // Returns once the child holds `path` (Held() says whether it could).
    explicit PortHolder(const std::string& path);
    ~PortHolder();
    PortHolder(const PortHolder&) = delete;
    PortHolder& operator=(const PortHolder&) = delete;

    bool Held() const { return held_; }

  private:
    pid_t child_ = -1;
    int release_ = -1;
    bool held_ = false;
};

}  // namespace vodex::test
