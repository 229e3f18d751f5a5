#include "vodex/port/port_search.h"

#include <algorithm>
#include <memory>

#include "tlx/clock.h"
#include "tlx/comm_control.h"
#include "tlx/network_port.h"
#include "tlx/port_map.h"
#include "tlx/pump.h"
#include "vodex/port/vq_port.h"

namespace vodex {
namespace {

// How long one wait sleeps at most before window events run again, where the thread has any.
constexpr double kEventSlice = 0.02;
// The least time earlier silent ports get once a later port's answer is accepted.
constexpr double kSilentGrace = 0.1;

struct Candidate {
    std::int32_t port = 0;
    std::unique_ptr<cls_VQPort> vq;
    std::string answer;
    enum class State { Waiting, Accepted, Refused } state = State::Refused;
};

// Takes what has arrived on a waiting candidate and decides it once its answer is complete.
void Collect(Candidate& c, const PortSearch& search) {
    if (search.judge) {
        const std::vector<std::uint8_t> bytes = c.vq->BIN();  // as they came, unconverted
        c.answer.append(bytes.begin(), bytes.end());
    } else {
        c.answer += c.vq->Inp();
    }
    if (!c.vq->LastError().empty()) {  // the port failed, or its device went
        c.state = Candidate::State::Refused;
        return;
    }
    if (search.judge) {
        // What an instrument that floods its port says is bounded: no instrument of this kind.
        if (c.answer.size() > 64 * 1024) {
            c.state = Candidate::State::Refused;
            return;
        }
        const std::optional<bool> decided = search.judge(c.answer);
        if (decided) c.state = *decided ? Candidate::State::Accepted : Candidate::State::Refused;
        return;
    }
    const std::size_t end = c.answer.find(search.terminator);
    if (end == std::string::npos) return;
    c.answer.resize(end + search.terminator.size());
    const bool accepted = search.accept && search.accept(c.answer);
    c.state = accepted ? Candidate::State::Accepted : Candidate::State::Refused;
}

bool IsNetworkPort(std::int32_t port) {
    try {
        return tlx::IsNetworkPortPath(tlx::PortDevicePath(port));
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace

std::optional<std::int32_t> FirstAnsweringPort(const PortSearch& search) {
    std::vector<Candidate> candidates;
    candidates.reserve(search.ports.size());
    // One time-out for the whole search: each port across the network may take of what is
    // left an equal share with the network ports still to open, so a server that never
    // answers leaves time for the others.
    const tlx::cls_CoreTimer timer;
    std::size_t networkLeft = static_cast<std::size_t>(
        std::count_if(search.ports.begin(), search.ports.end(), IsNetworkPort));
    for (std::int32_t port : search.ports) {
        Candidate c;
        c.port = port;
        c.vq = std::make_unique<cls_VQPort>();
        // A port whose device goes while it is being set up is simply no candidate.
        try {
            if (IsNetworkPort(port)) {
                const double left = std::max(0.0, search.timeout - timer.SECONDSELAPSED());
                c.vq->DIRECT()->OpenTimeout(left / static_cast<double>(networkLeft--));
            }
            if (c.vq->CONNECT(port, search.settings, search.rts, search.dtr)) {
                c.vq->CLEAR();
                if (search.request.empty() || c.vq->OUT(search.request, false)) {
                    c.state = Candidate::State::Waiting;
                }
            }
        } catch (const std::exception&) {
            c.state = Candidate::State::Refused;
        }
        candidates.push_back(std::move(c));
    }
    std::vector<tlx::CommControl*> waiting;
    // When a port's answer is accepted, earlier ports that have not sent a byte get as long
    // again as that answer took (at least kSilentGrace) before they count as empty: an
    // instrument of the same kind answers in about the same time, and a search that found
    // its instrument behind silent ports does not sit out the whole time-out for them.
    std::optional<double> acceptedAt;
    for (;;) {
        waiting.clear();
        for (Candidate& c : candidates) {
            if (c.state == Candidate::State::Waiting) Collect(c, search);
            if (c.state == Candidate::State::Waiting) waiting.push_back(c.vq->DIRECT().get());
            if (c.state == Candidate::State::Accepted && !acceptedAt) {
                acceptedAt = timer.SECONDSELAPSED();
            }
        }
        const double elapsed = timer.SECONDSELAPSED();
        const bool timedOut = elapsed >= search.timeout;
        const double silentUntil =
            acceptedAt ? *acceptedAt + std::max(*acceptedAt, kSilentGrace) : search.timeout;
        const bool silentEmpty = elapsed >= silentUntil;
        for (const Candidate& c : candidates) {
            if (c.state == Candidate::State::Accepted) return c.port;
            if (c.state != Candidate::State::Waiting || timedOut) continue;
            if (silentEmpty && c.answer.empty()) continue;
            break;  // not decided yet
        }
        if (waiting.empty() || timedOut) return std::nullopt;
        tlx::PumpMessages();
        if (tlx::WaitsCancelled()) return std::nullopt;
        const double left =
            (silentEmpty ? search.timeout : std::min(search.timeout, silentUntil)) - elapsed;
        tlx::CommControl::WaitAnyInput(
            waiting, tlx::MessagePumpInstalled() ? std::min(kEventSlice, left) : left);
    }
}

}  // namespace vodex
