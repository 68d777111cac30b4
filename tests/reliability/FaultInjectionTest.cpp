// Loads one small file through the loader component again and again, as a host does, failing one kind
// of call to the outside world at the Nth time for every N: an allocation (once, or from then on), a
// read, a thread start. Every load must build exactly what the clean load built or fail with the
// reason, and its release must leave no symbol, counted object or pool byte behind.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <new>
#include <string>
#include <system_error>
#include <thread>

#include "dp/KXTracer.h"
#include "du/Env.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/LoadOptions.h"
#include "kxk/AsyncEvent.h"
#include "kxk/MemoryPoolAllocated.h"
#include "kxk/Structure.h"
#include "kxloader/FileParser.h"
#include "plugin/EDParser.h"
#include "support/StructureWalk.h"
#include "support/TempFolder.h"

namespace {

enum class Call { kAllocation, kRead, kThreadStart, kCount };

// Counts the calls of each kind while armed and fails those of one kind from the Nth on: the Nth
// alone, or every one from it. Reads may instead come back short and interrupted, which must change
// nothing.
class FaultEnv : public du::Env {
  public:
    void Arm(Call call, uint64_t nth, bool onwards, bool choppyReads = false) {
        m_call = call, m_nth = nth, m_onwards = onwards, m_choppy = choppyReads;
        for (auto& count : m_calls) count = 0;
        m_failed = 0;
        m_armed = true;
    }
    void Pause() { m_armed = false; }
    void Resume() { m_armed = true; }
    uint64_t Calls(Call call) const { return m_calls[static_cast<int>(call)]; }
    uint64_t Failed() const { return m_failed; }

    // Counts one call; true when it is to fail.
    bool Fails(Call call) noexcept {
        if (!m_armed) return false;
        const uint64_t n = ++m_calls[static_cast<int>(call)];
        const bool fails = call == m_call && m_nth && (n == m_nth || (m_onwards && n > m_nth));
        if (fails) ++m_failed;
        return fails;
    }

    bool GrantPooled() noexcept override { return !Fails(Call::kAllocation); }
    void* Map(size_t bytes) noexcept override { return Fails(Call::kAllocation) ? nullptr : Env::Map(bytes); }
    void* OpenConverter(const char* to, const char* from) noexcept override {
        if (!Fails(Call::kAllocation)) return Env::OpenConverter(to, from);
        errno = ENOMEM;
        return reinterpret_cast<void*>(-1);
    }
    long Read(int descriptor, char* buffer, size_t size) noexcept override {
        if (Fails(Call::kRead)) {
            errno = EIO;
            return -1;
        }
        if (!m_choppy) return Env::Read(descriptor, buffer, size);
        if (m_calls[static_cast<int>(Call::kRead)] % 2) {
            errno = EINTR;
            return -1;
        }
        return Env::Read(descriptor, buffer, size < 7 ? size : 7);
    }
    std::thread StartThread(std::function<void()> body) override {
        if (Fails(Call::kThreadStart)) throw std::system_error(EAGAIN, std::generic_category(), "no thread");
        // Returns once the thread runs, so that a second thread of the loader is under way before the
        // work it is to run ahead of begins, however slow a start is on a busy machine.
        std::atomic<bool> started{false};
        std::thread thread = Env::StartThread([&started, body = std::move(body)] {
            started.store(true);
            body();
        });
        while (!started.load()) std::this_thread::yield();
        return thread;
    }

  private:
    std::atomic<bool> m_armed{false};
    Call m_call = Call::kCount;
    uint64_t m_nth = 0;
    bool m_onwards = false;
    bool m_choppy = false;
    std::atomic<uint64_t> m_calls[static_cast<int>(Call::kCount)] = {};
    std::atomic<uint64_t> m_failed{0};
};

FaultEnv theEnv;

}  // namespace

