// A program of the toolkit running in the background while a test watches it: its standard
// output read line by line as it comes, its standard error kept, Ctrl-C sent at will.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace vodex::test {

class RunningProgram {
  public:
    // Starts `arguments` (the program first).
    explicit RunningProgram(const std::vector<std::string>& arguments);
    // Kills the program if it still runs.
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // The next line of its standard output, without the line end; nothing when none came
    // within `within` or the output ended.
    std::optional<std::string> Line(std::chrono::milliseconds within);
    // Sends SIGINT, as Ctrl-C on a terminal does.
    void Interrupt();
    // Waits at most `within` for the program to end; its exit code, or -1 (it was killed
    // then, or ended by a signal).
    int Wait(std::chrono::milliseconds within);
    // What it wrote to standard error, once it has ended.
    const std::string& Errors() const { return errors_; }
    // What it wrote to standard output that Line has not given yet.
    const std::string& Unread() const { return pending_; }

  private:
    // Reads what is there of both outputs, waiting at most until `deadline`; false when
    // standard output has ended.
    bool Pump(std::chrono::steady_clock::time_point deadline);

    pid_t child_ = -1;
    int out_ = -1;
    int err_ = -1;
    std::string pending_;
    std::string errors_;
};

}  // namespace vodex::test
