#include "tlx/process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <thread>

#include "tlx/log.h"
#include "tlx/pump.h"
#include "tlx/text.h"

extern char** environ;

namespace tlx {
namespace {

// How often window events run while a program is waited for.
constexpr int kPumpIntervalMs = 50;
// The most of a program's standard error that is kept.
constexpr std::size_t kMostErrorBytes = 64 * 1024;

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
    return RunAndWait(words, nullptr);
}

int RunAndWait(const std::vector<std::string>& words, std::string* errors) {
    return RunKeeping(words, errors, STDERR_FILENO);
}

int RunAndRead(const std::vector<std::string>& words, std::string* output) {
    return RunKeeping(words, output, STDOUT_FILENO);
}

int RunKeeping(const std::vector<std::string>& words, std::string* errors, int stream) {
    if (words.empty()) return -1;
    std::vector<std::string> copies = words;
    std::vector<char*> argv;
    for (std::string& w : copies)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    // With `errors`, the program's standard error comes through a pipe that is read while it
    // runs, so it can never fill up.
    int pipeFds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (errors) {
        errors->clear();
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
            ::posix_spawn_file_actions_destroy(&actions);
            return -1;
        }
        ::posix_spawn_file_actions_adddup2(&actions, pipeFds[1], stream);
        // A program read for its output says nothing on the reader's standard error.
        if (stream == STDOUT_FILENO) {
            ::posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        }
    }
    pid_t child = 0;
    // A program named without a folder is looked up in PATH, as a shell would.
    const int spawned = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (pipeFds[1] >= 0) ::close(pipeFds[1]);
    int from = pipeFds[0];
    if (spawned != 0) {
        if (from >= 0) ::close(from);
        return -1;
    }
    auto take = [&] {
        char buf[4096];
        const ssize_t n = ::read(from, buf, sizeof buf);
        if (n > 0) {
            if (errors->size() < kMostErrorBytes) errors->append(buf, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            ::close(from);
            from = -1;
        }
    };
    // Sleeps until the program ends (or writes), waking now and then to let window events run;
    // without a process descriptor it looks in short intervals instead.
    const int ended = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
    for (;;) {
        try {
            PumpMessages();
        } catch (...) {
            // a failing window event must not leave the program unwaited for
        }
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR)) {
            while (from >= 0)
                take();  // what it wrote last; the pipe ends with it
            if (ended >= 0) ::close(ended);
            return done == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        pollfd wait[2] = {{ended, POLLIN, 0}, {from, POLLIN, 0}};
        if (ended >= 0 || from >= 0) {
            ::poll(wait, 2, ended >= 0 ? kPumpIntervalMs : 5);
            if (from >= 0 && wait[1].revents) take();
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
}

bool StartDetached(const std::vector<std::string>& words) {
    if (words.empty() || words[0].empty()) return false;
    std::vector<std::string> copies = words;
    std::vector<char*> argv;
    for (std::string& w : copies)
        argv.push_back(w.data());
    argv.push_back(nullptr);
    posix_spawnattr_t attributes;
    ::posix_spawnattr_init(&attributes);
    ::posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, argv[0], nullptr, &attributes, argv.data(), environ);
    ::posix_spawnattr_destroy(&attributes);
    if (spawned != 0) return false;
    // A thread of its own waits for the program, so it never stays behind as a zombie.
    std::thread([child] {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

bool OpenAddress(const std::string& address) {
    const std::string lower = LCase(Trim(address));
    const bool allowed = lower.starts_with("http://") || lower.starts_with("https://") ||
                         lower.starts_with("mailto:");
    if (!allowed || address.find_first_of("\n\r") != std::string::npos) return false;
    return StartDetached({"xdg-open", Trim(address)});
}

namespace {

// Calls `line` with each line of `errors`, trimmed; stops when it answers true.
template <class F>
void EachLine(std::string_view errors, F&& line) {
    while (!errors.empty()) {
        const std::size_t end = errors.find('\n');
        std::string text = Trim(errors.substr(0, end));
        errors = end == std::string_view::npos ? std::string_view() : errors.substr(end + 1);
        if (line(text)) return;
    }
}

}  // namespace

std::string FailureSaid(std::string_view errors, std::string_view name) {
    const std::string prefix = std::string(name) + ": ";
    std::string said;
    EachLine(errors, [&](std::string& text) {
        if (text.empty() || IsLogLine(text)) return false;
        if (text.starts_with(prefix)) text.erase(0, prefix.size());
        said = std::move(text);
        return !said.empty();
    });
    return said;
}

void PassOnLog(std::string_view errors) {
    std::string passed;
    EachLine(errors, [&](const std::string& text) {
        if (IsLogLine(text)) passed += text + "\n";
        return false;
    });
    if (!passed.empty()) std::fputs(passed.c_str(), stderr);
}

}  // namespace tlx
