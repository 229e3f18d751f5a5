// What the component services check before they trust a component. Internal to the core
// library.
#pragma once

#include <string>

namespace tlx::detail {

// Checks the file of a component before it is loaded: named by an absolute path; neither it
// nor a folder on its path (links followed) writable by others than this user and the
// administrator; a regular file; a whole shared object of this machine, its headers and every
// loaded segment inside the file. Throws tlx::Error naming the file and what is wrong.
void CheckComponentFile(const std::string& file);

}  // namespace tlx::detail
