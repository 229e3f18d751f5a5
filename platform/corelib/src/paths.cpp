#include "tlx/paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "tlx/error.h"

namespace tlx {
namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string HomeFolder() {
    std::string home = Env("HOME");
    if (!home.empty()) return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    throw Error("no home folder is known; set HOME or VODEX_HOME");
}

// An XDG variable counts only when it holds an absolute path.
std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
    std::string v = Env(variable);
    if (!v.empty() && v[0] == '/') return v;
    return HomeFolder() + "/" + fallbackBelowHome;
}

}  // namespace

std::string MachineFolder() {
    std::string home = Env("VODEX_HOME");
    if (!home.empty()) return home;
    return XdgFolder("XDG_DATA_HOME", ".local/share") + "/vodex";
}

std::string UserFolder() {
    std::string home = Env("VODEX_HOME");
    if (!home.empty()) return home + "/user";
    return XdgFolder("XDG_CONFIG_HOME", ".config") + "/vodex";
}

std::string StateFolder() {
    std::string home = Env("VODEX_HOME");
    if (!home.empty()) return home;
    return XdgFolder("XDG_STATE_HOME", ".local/state") + "/vodex";
}

std::string DriverFolder() {
    return MachineFolder() + "/drivers";
}

}  // namespace tlx
