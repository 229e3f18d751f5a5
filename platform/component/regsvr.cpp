// The registration program of the toolkit's components:
//
//   vodex_regsvr [/u] [/s] FILE
//
// registers the component FILE (writes its programmatic identifiers into the machine hive), or
// with /u removes them; /s keeps it silent on success. Exit code 0 on success; otherwise a
// message on standard error says what failed.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
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
        } else if (arg.size() == 2 && (arg[0] == '/' || arg[0] == '-')) {
            return Usage();  // an option that the program does not know
        } else if (!arg.empty() && file.empty()) {
            file = arg;  // an absolute path starts with a slash too
        } else {
            return Usage();
        }
    }
    if (file.empty()) return Usage();

    // The file is registered under the name it was given, made absolute: a link keeps its own
    // name, which is the driver's class name.
    std::error_code ec;
    const std::string path = std::filesystem::absolute(file, ec).lexically_normal().string();
    if (ec || !std::filesystem::exists(path, ec)) {
        std::fprintf(stderr, "vodex_regsvr: '%s' does not exist\n", file.c_str());
        return 3;
    }
    try {
        const tlx_component_table& entry = tlx::LoadComponent(path);
        tlx::TakeComponentError();
        const int rc =
            unregister ? entry.unregister_component() : entry.register_component(path.c_str());
        if (rc != 0) {
            std::string why = tlx::TakeComponentError();
            if (why.empty()) why = "code " + std::to_string(rc);
            std::fprintf(stderr, "vodex_regsvr: the component '%s' could not be %s: %s\n",
                         path.c_str(), unregister ? "unregistered" : "registered", why.c_str());
            return 4;
        }
        if (!silent) {
            std::printf("%s: %s\n", path.c_str(), unregister ? "unregistered" : "registered");
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "vodex_regsvr: %s\n", e.what());
        return 5;
    }
}
