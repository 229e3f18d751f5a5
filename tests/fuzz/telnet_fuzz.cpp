// What a port server sends on an RFC 2217 connection. The first byte chooses how the rest is cut
// into reads; the stream must give the same data and the same answers however it was cut (a
// sequence split across reads is the same sequence), never more data than it was given, and a
// bounded amount of answers.
#include <cstdlib>
#include <vector>

#include "telnet_stream.h"

namespace {

struct Outcome {
    std::vector<std::uint8_t> data;
    std::vector<std::uint8_t> sent;
    std::uint8_t modemState = 0;
};

Outcome Play(const std::uint8_t* wire, std::size_t size, std::size_t piece) {
    tlx::detail::TelnetStream stream;
    Outcome out;
    for (std::size_t at = 0; at < size; at += piece) {
        const std::size_t n = std::min(piece, size - at);
        const std::size_t before = out.data.size();
        stream.Receive({wire + at, n}, out.data);
        if (out.data.size() - before > n) std::abort();
        auto& outgoing = stream.Outgoing();
        out.sent.insert(out.sent.end(), outgoing.begin(), outgoing.end());
        outgoing.clear();
    }
    out.modemState = stream.ModemState();
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::size_t piece = 1 + data[0] % 7;
    const Outcome whole = Play(data + 1, size - 1, size);
    const Outcome cut = Play(data + 1, size - 1, piece);
    if (whole.data != cut.data || whole.sent != cut.sent || whole.modemState != cut.modemState) {
        std::abort();
    }
    // The opening offers and at most 512 answers of three bytes.
    if (whole.sent.size() > 9 + 512 * 3) std::abort();
    return 0;
}
