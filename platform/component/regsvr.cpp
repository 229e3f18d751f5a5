// The registration program of the toolkit's components:
//
//   vodex_regsvr [/u] [/s] FILE
//
// registers the component FILE (writes its programmatic identifiers into the machine hive), or
// with /u removes them; /s keeps it silent on success. Exit code 0 on success; otherwise a
// message on standard error says what failed.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tlx/component.h"
#include "tlx/error.h"
#include "tlx/text.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: vodex_regsvr [/u] [/s] FILE\n"
                 "  registers the component FILE; /u unregisters it, /s is silent\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    bool silent = false;
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const std::string flag = tlx::UCase(arg);
        if (flag == "/U" || flag == "-U") {
            unregister = true;
        } else if (flag == "/S" || flag == "-S") {
            silent = true;
        } else if (!arg.empty() && file.empty()) {
            file = arg;  // an absolute path starts with a slash too
        } else {
            return Usage();
        }
    }
    if (file.empty()) return Usage();

    char resolved[PATH_MAX];
    if (!::realpath(file.c_str(), resolved)) {
        std::fprintf(stderr, "vodex_regsvr: '%s' does not exist\n", file.c_str());
        return 3;
    }
    try {
        const tlx_component_table& entry = tlx::LoadComponent(resolved);
        const int rc =
            unregister ? entry.unregister_component() : entry.register_component(resolved);
        if (rc != 0) {
            std::fprintf(stderr, "vodex_regsvr: the component '%s' could not be %s (code %d)\n",
                         resolved, unregister ? "unregistered" : "registered", rc);
            return 4;
        }
        if (!silent) {
            std::printf("%s: %s\n", resolved, unregister ? "unregistered" : "registered");
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vodex_regsvr: %s\n", e.what());
        return 5;
    }
}
