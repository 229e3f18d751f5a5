// The commands of `vodex`. Each reads its own arguments (without the command word), writes its
// result to standard output and gives the exit code; a usage error throws UsageError, any
// other failure an exception whose message `vodex` prints.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vodex::cli {

using Args = std::vector<std::string>;

int Drivers(const Args& args);
int Info(const Args& args);
int Measure(const Args& args);
int Enable(const Args& args);
int Disable(const Args& args);
int Check(const Args& args);
int Install(const Args& args);
int Detect(const Args& args);
int Ports(const Args& args);
int Package(const Args& args);
int Packages(const Args& args);
int Uninstall(const Args& args);
int Language(const Args& args);
int LineMeter(const Args& args);
int Scan(const Args& args);
// Installs the driver package `package` through the installer program.
int InstallPackage(const std::string& package, bool quiet);

// A text in the interface language.
std::string Say(const char* german, const char* english);
// A text from outside (a driver's, a catalogue's) as text output shows it: valid UTF-8 (bytes in
// the code page become its characters) on one line, with control characters escaped, so that
// no text can clear, retitle or otherwise command the user's terminal.
std::string Shown(std::string_view text);
// Writes `message` to standard error as one line, as "vodex: <message>".
void Tell(const std::string& message);

}  // namespace vodex::cli
