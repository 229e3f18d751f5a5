// A program that chose no dialog provider, as a headless measuring program: prints whether its
// main thread and a second thread show the library's dialogs as windows ("windows" / "none").
#include <cstdio>
#include <thread>

#include "tlx/ui.h"

int main() {
    const bool main = tlx::WindowsShown();
    bool other = false;
    std::thread([&] { other = tlx::WindowsShown(); }).join();
    std::printf("%s %s\n", main ? "windows" : "none", other ? "windows" : "none");
    return 0;
}
