#include "vodex/sim/virtual_balance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace vodex::sim {
namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error("virtual balance: " + what + ": " + std::strerror(errno));
}

// Both sides of a fresh pseudo-terminal; the instrument keeps its own descriptor of the
// terminal side open, so the line stays up while no program has the port open.
struct Terminal {
    int master = -1;
    int slave = -1;
    std::string device;

    void Open() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (master < 0) Fail("no pseudo-terminal");
        char name[128];
        if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
            ::ptsname_r(master, name, sizeof name) != 0) {
            Close();
            Fail("pseudo-terminal not usable");
        }
        device = name;
        slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave < 0) {
            Close();
            Fail("terminal side not usable");
        }
        termios tio{};
        if (::tcgetattr(slave, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(slave, TCSANOW, &tio);
        }
    }
    // A program that held the port exclusively and ended without giving it back (killed, say)
    // leaves the terminal exclusive while this side keeps it open: when no program holds the
    // port's lock any more, the exclusive mode is cleared.
    void FreeIfAbandoned() const {
        if (slave < 0 || ::flock(slave, LOCK_EX | LOCK_NB) != 0) return;
        ::ioctl(slave, TIOCNXCL);
        ::flock(slave, LOCK_UN);
    }
    // Waits until what was written to the instrument's side can be read on the port's side.
    void Delivered() const {
        pollfd p{slave, POLLIN, 0};
        ::poll(&p, 1, 1000);
    }
    void Close() {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
        slave = master = -1;
    }
};

// Where the symbolic link `path` leads; "" when it is none.
std::string LinkTarget(const std::string& path) {
    char target[4096];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

std::string Value(double grams) {
    char text[32];
    std::snprintf(text, sizeof text, "%10.2f", grams);
    return text;
}

}  // namespace

struct VirtualBalance::State {
    Options options;
    mutable std::mutex mutex;
    std::mutex asking;  // one request at a time
    std::condition_variable done;
    Terminal terminal;
    int wake = -1;
    std::thread worker;

    // Requests to the worker, which alone touches the terminal's descriptors.
    enum class Request { None, Vanish, Return, Stop };
    Request request = Request::None;
    std::uint64_t handled = 0;
    bool running = false;
    std::string failure;  // why the last request failed, for the one who asked

    ~State() {
        terminal.Close();
        if (wake >= 0) ::close(wake);
    }

    // The pan.
    double from = 0;
    double to = 0;
    Clock::time_point moveStart{};
    double moveSeconds = 0;
    double zero = 0;
    double tare = 0;
    bool silent = false;
    bool garbage = false;
    std::vector<std::string> commands;
    std::string pending;  // bytes of a command not yet complete
    std::string unasked;  // bytes to send unasked

    double Gross(Clock::time_point now) const {
        if (moveSeconds <= 0) return to;
        const double part = std::chrono::duration<double>(now - moveStart).count() / moveSeconds;
        return part >= 1 ? to : from + (to - from) * std::max(0.0, part);
    }
    bool Moving(Clock::time_point now) const {
        return moveSeconds > 0 &&
               std::chrono::duration<double>(now - moveStart).count() < moveSeconds;
    }

