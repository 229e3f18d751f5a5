#include "tlx/process.h"

#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "tlx/pump.h"

extern char** environ;

namespace tlx {
namespace {

// How often window events run while a program is waited for.
constexpr int kPumpIntervalMs = 50;

}  // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

int RunAndWait(const std::string& commandLine) {
    return RunAndWait(SplitCommandLine(commandLine));
}

int RunAndWait(const std::vector<std::string>& words) {
    if (words.empty()) return -1;
    std::vector<std::string> copies = words;
    std::vector<char*> argv;
    for (std::string& w : copies)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    if (::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    // Sleeps until the program ends, waking now and then to let window events run; without a
    // process descriptor it looks in short intervals instead.
    const int ended = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    for (;;) {
        try {
            PumpMessages();
        } catch (...) {
            // a failing window event must not leave the program unwaited for
        }
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            if (ended >= 0) ::close(ended);
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 && errno != EINTR) {
            if (ended >= 0) ::close(ended);
            return -1;
        }
        if (ended >= 0) {
            pollfd wait{ended, POLLIN, 0};
            ::poll(&wait, 1, kPumpIntervalMs);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

}  // namespace tlx
