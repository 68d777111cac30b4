#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "du/RefCounted.h"
#include "kxk/AsyncEvent.h"
#include "kxk/MemoryPoolAllocated.h"
#include "kxloader/StructureParser.h"
#include "support/TempFolder.h"

namespace {

// A loader that fetches one file and writes down how the completion arrived.
class RecordingLoader : public kxloader::StructureParser {
  public:
    using StructureParser::GetAsyncError;
    using StructureParser::GetAsyncFileName;

    void Fetch(const std::string& file, kxk::AsyncEvent* event) {
        m_event = event;
        m_request = GetFile(du::Symbol(file), true, du::Symbol::EMPTY);
    }
    void OnFetchComplete(uint64_t request, int status) override {
        m_deliveredRequest = request;
        m_status = status;
        m_thread = std::this_thread::get_id();
        m_hadName = GetAsyncFileName(request, m_name);
        m_hadError = GetAsyncError(request, m_error);
        m_references = ReferenceCount();
        status == 0 ? m_event->SignalDone() : m_event->ReportFailure(m_error, 1);
    }

    uint64_t m_request = 0, m_deliveredRequest = 0;
    int m_status = -1, m_references = 0;
    std::thread::id m_thread;
    bool m_hadName = false, m_hadError = false;
    du::Symbol m_name, m_error;
    kxk::AsyncEvent* m_event = nullptr;
};

class FileFetchTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_liveAtStart = du::RefCounted::LiveCount();
        m_poolBytesAtStart = kxk::MemoryPoolAllocated::LiveBytes();
    }
    void TearDown() override {
        kxloader::FileParser::WaitForPendingFetches();
        EXPECT_EQ(0u, kxloader::FileParser::PendingFetches());
        EXPECT_EQ(m_liveAtStart, du::RefCounted::LiveCount());
        EXPECT_EQ(m_poolBytesAtStart, kxk::MemoryPoolAllocated::LiveBytes());
    }
    // Fetches `file` with a fresh loader and waits for the completion.
    du::SmartPtr<RecordingLoader> FetchAndWait(const std::string& file) {
        du::SmartPtr<RecordingLoader> loader(new RecordingLoader);
        kxk::AsyncEvent event;
        loader->Fetch(file, &event);
        // The completion reports a failure through the event from the fetch thread.
        event.Wait();
        EXPECT_TRUE(event.IsDone());
        EXPECT_EQ(loader->m_status != 0, event.HasFailed());
        EXPECT_TRUE(!event.HasFailed() || loader->m_error == event.GetFailure());
        kxloader::FileParser::WaitForPendingFetches();
        loader->m_event = nullptr;
        return loader;
    }

    edtest::TempFolder m_folder;

  private:
    size_t m_liveAtStart = 0, m_poolBytesAtStart = 0;
};

TEST_F(FileFetchTest, ReadableFileIsDeliveredOnAnotherThreadWithItsName) {
    std::string path = m_folder.Write("a.ed", "C 1 0 0\n");
    du::SmartPtr<RecordingLoader> loader = FetchAndWait(path);
    EXPECT_TRUE(loader->m_request != 0 && loader->m_request == loader->m_deliveredRequest);
    EXPECT_EQ(0, loader->m_status);
    EXPECT_NE(std::this_thread::get_id(), loader->m_thread);
    EXPECT_TRUE(loader->m_hadName && !loader->m_hadError);
    EXPECT_EQ(du::Symbol(path), loader->m_name);
    EXPECT_GE(loader->m_references, 2) << "the host holds the loader during the call";
}

// --- Failures ------------------------------------------------------------------------------------

TEST_F(FileFetchTest, UnreadableFilesFailWithTheNameAndTheReason) {
    struct Case {
        std::string path;
        const char* reason;
    };
    const Case cases[] = {
        {m_folder.Path() + "/missing.ed", "No such file"},
        {m_folder.Path(), "directory"},
        {"", "without a name"},
    };
    for (const Case& c : cases) {
        du::SmartPtr<RecordingLoader> loader = FetchAndWait(c.path);
        EXPECT_EQ(1, loader->m_status) << c.path;
        EXPECT_FALSE(loader->m_hadName);
        ASSERT_TRUE(loader->m_hadError);
        std::string error = loader->m_error;
        EXPECT_NE(std::string::npos, error.find(c.path)) << error;
        EXPECT_NE(std::string::npos, error.find(c.reason)) << error;
    }
}

}  // namespace