    // Puts the link in place. Only nothing, or the link of an earlier virtual instrument (one
    // that leads to a pseudo-terminal), is replaced; anything else stays and is refused.
    void Publish() {
        const std::string& link = options.link;
        if (link.empty()) return;
        struct stat st {};
        if (::lstat(link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode) || !LinkTarget(link).starts_with("/dev/pts/")) {
                throw std::runtime_error("virtual balance: " + link +
                                         " exists and is no link of a virtual instrument; remove "
                                         "it or choose another path");
            }
        } else if (errno != ENOENT) {
            Fail("cannot examine " + link);
        }
        static std::atomic<unsigned> made{0};
        const std::string temporary =
            link + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(made.fetch_add(1));
        if (::symlink(terminal.device.c_str(), temporary.c_str()) != 0) {
            Fail("cannot publish " + link);
        }
        if (::rename(temporary.c_str(), link.c_str()) != 0) {
            const int error = errno;
            ::unlink(temporary.c_str());
            errno = error;
            Fail("cannot publish " + link);
        }
    }

    // Takes the link away, as long as it is still this instrument's.
    void Unpublish() const {
        if (!options.link.empty() && !terminal.device.empty() &&
            LinkTarget(options.link) == terminal.device) {
            ::unlink(options.link.c_str());
        }
    }

    // The answer to one command line, without its line end; "" for none.
    std::string Answer(const std::string& line) {
        const auto now = Clock::now();
        for (char ch : line) {
            const auto c = static_cast<unsigned char>(ch);
            if (c < 0x20 || c > 0x7E) return "ET";
        }
        std::istringstream words(line);
        std::string command;
        words >> command;
        std::string extra;
        const bool arguments = static_cast<bool>(words >> extra);
        if (command.empty()) return "";
        static const char* known[] = {"S", "SI", "Z", "T", "I4", "@"};
        if (std::find_if(std::begin(known), std::end(known),
                         [&](const char* k) { return command == k; }) == std::end(known)) {
            return "ES";
        }
        if (arguments) return "EL";
        const double gross = Gross(now);
        const bool moving = Moving(now);
        const char* range = gross > options.capacity ? "+" : gross < options.lowest ? "-" : "";
        const std::string identity = "I4 A \"" + options.serialNumber + "\"";
        if (command == "I4") return identity;
        if (command == "@") {
            tare = 0;
            return identity;
        }
        const std::string head = command == "SI" ? "S" : command;
        if (*range) return head + " " + range;
        if (command == "S") return moving ? "S I" : "S S " + Value(gross - zero - tare) + " g";
        if (command == "SI") {
            return std::string(moving ? "S D " : "S S ") + Value(gross - zero - tare) + " g";
        }
        if (moving) return head + " I";
        if (command == "Z") {
            zero = gross;
            tare = 0;
            return "Z A";
        }
        tare = gross - zero;  // "T"
        return "T S " + Value(tare) + " g";
    }

    void Write(const std::string& bytes) {
        if (terminal.master < 0 || bytes.empty()) return;
        // An answer the other side does not take in time is lost, as on a real line.
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t n = ::write(terminal.master, bytes.data() + sent, bytes.size() - sent);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno == EAGAIN) {
                pollfd p{terminal.master, POLLOUT, 0};
                if (::poll(&p, 1, 100) > 0) continue;
            }
            return;
        }
    }

    void Received(const char* bytes, std::size_t n) {
        std::string answers;
        {
            std::lock_guard lock(mutex);
            pending.append(bytes, n);
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
                std::string line = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                commands.push_back(line);
                const std::string answer = Answer(line);
                if (silent || answer.empty()) continue;
                answers +=
                    garbage ? std::string("\x15\xFE#%\x07?\x80", 7) + "\r\n" : answer + "\r\n";
            }
        }
        Write(answers);
    }

    // Carries out a request; false once the worker is to end.
    bool Handle() {
        std::uint64_t ignored = 0;
        [[maybe_unused]] ssize_t r = ::read(wake, &ignored, sizeof ignored);
        std::unique_lock lock(mutex);
        const Request asked = request;
        request = Request::None;
        std::string send;
        send.swap(unasked);
        failure.clear();
        try {
            if (asked == Request::Vanish) {
                // The link leads nowhere now, as an unplugged adapter's stable name does.
                Unpublish();
                terminal.Close();
            } else if (asked == Request::Return && terminal.master < 0) {
                terminal.Open();
                Publish();
            }
        } catch (const std::exception& e) {
            failure = e.what();
        }
        lock.unlock();
        if (!send.empty() && terminal.master >= 0) {
            Write(send);
            terminal.Delivered();  // readable when the one who sent it goes on
        }
        lock.lock();
        ++handled;
        if (asked == Request::Stop) running = false;
        lock.unlock();
        done.notify_all();
        return asked != Request::Stop;
    }

    void Run() {
        char buffer[512];
        for (;;) {
            pollfd fds[2] = {{wake, POLLIN, 0}, {terminal.master, POLLIN, 0}};
            const nfds_t count = terminal.master >= 0 ? 2 : 1;
            // Once a second without anything to do, the terminal is looked after.
            const int ready = ::poll(fds, count, 1000);
            if (ready < 0 && errno != EINTR) {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));  // never spin
                continue;
            }
            if (ready == 0) {
                terminal.FreeIfAbandoned();
                continue;
            }
            if (fds[0].revents & POLLIN) {
                if (!Handle()) return;
                continue;
            }
            if (count == 2 && (fds[1].revents & POLLIN)) {
                const ssize_t n = ::read(terminal.master, buffer, sizeof buffer);
                if (n > 0) Received(buffer, static_cast<std::size_t>(n));
            } else if (count == 2 && fds[1].revents) {
                // The line hung up without data; wait for the next request instead of spinning.
                pollfd only{wake, POLLIN, 0};
                ::poll(&only, 1, 20);
            }
        }
    }

    void Ask(Request r) {
        std::lock_guard single(asking);
        std::unique_lock lock(mutex);
        if (!running) throw std::runtime_error("virtual balance: it has stopped");
        request = r;
        const std::uint64_t ticket = handled;
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t w = ::write(wake, &one, sizeof one);
        done.wait(lock, [&] { return handled > ticket; });
        if (!failure.empty()) throw std::runtime_error(failure);
    }
};

