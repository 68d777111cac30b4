#include "plugin/EDParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "kxk/AsyncEvent.h"
#include "kxk/Structure.h"
#include "kxloader/FetchRegistry.h"
#include "kxloader/StructureParser.h"
#include "plugin/HeldFetches.h"
#include "support/TempFolder.h"
#include "support/TraceRecorder.h"

namespace {

const char kAssembly[] = "C 1 0 0\nI 0 1 0 0 Assembly\nC 2 1 0\nI 0 2 0 0 Bolt\n";
const char kTwoRoots[] = "C 1 0 0\nC 2 0 0\n";

// Drives the real component the way a host does: LoadRequest, then the completion that the host's
// fetch worker delivers. Completions the test calls itself reuse handles of real fetches.
class EDParserTest : public ::testing::Test {
  protected:
    EDParserTest() : m_liveObjects(du::RefCounted::LiveCount()), m_loader(new EDParser) {
        // The completion runs on the fetch worker, whose traces only the process sink sees.
        dp::SetTraceSink(&m_traces);
    }
    ~EDParserTest() override {
        kxloader::FileParser::WaitForPendingFetches();
        dp::SetTraceSink(nullptr);
        m_loader = nullptr;
        EXPECT_EQ(m_liveObjects, du::RefCounted::LiveCount());
    }

    static du::SmartPtr<kxk::Structure> NewStructure() {
        return du::SmartPtr<kxk::Structure>(new kxk::Structure);
    }

    std::string File(const std::string& name, const std::string& content) {
        return m_folder.Write(name, content);
    }
    std::string Missing() const { return m_folder.Path() + "/missing.ed"; }

    uint64_t Request(const du::SmartPtr<kxk::Structure>& structure, const std::string& file,
                     kxk::AsyncEvent* event) {
        return m_loader->LoadRequest(structure, du::Symbol(file), event);
    }
    // A load through to its end: the host has delivered the completion and let go of the loader.
    uint64_t Load(const du::SmartPtr<kxk::Structure>& structure, const std::string& file,
                  kxk::AsyncEvent* event) {
        uint64_t request = Request(structure, file, event);
        kxloader::FileParser::WaitForPendingFetches();
        return request;
    }

    // One line for the end state of a load: the structure's loaded state, the loader's calls to set
    // it, the references held to the structure, and what its event was told.
    static std::string State(const du::SmartPtr<kxk::Structure>& structure, const kxk::AsyncEvent& event) {
        return "loaded " + std::to_string(structure->GetLoaded()) + " set " +
               std::to_string(structure->GetSetLoadedCalls()) + " refs " +
               std::to_string(structure->ReferenceCount()) + " signals " +
               std::to_string(event.GetSignalCount()) + " failures " +
               std::to_string(event.GetFailureCount());
    }

    std::vector<dp::TraceMessage> LoaderTraces() const {
        std::vector<dp::TraceMessage> traces;
        for (const auto& m : m_traces.Messages())
            if (m.domain == "structure" && m.name == "EDZParser") traces.push_back(m);
        return traces;
    }

