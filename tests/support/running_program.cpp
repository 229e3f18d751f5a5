#include "running_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vodex::test {

RunningProgram::RunningProgram(const std::vector<std::string>& arguments) {
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    if (arguments.empty() || ::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
        (child_ = ::fork()) < 0) {
        for (int fd : {out[0], out[1], err[0], err[1]})
            if (fd >= 0) ::close(fd);
        child_ = -1;
        return;
    }
    if (child_ == 0) {
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
    out_ = out[0];
    err_ = err[0];
}

RunningProgram::~RunningProgram() {
    if (child_ > 0) {
        ::kill(child_, SIGKILL);
        ::waitpid(child_, nullptr, 0);
    }
    if (out_ >= 0) ::close(out_);
    if (err_ >= 0) ::close(err_);
}

bool RunningProgram::Pump(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (out_ < 0 && err_ < 0) {
        // Nothing more to read: sleep until the deadline instead of asking again at once.
        ::poll(nullptr, 0, static_cast<int>(std::max<long>(0, left.count())));
        return false;
    }
    pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
    if (::poll(fds, 2, static_cast<int>(std::max<long>(0, left.count()))) <= 0) return out_ >= 0;
    char buf[4096];
    auto drain = [&buf](int& fd, std::string& into) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            into.append(buf, static_cast<std::size_t>(n));
        } else {
            ::close(fd);
            fd = -1;
        }
    };
    if (fds[1].revents) drain(err_, errors_);
    if (fds[0].revents) drain(out_, pending_);
    return out_ >= 0;
}

std::optional<std::string> RunningProgram::Line(std::chrono::milliseconds within) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
        if (const auto end = pending_.find('\n'); end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        if (std::chrono::steady_clock::now() >= deadline || !Pump(deadline)) return std::nullopt;
    }
}

void RunningProgram::Interrupt() {
    if (child_ > 0) ::kill(child_, SIGINT);
}

int RunningProgram::Wait(std::chrono::milliseconds within) {
    if (child_ <= 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + within;
    for (;;) {
        int status = 0;
        if (::waitpid(child_, &status, WNOHANG) == child_) {
            child_ = -1;
            // What is left of its outputs, which end with it.
            const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(1);
            while ((out_ >= 0 || err_ >= 0) && std::chrono::steady_clock::now() < until)
                Pump(until);
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
            child_ = -1;
            return -1;
        }
        Pump(std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)));
    }
}

}  // namespace vodex::test
