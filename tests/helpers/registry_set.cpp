// Test helper: sets a text value of the machine hive ("registry_set PATH VALUE"), as an
// administrator would set the update server.
#include <cstdio>
#include <exception>

#include "tlx/tools.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: registry_set PATH VALUE\n");
        return 2;
    }
    try {
        tlx::CoreTools().REGISTRY().WRITE(tlx::HKEY_LOCAL_MACHINE, argv[1], tlx::Variant(argv[2]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "registry_set: %s\n", e.what());
        return 1;
    }
    return 0;
}
