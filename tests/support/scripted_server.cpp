#include "scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace vodex::test {

bool Peer::Send(std::string_view bytes) {
    while (!bytes.empty()) {
        pollfd p[2] = {{fd_, POLLOUT, 0}, {stop_, POLLIN, 0}};
        ::poll(p, 2, -1);
        if (p[1].revents & POLLIN) return false;
        const std::size_t size = split_ ? 1 : bytes.size();
        const ssize_t n = ::send(fd_, bytes.data(), size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno != EAGAIN) return false;
        if (n > 0) bytes.remove_prefix(static_cast<std::size_t>(n));
        if (split_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void Peer::Hangup() {
    ::shutdown(fd_, SHUT_RDWR);
    closed_ = true;
}

std::string Peer::Receive(std::chrono::milliseconds within, std::size_t atLeast) {
    const auto end = std::chrono::steady_clock::now() + within;
    std::string got;
    while (got.size() < atLeast && !Stopping()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd p[2] = {{fd_, POLLIN, 0}, {stop_, POLLIN, 0}};
        if (::poll(p, 2, static_cast<int>(left.count())) <= 0 || !(p[0].revents & POLLIN)) continue;
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            closed_ = true;
            break;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
    all_ += got;
    return got;
}

bool Peer::Stopping() const {
    pollfd p{stop_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

struct ScriptedServer::State {
    int listener = -1;
    int stop = -1;
    std::uint16_t port = 0;
    Script script;
    mutable std::mutex mutex;
    std::string received;
    std::thread thread;

    void Run() {
        for (;;) {
            pollfd p[2] = {{listener, POLLIN, 0}, {stop, POLLIN, 0}};
            ::poll(p, 2, -1);
            if (p[1].revents & POLLIN) return;
            const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            Peer peer(fd, stop);
            script(peer);
            ::close(fd);
            std::lock_guard lock(mutex);
            received += peer.All();
        }
    }
};

ScriptedServer::ScriptedServer(Script script) : state_(std::make_unique<State>()) {
    state_->script = std::move(script);
    state_->listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (state_->listener < 0 ||
        ::bind(state_->listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(state_->listener, 8) != 0 ||
        ::getsockname(state_->listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        throw std::runtime_error("the scripted server cannot listen");
    }
    state_->port = ntohs(address.sin_port);
    state_->stop = ::eventfd(0, EFD_CLOEXEC);
    state_->thread = std::thread([this] { state_->Run(); });
}

ScriptedServer::~ScriptedServer() {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(state_->stop, &one, sizeof one);
    state_->thread.join();
    ::close(state_->listener);
    ::close(state_->stop);
}

std::uint16_t ScriptedServer::Port() const {
    return state_->port;
}

std::string ScriptedServer::Address(const std::string& scheme) const {
    return scheme + "://127.0.0.1:" + std::to_string(state_->port);
}

std::string ScriptedServer::Received() const {
    std::lock_guard lock(state_->mutex);
    return state_->received;
}

std::string PortCommand(std::uint8_t code, std::string_view value) {
    std::string bytes = "\xff\xfa\x2c";
    bytes += static_cast<char>(code);
    for (char c : value) {
        bytes += c;
        if (c == '\xff') bytes += c;
    }
    return bytes + "\xff\xf0";
}

std::string PortServerOpening() {
    return std::string("\xff\xfd\x2c\xff\xfb\x00\xff\xfd\x00", 9);
}

void ServePortCommands(
    Peer& peer,
    const std::function<std::optional<std::string>(std::uint8_t, std::string)>& answer) {
    std::string pending;
    while (!peer.Stopping() && !peer.Closed()) {
        pending += peer.Receive(std::chrono::milliseconds(50));
        // Whole commands only: IAC SB 44 code value... IAC SE.
        for (std::size_t at; (at = pending.find("\xff\xfa\x2c")) != std::string::npos;) {
            const std::size_t end = pending.find("\xff\xf0", at);
            if (end == std::string::npos) break;
            const auto code = static_cast<std::uint8_t>(pending[at + 3]);
            std::string value = pending.substr(at + 4, end - at - 4);
            for (std::size_t i = 0; (i = value.find("\xff\xff", i)) != std::string::npos; ++i)
                value.erase(i, 1);
            if (code == 1 && value == std::string(4, '\0')) value = std::string("\0\0\x25\x80", 4);
            const std::optional<std::string> reply = answer ? answer(code, value) : value;
            if (reply) peer.Send(PortCommand(static_cast<std::uint8_t>(code + 100), *reply));
            pending.erase(0, end + 2);
        }
    }
}

}  // namespace vodex::test
