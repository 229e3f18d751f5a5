#include "tcp_connect.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "poll_time.h"
#include "tlx/pump.h"

namespace tlx::detail {
// The addresses of a host. A name is looked up on a thread that owns a share of this, so that
// the connect may be given up without waiting for the resolver; the thread says it is done
// through the pipe.
struct TcpConnect::Lookup {
    int pipe[2] = {-1, -1};
    addrinfo* addresses = nullptr;
    int error = 0;
    int systemError = 0;  // errno of the lookup's thread, for EAI_SYSTEM
    std::atomic<bool> done{false};

    ~Lookup() {
        if (addresses) ::freeaddrinfo(addresses);
        for (int fd : pipe) {
            if (fd >= 0) ::close(fd);
        }
    }
};

TcpConnect::TcpConnect(const std::string& host, std::uint16_t port)
    : lookup_(std::make_shared<Lookup>()) {
    const std::string service = std::to_string(port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICHOST | AI_NUMERICSERV;
    if (::getaddrinfo(host.c_str(), service.c_str(), &hints, &lookup_->addresses) == 0) {
        lookup_->done = true;  // an address needs no resolver
        return;
    }
    lookup_->addresses = nullptr;
    if (::pipe2(lookup_->pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Fail(std::string("no pipe for the name lookup: ") + std::strerror(errno));
        return;
    }
    try {
        std::thread([lookup = lookup_, host, service] {
            addrinfo h{};
            h.ai_family = AF_UNSPEC;
            h.ai_socktype = SOCK_STREAM;
            h.ai_flags = AI_NUMERICSERV;
            lookup->error = ::getaddrinfo(host.c_str(), service.c_str(), &h, &lookup->addresses);
            lookup->systemError = errno;
            lookup->done.store(true, std::memory_order_release);
            const char one = 1;
            [[maybe_unused]] const ssize_t n = ::write(lookup->pipe[1], &one, 1);
        }).detach();
    } catch (const std::exception& e) {
        Fail(std::string("the name lookup cannot start: ") + e.what());
    }
}

TcpConnect::~TcpConnect() {
    if (fd_ >= 0) ::close(fd_);
}

void TcpConnect::Fail(const std::string& why) {
    finished_ = true;
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    failure_ = why;
}

void TcpConnect::TryNextAddress() {
    std::string last = failure_;
    for (auto* a = static_cast<const addrinfo*>(next_); a; a = a->ai_next) {
        next_ = a->ai_next;
        const int fd =
            ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            last = std::strerror(errno);
            continue;
        }
        if (::connect(fd, a->ai_addr, a->ai_addrlen) == 0 || errno == EINPROGRESS) {
            fd_ = fd;
            failure_ = last;
            return;  // connected, or Step sees when it is
        }
        last = std::strerror(errno);
        ::close(fd);
    }
    Fail(last.empty() ? "the host has no address" : last);
}

bool TcpConnect::Step() {
    while (!finished_) {
        if (fd_ < 0) {
            if (!lookup_->done.load(std::memory_order_acquire)) return false;
            if (lookup_->error != 0) {
                Fail(lookup_->error == EAI_SYSTEM ? std::strerror(lookup_->systemError)
                                                  : ::gai_strerror(lookup_->error));
                return true;
            }
            if (!next_ && !lookup_->addresses) {
                Fail("the host has no address");
                return true;
            }
            if (!next_) next_ = lookup_->addresses;
            TryNextAddress();
            continue;
        }
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, 0) <= 0) return false;  // still connecting
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
        if (error == 0) {
            const int on = 1;
            // Requests and answers are short: each goes at once, not with the next.
            ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            // A connection that dies without a word (a cable pulled) is given up within about
            // half a minute, idle or not, and then reads as a device that is gone.
            const int idle = 10, interval = 5, count = 3, unacknowledgedMs = 25000;
            ::setsockopt(fd_, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
            ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof idle);
            ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof interval);
            ::setsockopt(fd_, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof count);
            ::setsockopt(fd_, IPPROTO_TCP, TCP_USER_TIMEOUT, &unacknowledgedMs,
                         sizeof unacknowledgedMs);
            connected_ = true;
            finished_ = true;
            return true;
        }
        ::close(fd_);
        fd_ = -1;
        failure_ = std::strerror(error);
        if (!next_) {
            Fail(failure_);
            return true;
        }
    }
    return true;
}

pollfd TcpConnect::Watch() const {
    if (finished_) return {-1, 0, 0};
    if (fd_ >= 0) return {fd_, POLLOUT, 0};
    return {lookup_->pipe[0], POLLIN, 0};
}

int TcpConnect::Take() {
    if (!connected_) return -1;
    connected_ = false;
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

int ConnectWithin(const std::string& host, std::uint16_t port, double seconds,
                  std::string& failure) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    TcpConnect connect(host, port);
    while (!connect.Step()) {
        PumpMessages();
        const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
        if (WaitsCancelled() || left <= 0) {
            failure = WaitsCancelled() ? "stopped" : "no answer in time";
            return -1;
        }
        pollfd p = connect.Watch();
        ::poll(&p, 1,
               PollMilliseconds(MessagePumpInstalled() ? std::min(kEventSlice, left) : left));
    }
    const int fd = connect.Take();
    if (fd < 0) failure = connect.Failure();
    return fd;
}

std::vector<bool> Reachable(const std::vector<std::pair<std::string, std::uint16_t>>& places,
                            double seconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    std::vector<std::unique_ptr<TcpConnect>> connects;
    for (const auto& [host, port] : places)
        connects.push_back(std::make_unique<TcpConnect>(host, port));
    std::vector<bool> reached(places.size(), false);
    std::vector<pollfd> watched;
    for (;;) {
        watched.clear();
        for (std::size_t i = 0; i < connects.size(); ++i) {
            if (!connects[i]->Step()) {
                watched.push_back(connects[i]->Watch());
                continue;
            }
            // Closed at once: a port server opens its port for each connection it takes.
            const int fd = connects[i]->Take();
            if (fd >= 0) {
                reached[i] = true;
                ::close(fd);
            }
        }
        PumpMessages();
        const double left = std::chrono::duration<double>(deadline - Clock::now()).count();
        if (watched.empty() || left <= 0 || WaitsCancelled()) break;
        ::poll(watched.data(), watched.size(),
               PollMilliseconds(MessagePumpInstalled() ? std::min(kEventSlice, left) : left));
    }
    return reached;
}

}  // namespace tlx::detail
