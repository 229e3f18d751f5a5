#include "tlx/pump.h"

namespace tlx {
namespace {
thread_local std::function<void()> tPump;
thread_local bool tWaitsCancelled = false;
}  // namespace

void PumpMessages() {
    if (tPump) tPump();
}

bool MessagePumpInstalled() {
    return static_cast<bool>(tPump);
}

std::function<void()> SetMessagePump(std::function<void()> hook) {
    std::function<void()> old = std::move(tPump);
    tPump = std::move(hook);
    return old;
}

void CancelWaits(bool cancel) {
    tWaitsCancelled = cancel;
}

bool WaitsCancelled() {
    return tWaitsCancelled;
}

}  // namespace tlx