VirtualBalance::VirtualBalance(Options options) : state_(std::make_unique<State>()) {
    state_->options = std::move(options);
    state_->to = state_->options.weight;
    state_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (state_->wake < 0) Fail("no event descriptor");
    state_->terminal.Open();
    state_->Publish();
    state_->running = true;
    state_->worker = std::thread([s = state_.get()] { s->Run(); });
}

VirtualBalance::~VirtualBalance() {
    try {
        state_->Ask(State::Request::Stop);
    } catch (...) {
    }
    state_->worker.join();
    state_->Unpublish();
}

std::string VirtualBalance::Path() const {
    std::lock_guard lock(state_->mutex);
    return state_->options.link.empty() ? state_->terminal.device : state_->options.link;
}

std::string VirtualBalance::DevicePath() const {
    std::lock_guard lock(state_->mutex);
    return state_->terminal.device;
}

void VirtualBalance::SetWeight(double grams) {
    std::lock_guard lock(state_->mutex);
    state_->from = state_->to = grams;
    state_->moveSeconds = 0;
}

void VirtualBalance::MoveTo(double grams, double seconds) {
    std::lock_guard lock(state_->mutex);
    const auto now = Clock::now();
    state_->from = state_->Gross(now);
    state_->to = grams;
    state_->moveStart = now;
    state_->moveSeconds = seconds;
}

void VirtualBalance::SetSilent(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->silent = on;
}

void VirtualBalance::SetGarbage(bool on) {
    std::lock_guard lock(state_->mutex);
    state_->garbage = on;
}

void VirtualBalance::Send(const std::string& bytes) {
    {
        std::lock_guard lock(state_->mutex);
        state_->unasked += bytes;
    }
    state_->Ask(State::Request::None);
}

void VirtualBalance::Vanish() {
    state_->Ask(State::Request::Vanish);
}

void VirtualBalance::Return() {
    state_->Ask(State::Request::Return);
}

std::int32_t VirtualBalance::LineBaud() const {
    static constexpr std::pair<speed_t, std::int32_t> kSpeeds[] = {
        {B1200, 1200},   {B2400, 2400},   {B4800, 4800},   {B9600, 9600},
        {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    std::lock_guard lock(state_->mutex);
    termios tio{};
    if (state_->terminal.slave < 0 || ::tcgetattr(state_->terminal.slave, &tio) != 0) return 0;
    for (const auto& [code, baud] : kSpeeds) {
        if (::cfgetospeed(&tio) == code) return baud;
    }
    return 0;
}

std::vector<std::string> VirtualBalance::Commands() const {
    std::lock_guard lock(state_->mutex);
    return state_->commands;
}

}  // namespace vodex::sim
