// A TCP server on 127.0.0.1 that plays a script against each client that connects, one client
// after another, on a thread of its own: a port server as hostile or as broken as a test
// needs.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vodex::test {

// The connected client, as the script sees it.
class Peer {
  public:
    Peer(int fd, int stop) : fd_(fd), stop_(stop) {}
    // Sends the bytes (one at a time, a millisecond apart, after SplitSends); false once the
    // client has gone or the server stops.
    bool Send(std::string_view bytes);
    void SplitSends() { split_ = true; }
    // Ends the connection from the server's side.
    void Hangup();
    // What arrives within `within` (returning early once `atLeast` bytes came); everything
    // received is also kept in All().
    std::string Receive(std::chrono::milliseconds within, std::size_t atLeast = 1);
    const std::string& All() const { return all_; }
    // Whether the server is being stopped.
    bool Stopping() const;
    // Whether the client has closed its side.
    bool Closed() const { return closed_; }

  private:
    int fd_;
    int stop_;
    std::string all_;
    bool closed_ = false;
    bool split_ = false;
};

class ScriptedServer {
  public:
    using Script = std::function<void(Peer&)>;
    explicit ScriptedServer(Script script);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    std::uint16_t Port() const;
    // "SCHEME://127.0.0.1:PORT".
    std::string Address(const std::string& scheme) const;
    // Everything the clients sent, one after another.
    std::string Received() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The Telnet bytes of a COM Port Control Option command or answer: IAC SB 44 code value IAC SE.
std::string PortCommand(std::uint8_t code, std::string_view value);
// The opening of an RFC 2217 server (it asks for the port option and offers binary mode).
std::string PortServerOpening();
// Plays an RFC 2217 server against the client: answers each port command it receives with the
// same value (a baud rate query with 9600), until the client has gone or the server stops.
// `answer` may change an answer: it gets the command's code and value and gives the value to
// answer with, or nothing to stay silent.
void ServePortCommands(
    Peer& peer,
    const std::function<std::optional<std::string>(std::uint8_t, std::string)>& answer = nullptr);

}  // namespace vodex::test
