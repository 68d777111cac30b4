// Loads one small file through the loader component again and again, as a host does, failing one kind
// of call to the outside world at the Nth time for every N: an allocation (once, or from then on), a
// read, a thread start. Every load must build exactly what the clean load built or fail with the
// reason, and its release must leave no symbol, counted object or pool byte behind.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <string_view>
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

// What a load meets: the Nth call of one kind fails (none when nth is 0), or that one and every later
// one; reads come back short and interrupted.
struct Injection {
    Call call = Call::kCount;
    uint64_t nth = 0;
    bool onwards = false;
    bool choppyReads = false;
};

// Counts the calls of each kind while armed and fails them as the injection says.
class FaultEnv : public du::Env {
  public:
    void Arm(const Injection& injection) {
        m_injection = injection;
        for (auto& count : m_calls) count = 0;
        m_armed = true;
    }
    void Pause() { m_armed = false; }
    void Resume() { m_armed = true; }
    uint64_t Calls(Call call) const { return m_calls[static_cast<int>(call)]; }

    // Counts one call; true when it is to fail.
    bool Fails(Call call) noexcept {
        if (!m_armed) return false;
        const uint64_t n = ++m_calls[static_cast<int>(call)];
        const Injection& at = m_injection;
        return call == at.call && at.nth && (n == at.nth || (at.onwards && n > at.nth));
    }

    bool GrantPooled() noexcept override { return !Fails(Call::kAllocation); }
    void* Map(size_t bytes) noexcept override { return Fails(Call::kAllocation) ? nullptr : Env::Map(bytes); }
    void* OpenConverter(const char* to, const char* from) noexcept override {
        if (!Fails(Call::kAllocation)) return Env::OpenConverter(to, from);
        errno = ENOMEM;
        return reinterpret_cast<void*>(-1);
    }
    long Read(int descriptor, char* buffer, size_t size) noexcept override {
        const bool failed = Fails(Call::kRead);
        if (failed || (m_injection.choppyReads && Calls(Call::kRead) % 2)) {
            errno = failed ? EIO : EINTR;
            return -1;
        }
        return Env::Read(descriptor, buffer, m_injection.choppyReads && size > 7 ? 7 : size);
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
    Injection m_injection;
    std::atomic<uint64_t> m_calls[static_cast<int>(Call::kCount)] = {};
};

FaultEnv theEnv;

}  // namespace

// The compiler cannot see that these pair malloc with free whatever the form of new.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

// Every operator new of the process counts as an allocation of the env's, the loader's containers and
// the host's objects alike; a failure is noted as the host's new handler would note it. The array and
// aligned forms come down to these, or under AddressSanitizer stay its own on both sides.
void* operator new(size_t size) {
    if (theEnv.Fails(Call::kAllocation)) du::Env::NoteAndThrow();
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    du::Env::NoteAndThrow();
}
void operator delete(void* memory) noexcept {
    std::free(memory);
}
void operator delete(void* memory, size_t) noexcept {
    std::free(memory);
}

