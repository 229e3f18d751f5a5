// The message pump hook. Long operations and waits call PumpMessages() wherever pending window
// events should run; a user-interface layer installs its event processing for its thread.
// Without a hook the call does nothing.
#pragma once

#include <functional>

namespace tlx {

void PumpMessages();
// Whether the calling thread has a hook, that is, window events to run while it waits; a wait
// without one may sleep through in one go.
bool MessagePumpInstalled();
// Installs `hook` for the calling thread (an empty function removes it); returns the old one.
std::function<void()> SetMessagePump(std::function<void()> hook);

// A long operation the user stopped (the abort button of the detection, Ctrl-C): while the
// calling thread's waits are cancelled, the waits that run window events (the serial port's
// reads and writes, the clock's wait) end at their next look as if their time were up, so
// the operation reaches its next checkpoint at once. The operation that offers stopping
// cancels the waits when it is stopped and lets them run again when it ends.
void CancelWaits(bool cancel);
bool WaitsCancelled();

}  // namespace tlx
