// What the installer program does, apart from its command line: install a driver package
// all-or-nothing, and remove an installed one by its product code or its package.
#pragma once

#include <string>

namespace tlx::installer {

// The installer's well-known exit codes.
enum ExitCode : int {
    kSuccess = 0,
    kCancelled = 1602,
    kFatal = 1603,
    kUnknownProduct = 1605,
    kAnotherInstallation = 1618,
    kNotOpenable = 1619,
    kInvalidPackage = 1620,
    kBadCommandLine = 1639,
};

struct Outcome {
    int code = kSuccess;
    std::string message;  // what happened, one line
};

// Makes SIGINT, SIGTERM and SIGHUP ask the running operation to stop instead of ending the
// program: an installation stopped before its driver is switched over removes what it wrote
// and reports kCancelled; once switched over, it finishes.
void StopOnSignals();
bool StopRequested();

// The installer program (see command_line.cpp): its exit status.
int Main(int argc, char** argv);

// Marks a step of installing or removing: a stop, or a kill, may come at any of them. The
// installer proper does nothing there; the tests' build of it can be made to stop at the n-th
// step, to see what every stop leaves.
void Step(const char* name);

// Installs the package at `package`: every driver class of it afterwards names the component
// in the driver folder, its ".msi" value the product code; a driver it replaces is removed.
// On any failure nothing of the package stays and a replaced driver keeps working.
Outcome Install(const std::string& package);
// Whether `package` is a package of the toolkit itself (a Debian package), which the system's
// package tool installs: `apt-get install`, through `pkexec` for a user who is not the
// administrator.
bool IsToolkitPackage(const std::string& package);
Outcome InstallToolkit(const std::string& package);
// Removes the product `productOrPackage` (a product code, or a package whose product code is
// read): its driver values, its registration and its files.
Outcome Uninstall(const std::string& productOrPackage);

}  // namespace tlx::installer
