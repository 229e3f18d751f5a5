#include "line_instrument.h"

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
#include <cstring>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace vodex::sim::detail {
namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void Fail(const std::string& kind, const std::string& what) {
    throw std::runtime_error(kind + ": " + what + ": " + std::strerror(errno));
}

// Both sides of a fresh pseudo-terminal; the instrument keeps its own descriptor of the
// terminal side open, so the line stays up while no program has the port open.
struct Terminal {
    int master = -1;
    int slave = -1;
    std::string device;

    void Open() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (master < 0) Fail("virtual instrument", "no pseudo-terminal");
        char name[128];
        if (::grantpt(master) != 0 || ::unlockpt(master) != 0 ||
            ::ptsname_r(master, name, sizeof name) != 0) {
            Close();
            Fail("virtual instrument", "pseudo-terminal not usable");
        }
        device = name;
        slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave < 0) {
            Close();
            Fail("virtual instrument", "terminal side not usable");
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

}  // namespace

struct LineInstrument::State {
    std::string link;
    std::string kind;
    Behaviour behaviour;
    mutable std::mutex mutex;
    std::mutex asking;  // one request at a time
    std::condition_variable done;
    Terminal terminal;
    int wake = -1;
    std::thread worker;

    // Requests to the worker, which alone opens and closes the terminal's descriptors.
    enum class Request { None, Vanish, Return, Stop };
    Request request = Request::None;
    std::uint64_t handled = 0;
    bool running = false;
    std::string failure;  // why the last request failed, for the one who asked
    std::vector<std::string> commands;
    std::string pending;  // bytes of a command not yet complete
    std::string unasked;  // bytes to send unasked
    Clock::time_point nextStream{};

    ~State() {
        terminal.Close();
        if (wake >= 0) ::close(wake);
    }

    // Puts the link in place. Only nothing, or the link of an earlier virtual instrument (one
    // that leads to a pseudo-terminal), is replaced; anything else stays and is refused.
    void Publish() {
        if (link.empty()) return;
        struct stat st {};
        if (::lstat(link.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode) || !LinkTarget(link).starts_with("/dev/pts/")) {
                throw std::runtime_error(kind + ": " + link +
                                         " exists and is no link of a virtual instrument; remove "
                                         "it or choose another path");
            }
        } else if (errno != ENOENT) {
            Fail(kind, "cannot examine " + link);
        }
        static std::atomic<unsigned> made{0};
        const std::string temporary =
            link + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(made.fetch_add(1));
        if (::symlink(terminal.device.c_str(), temporary.c_str()) != 0) {
            Fail(kind, "cannot publish " + link);
        }
        if (::rename(temporary.c_str(), link.c_str()) != 0) {
            const int error = errno;
            ::unlink(temporary.c_str());
            errno = error;
            Fail(kind, "cannot publish " + link);
        }
    }

    // Takes the link away, as long as it is still this instrument's.
    void Unpublish() const {
        if (!link.empty() && !terminal.device.empty() && LinkTarget(link) == terminal.device) {
            ::unlink(link.c_str());
        }
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
                // What a long run keeps of them is bounded: the latest ten thousand.
                if (commands.size() >= 10000) commands.erase(commands.begin());
                commands.push_back(line);
                if (behaviour.answer) answers += behaviour.answer(line);
            }
            // A line that never ends is no command: what an instrument keeps of it is bounded.
            if (pending.size() > 4096) pending.clear();
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

    // Sends what a streaming instrument has to say when it is due; the milliseconds until the
    // next time (a second without a stream, when the terminal is looked after).
    int Stream() {
        if (!behaviour.stream || behaviour.period.count() <= 0) return 1000;
        const auto now = Clock::now();
        if (now >= nextStream) {
            nextStream = now + behaviour.period;
            std::string bytes;
            {
                std::lock_guard lock(mutex);
                bytes = behaviour.stream();
            }
            Write(bytes);
        }
        return static_cast<int>(std::max<std::int64_t>(
            1, std::chrono::duration_cast<std::chrono::milliseconds>(nextStream - Clock::now())
                   .count()));
    }

    void Run() {
        char buffer[512];
        for (;;) {
            const int timeout = terminal.master >= 0 ? Stream() : 1000;
            pollfd fds[2] = {{wake, POLLIN, 0}, {terminal.master, POLLIN, 0}};
            const nfds_t count = terminal.master >= 0 ? 2 : 1;
            const int ready = ::poll(fds, count, timeout);
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
        if (!running) throw std::runtime_error(kind + ": it has stopped");
        request = r;
        const std::uint64_t ticket = handled;
        const std::uint64_t one = 1;
        [[maybe_unused]] ssize_t w = ::write(wake, &one, sizeof one);
        done.wait(lock, [&] { return handled > ticket; });
        if (!failure.empty()) throw std::runtime_error(failure);
    }
};

LineInstrument::LineInstrument(std::string link, std::string kind, Behaviour behaviour)
    : state_(std::make_unique<State>()) {
    state_->link = std::move(link);
    state_->kind = std::move(kind);
    state_->behaviour = std::move(behaviour);
    state_->wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (state_->wake < 0) Fail(state_->kind, "no event descriptor");
    state_->terminal.Open();
    state_->Publish();
    state_->running = true;
    state_->worker = std::thread([s = state_.get()] { s->Run(); });
}

LineInstrument::~LineInstrument() {
    try {
        state_->Ask(State::Request::Stop);
    } catch (...) {
    }
    state_->worker.join();
    state_->Unpublish();
}

std::string LineInstrument::Path() const {
    std::lock_guard lock(state_->mutex);
    return state_->link.empty() ? state_->terminal.device : state_->link;
}

std::string LineInstrument::DevicePath() const {
    std::lock_guard lock(state_->mutex);
    return state_->terminal.device;
}

void LineInstrument::Send(const std::string& bytes) {
    {
        std::lock_guard lock(state_->mutex);
        state_->unasked += bytes;
    }
    state_->Ask(State::Request::None);
}

void LineInstrument::Vanish() {
    state_->Ask(State::Request::Vanish);
}

void LineInstrument::Return() {
    state_->Ask(State::Request::Return);
}

std::int32_t LineInstrument::LineBaud() const {
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

std::vector<std::string> LineInstrument::Commands() const {
    std::lock_guard lock(state_->mutex);
    return state_->commands;
}

}  // namespace vodex::sim::detail
