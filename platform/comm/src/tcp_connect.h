// A TCP connection made without blocking: the host's addresses are looked up (a name on a
// thread of its own, since the resolver cannot be asked without waiting), then tried in turn
// with connects that do not wait. Several are made at once by polling each one's Watch().
#pragma once

#include <poll.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tlx::detail {

class TcpConnect {
  public:
    TcpConnect(const std::string& host, std::uint16_t port);
    ~TcpConnect();
    TcpConnect(const TcpConnect&) = delete;
    TcpConnect& operator=(const TcpConnect&) = delete;

    // Moves on as far as it can without waiting; true once it has finished, connected or not.
    bool Step();
    // What to poll before the next Step (a descriptor of -1 once finished).
    pollfd Watch() const;
    // The connected socket, handed over once (-1 when there is none).
    int Take();
    // Why it failed, once finished without a connection.
    const std::string& Failure() const { return failure_; }

  private:
    struct Lookup;
    void TryNextAddress();
    void Fail(const std::string& why);

    std::shared_ptr<Lookup> lookup_;
    const void* next_ = nullptr;  // the next address to try (an addrinfo of the lookup)
    int fd_ = -1;
    bool connected_ = false;
    bool finished_ = false;
    std::string failure_;
};

// Connects to `host`:`port` within `seconds`, waiting only in poll() with the message pump in
// between (and not at all once the calling thread's waits are cancelled). The socket, or -1
// with the reason in `failure`.
int ConnectWithin(const std::string& host, std::uint16_t port, double seconds,
                  std::string& failure);

// Whether each of `places` can be connected to within `seconds`, all asked at once.
std::vector<bool> Reachable(const std::vector<std::pair<std::string, std::uint16_t>>& places,
                            double seconds);

}  // namespace tlx::detail
