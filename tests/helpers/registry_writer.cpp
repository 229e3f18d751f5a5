// Test helper: writes `count` values named <prefix><i> under one key of the machine hive.
// It opens the registry first, then waits until its standard input closes, so that a test can
// start several writers at the same moment.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tlx/tools.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: registry_writer KEY PREFIX COUNT\n");
        return 2;
    }
    const std::string key = argv[1];
    const std::string prefix = argv[2];
    const int count = std::atoi(argv[3]);
    try {
        tlx::cls_CoreRegistry& reg = tlx::CoreTools().REGISTRY();
        reg.READ(tlx::HKEY_LOCAL_MACHINE, key + "\\warm-up");
        char c;
        while (::read(STDIN_FILENO, &c, 1) > 0) {
        }
        for (int i = 0; i < count; ++i) {
            reg.WRITE(tlx::HKEY_LOCAL_MACHINE, key + "\\" + prefix + std::to_string(i), i);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "registry_writer: %s\n", e.what());
        return 1;
    }
    return 0;
}
