#include "installer.h"

int main(int argc, char** argv) {
    return tlx::installer::Main(argc, argv);
}
