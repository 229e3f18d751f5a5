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

}  // namespace tlx
