// Where the toolkit keeps its state. With VODEX_HOME set, everything lives below that folder;
// otherwise the XDG base directories decide (see the README).
#pragma once

#include <string>

namespace tlx {

// The machine-wide data folder: $VODEX_HOME, else $XDG_DATA_HOME/vodex, else
// ~/.local/share/vodex.
std::string MachineFolder();
// The per-user settings folder: $VODEX_HOME/user, else $XDG_CONFIG_HOME/vodex, else
// ~/.config/vodex.
std::string UserFolder();
// The user's state folder, where the registry's hives live: $VODEX_HOME, else
// $XDG_STATE_HOME/vodex, else ~/.local/state/vodex.
std::string StateFolder();
// The folder the installer puts drivers into: <machine folder>/drivers.
std::string DriverFolder();

}  // namespace tlx
