#include "RemovalOnSignal.h"

#include <signal.h>
#include <unistd.h>

namespace edload {

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGXFSZ};

// Read by the handler only; set before the handlers can see them.
const char* volatile g_path = nullptr;

// Async-signal-safe: an unlink of a path made beforehand, then the signal again, which the reset
// disposition turns into the default action as soon as the handler returns.
void RemoveAndEnd(int signal) {
    const char* path = g_path;
    if (path) unlink(path);
    raise(signal);
}

void InstallOnce() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int signal : kSignals) {
        struct sigaction current;
        if (sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
        struct sigaction action = {};
        action.sa_handler = RemoveAndEnd;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        for (int other : kSignals) sigaddset(&action.sa_mask, other);
        sigaction(signal, &action, nullptr);
    }
}

sigset_t HeldSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : kSignals) sigaddset(&set, signal);
    return set;
}

}  // namespace

RemovalOnSignal::Hold::Hold() {
    const sigset_t held = HeldSignals();
    sigprocmask(SIG_BLOCK, &held, &m_saved);
}

RemovalOnSignal::Hold::~Hold() {
    sigprocmask(SIG_SETMASK, &m_saved, nullptr);
}

void RemovalOnSignal::Arm(const char* path) {
    InstallOnce();
    g_path = path;
}

void RemovalOnSignal::Disarm() {
    g_path = nullptr;
}

}  // namespace edload
