#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>

namespace du {

// The host's one way to the outside world: the memory it takes for its own objects, pools, tables and
// regions, the files it opens and reads, the converters it opens and the threads it starts. The
// default calls the system; a test puts in one of its own (Env::Set) that fails the Nth call, and so
// reaches every failure path of a load. Implementations are thread-safe.
//
//   class FailingEnv : public du::Env {
//       void* Map(size_t bytes) noexcept override { return nullptr; }
//   };
//   FailingEnv env;
//   du::Env::Set(&env);   // ... every region the host maps now fails ...
//   du::Env::Set(nullptr);
class Env {
  public:
    constexpr Env() = default;
    virtual ~Env() = default;

    // The env in use; the default one until Set says otherwise.
    static Env& Get() noexcept;
    // Makes `env` (null: the default) the env in use. Only while no load, fetch or release runs; the
    // env must outlive its use.
    static void Set(Env* env) noexcept;

    // Heap memory for the host's arrays and large objects, as ::operator new; throws std::bad_alloc.
    virtual void* Allocate(size_t bytes);
    virtual void Free(void* memory) noexcept;
    // Asked before a pool hands out a block it has room for; false refuses it as the heap would.
    virtual bool GrantPooled() noexcept { return true; }
    // Zeroed anonymous memory straight from the system; null when there is none.
    virtual void* Map(size_t bytes) noexcept;
    virtual void Unmap(void* memory, size_t bytes) noexcept;

    // As open(2) and read(2): -1 with errno set on failure. Read returns what one call gives, which
    // may be less than asked.
    virtual int Open(const char* path, int flags) noexcept;
    virtual long Read(int descriptor, char* buffer, size_t size) noexcept;

    // As iconv_open: (void*)-1 with errno set on failure (EINVAL: no such conversion).
    virtual void* OpenConverter(const char* to, const char* from) noexcept;

    // Runs `body` on a new thread; throws std::system_error when none can be had.
    virtual std::thread StartThread(std::function<void()> body);

    // Allocation failures the host has met (its own and, where the host installs NoteAndThrow as the
    // new handler, every operator new's), so that a host can tell a load that ran out of memory from
    // one that failed otherwise, whatever the loader made of the failure.
    static void NoteAllocationFailure() noexcept;
    static uint64_t AllocationFailures() noexcept;
    // Notes the failure and throws std::bad_alloc: where the host runs out, and as a new handler
    // (std::set_new_handler) for a host that wants every operator new's failure noted.
    [[noreturn]] static void NoteAndThrow();
};

}  // namespace du
