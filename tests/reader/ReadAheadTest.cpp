#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "du/FileReader.h"
#include "du/LineReader.h"
#include "ed/reader/ReadAhead.h"
#include "support/ParserInspector.h"
#include "support/StructureWalk.h"
#include "support/TraceRecorder.h"

namespace {

using namespace std::string_literals;

class MemoryFile {
  public:
    MemoryFile(std::string bytes) : m_bytes(std::move(bytes)) {
        du::FileReader::RegisterMemoryFile(kName, m_bytes.data(), m_bytes.size());
    }
    ~MemoryFile() { du::FileReader::UnregisterMemoryFile(kName); }
    du::SmartPtr<du::FileReader> Open() const {
        du::SmartPtr<du::FileReader> reader(new du::FileReader);
        EXPECT_TRUE(reader->Open(du::Symbol(kName)));
        return reader;
    }

  private:
    static constexpr const char* kName = "/memory/read-ahead.ed";
    std::string m_bytes;
};

template <class Lines>
std::vector<std::string> Drain(Lines& lines) {
    std::vector<std::string> out;
    while (lines.ReadLine()) {
        EXPECT_EQ('\0', lines.GetBuffer()[lines.GetLength()]);
        out.emplace_back(lines.GetBuffer(), lines.GetLength());
        lines.GetBuffer()[0] = '#';  // the handlers write into their line
    }
    return out;
}

TEST(ReadAheadTest, HandsOutLineReadersLinesWhateverTheBlockSize) {
    const std::vector<std::string> texts = {
        "", "a", "\n", "\n\n\nlast", "C 1 0 0\r\nI 0 1 0 0 a\0b\n"s,
        std::string(100, 'x') + "\nshort\n" + std::string(50, 'y'), std::string(3000, 'z') + "\n",
    };
    for (const std::string& text : texts) {
        for (size_t blockSize : {1, 3, 16, 4096}) {
            MemoryFile file(text);
            du::LineReader reference(file.Open().get());
            const du::SmartPtr<du::FileReader> reader = file.Open();
            ed::ReadAhead ahead(reader.get(), blockSize, true);
            EXPECT_EQ(Drain(reference), Drain(ahead)) << text.substr(0, 20) << " in blocks of " << blockSize;
            EXPECT_FALSE(ahead.ReadLine());
        }
    }
}

// Interned ahead is exactly the text that the handler scans, and only when no conversion applies.
TEST(ReadAheadTest, InternsTheTextsOfIAndVRecordsThatNeedNoConversion) {
    struct Case {
        std::string line;
        std::optional<std::string> text;
        size_t at;
    };
    const std::vector<Case> cases = {
        {"I 0 1 0 0 Root\n", "Root", 10},      {"V 0 12 0 0   1 0 0\r\n", "1 0 0\r", 13},
        {"V 0 1 0 0 a\0b\n"s, "a", 10},        {"I 0 1\0 0 0 x\n"s, "", 5},
        {"V 1 2", "", 5},                      {"I 0 1 0 0 caf\xe9\n", std::nullopt, 0},
        {"N 0 1 0 0 name\n", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        MemoryFile file(c.line);
        const du::SmartPtr<du::FileReader> reader = file.Open();
        ed::ReadAhead ahead(reader.get(), 4096, true);
        ASSERT_TRUE(ahead.ReadLine());
        ed::AheadText* text = ahead.Text();
        ASSERT_EQ(c.text.has_value(), text != nullptr) << c.line;
        if (!text) continue;
        EXPECT_EQ(ahead.GetBuffer() + c.at, text->data) << c.line;
        EXPECT_EQ(*c.text, std::string(text->data, text->size));
        EXPECT_EQ(du::Symbol(c.text->data(), c.text->size()), *text->symbol);
    }
}

TEST(ReadAheadTest, StoppingEarlyJoinsTheReader) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "V 0 " + std::to_string(i) + " 0 0 value\n";
    MemoryFile file(text);
    const du::SmartPtr<du::FileReader> reader = file.Open();
    for (int lines = 0; lines < 3; ++lines) {
        ed::ReadAhead ahead(reader.get(), 64, true);
        for (int i = 0; i < lines; ++i) ASSERT_TRUE(ahead.ReadLine());
    }
}

// A file with encodings, converted and plain texts, odd spacing and a zero byte, dumped node by node.
std::string Dump(const kxk::Structure& structure) {
    std::string out;
    edtest::WalkStructure(structure, [&](const edtest::WalkStep& step) {
        out += std::string(step.depth, ' ') + step.component->GetName().c_str() + "\n";
        if (step.component->GetKind() == kxk::Component::NODE) {
            for (const kxk::Property& property :
                 static_cast<const kxk::ComponentNode*>(step.component)->GetProperties().GetAll())
                out += std::string(property.name) + "=" + std::string(property.value) + "\n";
        }
        return true;
    });
    return out;
}

TEST(ReadAheadTest, ParsesAsOnOneThread) {
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
        dumps.push_back(Dump(*inspect.Structure()));
    }
    EXPECT_NE(std::string::npos, dumps[1].find("Part 7 \xc3\xa9t\xc3\xa9\n"));
    EXPECT_EQ(dumps[0], dumps[1]);
}

class ThrowingRecorder : public edtest::TraceRecorder {
  public:
    void Write(const dp::TraceMessage& message) override {
        edtest::TraceRecorder::Write(message);
        if (message.text.find("AddCheckout") != std::string::npos) throw std::runtime_error("sink failed");
    }
};

TEST(ReadAheadTest, AFailedLineEndsTheParseAndTheParserRunsAgain) {
    std::string text = "C 1 0 0\nI 0 1 0 0 Root\nK boom\n";
    for (int i = 0; i < 20000; ++i) text += "V 0 1 0 0 after\n";
    ed::Parser parser;
    ed::ParserInspector inspect(parser);
    inspect.SetReadAheadFrom(0);
    {
        ThrowingRecorder recorder;
        EXPECT_FALSE(inspect.ParseText(text));
        EXPECT_EQ(2u, recorder.Texts().size());
    }
    inspect.SetStructure(new kxk::Structure);
    EXPECT_TRUE(inspect.ParseText("C 1 0 0\nI 0 1 0 0 Root\n"));
    EXPECT_STREQ("Root", inspect.Structure()->GetRoot()->GetName().c_str());
}

}  // namespace
