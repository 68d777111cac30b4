#include "du/LightMutex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace du {

namespace {

// Long enough for a holder's few dozen instructions, far shorter than a sleep and a wake-up.
constexpr int kSpins = 100;

long Futex(std::atomic<uint32_t>* word, int operation, uint32_t value) {
    static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t), "the kernel reads the word itself");
    return syscall(SYS_futex, reinterpret_cast<uint32_t*>(word), operation | FUTEX_PRIVATE_FLAG, value,
                   nullptr, nullptr, 0);
}

}  // namespace

// Once asleep, a thread takes the mutex as waited for: it cannot know whether others sleep too, so its
// unlock wakes one in any case.
void LightMutex::LockContended() {
    for (int spins = 0; spins < kSpins; ++spins) {
        if (m_state.load(std::memory_order_relaxed) == kFree && try_lock()) return;
    }
    while (m_state.exchange(kWaitedFor, std::memory_order_acquire) != kFree)
        Futex(&m_state, FUTEX_WAIT, kWaitedFor);
}

void LightMutex::WakeOne() {
    Futex(&m_state, FUTEX_WAKE, 1);
}

}  // namespace du