    size_t m_liveObjects;
    edtest::TempFolder m_folder;
    edtest::TraceRecorder m_traces;
    du::SmartPtr<kxloader::StructureParser> m_loader;
};

// --- One load to its end -------------------------------------------------------------------------

// How each kind of file ends a load, with and without an event: the structure's loaded state, what the
// event is told, and the loader's trace. The loader always lets go of the structure.
TEST_F(EDParserTest, LoadEndsByTheFileWithAndWithoutEvent) {
    struct Case {
        const char* content;  // null: the file is missing
        int loaded;
        size_t setLoadedCalls;
        bool signalled;
        bool parseFailed;  // "Failed to parse ED file." and the loader's trace naming the file
    };
    const Case cases[] = {
        {kAssembly, 1, 1, true, false},
        {kTwoRoots, 2, 1, false, true},
        {nullptr, 0, 0, false, false},
    };
    for (const Case& c : cases) {
        for (bool withEvent : {true, false}) {
            SCOPED_TRACE(std::string(c.content ? c.content : "missing") + (withEvent ? " event" : ""));
            m_traces.Reset();
            auto structure = NewStructure();
            kxk::AsyncEvent event;
            // Blanks and quotes in the name must reach the trace as they are.
            const std::string file = c.content ? File("a \"b\".ed", c.content) : Missing();
            EXPECT_NE(0u, Load(structure, file, withEvent ? &event : nullptr));
            EXPECT_EQ("loaded " + std::to_string(c.loaded) + " set " + std::to_string(c.setLoadedCalls) +
                          " refs 1 signals " + (withEvent && c.signalled ? "1" : "0") + " failures " +
                          (withEvent && !c.signalled ? "1" : "0"),
                      State(structure, event));
            if (c.loaded == 1) {
                EXPECT_EQ("Assembly", structure->GetRoot()->GetName());
            }
            if (withEvent && !c.signalled) {
                EXPECT_EQ(1, event.GetFailureValue());
                // A failed fetch passes on the host's own wording unchanged.
                EXPECT_EQ(c.parseFailed ? std::string("Failed to parse ED file.")
                                        : kxloader::FetchRegistry::CheckReadable(du::Symbol(file)),
                          std::string(event.GetFailure()));
            }
            const auto traces = LoaderTraces();
            ASSERT_EQ(c.parseFailed ? 1u : 0u, traces.size());
            if (c.parseFailed) {
                EXPECT_EQ(3, traces[0].type);
                EXPECT_EQ("Failed to parse ED file \"" + file + "\"\n", traces[0].text);
            }
        }
    }
}

TEST_F(EDParserTest, LoaderServesAgainAfterFailedFetch) {
    auto structure = NewStructure();
    kxk::AsyncEvent failed, done;
    Load(structure, Missing(), &failed);
    Load(structure, File("a.ed", kAssembly), &done);
    EXPECT_EQ("loaded 1 set 1 refs 1 signals 1 failures 0", State(structure, done));
    EXPECT_EQ(1u, failed.GetFailureCount());  // not told twice
}

// --- Completions the loader declines --------------------------------------------------------------

// A completion for a fetch the host did make, of a load that already ended or never started, and
// completing at once: none of them parses or tells an event again.
TEST_F(EDParserTest, CompletionsWithoutAPendingLoadTouchNothing) {
    auto parsed = NewStructure(), failed = NewStructure(), done = NewStructure(), immediate = NewStructure();
    kxk::AsyncEvent parsedEvent, failedEvent, doneEvent, immediateEvent;
    uint64_t fetched = Load(parsed, File("a.ed", kTwoRoots), &parsedEvent);
    Load(failed, Missing(), &failedEvent);
    uint64_t finished = Load(done, File("b.ed", kAssembly), &doneEvent);
    m_traces.Reset();

    m_loader->OnFetchComplete(fetched, 0);
    m_loader->OnFetchComplete(finished, 0);
    m_loader->OnFetchComplete(finished, 1);
    m_loader->CompleteImmediately(immediate, du::Symbol("a.ed"), &immediateEvent);
    m_loader->CompleteImmediately(immediate, du::Symbol("a.ed"), nullptr);
    EXPECT_EQ("loaded 2 set 1 refs 1 signals 0 failures 1", State(parsed, parsedEvent));
    EXPECT_EQ("loaded 0 set 0 refs 1 signals 0 failures 1", State(failed, failedEvent));
    EXPECT_EQ("loaded 1 set 1 refs 1 signals 1 failures 0", State(done, doneEvent));
    EXPECT_EQ("loaded 0 set 0 refs 1 signals 1 failures 0", State(immediate, immediateEvent));
    EXPECT_EQ(0u, kxloader::FileParser::PendingFetches());
    EXPECT_TRUE(LoaderTraces().empty());
}

TEST_F(EDParserTest, UnknownStatusLeavesPendingLoadAlone) {
    edtest::HeldFetches held;
    auto structure = NewStructure();
    kxk::AsyncEvent event;
    uint64_t request = Request(structure, File("a.ed", kAssembly), &event);
    // The fetch has succeeded and is recorded, so a status taken for success would parse.
    held.WaitUntilHeld(1);

    m_loader->OnFetchComplete(request, 2);
    m_loader->OnFetchComplete(request, 7);
    EXPECT_EQ("loaded 0 set 0 refs 2 signals 0 failures 0", State(structure, event));
    // The load goes on as if nothing had happened.
    held.Deliver(request);
    EXPECT_EQ("loaded 1 set 1 refs 1 signals 1 failures 0", State(structure, event));
}

TEST_F(EDParserTest, RequestWithoutStructureLeavesPendingLoadAlone) {
    edtest::HeldFetches held;
    auto structure = NewStructure();
    kxk::AsyncEvent pending, declined;
    uint64_t request = Request(structure, File("a.ed", kAssembly), &pending);

    EXPECT_EQ(0u, Request(nullptr, File("b.ed", kAssembly), &declined));
    EXPECT_EQ(1u, kxloader::FileParser::PendingFetches());  // no fetch for the declined request
    EXPECT_EQ(2, structure->ReferenceCount());
    held.Deliver(request);
    EXPECT_EQ("loaded 1 set 1 refs 1 signals 1 failures 0", State(structure, pending));
    EXPECT_FALSE(declined.IsDone());
}

// --- Repeated requests --------------------------------------------------------------------------

TEST_F(EDParserTest, SameStructureTwiceKeepsOneReferenceAndTheLastEvent) {
    edtest::HeldFetches held;
    auto structure = NewStructure();
    kxk::AsyncEvent overwritten, last;
    uint64_t first = Request(structure, File("first.ed", kAssembly), &overwritten);
    uint64_t second = Request(structure, File("second.ed", kTwoRoots), &last);
    EXPECT_EQ(2, structure->ReferenceCount());

    // The first completion finishes the load with the last event; the second finds nothing left to
    // do and must not parse its unparsable file.
    held.WaitUntilHeld(2);
    EXPECT_EQ(first, held.DeliverNext());
    EXPECT_EQ("loaded 1 set 1 refs 1 signals 1 failures 0", State(structure, last));
    EXPECT_EQ(second, held.DeliverNext());
    EXPECT_EQ("loaded 1 set 1 refs 1 signals 1 failures 0", State(structure, last));
    EXPECT_FALSE(overwritten.IsDone());
    EXPECT_TRUE(LoaderTraces().empty());
}

TEST_F(EDParserTest, NewStructureReplacesThePendingOne) {
    edtest::HeldFetches held;
    auto replaced = NewStructure(), current = NewStructure();
    uint64_t first = Request(replaced, File("first.ed", kTwoRoots), nullptr);
    uint64_t second = Request(current, File("second.ed", kAssembly), nullptr);
    EXPECT_EQ(1, replaced->ReferenceCount());
    EXPECT_EQ(2, current->ReferenceCount());

    // The completions arrive against request order; the first one's is late.
    held.Deliver(second);
    EXPECT_EQ(1, current->GetLoaded());
    EXPECT_EQ(1, current->ReferenceCount());
    held.Deliver(first);
    EXPECT_EQ(0u, replaced->GetSetLoadedCalls());
    EXPECT_EQ(1u, current->GetSetLoadedCalls());
    EXPECT_TRUE(LoaderTraces().empty());
}

}  // namespace
