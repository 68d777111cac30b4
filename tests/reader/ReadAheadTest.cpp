#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "du/LineReader.h"
#include "ed/reader/ReadAhead.h"
#include "support/ParserInspector.h"
#include "support/StructureWalk.h"
#include "support/TraceRecorder.h"

namespace {

using namespace std::string_literals;

du::SmartPtr<du::FileReader> Open(const std::string& bytes) {
    du::FileReader::RegisterMemoryFile("/memory/ahead.ed", bytes.data(), bytes.size());
    du::SmartPtr<du::FileReader> reader(new du::FileReader);
    EXPECT_TRUE(reader->Open(du::Symbol("/memory/ahead.ed")));
    return reader;
}

template <class Lines>
std::vector<std::string> Drain(Lines& lines) {
    std::vector<std::string> out;
    for (; lines.ReadLine(); lines.GetBuffer()[0] = '#') {  // handlers write into their line
        EXPECT_EQ('\0', lines.GetBuffer()[lines.GetLength()]);
        out.emplace_back(lines.GetBuffer(), lines.GetLength());
    }
    return out;
}

TEST(ReadAheadTest, HandsOutLineReadersLinesWhateverTheBlockSize) {
    for (const std::string& text : {""s, "a"s, "\n"s, "\n\n\nlast"s, "C 1 0 0\r\nI 0 1 0 0 a\0b\n"s,
                                    std::string(100, 'x') + "\nshort\n" + std::string(50, 'y')}) {
        for (size_t blockSize : {1, 3, 16, 4096}) {
            const du::SmartPtr<du::FileReader> reader = Open(text);
            ed::ReadAhead ahead(reader.get(), blockSize);
            du::LineReader reference(Open(text).get());
            EXPECT_EQ(Drain(reference), Drain(ahead)) << text.substr(0, 9) << " in blocks of " << blockSize;
            EXPECT_FALSE(ahead.ReadLine());
        }
    }
}

TEST(ReadAheadTest, StoppingEarlyJoinsTheReader) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "V 0 " + std::to_string(i) + " 0 0 value\n";
    const du::SmartPtr<du::FileReader> reader = Open(text);
    for (int lines = 0; lines < 3; ++lines) {
        ed::ReadAhead ahead(reader.get(), 64);
        for (int i = 0; i < lines; ++i) ASSERT_TRUE(ahead.ReadLine());
    }
}

class FailingTraces : public edtest::TraceRecorder {
    void Write(const dp::TraceMessage& message) override {
        edtest::TraceRecorder::Write(message);
        if (message.text.find("AddCheckout") != std::string::npos) throw std::runtime_error("sink failed");
    }
};

// Both ways over the same file: converted names, odd spacing, zero bytes; then a failing line.
TEST(ReadAheadTest, ParsesAsOnOneThreadAndStopsAtAFailedLine) {
    std::string text = "J windows-1252\nT 1 Geometry\n";
    for (int i = 1; i <= 3000; ++i) {
        const std::string id = std::to_string(i);
        text += "C " + id + " " + std::to_string(i / 2) + " 0\nI 0 " + id + " 0 0  Part " + id +
                (i % 7 ? "" : " \xe9t\xe9") + "\nP " + id + " " + id + " 1\nN 0 " + id + " 0 0 Mass\nV 0 " +
                id + " 0 0 " + std::to_string(i % 13) + (i % 11 ? " kg\n" : "\0 kg\r\n"s);
    }
    std::vector<std::string> dumps;
    for (size_t from : {size_t{1} << 30, size_t{0}}) {
        ed::Parser parser;
        ed::ParserInspector inspect(parser);
        inspect.SetReadAheadFrom(from);
        EXPECT_TRUE(inspect.ParseText(text));
        std::string& dump = dumps.emplace_back();
        edtest::WalkStructure(*inspect.Structure(), [&](const edtest::WalkStep& step) {
            dump += step.component->GetName().c_str() + "\n"s;
            for (const kxk::Property& property :
                 static_cast<const kxk::ComponentNode*>(step.component)->GetProperties().GetAll())
                dump += std::string(property.name) + "=" + std::string(property.value) + "\n";
            return true;
        });
        FailingTraces traces;
        const size_t middle = text.find('\n', text.size() / 2) + 1;
        EXPECT_FALSE(inspect.ParseText(text.substr(0, middle) + "K boom\n" + text.substr(middle)));
        EXPECT_EQ(2u, traces.Texts().size());
    }
    EXPECT_NE(std::string::npos, dumps[1].find("Part 7 \xc3\xa9t\xc3\xa9\nMass=7 kg\n"));
    EXPECT_EQ(dumps[0], dumps[1]);
}

}  // namespace