// The replacements below pair malloc with free whatever the form of new, which the compiler cannot see.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Every operator new of the process counts as an allocation of the env's, the loader's containers and
// the host's objects alike; a failure is noted as the host's new handler would note it.
void* operator new(size_t size) {
    if (theEnv.Fails(Call::kAllocation)) du::Env::NoteAndThrow();
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    du::Env::NoteAndThrow();
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, std::align_val_t alignment) {
    if (theEnv.Fails(Call::kAllocation)) du::Env::NoteAndThrow();
    const size_t align = static_cast<size_t>(alignment);
    if (void* memory = std::aligned_alloc(align, (size + align - 1) / align * align)) return memory;
    du::Env::NoteAndThrow();
}
void* operator new[](size_t size, std::align_val_t alignment) {
    return operator new(size, alignment);
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete[](void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, size_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete(void* memory, size_t, std::align_val_t) noexcept {
    std::free(memory);
}
void operator delete[](void* memory, size_t, std::align_val_t) noexcept {
    std::free(memory);
}

namespace {

// A copy, properties of two groups, builder values and names in windows-1252: enough nodes for a
// four-slot ring to wrap, enough lines for 64-byte blocks to be many.
const char kFile[] =
    "J windows-1252\n"
    "T 1 Geometry\n"
    "T 2 Data\n"
    "C 1 0 0\n"
    "I 0 1 0 0 Assembly \xe9\n"
    "P 100 1 2\n"
    "N 0 100 0 0 Weight\n"
    "V 0 100 0 0 5 kg\n"
    "C 2 1 0\n"
    "I 0 2 0 0 Housing\n"
    "P 200 2 1\n"
    "N 0 200 0 0 color\n"
    "V 0 200 0 0 0.85 0.7 0.3 1\n"
    "P 201 2 2\n"
    "N 0 201 0 0 Material\n"
    "V 0 201 0 0 Brass \xb0\n"
    "X 3 1 2\n"
    "I 0 3 0 0 Housing copy\n"
    "C 4 2 0\n"
    "I 0 4 0 0 Ball \xd8 25\n"
    "C 5 1 0\n"
    "I 0 5 0 0 Cover\n"
    "C 6 5 0\n"
    "I 0 6 0 0 Screw\n";

struct Outcome {
    bool built = false;  // the loader signalled completion
    bool failed = false;
    kxloader::FileParser::Escape escape = kxloader::FileParser::Escape::kOther;
    std::string escaped;  // what left the completion; empty when nothing did
    bool allocationFailureNoted = false;
    std::string dump;  // of what was built
};

std::string g_escaped;
kxloader::FileParser::Escape g_escape;

void NoteEscape(uint64_t, kxloader::FileParser::Escape kind, const char* reason) {
    g_escape = kind;
    g_escaped = reason;
}

class Quiet : public dp::TraceSink {
  public:
    void Write(const dp::TraceMessage&) override {}
};

class FaultInjectionTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        du::Env::Set(&theEnv);
        dp::SetTraceSink(&quiet);
        kxloader::FileParser::SetEscapeObserver(&NoteEscape);
        // Host constants made on first use must not count as the first load's leak.
        edtest::TempFolder folder;
        for (const ed::LoadOptions& options : {ed::LoadOptions(), Threaded()})
            LoadAndRelease(folder.Write("warm.ed", kFile), options, Call::kCount, 0, false, false, false);
    }
    static void TearDownTestSuite() {
        kxloader::FileParser::SetEscapeObserver(nullptr);
        dp::SetTraceSink(nullptr);
        du::Env::Set(nullptr);
    }

    // Every read thread and second thread of the loader, on blocks and rings small enough that this
    // file wraps them.
    static ed::LoadOptions Threaded() {
        ed::LoadOptions options;
        options.readAheadFrom = 0;
        options.blockSize = 64;
        options.prescanSlots = 4;
        return options;
    }

    // One whole load and release with `theEnv` armed as Arm says; checks that the release left
    // nothing behind.
    Outcome Load(const ed::LoadOptions& options, Call call, uint64_t nth, bool onwards, bool choppy = false,
                 bool slowWalk = false) {
        const size_t symbols = du::Symbol::LiveCount();
        const size_t objects = du::RefCounted::LiveCount();
        const size_t poolBytes = kxk::MemoryPoolAllocated::LiveBytes();
        const Outcome outcome = LoadAndRelease(m_path, options, call, nth, onwards, choppy, slowWalk);
        EXPECT_EQ(symbols, du::Symbol::LiveCount()) << "symbols left behind";
        EXPECT_EQ(objects, du::RefCounted::LiveCount()) << "counted objects left behind";
        EXPECT_EQ(poolBytes, kxk::MemoryPoolAllocated::LiveBytes()) << "pool bytes left behind";
        return outcome;
    }

    static Outcome LoadAndRelease(const std::string& file, const ed::LoadOptions& options, Call call,
                                  uint64_t nth, bool onwards, bool choppy, bool slowWalk) {
        Outcome outcome;
        du::SmartPtr<EDParser> loader(new EDParser(options));
        du::SmartPtr<kxk::Structure> structure(new kxk::Structure(du::Symbol(file)));
        // A walk slower than the read-ahead thread, which then runs ahead, waits and wraps its ring.
        if (slowWalk)
            structure->SetCreationObserver([](const du::SmartPtr<kxk::Component>&) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            });
        kxk::AsyncEvent event;
        const du::Symbol path(file);
        g_escaped.clear();
        const uint64_t failures = du::Env::AllocationFailures();
        theEnv.Arm(call, nth, onwards, choppy);
        try {
            loader->LoadRequest(structure, path, &event);
        } catch (const std::bad_alloc&) {
            // The host could not start the fetch: its own failure, before the loader ran.
        }
        kxloader::FileParser::WaitForPendingFetches();
        theEnv.Pause();
        outcome.built = event.GetSignalCount() > 0;
        outcome.failed = event.HasFailed() || !event.IsDone();
        outcome.escaped = g_escaped;
        outcome.escape = g_escape;
        outcome.allocationFailureNoted = du::Env::AllocationFailures() != failures;
        if (outcome.built) outcome.dump = edtest::Dump(*structure);
        theEnv.Resume();
        structure = nullptr;
        loader = nullptr;
        theEnv.Pause();
        return outcome;
    }

    // The outcome is the clean load's structure, or a failure for the reason injected.
    void ExpectBuiltOrFailedFor(const Outcome& outcome, Call call, const std::string& clean) {
        using Escape = kxloader::FileParser::Escape;
        if (outcome.built) {
            EXPECT_FALSE(outcome.failed);
            EXPECT_EQ(clean, outcome.dump);
            return;
        }
        ASSERT_TRUE(outcome.failed);
        if (call == Call::kAllocation) {
            EXPECT_TRUE(outcome.allocationFailureNoted);
            if (!outcome.escaped.empty()) {
                EXPECT_EQ(Escape::kOutOfMemory, outcome.escape) << outcome.escaped;
            }
        } else if (call == Call::kRead) {
            EXPECT_EQ(Escape::kReadFailure, outcome.escape);
            EXPECT_EQ("cannot read \"" + m_path + "\": Input/output error", outcome.escaped);
        } else {
            ADD_FAILURE() << "a thread that cannot start fails the load: " << outcome.escaped;
        }
    }

    static Quiet quiet;
    edtest::TempFolder m_folder;
    const std::string m_path = m_folder.Write("fault.ed", kFile);
};

