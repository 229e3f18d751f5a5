// Where the registry's hives live. Internal to the core library.
//
// With VODEX_HOME set, the machine hive is $VODEX_HOME/registry/machine.db and the user hive
// $VODEX_HOME/user/registry/user.db, as always. Otherwise both are state of the user and live
// in $XDG_STATE_HOME/vodex/registry (~/.local/state/vodex/registry). Earlier versions kept the
// machine hive in the data folder ($XDG_DATA_HOME/vodex/registry) and the user hive in the
// settings folder ($XDG_CONFIG_HOME/vodex/registry); such a hive is moved to its place on first
// use, once, and is read where it is while another program has it open.
#pragma once

#include <string>

namespace tlx::detail {

struct HivePlace {
    std::string file;     // where the hive belongs
    std::string earlier;  // where an earlier version kept it ("" with VODEX_HOME)
};

HivePlace PlaceOfHive(bool machine);

// The file to open for the hive at `place`: its own file when it is there or when no earlier
// hive is; otherwise the earlier hive moved into its place (copied whole under a temporary name,
// linked into place, and only then removed where it was, all while no other program has it
// open), or, while another program has it open, the earlier file itself. Moving processes take
// turns (a lock file beside the hive's place), so a hive is moved once and never duplicated.
// Throws tlx::Error when the hive's folder cannot be made.
std::string SettleHive(const HivePlace& place);

}  // namespace tlx::detail