namespace {

// A copy, properties of two groups, builder values and names in windows-1252, second values (one after
// a value kept plain), a name and a node name under ids far apart from the rest (their lookups
// allocate): enough lines for 64-byte blocks to be many.
const char kFile[] =
    "J windows-1252\nT 1 Geometry\nT 2 Data\n"
    "C 1 0 0\nI 0 1 0 0 Assembly \xe9\nP 100 1 2\nN 0 100 0 0 Weight\nV 0 100 0 0 5 kg\n"
    "C 2 1 0\nI 0 2 0 0 Housing\nP 200 2 1\nN 0 200 0 0 color\nV 0 200 0 0 0.85 0.7 0.3 1\n"
    "V 0 200 0 0 1 0 0\nP 201 2 2\nN 0 201 0 0 Material\nV 0 201 0 0 Brass \xb0\nV 0 201 0 0 Steel\n"
    "V 0 201 0 0 Tin\n"
    "X 3 1 2\nI 0 3 0 0 Housing copy\nC 4 2 0\nI 0 4 0 0 Ball \xd8 25\n"
    "C 5 1 0\nI 0 5 0 0 Cover\nC 6 5 0\nI 0 6 0 0 Screw\nN 0 900000 0 0 Stray\nI 0 900001 0 0 Stray\n";

std::string g_escaped;  // what left the loader's completion, as the host reports it

void NoteEscape(uint64_t, kxloader::FileParser::Escape, const char* reason) {
    g_escaped = reason;
}

// Checks the trace of each failed line as it comes, without allocating: an I or N record reads its
// text before anything in its handler can fail, and reading it ends the line there, so the trace of
// such a line never shows its line feed.
class FailedLines : public dp::TraceSink {
  public:
    void Write(const dp::TraceMessage& message) override {
        static constexpr std::string_view kPrefix = "ed parser: Exception parsing line \"";
        const std::string_view text = message.text;
        if (text.size() <= kPrefix.size() || text.substr(0, kPrefix.size()) != kPrefix) return;
        if (text[kPrefix.size()] != 'I' && text[kPrefix.size()] != 'N') return;
        ++textRecords;
        if (text.find("\n\"") != std::string_view::npos) ++withLineFeed;
    }
    std::atomic<int> textRecords{0};
    std::atomic<int> withLineFeed{0};
};

class FaultInjectionTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        du::Env::Set(&theEnv);
        dp::SetTraceSink(&failedLines);
        kxloader::FileParser::SetEscapeObserver(&NoteEscape);
        // Host constants made on first use must not count as the first load's leak.
        edtest::TempFolder folder;
        for (const ed::LoadOptions& options : {ed::LoadOptions(), Threaded()})
            LoadAndRelease(folder.Write("warm.ed", kFile), options, Injection());
    }
    static void TearDownTestSuite() {
        kxloader::FileParser::SetEscapeObserver(nullptr);
        dp::SetTraceSink(nullptr);
        du::Env::Set(nullptr);
    }

    // The loader's reading thread, on blocks small enough that this file recycles them.
    static ed::LoadOptions Threaded() {
        ed::LoadOptions options;
        options.readAheadFrom = 0;
        options.blockSize = 64;
        return options;
    }

    // LoadAndRelease, checking that the release left nothing behind.
    std::string Load(const ed::LoadOptions& options, const Injection& injection) {
        const size_t symbols = du::Symbol::LiveCount(), objects = du::RefCounted::LiveCount();
        const size_t poolBytes = kxk::MemoryPoolAllocated::LiveBytes();
        const std::string outcome = LoadAndRelease(m_path, options, injection);
        EXPECT_EQ(symbols, du::Symbol::LiveCount()) << "symbols left behind";
        EXPECT_EQ(objects, du::RefCounted::LiveCount()) << "counted objects left behind";
        EXPECT_EQ(poolBytes, kxk::MemoryPoolAllocated::LiveBytes()) << "pool bytes left behind";
        return outcome;
    }

    // One whole load and release as a host runs them, with `theEnv` armed; gives the dump of what the
    // load built, or why it failed as the host can tell: what left the loader, else "out of memory"
    // when an allocation failed during the load, else what the loader reported.
    static std::string LoadAndRelease(const std::string& file, const ed::LoadOptions& options,
                                      const Injection& injection) {
        du::SmartPtr<EDParser> loader(new EDParser(options));
        du::SmartPtr<kxk::Structure> structure(new kxk::Structure(du::Symbol(file)));
        kxk::AsyncEvent event;
        const du::Symbol path(file);
        g_escaped.clear();
        const uint64_t failures = du::Env::AllocationFailures();
        theEnv.Arm(injection);
        try {
            loader->LoadRequest(structure, path, &event);
        } catch (const std::bad_alloc&) {
            g_escaped = "out of memory";  // the host could not start the fetch
        }
        kxloader::FileParser::WaitForPendingFetches();
        theEnv.Pause();
        std::string outcome = g_escaped;
        if (event.GetSignalCount() > 0 && !event.HasFailed())
            outcome = edtest::Dump(*structure);
        else if (outcome.empty())
            outcome =
                du::Env::AllocationFailures() != failures ? "out of memory" : event.GetFailure().safe_c_str();
        theEnv.Resume();
        structure = nullptr;
        loader = nullptr;
        theEnv.Pause();
        return outcome;
    }

    static FailedLines failedLines;
    edtest::TempFolder m_folder;
    const std::string m_path = m_folder.Write("fault.ed", kFile);
};

FailedLines FaultInjectionTest::failedLines;

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

// Each load builds the clean load's structure or fails for the reason injected; a thread that cannot
// start changes nothing.
TEST_F(FaultInjectionTest, EveryFailedCallBuildsTheCleanStructureOrFailsForItsReason) {
    const std::string clean = Load(ed::LoadOptions(), Injection());
    ASSERT_NE(std::string::npos, clean.find("Assembly \xc3\xa9")) << clean;
    const std::string readFailure = "cannot read \"" + m_path + "\": Input/output error";
    size_t runs = 0;
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const ed::LoadOptions options = c.threaded ? Threaded() : ed::LoadOptions();
        ASSERT_EQ(clean, Load(options, Injection()));
        // Threads make the count vary a little from one load to the next.
        const uint64_t calls = theEnv.Calls(c.call) + (c.threaded ? theEnv.Calls(c.call) / 4 + 8 : 1);
        const std::string failure = c.call == Call::kAllocation ? "out of memory"
                                    : c.call == Call::kRead     ? readFailure
                                                                : clean;
        for (uint64_t nth = 1; nth <= calls; ++nth, ++runs) {
            const std::string outcome = Load(options, Injection{c.call, nth, c.onwards});
            if (outcome != clean) {
                ASSERT_EQ(failure, outcome) << "call " << nth;
            }
        }
    }
    std::printf("%zu loads with a failed call\n", runs);
    EXPECT_GT(failedLines.textRecords, 0);
    EXPECT_EQ(0, failedLines.withLineFeed);
}

// Reads that come back short or interrupted are tried again: nothing changes.
TEST_F(FaultInjectionTest, ShortReadsChangeNothing) {
    const std::string clean = Load(ed::LoadOptions(), Injection());
    for (const ed::LoadOptions& options : {ed::LoadOptions(), Threaded()})
        EXPECT_EQ(clean, Load(options, Injection{Call::kCount, 0, false, true}));
}

}  // namespace
