// The drives a driver package may come on: the mounted removable, optical and network media,
// read from the system's mount table, each as its mount folder ending in "/".
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vodex::setup {

// The media among the lines of a mount table (as /proc/self/mounts): optical file systems,
// network file systems, and anything mounted under /media or /run/media (where the desktop
// mounts USB sticks and cards), in the table's order, without duplicates.
std::vector<std::string> MediaFolders(std::string_view mountTable);
// The same for this machine ("" when the table cannot be read).
std::vector<std::string> MountedMedia();

}  // namespace vodex::setup
