// What the registration program said of a component file (`vodex_regsvr /v`: its version
// record, or a refusal), kept in the machine hive for the file's present content, so that a
// driver is checked in a child process once per version of its file rather than on every run.
//
// The content is known by the file's identity (device, inode, size, modification and change
// times: a write moves the change time, which no user can set back) and by a BLAKE2b of its
// bytes, reckoned only when the identity changed: a file replaced by the same bytes keeps its
// result. A result also names the toolkit build that checked it, as a newer toolkit may judge
// a component otherwise.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tlx::detail {

// The registration program's line for `file` ("" when it refused the file or could not run),
// from the hive when the file is unchanged since, else from a check that is then kept.
std::string VerifiedLine(const std::string& file);
// Checks every file of `files` whose result is not kept, several in child processes at a
// time, and keeps the results (one change of the hive).
void VerifyAll(const std::vector<std::string>& files);

}  // namespace tlx::detail
