#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "dp/KXTracer.h"
#include "du/FileReader.h"
#include "du/RefCounted.h"
#include "du/SmartPtr.h"
#include "du/Symbol.h"
#include "ed/reader/Parser.h"
#include "kxk/Structure.h"
#include "support/ParserInspector.h"

namespace edtest {

// The sizes of the largest hostile inputs. The default keeps the suite quick; ED_HOSTILE_FULL=1 asks
// for the sizes the loader is promised to take (a 256 MiB line, 100 MB without a line feed).
inline bool FullSizes() {
    const char* full = std::getenv("ED_HOSTILE_FULL");
    return full && *full == '1';
}

// "C 1 0 0" naming node 1 "n1", then for each id from 2 to `depth` the lines that `line` makes of it
// and of the id before it.
template <class Line>
std::string Chain(int depth, Line line) {
    std::string text = "C 1 0 0\nI 0 1 0 0 n1\n";
    text.reserve(static_cast<size_t>(depth) * 24);
    for (int id = 2; id <= depth; ++id) text += line(std::to_string(id), std::to_string(id - 1));
    return text;
}

// Drops the traces of the thread it is made on: some hostile files trace once per line.
class QuietSink : public dp::TraceSink {
  public:
    void Write(const dp::TraceMessage&) override {}

  private:
    dp::ScopedThreadTraceSink m_scope{this};
};

// Loads ED texts from memory with a fresh parser into a fresh structure, and checks after each test
// that every symbol and counted object the load made is gone again once the structure is dropped.
class HostileLoadTest : public ::testing::Test {
  protected:
    static constexpr const char* kFileName = "/memory/hostile/input.ed";

    static void SetUpTestSuite() {
        // Host constants made on first use (converter names, the block allocator) must not count as
        // the first test's leak.
        QuietSink quiet;
        ed::Parser parser;
        ed::ParserInspector(parser).ParseText(
            "J windows-1252\nC 1 0 0\nI 0 1 0 0 \xe9\nP 1 1 1\nN 0 1 0 0 color\nV 0 1 0 0 1 0 0\nJ\n");
    }

    void TearDown() override {
        structure = nullptr;
        EXPECT_EQ(m_symbols, du::Symbol::LiveCount()) << "symbols left behind";
        EXPECT_EQ(m_objects, du::RefCounted::LiveCount()) << "counted objects left behind";
    }

    // Parse over `text` served as an in-memory file; the structure stays in `structure`.
    bool Load(const std::string& text) {
        du::FileReader::RegisterMemoryFile(kFileName, text.data(), text.size());
        structure = new kxk::Structure(du::Symbol("/memory/hostile/home.ed"));
        const bool ok = ed::Parser().Parse(du::Symbol(kFileName), structure);
        du::FileReader::UnregisterMemoryFile(kFileName);
        return ok;
    }

    const kxk::ComponentNode& Root() const { return *structure->GetRoot(); }

    QuietSink quiet;
    du::SmartPtr<kxk::Structure> structure;

  private:
    // Taken once the suite's warm-up is done.
    size_t m_symbols = du::Symbol::LiveCount(), m_objects = du::RefCounted::LiveCount();
};

}  // namespace edtest