Quiet FaultInjectionTest::quiet;

struct Case {
    const char* name;
    bool threaded;
    Call call;
    bool onwards;
};

const Case kCases[] = {
    {"one allocation, one thread", false, Call::kAllocation, false},
    {"every allocation from the Nth, one thread", false, Call::kAllocation, true},
    {"one allocation, threads", true, Call::kAllocation, false},
    {"every allocation from the Nth, threads", true, Call::kAllocation, true},
    {"one read, one thread", false, Call::kRead, false},
    {"one read, threads", true, Call::kRead, false},
    {"one thread start", true, Call::kThreadStart, false},
};

TEST_F(FaultInjectionTest, EveryFailedCallBuildsTheCleanStructureOrFailsForItsReason) {
    const Outcome clean = Load(ed::LoadOptions(), Call::kCount, 0, false);
    ASSERT_TRUE(clean.built);
    ASSERT_NE(std::string::npos, clean.dump.find("Assembly \xc3\xa9")) << clean.dump;
    size_t runs = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const ed::LoadOptions options = c.threaded ? Threaded() : ed::LoadOptions();
        ASSERT_EQ(clean.dump, Load(options, Call::kCount, 0, false).dump);
        // Threads make the count vary a little from one load to the next.
        const uint64_t calls = theEnv.Calls(c.call) + (c.threaded ? theEnv.Calls(c.call) / 4 + 8 : 1);
        ASSERT_GT(calls, 1u);
        for (uint64_t nth = 1; nth <= calls; ++nth, ++runs) {
            SCOPED_TRACE("call " + std::to_string(nth));
            ExpectBuiltOrFailedFor(Load(options, c.call, nth, c.onwards), c.call, clean.dump);
            if (HasFailure()) return;
        }
    }
    std::printf("%zu loads with a failed call\n", runs);
}

// Reads that come back short or interrupted are tried again, and a walk slower than the read-ahead
// thread has it wait and wrap its ring: nothing changes.
TEST_F(FaultInjectionTest, ShortReadsAndASlowWalkChangeNothing) {
    const std::string clean = Load(ed::LoadOptions(), Call::kCount, 0, false).dump;
    for (const bool threaded : {false, true})
        for (const bool choppy : {false, true})
            EXPECT_EQ(
                clean,
                Load(threaded ? Threaded() : ed::LoadOptions(), Call::kCount, 0, false, choppy, !choppy).dump)
                << threaded << choppy;
}

}  // namespace
