#include "interrupt.h"

namespace vodex::cli {
namespace {

volatile std::sig_atomic_t gInterrupted = 0;

void OnInterrupt(int) {
    gInterrupted = 1;
}

}  // namespace

Interruptible::Interruptible() {
    gInterrupted = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    ::sigaction(SIGINT, &action, &previous_);
}

Interruptible::~Interruptible() {
    ::sigaction(SIGINT, &previous_, nullptr);
}

bool Interruptible::Interrupted() {
    return gInterrupted != 0;
}

}  // namespace vodex::cli
