#include "du/Env.h"

#include <fcntl.h>
#include <iconv.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <new>
#include <utility>

namespace du {

namespace {

// Constant-initialised and never destroyed, so that host objects made by static constructors and
// released by static destructors always find it.
union DefaultEnv {
    constexpr DefaultEnv() : env() {}
    ~DefaultEnv() {}
    Env env;
};
DefaultEnv theDefaultEnv;
std::atomic<Env*> theEnv{nullptr};
std::atomic<uint64_t> theAllocationFailures{0};

}  // namespace

Env& Env::Get() noexcept {
    Env* env = theEnv.load(std::memory_order_acquire);
    return env ? *env : theDefaultEnv.env;
}

void Env::Set(Env* env) noexcept {
    theEnv.store(env, std::memory_order_release);
}

void* Env::Allocate(size_t bytes) {
    return ::operator new(bytes);
}

void Env::Free(void* memory) noexcept {
    ::operator delete(memory);
}

void* Env::Map(size_t bytes) noexcept {
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory == MAP_FAILED ? nullptr : memory;
}

void Env::Unmap(void* memory, size_t bytes) noexcept {
    munmap(memory, bytes);
}

int Env::Open(const char* path, int flags) noexcept {
    int descriptor;
    do {
        descriptor = ::open(path, flags);
    } while (descriptor < 0 && errno == EINTR);
    return descriptor;
}

long Env::Read(int descriptor, char* buffer, size_t size) noexcept {
    return static_cast<long>(::read(descriptor, buffer, size));
}

void* Env::OpenConverter(const char* to, const char* from) noexcept {
    return iconv_open(to, from);
}

std::thread Env::StartThread(std::function<void()> body) {
    return std::thread(std::move(body));
}

void Env::NoteAllocationFailure() noexcept {
    theAllocationFailures.fetch_add(1, std::memory_order_relaxed);
}

uint64_t Env::AllocationFailures() noexcept {
    return theAllocationFailures.load(std::memory_order_relaxed);
}

void Env::NoteAndThrow() {
    NoteAllocationFailure();
    throw std::bad_alloc();
}

}  // namespace du
